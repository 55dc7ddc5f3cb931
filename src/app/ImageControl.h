// The image controls of the main window (status line, count, mail flag,
// online state): a positioned picture with a hint, painted onto the window's
// surface by the window's logic.
#pragma once

#include <string>

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
    void Clear() { SetPicture(TImage32()); }
    // Gives access to the picture storage for in-place rendering; call
    // PictureChanged afterwards.
    TImage32& PictureStorage() { return picture_; }
    void PictureChanged();

    void Paint(TImage32& surface) const;

private:
    TImage32 picture_;
};

// Turns a decoded state picture into one with alpha transparency: for a BMP
// every pixel of the colour of its bottom-left pixel is transparent (white for a
// 1-bit bitmap); GIF and icon pictures keep their own transparency.
TImage32 StatePictureFrame(const TPicture& picture);

}  // namespace vexil
