// The window drag's snap to the screen's edges.
#include "app/WindowDrag.h"

namespace vexil {

TWindowPlace SnapToEdges(TWindowPlace place, int dx, int dy, int width, int height, int screenW,
                         int screenH) {
    place.Left += dx;
    place.Top += dy;
    if (place.Top < 10 && dy < 0) place.Top = 0;
    if (place.Left < 10 && dx < 0) place.Left = 0;
    if (screenW - (place.Left + width) < 10 && dx > 0) place.Left = screenW - width;
    if (screenH - (place.Top + height) < 10 && dy > 0) place.Top = screenH - height;
    return place;
}

}  // namespace vexil
