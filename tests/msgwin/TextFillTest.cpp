// A long text in pieces for the text area: cut never inside a character or a
// line end, handed out whole and once, an old text's rest dropped by a new
// text; and where the text area may break a wide line.
#include "msgwin/TextFill.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>

namespace vexil {
namespace {

// What a piece must never end between: the halves of a surrogate pair, or CR
// and LF.
bool EndsInsideAPair(const std::u16string& text, size_t end) {
    if (end == 0 || end >= text.size()) return false;
    const char16_t a = text[end - 1], b = text[end];
    return (a >= 0xD800 && a <= 0xDBFF && b >= 0xDC00 && b <= 0xDFFF) || (a == u'\r' && b == u'\n');
}

TEST(PieceEnd, BacksOffFromAPairAndAlwaysMovesOn) {
    const std::tuple<std::u16string, size_t, size_t, size_t> cases[] = {
        {u"abcdef", 0, 4, 4},
        {u"abcdef", 4, 4, 6},           // the rest is shorter than a piece
        {u"ab", 2, 4, 2},               // nothing left
        {u"ab\r\ncd", 0, 3, 2},         // between CR and LF: before the CR
        {u"ab\r\ncd", 0, 2, 2},
        {u"ab\r\ncd", 0, 4, 4},
        {u"\r\r\nx", 0, 2, 1},          // a lone CR is a character of its own
        {u"a\xD83D\xDE00" u"b", 0, 2, 1},  // inside a pair: before its first half
        {u"a\xD83D\xDE00" u"b", 0, 3, 3},
        {u"a\xDE00\xD83D" u"b", 0, 2, 2},  // halves the wrong way round are no pair
        {u"\r\nab", 0, 1, 2},           // a piece too small for the pair takes it whole
        {u"\xD83D\xDE00" u"ab", 0, 1, 2},
        {u"x\r\nab", 1, 1, 3},
        {u"ab", 0, 0, 1},               // no limit is still a step
    };
    for (const auto& [text, from, limit, end] : cases)
        EXPECT_EQ(PieceEnd(text.data(), text.size(), from, limit), end)
            << "from " << from << " limit " << limit << " in a text of " << text.size();
}

TEST(TextFill, HandsOutTheWholeTextOnceInBoundedPieces) {
    std::u16string text;
    for (int i = 0; i < 40; ++i) text += u"line \xD83D\xDE00 caf\x00E9\r\n\r\n\xD83C\xDF0D\r";
    for (size_t limit : {1, 2, 3, 4, 5, 7, 9, 64, 100000}) {
        TTextFill<char16_t> fill;
        fill.Start(text);
        std::u16string joined;
        int pieces = 0;
        while (fill.Pending()) {
            EXPECT_EQ(fill.Rest(), text.substr(joined.size()));
            const std::u16string piece = fill.Take(limit);
            ASSERT_FALSE(piece.empty()) << "limit " << limit;
            EXPECT_LE(piece.size(), std::max<size_t>(limit, 2)) << "limit " << limit;
            joined += piece;
            EXPECT_FALSE(EndsInsideAPair(text, joined.size())) << "limit " << limit << " at " << joined.size();
            ASSERT_LT(++pieces, 10000);
        }
        EXPECT_EQ(joined, text) << "limit " << limit;
        EXPECT_TRUE(fill.Take(limit).empty());
        EXPECT_TRUE(fill.Rest().empty());
    }
}

TEST(TextFill, ANewTextDropsTheRestOfTheOld) {
    TTextFill<char16_t> fill;
    fill.Start(u"old message, a long one");
    EXPECT_EQ(fill.Take(4), u"old ");
    EXPECT_EQ(fill.PendingSize(), 19u);
    fill.Start(u"new");
    EXPECT_EQ(fill.Rest(), u"new");
    EXPECT_EQ(fill.Take(100), u"new");
    EXPECT_FALSE(fill.Pending());

    fill.Start(u"a text cleared mid-way");
    fill.Take(2);
    fill.Clear();
    EXPECT_FALSE(fill.Pending());
    EXPECT_TRUE(fill.Take(100).empty());
}

TEST(WordBreak, WordsStartAfterWhiteSpace) {
    const std::u16string text = u"one two  three\tfour";
    // at, the last word start before it, the first word start from it on
    const std::tuple<size_t, size_t, size_t> cases[] = {
        {0, 0, 0},  {1, 0, 4},  {4, 0, 4},   {5, 4, 9},   {8, 4, 9},
        {9, 4, 9},  {10, 9, 15}, {15, 9, 15}, {16, 15, 19}, {19, 15, 19},
    };
    for (const auto& [at, before, after] : cases) {
        EXPECT_EQ(WordStartBefore(text.data(), at), before) << at;
        EXPECT_EQ(WordStartAfter(text.data(), at, text.size()), after) << at;
    }
    // A script without spaces has no break of its own: the text area cuts
    // the line where it is full.
    const std::u16string cjk = u"\x65E5\x672C\x8A9E\x306E\x6587";
    EXPECT_EQ(WordStartBefore(cjk.data(), 4), 0u);
    EXPECT_EQ(WordStartAfter(cjk.data(), 1, cjk.size()), cjk.size());
}

TEST(WordBreak, NoBreakSpacesKeepTheirWordsTogether) {
    const std::pair<char16_t, bool> cases[] = {
        {u' ', true},      {u'\t', true},     {u'\r', true},     {u'\n', true},
        {u'\x3000', true}, {u'\x2003', true}, {u'\x200B', true}, {u'\x00A0', false},
        {u'\x2007', false}, {u'\x202F', false}, {u'\x2060', false}, {u'a', false},
        {u'-', false},     {u'\x65E5', false},
    };
    for (const auto& [c, breaks] : cases) EXPECT_EQ(IsBreakingSpace(c), breaks) << int(c);
    const std::u16string text = u"10\x00A0km away";
    EXPECT_EQ(WordStartBefore(text.data(), 6), 0u);
    EXPECT_EQ(WordStartBefore(text.data(), 8), 6u);
}

}  // namespace
}  // namespace vexil
