// A long text goes into the message window's text area a piece at a time, so
// that the window keeps answering while the text area lays it out: where the
// text is cut (never inside a character or a line end), what is still to
// come, and where a line too wide for the area may break.  Written for the
// UTF-16 text the window shows: the window's wide strings and the tests'
// std::u16string both fit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace vexil {

// The piece shown at once, in UTF-16 units: many screens of text, laid out
// in a moment.
constexpr std::size_t kFirstTextPiece = 8 * 1024;
// Each later piece: what the text area lays out between two turns of the
// message loop.
constexpr std::size_t kTextPiece = 32 * 1024;

namespace text_fill_detail {

inline bool HighSurrogate(std::uint32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline bool LowSurrogate(std::uint32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace text_fill_detail

// The end of the piece of text[0, size) that starts at from and holds at
// most limit units: never between the two halves of a surrogate pair, nor
// between a CR and its LF (the text area would show half a character, or a
// line end of its own).  Where backing off would leave the piece empty (a
// limit of 1 at such a pair) the piece takes the whole pair, so that every
// piece moves on.
template <class Char>
std::size_t PieceEnd(const Char* text, std::size_t size, std::size_t from, std::size_t limit) {
    using namespace text_fill_detail;
    if (from >= size) return size;
    if (limit >= size - from) return size;
    std::size_t end = from + (limit > 0 ? limit : 1);
    const auto before = static_cast<std::uint32_t>(text[end - 1]);
    const auto after = static_cast<std::uint32_t>(text[end]);
    const bool pair = (HighSurrogate(before) && LowSurrogate(after)) || (before == '\r' && after == '\n');
    if (pair) end = end - 1 > from ? end - 1 : end + 1;
    return end;
}

// The text still to come, handed out in pieces.  Starting a new text drops
// whatever of the old one had not been handed out: nothing of it can follow.
template <class Char>
class TTextFill {
public:
    using TText = std::basic_string<Char>;

    void Start(TText text) {
        text_ = std::move(text);
        at_ = 0;
    }
    void Clear() { Start(TText()); }
    bool Pending() const { return at_ < text_.size(); }
    std::size_t PendingSize() const { return text_.size() - at_; }

    // The next piece, at most limit units where PieceEnd allows; empty once
    // everything has been handed out.
    TText Take(std::size_t limit) {
        const std::size_t end = PieceEnd(text_.data(), text_.size(), at_, limit);
        TText piece = text_.substr(at_, end - at_);
        at_ = end;
        // A long text's memory goes as soon as its last piece is out.
        if (!Pending()) Clear();
        return piece;
    }

    // What is still to come, whole.
    TText Rest() const { return text_.substr(at_); }

private:
    TText text_;
    std::size_t at_ = 0;
};

// Where the text area may break a line that is too wide for it: after white
// space, before the word that follows.  The edit control's own rule, as Wine
// has it, asks the script engine about the whole text after every change,
// which for a long text costs more than laying out a piece of it.  No-break
// spaces keep their words together; a script without spaces is cut where the
// line is full.
template <class Char>
bool IsBreakingSpace(Char c) {
    const auto u = static_cast<std::uint32_t>(c);
    return u == ' ' || u == '\t' || u == '\r' || u == '\n' || u == 0x1680 ||
           (u >= 0x2000 && u <= 0x200B && u != 0x2007) || u == 0x205F || u == 0x3000;
}

// Whether a word starts at at: the first character, or one that is not
// white space after one that is.
template <class Char>
bool IsWordStart(const Char* text, std::size_t at) {
    return at == 0 || (IsBreakingSpace(text[at - 1]) && !IsBreakingSpace(text[at]));
}

// The last word start before at (0 when there is none).
template <class Char>
std::size_t WordStartBefore(const Char* text, std::size_t at) {
    if (at == 0) return 0;
    --at;
    while (at > 0 && !IsWordStart(text, at)) --at;
    return at;
}

// The first word start at or after at in text[0, size) (size when there is
// none).
template <class Char>
std::size_t WordStartAfter(const Char* text, std::size_t at, std::size_t size) {
    while (at < size && !IsWordStart(text, at)) ++at;
    return at < size ? at : size;
}

}  // namespace vexil
