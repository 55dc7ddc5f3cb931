// Pixel buffer operations used to compose the skinned windows.
#include "skin/Image.h"

#include <algorithm>

namespace vexil {

TRect Intersect(const TRect& a, const TRect& b) {
    TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
            std::min(a.Bottom, b.Bottom)};
    if (r.Empty()) return TRect{};
    return r;
}

TImage32::TImage32(int width, int height, TColor32 fill)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      pixels_(static_cast<size_t>(width_) * height_, fill) {
    if (width_ == 0 || height_ == 0) {
        width_ = height_ = 0;
        pixels_.clear();
    }
}

void TImage32::Fill(TColor32 c) { std::fill(pixels_.begin(), pixels_.end(), c); }

void TImage32::FillRect(TRect r, TColor32 c) {
    r = Intersect(r, TRect{0, 0, width_, height_});
    for (int y = r.Top; y < r.Bottom; ++y) std::fill(Row(y) + r.Left, Row(y) + r.Right, c);
}

// Clips a copy of a (w x h) block from src (sx, sy) to dst (dx, dy) against both
// pictures; returns false when nothing is left.
static bool ClipCopy(int srcW, int srcH, int dstW, int dstH, int& sx, int& sy, int& w, int& h,
                     int& dx, int& dy) {
    if (sx < 0) { w += sx; dx -= sx; sx = 0; }
    if (sy < 0) { h += sy; dy -= sy; sy = 0; }
    if (dx < 0) { w += dx; sx -= dx; dx = 0; }
    if (dy < 0) { h += dy; sy -= dy; dy = 0; }
    w = std::min({w, srcW - sx, dstW - dx});
    h = std::min({h, srcH - sy, dstH - dy});
    return w > 0 && h > 0;
}

void TImage32::CopyFrom(const TImage32& src, int sx, int sy, int w, int h, int dx, int dy) {
    if (!ClipCopy(src.width_, src.height_, width_, height_, sx, sy, w, h, dx, dy)) return;
    for (int y = 0; y < h; ++y) std::copy_n(src.Row(sy + y) + sx, w, Row(dy + y) + dx);
}

void TImage32::DrawKeyed(const TImage32& src, int dx, int dy, TColor32 key) {
    int sx = 0, sy = 0, w = src.width_, h = src.height_;
    if (!ClipCopy(src.width_, src.height_, width_, height_, sx, sy, w, h, dx, dy)) return;
    const std::uint32_t k = RgbOf(key);
    for (int y = 0; y < h; ++y) {
        const TColor32* s = src.Row(sy + y) + sx;
        TColor32* d = Row(dy + y) + dx;
        for (int x = 0; x < w; ++x)
            if (RgbOf(s[x]) != k) d[x] = s[x] | kOpaque;
    }
}

void TImage32::DrawMasked(const TImage32& src, int dx, int dy) {
    int sx = 0, sy = 0, w = src.width_, h = src.height_;
    if (!ClipCopy(src.width_, src.height_, width_, height_, sx, sy, w, h, dx, dy)) return;
    for (int y = 0; y < h; ++y) {
        const TColor32* s = src.Row(sy + y) + sx;
        TColor32* d = Row(dy + y) + dx;
        for (int x = 0; x < w; ++x)
            if (IsOpaque(s[x])) d[x] = s[x];
    }
}

}  // namespace vexil
