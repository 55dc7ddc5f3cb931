// Icon decoding: choice among the images of a file, the AND mask and 32-bit
// alpha, and damaged directories.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "skin/Picture.h"
#include "test_picture_files.h"

namespace vexil {
namespace {

using test::TBytes;
using test::TIconImage;

TPicture Decode(const TBytes& b) { return DecodeIco(b.data(), b.size()); }

const std::vector<TColor32> kPal = {Rgb(0, 0, 0), Rgb(255, 0, 0), Rgb(0, 128, 0), Rgb(0, 0, 255)};

TColor32 Clear(TColor32 c) { return c & 0x00FFFFFFu; }

// A corner cut out by the mask: pixels with x + y < 2.
bool Corner(int x, int y) { return x + y < 2; }

TIconImage Solid(int size, int bitCount, std::uint32_t value, std::vector<TColor32> palette = {}) {
    return test::IconBitmap(size, size, bitCount, std::move(palette),
                            [=](int, int) { return value; }, [](int, int) { return false; });
}

TEST(IcoDecode, MaskedPixelsAreClear) {
    struct TCase {
        int BitCount;
        std::vector<TColor32> Palette;
    };
    for (const TCase& c : {TCase{4, kPal}, TCase{8, kPal}, TCase{24, {}}}) {
        SCOPED_TRACE(c.BitCount);
        const bool indexed = !c.Palette.empty();
        auto value = [=](int x, int y) { return indexed ? static_cast<std::uint32_t>((x + y) % 4) : 0x102030u * (x + 1); };
        auto colour = [&](int x, int y) { return indexed ? kPal[(x + y) % 4] : kOpaque | (0x102030u * (x + 1)); };
        const TPicture pic = Decode(test::WriteIco({test::IconBitmap(5, 3, c.BitCount, c.Palette, value, Corner)}));
        EXPECT_EQ(pic.Format, TPictureFormat::Ico);
        EXPECT_FALSE(pic.Monochrome);
        ASSERT_EQ(pic.Width(), 5);
        ASSERT_EQ(pic.Height(), 3);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(pic.First().Pixel(x, y), Corner(x, y) ? Clear(colour(x, y)) : colour(x, y))
                    << x << "," << y;
    }
}

TEST(IcoDecode, ThirtyTwoBitAlphaIsCutAtHalf) {
    // The mask would clear the corner; a 32-bit icon with alpha ignores it.
    const std::vector<std::uint32_t> alphas = {0, 1, 127, 128, 200, 255};
    const TPicture pic = Decode(test::WriteIco({test::IconBitmap(
        6, 2, 32, {}, [&](int x, int) { return alphas[x] << 24 | 0x405060u; }, Corner)}));
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(pic.First().Pixel(x, 1), alphas[x] < 128 ? 0x00405060u : 0xFF405060u) << x;
}

TEST(IcoDecode, ThirtyTwoBitWithoutAlphaUsesTheMask) {
    const TPicture pic = Decode(test::WriteIco({test::IconBitmap(
        3, 3, 32, {}, [](int, int) { return 0x00ABCDEFu; }, Corner)}));
    EXPECT_EQ(pic.First().Pixel(0, 0), 0x00ABCDEFu);
    EXPECT_EQ(pic.First().Pixel(2, 2), 0xFFABCDEFu);
}

TEST(IcoDecode, LargestThenDeepestImageIsShown) {
    // Told apart by their colour; the directory's own sizes are wrong on purpose.
    TIconImage liar = Solid(16, 8, 1, kPal);
    liar.Width = liar.Height = 64;
    const TPicture pic = Decode(test::WriteIco({liar, Solid(32, 4, 2, kPal), Solid(32, 24, 0x00FFFFu),
                                                Solid(32, 8, 3, kPal), Solid(16, 32, 0xFF00FF00u)}));
    ASSERT_EQ(pic.Width(), 32);
    EXPECT_EQ(pic.First().Pixel(5, 5), Rgb(0, 255, 255));
}

TEST(IcoDecode, PngImagesAreNotDecoded) {
    TIconImage png;
    png.Data = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    png.Width = png.Height = 255;
    png.BitCount = 32;
    try {
        Decode(test::WriteIco({png}));
        FAIL() << "a PNG icon decoded";
    } catch (const EPictureError& e) {
        EXPECT_STREQ(e.what(), "PNG icons are not supported.");
    }
    // Beside a bitmap image, the bitmap is shown.
    EXPECT_EQ(Decode(test::WriteIco({png, Solid(16, 24, 0xFF0000u)})).First().Pixel(0, 0), Rgb(255, 0, 0));
}

TEST(IcoHostile, EveryTruncationFailsCleanly) {
    // One image: every cut fails, except one that only drops the padding of
    // the mask's last row (three bytes at width 5).
    const TBytes single = test::WriteIco(
        {test::IconBitmap(5, 3, 4, kPal, [](int x, int) { return x % 4u; }, Corner)});
    const TPicture whole = Decode(single);
    for (std::size_t len = 0; len < single.size(); ++len) {
        const TBytes cut(single.begin(), single.begin() + len);
        if (len + 3 < single.size())
            EXPECT_THROW(Decode(cut), EPictureError) << len;
        else
            EXPECT_EQ(Decode(cut).First(), whole.First()) << len;
    }

    // Two images: a cut through the smaller, later one leaves the larger.
    const TBytes pair = test::WriteIco({Solid(4, 32, 0x80FFFFFFu), Solid(2, 24, 0x123456u)});
    const TPicture large = Decode(pair);
    for (std::size_t len = 0; len < pair.size(); ++len) {
        try {
            EXPECT_EQ(Decode(TBytes(pair.begin(), pair.begin() + len)).First(), large.First()) << len;
        } catch (const EPictureError&) {
        }
    }
    EXPECT_EQ(Decode(TBytes(pair.begin(), pair.end() - 10)).First(), large.First());
}

TEST(IcoHostile, CorruptedBytesNeverReadOutside) {
    const TBytes file = test::WriteIco({test::IconBitmap(5, 3, 8, kPal, [](int x, int) { return x % 4u; }, Corner),
                                        Solid(3, 32, 0x80FFFFFFu)});
    for (std::size_t i = 0; i < file.size(); ++i)
        for (std::uint8_t v : {0x00, 0x7F, 0x80, 0xFF}) {
            TBytes bad = file;
            bad[i] = v;
            try {
                Decode(bad);
            } catch (const EPictureError&) {
            }
        }
}

TEST(IcoHostile, BrokenDirectoriesAndImagesAreRefused) {
    const TBytes valid = test::WriteIco({test::IconBitmap(4, 4, 8, kPal, [](int, int) { return 1u; }, Corner)});
    const std::size_t image = 6 + 16;
    auto damaged = [&](std::size_t at, std::uint8_t v) {
        TBytes b = valid;
        b[at] = v;
        return b;
    };
    auto set32 = [&](std::size_t at, std::uint32_t v) {
        TBytes b = valid;
        test::Set32(b, at, v);
        return b;
    };
    const std::vector<std::pair<std::string, TBytes>> cases = {
        {"Empty", {}},
        {"ReservedNotZero", damaged(0, 1)},
        {"UnknownType", damaged(2, 3)},
        {"NoImages", damaged(4, 0)},
        {"DirectoryCut", TBytes(valid.begin(), valid.begin() + 20)},
        {"MoreEntriesThanThere", damaged(4, 9)},
        {"OffsetPastEnd", set32(6 + 12, 100000)},
        {"OffsetHuge", set32(6 + 12, 0xFFFFFFFFu)},
        {"HeaderHeightNotDoubledToZero", set32(image + 8, 1)},
        {"WidthHuge", set32(image + 4, 70000)},
        {"RunLengthImage", set32(image + 16, 1)},
        {"MaskCut", TBytes(valid.begin(), valid.end() - 4)},
        {"PixelsCut", TBytes(valid.begin(), valid.end() - 20)},
    };
    for (const auto& [name, bytes] : cases) EXPECT_THROW(Decode(bytes), EPictureError) << name;
}

}  // namespace
}  // namespace vexil
