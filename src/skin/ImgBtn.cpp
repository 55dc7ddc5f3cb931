// The image button's states and painting.
#include "skin/ImgBtn.h"

#include <algorithm>

namespace vexil {

namespace {

// A decoded picture as the button keeps it: the first frame, with the
// picture's own transparent pixels (GIF transparency, icon masks) turned
// magenta so that painting has one rule for every format.
TImage32 ButtonPicture(const TPicture& picture) {
    if (picture.Empty()) return TImage32();
    TImage32 image = picture.First();
    for (int y = 0; y < image.Height(); ++y) {
        TColor32* row = image.Row(y);
        for (int x = 0; x < image.Width(); ++x)
            if (!IsOpaque(row[x])) row[x] = kMagenta;
    }
    return image;
}

// A one-pixel three-dimensional frame: topLeft on the top and left edges,
// bottomRight on the others, which own the top-right and bottom-left corners.
void DrawFrame3D(TImage32& surface, const TRect& r, TColor32 topLeft, TColor32 bottomRight) {
    if (r.Empty()) return;
    surface.FillRect(TRect{r.Left, r.Top, r.Right, r.Top + 1}, topLeft);
    surface.FillRect(TRect{r.Left, r.Top, r.Left + 1, r.Bottom}, topLeft);
    surface.FillRect(TRect{r.Right - 1, r.Top, r.Right, r.Bottom}, bottomRight);
    surface.FillRect(TRect{r.Left, r.Bottom - 1, r.Right, r.Bottom}, bottomRight);
}

const TColor32 kBlack = Rgb(0, 0, 0);
const TColor32 kWhite = Rgb(255, 255, 255);

}  // namespace

void TImgBtn::SetPicOn(const TPicture& picture) { SetPicOn(ButtonPicture(picture)); }
void TImgBtn::SetPicOff(const TPicture& picture) { SetPicOff(ButtonPicture(picture)); }

void TImgBtn::SetPicOn(const TImage32& picture) {
    picOn_ = picture;
    Repaint();
}

void TImgBtn::SetPicOff(const TImage32& picture) {
    picOff_ = picture;
    Repaint();
}

void TImgBtn::SetChecked(bool value) {
    if (value == checked_) return;
    checked_ = value;
    Repaint();
}

void TImgBtn::SetFrame(bool value) {
    frame_ = value;
    Repaint();
}

void TImgBtn::SetAutosize(bool value) {
    autosize_ = value;
    Repaint();
}

void TImgBtn::SetCaption(const std::string& value) {
    caption_ = value;
    Repaint();
}

void TImgBtn::CaptionExtent(int& w, int& h) const {
    w = h = 0;
    if (!caption_.empty() && Text) Text->TextExtent(caption_, w, h);
}

void TImgBtn::Repaint() {
    const TRect before = BoundsRect();
    if (autosize_ && !picOff_.Empty()) {
        int dx = frame_ ? 2 : 0, dy = frame_ ? 2 : 0;
        if (!caption_.empty()) {
            int textW = 0, textH = 0;
            CaptionExtent(textW, textH);
            dx += textW + 20;
            dy += textH + 20;
        }
        // The size follows the picture of the current state, even an empty PicOn.
        const TImage32& sized = pointerOutside_ ? picOff_ : picOn_;
        Width = sized.Width() + dx;
        Height = sized.Height() + dy;
    }
    if (!OnRepaint) return;
    const TRect after = BoundsRect();
    if (before.Empty()) {
        OnRepaint(after);
    } else if (after.Empty()) {
        OnRepaint(before);
    } else {
        OnRepaint(TRect{std::min(before.Left, after.Left), std::min(before.Top, after.Top),
                        std::max(before.Right, after.Right),
                        std::max(before.Bottom, after.Bottom)});
    }
}

void TImgBtn::MouseEnter() {
    pointerOutside_ = false;
    Repaint();
    if (OnMouseEnter) OnMouseEnter();
}

void TImgBtn::MouseLeave() {
    pointerOutside_ = true;
    pressed_ = false;
    Repaint();
    if (OnMouseLeave) OnMouseLeave();
}

void TImgBtn::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::Left) {
        pressed_ = true;
        // The second press of a double click looks pressed but clicks no
        // second time: one double click is one command, not two.
        clicking_ = (shift & ssDouble) == 0;
        Repaint();
    }
    if (OnMouseDown) OnMouseDown(button, shift, x, y);
}

void TImgBtn::MouseUp(TMouseButton button, TShiftState, int x, int y) {
    if (button != TMouseButton::Left) return;
    pressed_ = false;
    Repaint();
    // A click needs the press to have started here and the release to end
    // over the button; moving out and back in before releasing still clicks.
    const bool click = clicking_ && x >= 0 && y >= 0 && x < Width && y < Height;
    clicking_ = false;
    if (click && OnClick) OnClick();
}

void TImgBtn::Paint(TImage32& surface) const {
    if (!Visible || picOff_.Empty()) return;

    const bool over = !pointerOutside_;
    int textW = 0, textH = 0;
    CaptionExtent(textW, textH);
    const bool hasCaption = !caption_.empty();

    const TRect bounds = BoundsRect();
    if (frame_ && over) {
        surface.FillRect(bounds, FrameColor);
        if (pressed_)
            DrawFrame3D(surface, bounds, kBlack, kWhite);
        else
            DrawFrame3D(surface, bounds, kWhite, kBlack);
    }

    // Without a frame the autosize increments double as the picture's offset,
    // which moves a captioned picture off centre; no skin uses that mix.
    int ox = 0, oy = 0;
    if (frame_) {
        ox = 1;
        oy = hasCaption ? 4 : 1;
    } else if (autosize_ && hasCaption) {
        ox = textW + 20;
        oy = textH + 20;
    }

    // Not clipped to the bounds: an autosized button over an empty PicOn is
    // sized from PicOn but still shows PicOff.
    const TImage32& picture = (over && !picOn_.Empty()) ? picOn_ : picOff_;
    surface.DrawKeyed(picture, Left + ox + (Width - picture.Width()) / 2, Top + oy, kMagenta);

    if (hasCaption && Text) {
        const bool opaque = CheckButton && checked_;
        Text->DrawText(surface, Left + (Width - textW) / 2, Top + Height - textH - 6, caption_,
                       opaque, CheckColor);
    }
}

void TButtonPointer::Move(TImgBtn* over) {
    if (pressed_ && over != pressed_) over = nullptr;
    if (over == hover_) return;
    if (hover_) hover_->MouseLeave();
    hover_ = over;
    if (hover_) hover_->MouseEnter();
}

void TButtonPointer::Leave() {
    if (pressed_) return;
    if (hover_) hover_->MouseLeave();
    hover_ = nullptr;
}

}  // namespace vexil
