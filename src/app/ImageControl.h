// The image controls of the main window (status line, count, mail flag,
// online state): a positioned picture with a hint, painted onto the window's
// surface by the window's logic.
#pragma once

#include <string>
#include <vector>

#include "skin/Image.h"
#include "skin/Picture.h"

namespace vexil {

enum class TImageTransparency {
    None,     // drawn as it is
    Magenta,  // magenta pixels left out (bitmap-font output)
    State,    // state pictures: the picture's own transparency (see LoadStatePicture)
};

class TImageControl {
public:
    int Left = 0, Top = 0, Width = 0, Height = 0;
    std::string Hint;
    bool Enabled = true;
    TImageTransparency Transparency = TImageTransparency::None;

    TRect BoundsRect() const { return TRect{Left, Top, Left + Width, Top + Height}; }
    const TImage32& Picture() const { return picture_; }

    // Replaces the picture and sizes the control to it.
    void SetPicture(TImage32 picture);
    // Shows every frame of a picture in turn (an animated GIF), loops times
    // over (0: forever), then stays on the last frame; a single frame is shown
    // as SetPicture would.
    void SetFrames(std::vector<TImage32> frames, std::vector<int> delaysMs, int loops = 0);
    bool Animated() const { return frames_.size() > 1; }
    // Moves the animation on by elapsedMs; true when another frame shows.
    bool Animate(int elapsedMs);
    void Clear() { SetPicture(TImage32()); }
    // Gives access to the picture storage for in-place rendering; call
    // PictureChanged afterwards.
    TImage32& PictureStorage() { return picture_; }
    void PictureChanged();

    void Paint(TImage32& surface) const;

private:
    TImage32 picture_;
    std::vector<TImage32> frames_;  // all frames while animated, else empty
    std::vector<int> delaysMs_;
    size_t frame_ = 0;
    int elapsedMs_ = 0;
    int loopsLeft_ = 0;  // rounds still to play after this one; -1 forever
};

// Turns a decoded state picture into one with alpha transparency: for a BMP
// every pixel of the colour of its bottom-left pixel is transparent (white for a
// 1-bit bitmap); GIF and icon pictures keep their own transparency.
TImage32 StatePictureFrame(const TPicture& picture);

// A GIF frame delay as shown: browsers stretch delays under 20 ms (0 in most
// files) to 100 ms, and skin authors expect the same.
int ShownFrameDelay(int delayMs);

}  // namespace vexil
