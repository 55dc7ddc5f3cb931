// The main window's state on view.
#include "app/StatusDisplay.h"

#include <algorithm>
#include <utility>

namespace vexil {

namespace {

TRect Union(const TRect& a, const TRect& b) {
    if (a.Empty()) return b;
    if (b.Empty()) return a;
    return TRect{std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
                 std::max(a.Bottom, b.Bottom)};
}

}  // namespace

TStatusDisplay::TStatusDisplay(TInvalidate invalidate, TPictureLoader loadPicture,
                               TAnimationSwitch animate)
    : invalidate_(std::move(invalidate)),
      loadPicture_(std::move(loadPicture)),
      animate_(std::move(animate)) {
    STATBMP.Transparency = TImageTransparency::None;
    NBMSGBMP.Transparency = TImageTransparency::Magenta;
    NBMSGBMP.Hint = "NB Messages";
    FLAG.Transparency = TImageTransparency::State;
    Online.Transparency = TImageTransparency::State;
}

void TStatusDisplay::UseSkin(const TSkin& skin, const TImage32& background) {
    skin_ = &skin;
    background_ = &background;
    // A new skin may bring other files under the same names.
    fonts_.Clear();
    flag_ = TFlag::Unknown;
    FLAG.Left = skin.FlagX;
    FLAG.Top = skin.FlagY;
    Online.Left = skin.OnlineX;
    Online.Top = skin.OnlineY;
    STATBMP.Left = skin.StatusX;
    STATBMP.Top = skin.StatusY;
    NBMSGBMP.Left = skin.CountX;
    NBMSGBMP.Top = skin.CountY;
}

void TStatusDisplay::ShowStatus(const std::string& text) {
    statusText_ = text;
    DrawStatus(text);
}

void TStatusDisplay::DrawBitmapText(TImageControl& target, const std::string& text, int offset,
                                    const std::string& fontFile, int charHeight, int charWidth) {
    DrawTextWith(target, text, offset, fontFile, charHeight, charWidth, invalidate_);
}

void TStatusDisplay::DrawTextWith(TImageControl& target, const std::string& text, int offset,
                              const std::string& fontFile, int charHeight, int charWidth,
                              const TInvalidate& repaint) {
    const bool isCount = &target == &NBMSGBMP;
    if (!isCount) target.Hint = statusText_;
    const TRect before = target.BoundsRect();
    target.Clear();
    const TImage32& font = fonts_.Get(fontFile);
    TBitmapTextResult& out = isCount ? countPicture_ : statusPicture_;
    RenderBitmapTextInto(out, text, offset, font, charHeight, charWidth,
                         isCount ? TFontLayout::Count : TFontLayout::Status,
                         skin_ ? skin_->MaxChar : 128, background_, target.Left, target.Top);
    std::swap(target.PictureStorage(), out.Picture);
    target.PictureChanged();
    lineScrolledOut_ = out.LineScrolledOut;
    repaint(Union(before, target.BoundsRect()));
}

void TStatusDisplay::DrawStatus(const std::string& text) {
    if (!skin_) return;
    DrawBitmapText(STATBMP, text, 0, skin_->StatusFontPath, skin_->StatusH, skin_->StatusW);
}

void TStatusDisplay::DrawNews(const std::string& text, int offset) {
    if (!skin_) return;
    DrawTextWith(STATBMP, text, offset, skin_->StatusFontPath, skin_->StatusH, skin_->StatusW,
                 [this](const TRect& area) { newsArea_ = Union(newsArea_, area); });
}

void TStatusDisplay::ShowNews() {
    if (newsArea_.Empty()) return;
    const TRect area = newsArea_;
    newsArea_ = TRect{};
    (ShowNow ? ShowNow : invalidate_)(area);
}

void TStatusDisplay::DrawCount(const std::string& digits) {
    if (!skin_) return;
    DrawBitmapText(NBMSGBMP, digits, 0, skin_->CountFontPath, skin_->CountH, skin_->CountW);
}

void TStatusDisplay::ShowMailPicture(bool mail, bool reload) {
    const TFlag wanted = mail ? TFlag::Mail : TFlag::NoMail;
    if (!skin_ || (flag_ == wanted && !reload)) return;
    const TRect before = FLAG.BoundsRect();
    flag_ = TFlag::Unknown;  // until the new picture is in
    ShowStateImage(FLAG, loadPicture_(mail ? skin_->GotMailPath : skin_->NoMailPath));
    flag_ = wanted;
    Repaint(before, FLAG.BoundsRect());
}

void TStatusDisplay::ShowNoMailPicture(const TPicture& picture) {
    const TRect before = FLAG.BoundsRect();
    ShowStateImage(FLAG, picture);
    flag_ = TFlag::NoMail;
    Repaint(before, FLAG.BoundsRect());
}

void TStatusDisplay::ShowOnlinePicture(bool online) {
    if (!skin_) return;
    const TRect before = Online.BoundsRect();
    ShowStateImage(Online, loadPicture_(online ? skin_->OnlinePath : skin_->OfflinePath));
    Repaint(before, Online.BoundsRect());
}

void TStatusDisplay::ShowStateImage(TImageControl& image, const TPicture& picture) {
    if (picture.Frames.size() > 1) {
        // Animated GIF frames carry their own transparency.
        image.SetFrames(picture.Frames, picture.DelaysMs, picture.LoopCount);
    } else {
        image.SetPicture(StatePictureFrame(picture));
    }
    if (animate_) animate_(AnimationRunning());
}

void TStatusDisplay::AnimationTick(int elapsedMs) {
    for (TImageControl* image : {&FLAG, &Online})
        if (image->Animate(elapsedMs)) invalidate_(image->BoundsRect());
    if (!AnimationRunning() && animate_) animate_(false);
}

void TStatusDisplay::Paint(TImage32& surface) const {
    Online.Paint(surface);
    FLAG.Paint(surface);
    STATBMP.Paint(surface);
    NBMSGBMP.Paint(surface);
}

std::string TStatusDisplay::HintAt(int x, int y) const {
    for (const TImageControl* c : {&NBMSGBMP, &STATBMP, &FLAG, &Online})
        if (c->BoundsRect().Contains(x, y)) return c->Hint;
    return std::string();
}

void TStatusDisplay::Repaint(const TRect& before, const TRect& after) {
    invalidate_(Union(before, after));
}

}  // namespace vexil
