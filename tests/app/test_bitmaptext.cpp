// Bitmap-font text: every picture is checked pixel by pixel against a reference
// that asks, for each output pixel, which character's cell (if any) covers it.
#include "app/BitmapText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace vexil {
namespace {

constexpr int W = 3;  // cell width
constexpr int H = 4;  // cell height

// Every font pixel tells where it came from: red = x, green = y.  One pixel of
// each cell (never in its first column) is magenta, so transparency shows.
TImage32 MakeFont(int cells, int height, std::vector<int> rowTops) {
    TImage32 font(cells * W, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < font.Width(); ++x) font.SetPixel(x, y, Rgb(x, y, 0x40));
    for (int top : rowTops)
        for (int c = 0; c < cells; ++c)
            if (top + c % H < height) font.SetPixel(c * W + 1 + c % (W - 1), top + c % H, kMagenta);
    return font;
}

const TImage32& StatusFont() {
    static const TImage32 font = MakeFont(26, 3 * H + 1, {0, H, 2 * H + 1});
    return font;
}
// Lacks the last pixel row: the third row's cells are cut short.
const TImage32& ShortStatusFont() {
    static const TImage32 font = MakeFont(26, 3 * H, {0, H, 2 * H + 1});
    return font;
}
// The ten digits and the first two columns of an eleventh cell (':').
const TImage32& CountFont() {
    static const TImage32 font = [] {
        TImage32 full = MakeFont(11, H, {0});
        TImage32 cut(10 * W + 2, H);
        cut.CopyFrom(full, 0, 0, cut.Width(), H, 0, 0);
        return cut;
    }();
    return font;
}
const TImage32& Ground() {
    static const TImage32 ground = [] {
        TImage32 g(40, 12);
        for (int y = 0; y < g.Height(); ++y)
            for (int x = 0; x < g.Width(); ++x) g.SetPixel(x, y, Rgb(x, y, 0xC0));
        return g;
    }();
    return ground;
}

struct TCase {
    const char* Name;
    std::string Text;
    int Offset;
    TFontLayout Layout;
    int MaxChar;
    const TImage32* Font;
    const TImage32* Ground;
    int GroundX, GroundY;
    int ExpectedWidth;
    bool ExpectedScrolledOut;
};

// The font's cell rows as the skin artist draws them.
struct TRow {
    const char* Chars;
    int Top;
};
const TRow kStatusRows[] = {{"ABCDEFGHIJKLMNOPQRSTUVWXYZ", 0},
                            {"()*+,-./0123456789:;<=>?@", H},
                            {"!\"#$%&'", 2 * H + 1}};
// The count font's row: a character's cell is its distance from '0', so
// characters before '0' have none.
const std::string kCountRow = "0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ";

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool HasCell(char c) {
    for (const TRow& row : kStatusRows)
        if (std::string(row.Chars).find(c) != std::string::npos) return true;
    return false;
}

// Font position of pixel (dx, dy) of c's cell; false when c draws nothing there.
bool FontPixelOf(const TCase& k, char c, int dx, int dy, int& fx, int& fy) {
    if (k.Layout == TFontLayout::Count) {
        const size_t i = kCountRow.find(c);
        if (i == std::string::npos) return false;
        fx = static_cast<int>(i) * W + dx;
        fy = dy;
    } else {
        bool found = false;
        for (const TRow& row : kStatusRows) {
            const char* p = std::find(row.Chars, row.Chars + std::char_traits<char>::length(row.Chars), c);
            if (*p != '\0') {
                fx = static_cast<int>(p - row.Chars) * W + dx;
                fy = row.Top + dy;
                found = true;
            }
        }
        if (!found) return false;
    }
    return fx < k.Font->Width() && fy < k.Font->Height();
}

TColor32 ExpectedPixel(const TCase& k, int x, int y) {
    TColor32 under = kMagenta;
    if (k.Layout == TFontLayout::Status && k.Ground != nullptr) {
        const int gx = k.GroundX + x, gy = k.GroundY + y;
        if (gx >= 0 && gy >= 0 && gx < k.Ground->Width() && gy < k.Ground->Height())
            under = k.Ground->Pixel(gx, gy);
    }
    const int lineX = x + std::max(k.Offset, 0);
    int cellLeft = 1;
    for (char ch : k.Text) {
        const char c = Upper(ch);
        if (c != ' ' && !HasCell(c)) continue;  // dropped: takes no room
        if (lineX >= cellLeft && lineX < cellLeft + W && y < H) {
            int fx = 0, fy = 0;
            if (c == ' ' || !FontPixelOf(k, c, lineX - cellLeft, y, fx, fy)) return under;
            const TColor32 p = k.Font->Pixel(fx, fy);
            return SameRgb(p, kMagenta) ? under : p;
        }
        cellLeft += W;
    }
    return under;
}

void ExpectMatchesReference(const TCase& k, const TBitmapTextResult& r) {
    ASSERT_EQ(r.Picture.Width(), k.ExpectedWidth);
    ASSERT_EQ(r.Picture.Height(), H + 1);
    EXPECT_EQ(r.LineScrolledOut, k.ExpectedScrolledOut);
    int wrong = 0;
    for (int y = 0; y < r.Picture.Height(); ++y)
        for (int x = 0; x < r.Picture.Width(); ++x) {
            const TColor32 want = ExpectedPixel(k, x, y);
            if (r.Picture.Pixel(x, y) != want && ++wrong <= 5)
                ADD_FAILURE() << "pixel (" << x << "," << y << ") is " << std::hex
                              << r.Picture.Pixel(x, y) << ", expected " << want;
        }
    EXPECT_EQ(wrong, 0);
}

TBitmapTextResult Render(const TCase& k) {
    return RenderBitmapText(k.Text, k.Offset, *k.Font, H, W, k.Layout, k.MaxChar, k.Ground,
                            k.GroundX, k.GroundY);
}

const TFontLayout S = TFontLayout::Status;
const TFontLayout C = TFontLayout::Count;
const TImage32* const kG = &Ground();

const TCase kCases[] = {
    // name, text, offset, layout, maxChar, font, ground, gx, gy, width, scrolled out
    {"letters", "JOE", 0, S, 40, &StatusFont(), kG, 0, 0, 10, false},
    {"lower case", "Joe 1 message", 0, S, 40, &StatusFont(), kG, 0, 0, 40, false},
    {"second row", "(09@:", 0, S, 40, &StatusFont(), kG, 0, 0, 16, false},
    {"third row", "!\"'", 0, S, 40, &StatusFont(), kG, 0, 0, 10, false},
    {"third row cut short", "A!'", 0, S, 40, &ShortStatusFont(), kG, 0, 0, 10, false},
    {"dropped characters", "A[_\xE9" "B~{z", 0, S, 40, &StatusFont(), kG, 0, 0, 25, false},
    {"spaces", " A  B ", 0, S, 40, &StatusFont(), kG, 0, 0, 19, false},
    {"cut at maxChar", "ABCDEFGHIJ", 0, S, 4, &StatusFont(), kG, 0, 0, 13, false},
    {"maxChar zero", "ABC", 0, S, 0, &StatusFont(), kG, 0, 0, 1, false},
    {"empty text", "", 0, S, 40, &StatusFont(), kG, 0, 0, 1, false},
    {"offset mid-cell", "AB!(", 2, S, 40, &StatusFont(), kG, 0, 0, 13, false},
    {"offset one cell", "AB!(", 1 + W, S, 40, &StatusFont(), kG, 0, 0, 13, false},
    {"offset at line end", "AB!(", 13, S, 40, &StatusFont(), kG, 0, 0, 13, false},
    {"offset past line end", "AB!(", 14, S, 40, &StatusFont(), kG, 0, 0, 13, true},
    {"negative offset", "AB!(", -5, S, 40, &StatusFont(), kG, 0, 0, 13, false},
    // The line keeps its full length when the picture is cut.
    {"cut line shifted", "ABCDEFGHIJ", 1, S, 4, &StatusFont(), kG, 0, 0, 13, false},
    {"cut line scrolls", "ABCDEFGHIJ", 20, S, 4, &StatusFont(), kG, 0, 0, 13, false},
    {"cut line scrolled out", "ABCDEFGHIJ", 32, S, 4, &StatusFont(), kG, 0, 0, 13, true},
    {"ground inside", "A B", 0, S, 40, &StatusFont(), kG, 5, 2, 10, false},
    {"ground off top left", "A B", 0, S, 40, &StatusFont(), kG, -2, -1, 10, false},
    {"ground off bottom right", "A B", 0, S, 40, &StatusFont(), kG, 35, 9, 10, false},
    {"no ground", "A B", 0, S, 40, &StatusFont(), nullptr, 0, 0, 10, false},
    {"count digits", "0123456789", 0, C, 40, &CountFont(), kG, 3, 3, 31, false},
    {"count offset", "42", 4, C, 40, &CountFont(), kG, 0, 0, 7, false},
    // Non-digits take their column from '0': ':' lands on the half cell,
    // the rest outside the picture, yet all of them move the pen.
    {"count non-digits", "1!A:2", 0, C, 40, &CountFont(), kG, 0, 0, 16, false},
};

TEST(BitmapTextRender, MatchesReference) {
    for (const TCase& k : kCases) {
        SCOPED_TRACE(k.Name);
        ExpectMatchesReference(k, Render(k));
    }
}

// A few pixels spelled out, so that a reference sharing a misreading of the
// font layout would still be caught.
TEST(BitmapTextRender, PixelsComeFromTheRightCells) {
    const TImage32& font = StatusFont();
    const TImage32& g = Ground();
    auto status = [&](const std::string& text, int offset) {
        return RenderBitmapText(text, offset, font, H, W, S, 40, &g, 0, 0).Picture;
    };

    const TImage32 third = status("!'", 0);
    EXPECT_EQ(third.Pixel(0, 0), g.Pixel(0, 0));                 // pen starts at x = 1
    EXPECT_EQ(third.Pixel(1, 0), Rgb(0, 2 * H + 1, 0x40));       // '!' one pixel below 2H
    EXPECT_EQ(third.Pixel(1 + W, H - 1), Rgb(6 * W, 3 * H, 0x40));  // '\'' bottom row
    EXPECT_EQ(third.Pixel(1, H), g.Pixel(1, H));                 // last row is always ground

    const TImage32 digits = status("0@", 0);
    EXPECT_EQ(digits.Pixel(1, 0), Rgb(8 * W, H, 0x40));
    EXPECT_EQ(digits.Pixel(1 + W, 2), Rgb(24 * W, H + 2, 0x40));

    // Dropped characters leave no gap; a space leaves one cell.
    const TImage32 dropped = status("A[_\xE9" "B", 0);
    EXPECT_EQ(dropped.Pixel(1 + W, 0), Rgb(W, 0, 0x40));
    EXPECT_EQ(dropped.Pixel(1 + 2 * W, 0), g.Pixel(1 + 2 * W, 0));
    const TImage32 spaced = status("A B", 0);
    EXPECT_EQ(spaced.Pixel(1 + W, 0), g.Pixel(1 + W, 0));
    EXPECT_EQ(spaced.Pixel(1 + 2 * W, 0), Rgb(W, 0, 0x40));

    EXPECT_EQ(status("joe", 0), status("JOE", 0));
    // Shifted by 2, the first column shows line x = 2: the second column of 'A'.
    EXPECT_EQ(status("AB", 2).Pixel(0, 1), Rgb(1, 1, 0x40));

    const TImage32 count = RenderBitmapText("7", 0, CountFont(), H, W, C, 40, &g, 0, 0).Picture;
    EXPECT_EQ(count.Pixel(1, 0), Rgb(7 * W, 0, 0x40));
    EXPECT_EQ(count.Pixel(0, 0), kMagenta);  // the ground is ignored
}

// The ticker draws into the same result again and again: nothing of an earlier
// frame may remain, whatever changed in between.
TEST(BitmapTextRender, ReusedResultMatchesFreshRender) {
    const TCase frames[] = {
        {"first", "ABCDEF", 0, S, 40, &StatusFont(), kG, 0, 0, 19, false},
        {"scrolled", "ABCDEF", 5, S, 40, &StatusFont(), kG, 0, 0, 19, false},
        {"holes", "A    F", 1, S, 40, &StatusFont(), kG, 0, 0, 19, false},
        {"partial ground", "A    F", 0, S, 40, &StatusFont(), kG, 30, 0, 19, false},
        {"no ground", "A    F", 0, S, 40, &StatusFont(), nullptr, 0, 0, 19, false},
        {"other size", "AB", 0, S, 40, &StatusFont(), kG, 0, 0, 7, false},
        {"count", "12", 0, C, 40, &CountFont(), kG, 0, 0, 7, false},
        {"scrolled out", "AB", 8, S, 40, &StatusFont(), kG, 1, 1, 7, true},
    };
    TBitmapTextResult out;
    for (const TCase& k : frames) {
        SCOPED_TRACE(k.Name);
        RenderBitmapTextInto(out, k.Text, k.Offset, *k.Font, H, W, k.Layout, k.MaxChar, k.Ground,
                             k.GroundX, k.GroundY);
        ExpectMatchesReference(k, out);
    }
}

// A 24-bit bottom-up Windows bitmap of one colour.
void WriteBmp(const std::filesystem::path& path, int width, int height, TColor32 colour) {
    const int stride = (width * 3 + 3) & ~3;
    const std::uint32_t imageSize = static_cast<std::uint32_t>(stride * height);
    std::vector<std::uint8_t> b;
    auto u16 = [&](unsigned v) { b.push_back(v & 0xFF); b.push_back((v >> 8) & 0xFF); };
    auto u32 = [&](std::uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
    b.push_back('B'); b.push_back('M');
    u32(54 + imageSize); u32(0); u32(54);
    u32(40); u32(width); u32(height); u16(1); u16(24); u32(0); u32(imageSize);
    u32(2835); u32(2835); u32(0); u32(0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            b.push_back(colour & 0xFF);
            b.push_back((colour >> 8) & 0xFF);
            b.push_back((colour >> 16) & 0xFF);
        }
        for (int pad = width * 3; pad < stride; ++pad) b.push_back(0);
    }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()),
                                                static_cast<std::streamsize>(b.size()));
}

class BitmapTextFontCache : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("vexil-fontcache-" +
                std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
};

TEST_F(BitmapTextFontCache, LoadsOnceUntilCleared) {
    const std::string path = (dir_ / "font.bmp").string();
    WriteBmp(path, 5, 2, Rgb(10, 20, 30));

    TBitmapFontCache cache;
    const TImage32& first = cache.Get(path);
    ASSERT_EQ(first.Width(), 5);
    ASSERT_EQ(first.Height(), 2);
    EXPECT_TRUE(SameRgb(first.Pixel(4, 1), Rgb(10, 20, 30)));

    // A new skin may put another picture under the same name: only Clear
    // makes the cache read it.
    WriteBmp(path, 3, 3, Rgb(200, 100, 50));
    const TImage32& again = cache.Get(path);
    EXPECT_EQ(&again, &first);
    EXPECT_EQ(again.Width(), 5);

    cache.Clear();
    const TImage32& reloaded = cache.Get(path);
    EXPECT_EQ(reloaded.Width(), 3);
    EXPECT_TRUE(SameRgb(reloaded.Pixel(0, 0), Rgb(200, 100, 50)));
}

TEST_F(BitmapTextFontCache, UnreadableFileRaisesAndIsNotRemembered) {
    const std::string path = (dir_ / "missing.bmp").string();
    TBitmapFontCache cache;
    EXPECT_THROW(cache.Get(path), EPictureError);

    std::ofstream(path) << "not a bitmap";
    EXPECT_THROW(cache.Get(path), EPictureError);

    WriteBmp(path, 2, 2, Rgb(1, 2, 3));
    EXPECT_EQ(cache.Get(path).Width(), 2);
}

}  // namespace
}  // namespace vexil
