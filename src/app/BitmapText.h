// Text drawn with a skin's bitmap font: the status line (STATBMP), the message
// count (NBMSGBMP) and the news ticker all go through DrawBitmapText, whose
// pixels are computed here without any window; the front end only puts the
// resulting picture on screen.
#pragma once

#include <map>
#include <string>

#include "skin/Image.h"

namespace vexil {

// Which cell table a font picture uses.
//   Status: three rows of cells W x H: 'A'..'Z' at y = 0, '('..'@' at y = H and
//           '!'..'\'' at y = 2H + 1 (the third row sits one pixel lower).
//   Count:  one row at y = 0 whose cells are the digits '0'..'9'.
enum class TFontLayout { Status, Count };

struct TBitmapTextResult {
    TImage32 Picture;              // what the target control shows
    bool LineScrolledOut = false;  // the offset has passed the whole line
};

// Renders what DrawBitmapText puts into its target.
//
// The picture is min(len, maxChar) * charWidth + 1 wide and charHeight + 1 high,
// len being the length of text as given (characters that are dropped count).
// Its ground is, for Status, the rectangle of `ground` at (groundX, groundY) of
// the picture's size (pixels outside `ground`, or all of them when it is null,
// stay magenta); for Count it is magenta, as that control is drawn transparently.
//
// The text, upper-cased, is laid out on a line from pen x = 1: a character of
// 'A'..'Z' or codes 33..64 copies its font cell and advances one cell, a space
// only advances, anything else is dropped without advancing.  The line, shifted
// left by `offset` pixels (a negative offset counts as 0), is drawn over the
// ground with magenta transparent.  LineScrolledOut is set when the line's width
// (len * charWidth + 1) is less than the offset.
TBitmapTextResult RenderBitmapText(const std::string& text, int offset, const TImage32& font,
                                   int charHeight, int charWidth, TFontLayout layout,
                                   int maxChar, const TImage32* ground, int groundX,
                                   int groundY);

// The same, into `out`, reusing its picture's storage when the size has not
// changed: the ticker redraws the same line every few milliseconds.
void RenderBitmapTextInto(TBitmapTextResult& out, const std::string& text, int offset,
                          const TImage32& font, int charHeight, int charWidth,
                          TFontLayout layout, int maxChar, const TImage32* ground, int groundX,
                          int groundY);

// Decoded font pictures, kept between draws so that the ticker does not decode
// the font file on every tick.
class TBitmapFontCache {
public:
    // The picture of `path`, read as a Windows bitmap on first use; an
    // unreadable file raises EPictureError (and is not remembered).
    const TImage32& Get(const std::string& path);
    // Forgets every picture: a newly loaded skin may bring other files under
    // the same names.
    void Clear();

private:
    std::map<std::string, TImage32> fonts_;  // node-based: references stay valid
};

}  // namespace vexil
