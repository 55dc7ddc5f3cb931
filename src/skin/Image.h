// In-memory pictures shared by the skin code: a plain 32-bit pixel buffer and a
// decoded picture file (one or more frames).  Everything the skinned windows show
// is composed in these buffers; the front end only copies the result to screen.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace vexil {

// Pixels are 0xAARRGGBB.  Alpha is only 0 (transparent) or 255 (opaque) in
// practice; colour comparisons (magenta cut-outs) look at RGB alone.
using TColor32 = std::uint32_t;

constexpr TColor32 kOpaque = 0xFF000000u;
constexpr TColor32 kMagenta = 0xFFFF00FFu;  // the transparent colour of every skin picture

inline constexpr TColor32 Rgb(unsigned r, unsigned g, unsigned b) {
    return kOpaque | ((r & 0xFFu) << 16) | ((g & 0xFFu) << 8) | (b & 0xFFu);
}
inline constexpr std::uint32_t RgbOf(TColor32 c) { return c & 0x00FFFFFFu; }
inline constexpr bool SameRgb(TColor32 a, TColor32 b) { return RgbOf(a) == RgbOf(b); }
inline constexpr bool IsOpaque(TColor32 c) { return (c >> 24) != 0; }

struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;  // right and bottom exclusive
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool Empty() const { return Right <= Left || Bottom <= Top; }
    bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
    bool operator==(const TRect& o) const {
        return Left == o.Left && Top == o.Top && Right == o.Right && Bottom == o.Bottom;
    }
};

TRect Intersect(const TRect& a, const TRect& b);

// A top-down 32-bit bitmap.
class TImage32 {
public:
    TImage32() = default;
    TImage32(int width, int height, TColor32 fill = kMagenta);

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return width_ <= 0 || height_ <= 0; }

    TColor32 Pixel(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
    void SetPixel(int x, int y, TColor32 c) { pixels_[static_cast<size_t>(y) * width_ + x] = c; }
    const TColor32* Row(int y) const { return pixels_.data() + static_cast<size_t>(y) * width_; }
    TColor32* Row(int y) { return pixels_.data() + static_cast<size_t>(y) * width_; }
    const std::vector<TColor32>& Pixels() const { return pixels_; }

    void Fill(TColor32 c);
    void FillRect(TRect r, TColor32 c);

    // Plain copy of src's rectangle (sx, sy, w, h) to (dx, dy); both sides are clipped.
    void CopyFrom(const TImage32& src, int sx, int sy, int w, int h, int dx, int dy);
    // Draws src at (dx, dy), leaving out every pixel whose RGB equals key.
    void DrawKeyed(const TImage32& src, int dx, int dy, TColor32 key);
    // Draws src at (dx, dy), leaving out pixels whose alpha is 0.
    void DrawMasked(const TImage32& src, int dx, int dy);

    bool operator==(const TImage32& o) const {
        return width_ == o.width_ && height_ == o.height_ && pixels_ == o.pixels_;
    }

private:
    int width_ = 0, height_ = 0;
    std::vector<TColor32> pixels_;
};

// Raised when a picture file cannot be read or decoded.
class EPictureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TPictureFormat { None, Bmp, Gif, Ico, Metafile };

// A decoded picture file.  Frames all have the picture's size; transparent
// pixels (GIF transparency, icon masks) have alpha 0.
struct TPicture {
    TPictureFormat Format = TPictureFormat::None;
    std::vector<TImage32> Frames;
    std::vector<int> DelaysMs;  // one per frame; 0 where the file gives none
    bool Monochrome = false;    // a 1-bit BMP
    int LoopCount = 0;          // GIF loops; 0 means forever

    bool Empty() const { return Frames.empty() || Frames[0].Empty(); }
    int Width() const { return Frames.empty() ? 0 : Frames[0].Width(); }
    int Height() const { return Frames.empty() ? 0 : Frames[0].Height(); }
    const TImage32& First() const { return Frames.at(0); }
};

}  // namespace vexil
