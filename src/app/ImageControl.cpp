// Image controls of the main window.
#include "app/ImageControl.h"

#include <utility>

namespace vexil {

void TImageControl::SetPicture(TImage32 picture) {
    frames_.clear();
    delaysMs_.clear();
    picture_ = std::move(picture);
    PictureChanged();
}

void TImageControl::SetFrames(std::vector<TImage32> frames, std::vector<int> delaysMs,
                              int loops) {
    if (frames.size() < 2) {
        SetPicture(frames.empty() ? TImage32() : std::move(frames[0]));
        return;
    }
    frames_ = std::move(frames);
    delaysMs_ = std::move(delaysMs);
    delaysMs_.resize(frames_.size(), 0);
    frame_ = 0;
    elapsedMs_ = 0;
    loopsLeft_ = loops <= 0 ? -1 : loops - 1;
    picture_ = frames_[0];
    PictureChanged();
}

bool TImageControl::Animate(int elapsedMs) {
    if (!Animated()) return false;
    elapsedMs_ += elapsedMs;
    const size_t before = frame_;
    while (elapsedMs_ >= ShownFrameDelay(delaysMs_[frame_])) {
        elapsedMs_ -= ShownFrameDelay(delaysMs_[frame_]);
        if (frame_ + 1 < frames_.size()) {
            ++frame_;
        } else if (loopsLeft_ != 0) {
            if (loopsLeft_ > 0) --loopsLeft_;
            frame_ = 0;
        } else {
            // The last round is over: the picture rests on its last frame.
            picture_ = frames_[frame_];
            frames_.clear();
            delaysMs_.clear();
            return frame_ != before;
        }
    }
    if (frame_ == before) return false;
    picture_ = frames_[frame_];
    return true;
}

int ShownFrameDelay(int delayMs) { return delayMs < 20 ? 100 : delayMs; }

void TImageControl::PictureChanged() {
    Width = picture_.Width();
    Height = picture_.Height();
}

void TImageControl::Paint(TImage32& surface) const {
    if (picture_.Empty()) return;
    switch (Transparency) {
    case TImageTransparency::None:
        surface.CopyFrom(picture_, 0, 0, picture_.Width(), picture_.Height(), Left, Top);
        break;
    case TImageTransparency::Magenta:
        surface.DrawKeyed(picture_, Left, Top, kMagenta);
        break;
    case TImageTransparency::State:
        surface.DrawMasked(picture_, Left, Top);
        break;
    }
}

TImage32 StatePictureFrame(const TPicture& picture) {
    if (picture.Empty()) return TImage32();
    TImage32 frame = picture.First();
    if (picture.Format != TPictureFormat::Bmp) return frame;
    const TColor32 key =
        picture.Monochrome ? Rgb(255, 255, 255) : frame.Pixel(0, frame.Height() - 1);
    for (int y = 0; y < frame.Height(); ++y) {
        TColor32* row = frame.Row(y);
        for (int x = 0; x < frame.Width(); ++x)
            row[x] = SameRgb(row[x], key) ? RgbOf(row[x]) : (row[x] | kOpaque);
    }
    return frame;
}

}  // namespace vexil
