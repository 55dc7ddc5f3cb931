// The image button of the skinned windows: a windowless control painted onto
// its parent's surface, showing PicOff normally and PicOn while the pointer is
// over it, with magenta left out so the skin shows through.  The parent window
// routes mouse events to it and repaints what OnRepaint asks for.  With
// Autosize the button takes its size whenever what it shows changes (a
// picture, the pointer's state, the caption, the frame), never while it is
// painted, so that a repaint covers the old rectangle and the new one.
#pragma once

#include <functional>
#include <string>

#include "platform/Mouse.h"
#include "skin/Image.h"

namespace vexil {

// Text drawing in the button's font, supplied by the window that owns it.
class ITextPainter {
public:
    virtual ~ITextPainter() = default;
    virtual void TextExtent(const std::string& text, int& w, int& h) = 0;
    // Draws text with its top-left corner at x, y; with opaque set the text's
    // cell is filled with background first.
    virtual void DrawText(TImage32& surface, int x, int y, const std::string& text, bool opaque,
                          TColor32 background) = 0;
};

class TImgBtn {
public:
    // Setting a picture copies it (a decoded picture's first frame, its own
    // transparent pixels turned magenta) and repaints.
    const TImage32& PicOn() const { return picOn_; }
    void SetPicOn(const TPicture& picture);
    void SetPicOn(const TImage32& picture);
    const TImage32& PicOff() const { return picOff_; }
    void SetPicOff(const TPicture& picture);
    void SetPicOff(const TImage32& picture);

    bool Checked() const { return checked_; }
    void SetChecked(bool value);  // repaints only when the value changes

    // A flat frame while the pointer is over.
    bool Frame() const { return frame_; }
    void SetFrame(bool value);
    // Size to the current picture (plus frame and caption).
    bool Autosize() const { return autosize_; }
    void SetAutosize(bool value);
    // Drawn under the picture, in the font of Text.
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& value);

    bool CheckButton = false;  // the caption's background shows Checked
    TColor32 CheckColor = Rgb(0, 120, 215);   // the system highlight colour
    TColor32 FrameColor = Rgb(240, 240, 240);  // the system button face colour
    std::string Hint;
    int Left = 0, Top = 0, Width = 20, Height = 20;
    bool Visible = true;
    // Measures and draws the caption (the owner's font); none: no caption.
    ITextPainter* Text = nullptr;

    std::function<void()> OnClick;
    std::function<void(TMouseButton, TShiftState, int x, int y)> OnMouseDown;
    std::function<void()> OnMouseEnter, OnMouseLeave;
    // Asks the parent to repaint a rectangle: the button's bounds, or when
    // its size changed, what it covered before and covers now.
    std::function<void(const TRect&)> OnRepaint;

    // Mouse input from the parent; x, y relative to the button.  The parent
    // calls MouseEnter and MouseLeave when the pointer crosses the bounds.  A
    // double click presses the button but clicks it no second time.
    void MouseEnter();
    void MouseLeave();
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y);

    // Paints the button onto the parent's surface at Left, Top.
    void Paint(TImage32& surface) const;

    bool PointerOver() const { return !pointerOutside_; }
    bool Pressed() const { return pressed_; }
    TRect BoundsRect() const { return TRect{Left, Top, Left + Width, Top + Height}; }

private:
    // Takes the autosized bounds, then asks for a repaint of what changed.
    void Repaint();
    void CaptionExtent(int& w, int& h) const;

    TImage32 picOn_, picOff_;
    bool checked_ = false;
    bool frame_ = false, autosize_ = true;
    std::string caption_;
    bool pointerOutside_ = true;
    bool pressed_ = false;   // the look: sunk while the left button is held over it
    bool clicking_ = false;  // left button went down on the button and is not up yet
};

// Which of a window's image buttons the pointer is over and which one holds
// the left button: while one is held, only that one lights up.
class TButtonPointer {
public:
    // The pointer is over `over` (null: no button).
    void Move(TImgBtn* over);
    // The pointer left the window; a held button keeps its state (the mouse
    // capture brings its release back).
    void Leave();
    void Press(TImgBtn* button) { pressed_ = button; }
    // The held button, now released; null when none was held.
    TImgBtn* Release() {
        TImgBtn* b = pressed_;
        pressed_ = nullptr;
        return b;
    }
    TImgBtn* Pressed() const { return pressed_; }

private:
    TImgBtn* hover_ = nullptr;
    TImgBtn* pressed_ = nullptr;
};

}  // namespace vexil
