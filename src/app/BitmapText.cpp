// Bitmap-font text: the pixels of DrawBitmapText.
//
// Conceptually the text is first laid out on a line bitmap (len * W + 1 wide,
// magenta where no cell covers it) which is then shifted and keyed onto the
// ground.  Since magenta is both the line's fill and the key, drawing each
// visible cell straight onto the ground at (pen - offset) gives the same pixels
// without the two intermediate bitmaps, which matters for the ticker.
#include "app/BitmapText.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "skin/Picture.h"

namespace vexil {

namespace {

// Where a character's cell lies in the font picture; false for a character
// that takes no cell (spaces and dropped characters).
bool CellOf(unsigned char c, TFontLayout layout, int charHeight, int& column, int& rowY) {
    const bool accepted = (c >= 'A' && c <= 'Z') || (c >= 33 && c <= 64);
    if (!accepted) return false;
    if (layout == TFontLayout::Count) {
        // Only the digits have cells; other accepted characters land on
        // columns left of or past the digit row and copy nothing.
        column = c - '0';
        rowY = 0;
    } else if (c >= 'A') {
        column = c - 'A';
        rowY = 0;
    } else if (c >= '(') {
        column = c - '(';
        rowY = charHeight;
    } else {
        column = c - '!';
        rowY = 2 * charHeight + 1;
    }
    return true;
}

// Draws the cell (sx, sy, w, h) of the font at (dx, 0) of the picture with
// magenta left out.  The cell is clipped to the font first (a cell that is
// partly or wholly outside it draws only what it does cover), then to the
// picture.
void DrawCell(TImage32& pic, const TImage32& font, std::int64_t sx, std::int64_t sy,
              std::int64_t w, std::int64_t h, std::int64_t dx) {
    std::int64_t dy = 0;
    if (sx < 0) { w += sx; dx -= sx; sx = 0; }
    if (sy < 0) { h += sy; dy -= sy; sy = 0; }
    w = std::min<std::int64_t>(w, font.Width() - sx);
    h = std::min<std::int64_t>(h, font.Height() - sy);
    if (dx < 0) { w += dx; sx -= dx; dx = 0; }
    w = std::min<std::int64_t>(w, pic.Width() - dx);
    h = std::min<std::int64_t>(h, pic.Height() - dy);
    if (w <= 0 || h <= 0) return;

    const std::uint32_t key = RgbOf(kMagenta);
    for (std::int64_t y = 0; y < h; ++y) {
        const TColor32* s = font.Row(static_cast<int>(sy + y)) + sx;
        TColor32* d = pic.Row(static_cast<int>(dy + y)) + dx;
        for (std::int64_t x = 0; x < w; ++x)
            if (RgbOf(s[x]) != key) d[x] = s[x] | kOpaque;
    }
}

}  // namespace

void RenderBitmapTextInto(TBitmapTextResult& out, const std::string& text, int offset,
                          const TImage32& font, int charHeight, int charWidth,
                          TFontLayout layout, int maxChar, const TImage32* ground, int groundX,
                          int groundY) {
    const std::int64_t len = static_cast<std::int64_t>(text.size());
    const std::int64_t shift = std::max(offset, 0);
    const std::int64_t lineWidth = len * charWidth + 1;
    out.LineScrolledOut = lineWidth < shift;

    // The cut to maxChar only narrows the picture: the line keeps its full length.
    const std::int64_t shown = std::max<std::int64_t>(0, std::min<std::int64_t>(len, maxChar));
    const int width = static_cast<int>(std::max<std::int64_t>(0, shown * charWidth + 1));
    const int height = std::max(charHeight + 1, 0);

    TImage32& pic = out.Picture;
    bool fresh = false;
    if (pic.Width() != width || pic.Height() != height) {
        pic = TImage32(width, height, kMagenta);
        fresh = true;
    }
    if (pic.Empty()) return;

    if (layout == TFontLayout::Status && ground != nullptr) {
        const bool covered = groundX >= 0 && groundY >= 0 &&
                             static_cast<std::int64_t>(groundX) + width <= ground->Width() &&
                             static_cast<std::int64_t>(groundY) + height <= ground->Height();
        if (!covered && !fresh) pic.Fill(kMagenta);
        pic.CopyFrom(*ground, groundX, groundY, width, height, 0, 0);
    } else if (!fresh) {
        pic.Fill(kMagenta);
    }

    if (charWidth <= 0 || charHeight <= 0) return;

    std::int64_t pen = 1;
    for (char ch : text) {
        const std::int64_t dx = pen - shift;
        if (dx >= width) break;  // the pen only moves right: nothing more is on view
        unsigned char c = static_cast<unsigned char>(ch);
        if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
        int column = 0, rowY = 0;
        if (CellOf(c, layout, charHeight, column, rowY)) {
            if (dx + charWidth > 0)
                DrawCell(pic, font, static_cast<std::int64_t>(column) * charWidth, rowY,
                         charWidth, charHeight, dx);
            pen += charWidth;
        } else if (c == ' ') {
            pen += charWidth;
        }
    }
}

TBitmapTextResult RenderBitmapText(const std::string& text, int offset, const TImage32& font,
                                   int charHeight, int charWidth, TFontLayout layout,
                                   int maxChar, const TImage32* ground, int groundX,
                                   int groundY) {
    TBitmapTextResult result;
    RenderBitmapTextInto(result, text, offset, font, charHeight, charWidth, layout, maxChar,
                         ground, groundX, groundY);
    return result;
}

const TImage32& TBitmapFontCache::Get(const std::string& path) {
    auto it = fonts_.find(path);
    if (it != fonts_.end()) return it->second;
    TPicture picture = LoadBitmapFile(path);
    TImage32 image = picture.Frames.empty() ? TImage32() : std::move(picture.Frames.front());
    return fonts_.emplace(path, std::move(image)).first->second;
}

void TBitmapFontCache::Clear() { fonts_.clear(); }

}  // namespace vexil
