// Bitmap decoding: every header kind and depth a skin may use, and files that
// lie about their sizes.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "skin/Picture.h"
#include "test_picture_files.h"

namespace vexil {
namespace {

using test::TBmpLayout;
using test::TBytes;

TPicture Decode(const TBytes& b) { return DecodeBmp(b.data(), b.size()); }

std::vector<TColor32> TestPalette(int n) {
    std::vector<TColor32> p;
    for (int i = 0; i < n; ++i) p.push_back(Rgb(i * 37 % 256, 255 - i * 13 % 256, i * 7 % 256));
    return p;
}

// 0..31 scaled to 0..255 the way a full 5-bit value must come out as 255.
unsigned Scale(unsigned v, unsigned max) { return (v * 255 + max / 2) / max; }

void ExpectPixels(const TImage32& image, int width, int height,
                  const std::function<TColor32(int, int)>& expected) {
    ASSERT_EQ(image.Width(), width);
    ASSERT_EQ(image.Height(), height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            ASSERT_EQ(image.Pixel(x, y), expected(x, y)) << "at " << x << "," << y;
}

struct TDepthCase {
    std::string Name;
    TBmpLayout Layout;
    test::TPixelValue Value;
    std::function<TColor32(int, int)> Expected;
};

TBmpLayout Layout(int bits, int header = 40, int height = 3, std::vector<TColor32> palette = {},
              std::uint32_t compression = 0, std::vector<std::uint32_t> masks = {}) {
    TBmpLayout s;
    s.Width = 7;  // odd, so every depth has row padding
    s.Height = height;
    s.BitCount = bits;
    s.HeaderSize = header;
    s.Palette = std::move(palette);
    s.Compression = compression;
    s.Masks = std::move(masks);
    return s;
}

std::vector<TDepthCase> DepthCases() {
    const auto p2 = TestPalette(2), p16 = TestPalette(16), p256 = TestPalette(256);
    auto idx1 = [](int x, int y) { return static_cast<std::uint32_t>((x + y) % 2); };
    auto idx4 = [](int x, int y) { return static_cast<std::uint32_t>((x + 3 * y) % 16); };
    auto idx8 = [](int x, int y) { return static_cast<std::uint32_t>((x * 37 + y * 101) % 256); };
    auto rgb = [](int x, int y) { return static_cast<std::uint32_t>(x * 0x231F05 + y * 0x0B4D71) & 0xFFFFFFu; };
    auto r5 = [](int x, int y) { return static_cast<unsigned>(x * 4 + y) % 32; };
    auto g5 = [](int x, int) { return static_cast<unsigned>(31 - x * 3) % 32; };
    auto g6 = [](int x, int y) { return static_cast<unsigned>(x * 9 + y * 5) % 64; };
    auto b5 = [](int x, int y) { return static_cast<unsigned>(y * 10 + x) % 32; };
    return {
        {"OneBit", Layout(1, 40, 3, p2), idx1, [=](int x, int y) { return p2[idx1(x, y)]; }},
        {"OneBitV4", Layout(1, 108, 3, p2), idx1, [=](int x, int y) { return p2[idx1(x, y)]; }},
        {"FourBit", Layout(4, 40, 3, p16), idx4, [=](int x, int y) { return p16[idx4(x, y)]; }},
        {"FourBitCore", Layout(4, 12, 3, p16), idx4, [=](int x, int y) { return p16[idx4(x, y)]; }},
        {"EightBit", Layout(8, 40, 3, p256), idx8, [=](int x, int y) { return p256[idx8(x, y)]; }},
        {"EightBitCore", Layout(8, 12, 3, p256), idx8, [=](int x, int y) { return p256[idx8(x, y)]; }},
        {"EightBitTopDown", Layout(8, 40, -3, p256), idx8, [=](int x, int y) { return p256[idx8(x, y)]; }},
        {"Rgb555", Layout(16), [=](int x, int y) { return r5(x, y) << 10 | g5(x, y) << 5 | b5(x, y); },
         [=](int x, int y) { return Rgb(Scale(r5(x, y), 31), Scale(g5(x, y), 31), Scale(b5(x, y), 31)); }},
        {"Rgb565Bitfields", Layout(16, 40, 3, {}, 3, {0xF800, 0x07E0, 0x001F}),
         [=](int x, int y) { return r5(x, y) << 11 | g6(x, y) << 5 | b5(x, y); },
         [=](int x, int y) { return Rgb(Scale(r5(x, y), 31), Scale(g6(x, y), 63), Scale(b5(x, y), 31)); }},
        {"Rgb565V5TopDown", Layout(16, 124, -3, {}, 3, {0xF800, 0x07E0, 0x001F}),
         [=](int x, int y) { return r5(x, y) << 11 | g6(x, y) << 5 | b5(x, y); },
         [=](int x, int y) { return Rgb(Scale(r5(x, y), 31), Scale(g6(x, y), 63), Scale(b5(x, y), 31)); }},
        {"TwentyFourBit", Layout(24), rgb, [=](int x, int y) { return kOpaque | rgb(x, y); }},
        {"TwentyFourBitCore", Layout(24, 12), rgb, [=](int x, int y) { return kOpaque | rgb(x, y); }},
        {"TwentyFourBitTopDown", Layout(24, 40, -3), rgb, [=](int x, int y) { return kOpaque | rgb(x, y); }},
        // The fourth byte is not alpha for a skin bitmap: GDI ignores it.
        {"ThirtyTwoBitAlphaIgnored", Layout(32), [=](int x, int y) { return rgb(x, y) | (x * 40u) << 24; },
         [=](int x, int y) { return kOpaque | rgb(x, y); }},
        {"ThirtyTwoBitV5", Layout(32, 124), rgb, [=](int x, int y) { return kOpaque | rgb(x, y); }},
        {"ThirtyTwoBitShiftedMasks", Layout(32, 40, 3, {}, 3, {0xFF000000, 0x00FF0000, 0x0000FF00}),
         [=](int x, int y) { return rgb(x, y) << 8; }, [=](int x, int y) { return kOpaque | rgb(x, y); }},
    };
}

TEST(BmpDecode, EveryDepthAndHeaderGivesTheStoredPixels) {
    for (const auto& c : DepthCases()) {
        SCOPED_TRACE(c.Name);
        const TPicture pic = Decode(test::WriteBmp(c.Layout, c.Value));
        EXPECT_EQ(pic.Format, TPictureFormat::Bmp);
        EXPECT_EQ(pic.Monochrome, c.Layout.BitCount == 1);
        ASSERT_EQ(pic.Frames.size(), 1u);
        EXPECT_EQ(pic.DelaysMs, std::vector<int>{0});
        ExpectPixels(pic.First(), 7, 3, c.Expected);
    }
}

TEST(BmpDecode, FullFiveBitMagentaIsTheSkinKeyColour) {
    struct TCase {
        std::vector<std::uint32_t> Masks;
        std::uint32_t Value;
    };
    for (const TCase& c : {TCase{{}, 0x7C1F}, TCase{{0xF800, 0x07E0, 0x001F}, 0xF81F}}) {
        const TBmpLayout s = Layout(16, 40, 3, {}, c.Masks.empty() ? 0 : 3, c.Masks);
        const std::uint32_t value = c.Value;
        const TPicture pic = Decode(test::WriteBmp(s, [=](int, int) { return value; }));
        EXPECT_EQ(pic.First().Pixel(3, 1), kMagenta);
    }
}

TEST(BmpDecode, ShortPalettesShowBlackPastTheirEnd) {
    const auto p = TestPalette(3);
    auto value = [](int x, int) { return static_cast<std::uint32_t>(x); };
    auto expected = [&](int x, int) { return x < 3 ? p[x] : kOpaque; };

    // The header names three colours.
    TBmpLayout named = Layout(8, 40, 3, p);
    named.ColorsUsed = 3;
    ExpectPixels(Decode(test::WriteBmp(named, value)).First(), 7, 3, expected);

    // The header says nothing; the pixel offset leaves room for three entries.
    ExpectPixels(Decode(test::WriteBmp(Layout(4, 40, 3, p), value)).First(), 7, 3, expected);
    ExpectPixels(Decode(test::WriteBmp(Layout(8, 12, 3, p), value)).First(), 7, 3, expected);
}

TEST(BmpDecode, ZeroPixelOffsetMeansRightAfterThePalette) {
    const auto p = TestPalette(2);
    TBytes file = test::WriteBmp(Layout(1, 40, 3, p), [](int x, int) { return x % 2u; });
    test::Set32(file, 10, 0);
    ExpectPixels(Decode(file).First(), 7, 3, [&](int x, int) { return p[x % 2]; });
}

// Bottom row first: runs, an odd absolute run with its pad byte, an end of line,
// a delta into the top row, and the end of the bitmap.  Skipped pixels take
// colour 0.
const TBytes kRle8Bits = {3, 5, 0, 3, 1, 2, 3, 0, 0, 0,   // y=2: 5 5 5 | 1 2 3
                          2, 7, 0, 2, 2, 1,               // y=1: 7 7, delta (+2, +1)
                          2, 4, 0, 1};                    // y=0 from x=4: 4 4, end
const TBytes kRle4Bits = {0, 3, 0xAB, 0xC0, 4, 0x12, 0, 0,  // y=1: A B C | 1 2 1 2
                          0, 5, 0x12, 0x34, 0x50, 0,        // y=0: 1 2 3 4 5 (padded)
                          0, 1};

TEST(BmpDecode, RunLengthEncodedBitmaps) {
    const auto p = TestPalette(16);
    const TColor32 k = p[0];
    {
        TBmpLayout s = Layout(8, 40, 3, p, 1);
        s.Width = 6;
        const std::vector<std::vector<TColor32>> want = {
            {k, k, k, k, p[4], p[4]}, {p[7], p[7], k, k, k, k}, {p[5], p[5], p[5], p[1], p[2], p[3]}};
        ExpectPixels(Decode(test::WriteBmpWithBits(s, kRle8Bits)).First(), 6, 3,
                     [&](int x, int y) { return want[y][x]; });
    }
    {
        TBmpLayout s = Layout(4, 40, 2, p, 2);
        const std::vector<std::vector<TColor32>> want = {
            {p[1], p[2], p[3], p[4], p[5], k, k}, {p[10], p[11], p[12], p[1], p[2], p[1], p[2]}};
        ExpectPixels(Decode(test::WriteBmpWithBits(s, kRle4Bits)).First(), 7, 2,
                     [&](int x, int y) { return want[y][x]; });
    }
}

struct TValidFile {
    std::string Name;
    TBytes File;
    std::size_t Padding;  // of the last row, which a file may leave out
};

std::vector<TValidFile> ValidFiles() {
    TBmpLayout rle8 = Layout(8, 40, 3, TestPalette(16), 1);
    rle8.Width = 6;
    std::vector<TValidFile> files;
    for (const auto& c : DepthCases()) {
        const std::size_t used = (7 * c.Layout.BitCount + 7) / 8;
        files.push_back({c.Name, test::WriteBmp(c.Layout, c.Value), (4 - used % 4) % 4});
    }
    files.push_back({"Rle8", test::WriteBmpWithBits(rle8, kRle8Bits), 0});
    files.push_back({"Rle4", test::WriteBmpWithBits(Layout(4, 40, 2, TestPalette(16), 2), kRle4Bits), 0});
    return files;
}

TEST(BmpHostile, EveryTruncationFailsCleanly) {
    for (const auto& [name, file, padding] : ValidFiles()) {
        SCOPED_TRACE(name);
        const TPicture whole = Decode(file);
        for (std::size_t len = 0; len < file.size(); ++len) {
            const TBytes cut(file.begin(), file.begin() + len);
            if (len + padding < file.size()) {
                EXPECT_THROW(Decode(cut), EPictureError) << "length " << len;
            } else {
                EXPECT_EQ(Decode(cut).First(), whole.First()) << "length " << len;
            }
        }
    }
}

TEST(BmpHostile, CorruptedBytesNeverReadOutside) {
    // Under the sanitizers this is the real check: any byte of any header set to
    // an extreme either decodes or raises the decoder's error.
    for (const TValidFile& f : ValidFiles()) {
        SCOPED_TRACE(f.Name);
        for (std::size_t i = 0; i < f.File.size(); ++i)
            for (std::uint8_t v : {0x00, 0x7F, 0x80, 0xFF}) {
                TBytes bad = f.File;
                bad[i] = v;
                try {
                    Decode(bad);
                } catch (const EPictureError&) {
                }
            }
    }
}

struct THostileCase {
    std::string Name;
    std::function<void(TBytes&)> Damage;
};

TEST(BmpHostile, LyingHeadersAreRefused) {
    const TBytes valid24 = test::WriteBmp(Layout(24), [](int, int) { return 0x123456u; });
    TBmpLayout rle = Layout(8, 40, 3, TestPalette(16), 1);
    rle.Width = 6;
    auto setWidth = [](std::uint32_t w) { return [=](TBytes& b) { test::Set32(b, 18, w); }; };
    auto setHeight = [](std::uint32_t h) { return [=](TBytes& b) { test::Set32(b, 22, h); }; };
    auto setBits = [](unsigned v) { return [=](TBytes& b) { b[28] = static_cast<std::uint8_t>(v); }; };
    auto setCompression = [](std::uint32_t c) { return [=](TBytes& b) { test::Set32(b, 30, c); }; };
    const std::vector<THostileCase> cases = {
        {"Empty", [](TBytes& b) { b.clear(); }},
        {"NotBM", [](TBytes& b) { b[1] = 'A'; }},
        {"UnknownHeaderSize", [](TBytes& b) { test::Set32(b, 14, 41); }},
        {"HeaderSizePastEnd", [](TBytes& b) { test::Set32(b, 14, 124); b.resize(60); }},
        {"ZeroWidth", setWidth(0)},
        {"NegativeWidth", setWidth(static_cast<std::uint32_t>(-7))},
        {"ZeroHeight", setHeight(0)},
        {"WidthTooLarge", setWidth(16385)},
        {"HeightTooLarge", setHeight(16385)},
        {"TopDownHeightTooLarge", setHeight(static_cast<std::uint32_t>(-16385))},
        {"SmallestHeight", setHeight(0x80000000u)},
        {"TooManyPixels", [](TBytes& b) { test::Set32(b, 18, 8192); test::Set32(b, 22, 8192); }},
        {"RowSizeWouldOverflow", [](TBytes& b) { test::Set32(b, 18, 0x7FFFFFFF); test::Set32(b, 22, 1); }},
        {"OddDepth", setBits(7)},
        {"ZeroDepth", setBits(0)},
        {"JpegCompression", setCompression(4)},
        {"Rle8OnTwentyFourBits", setCompression(1)},
        {"BitfieldsOnTwentyFourBits", setCompression(3)},
        {"PixelsPastEnd", [](TBytes& b) { test::Set32(b, 10, 1000); }},
        {"PixelOffsetHuge", [](TBytes& b) { test::Set32(b, 10, 0xFFFFFFF0u); }},
        {"PixelOffsetInsideHeader", [](TBytes& b) { test::Set32(b, 10, 20); }},
        {"PixelsCut", [](TBytes& b) { b.resize(b.size() - 4); }},  // 3 of them are padding
    };
    for (const auto& c : cases) {
        TBytes b = valid24;
        c.Damage(b);
        EXPECT_THROW(Decode(b), EPictureError) << c.Name;
    }

    // Masks that are not one run of bits, or wider than the pixel.
    for (std::vector<std::uint32_t> masks :
         {std::vector<std::uint32_t>{0xF00F, 0x00F0, 0x0F00}, {0x1F0000, 0x07E0, 0x001F}}) {
        TBytes b = test::WriteBmp(Layout(16, 40, 3, {}, 3, masks), [](int, int) { return 0u; });
        EXPECT_THROW(Decode(b), EPictureError);
    }
    // A colour table that runs past the end of the file.
    {
        TBmpLayout s = Layout(8, 40, 3, TestPalette(2));
        s.ColorsUsed = 256;
        TBytes b = test::WriteBmpWithBits(s, {});
        test::Set32(b, 10, 0);
        EXPECT_THROW(Decode(b), EPictureError);
    }

    const std::vector<std::pair<std::string, TBytes>> badRuns = {
        {"RunPastRow", {7, 1, 0, 1}},
        {"AbsolutePastRow", {0, 7, 1, 2, 3, 4, 5, 6, 7, 0}},
        {"RunAfterAbsolutePastRow", {0, 4, 1, 2, 3, 4, 3, 1}},
        {"DeltaPastRow", {0, 2, 7, 0, 0, 1}},
        {"AbsoluteCut", {0, 5, 1, 2}},
        {"NoEndOfBitmap", {6, 1, 0, 0, 6, 1}},
        {"Empty", {}},
    };
    for (const auto& [name, bits] : badRuns)
        EXPECT_THROW(Decode(test::WriteBmpWithBits(rle, bits)), EPictureError) << name;
    TBmpLayout topDown = rle;
    topDown.Height = -3;
    EXPECT_THROW(Decode(test::WriteBmpWithBits(topDown, kRle8Bits)), EPictureError);
}

TEST(BmpDecode, RunsMayEndAtTheLastRowWithoutEndMarker) {
    TBmpLayout s = Layout(8, 40, 2, TestPalette(16), 1);
    s.Width = 2;
    const TPicture pic = Decode(test::WriteBmpWithBits(s, {2, 1, 0, 0, 2, 3, 0, 0}));
    EXPECT_EQ(pic.First().Pixel(0, 0), TestPalette(16)[3]);
    EXPECT_EQ(pic.First().Pixel(1, 1), TestPalette(16)[1]);
    // A delta may also leave the picture: the rest is skipped.
    EXPECT_NO_THROW(Decode(test::WriteBmpWithBits(s, {2, 1, 0, 2, 0, 5})));
}

TEST(BmpDecode, ErrorTextIsPlainEnglish) {
    try {
        const std::uint8_t junk[] = {'B', 'M', 0};
        DecodeBmp(junk, sizeof junk);
        FAIL() << "no error";
    } catch (const EPictureError& e) {
        EXPECT_STREQ(e.what(), "Bitmap image is not valid.");
    }
}

}  // namespace
}  // namespace vexil
