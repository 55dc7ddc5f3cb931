// Dragging the main window by its background, with its snap to the screen's
// edges.
#pragma once

namespace vexil {

struct TWindowPlace {
    int Left = 0, Top = 0;
};

// Where a window of width x height lands when moved by (dx, dy) from place on
// a screen of screenW x screenH: an edge that the window comes within 10
// pixels of catches it, but only while the window moves towards that edge,
// so that it can be pulled away again.
TWindowPlace SnapToEdges(TWindowPlace place, int dx, int dy, int width, int height, int screenW,
                         int screenH);

class TWindowDrag {
public:
    bool Dragging() const { return dragging_; }
    // The left button went down on the background at the screen point (x, y).
    void Start(int x, int y) {
        dragging_ = true;
        x_ = x;
        y_ = y;
    }
    // The pointer is at (x, y): how far the window moves since the last point.
    void MoveTo(int x, int y, int& dx, int& dy) {
        dx = x - x_;
        dy = y - y_;
        x_ = x;
        y_ = y;
    }
    void Stop() { dragging_ = false; }

private:
    bool dragging_ = false;
    int x_ = 0, y_ = 0;  // DragX, DragY: the last pointer position, screen pixels
};

}  // namespace vexil
