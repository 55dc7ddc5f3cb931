// GIF decoding: LZW, interlacing, transparency, composition of animated frames,
// and damaged files.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "skin/Picture.h"
#include "test_picture_files.h"

namespace vexil {
namespace {

using test::TBytes;
using test::TGifFrameSpec;

constexpr TColor32 kClear = 0x00000000u;
const TColor32 kRed = Rgb(255, 0, 0), kGreen = Rgb(0, 255, 0), kBlue = Rgb(0, 0, 255);
const std::vector<TColor32> kPal4 = {Rgb(10, 20, 30), kRed, kGreen, kBlue};

TPicture Decode(const TBytes& b) { return DecodeGif(b.data(), b.size()); }

std::vector<std::uint8_t> Indices(int w, int h, const std::function<int(int, int)>& f) {
    std::vector<std::uint8_t> out;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) out.push_back(static_cast<std::uint8_t>(f(x, y)));
    return out;
}

TGifFrameSpec Frame(int left, int top, int w, int h, const std::function<int(int, int)>& f) {
    TGifFrameSpec s;
    s.Left = left;
    s.Top = top;
    s.Width = w;
    s.Height = h;
    s.Indices = Indices(w, h, f);
    return s;
}

// Rows of single characters: '.' clear, 'r', 'g', 'b' and 'k' (kPal4[0]).
void ExpectImage(const TImage32& image, const std::vector<std::string>& rows) {
    ASSERT_EQ(image.Height(), static_cast<int>(rows.size()));
    for (int y = 0; y < image.Height(); ++y) {
        ASSERT_EQ(image.Width(), static_cast<int>(rows[y].size()));
        for (int x = 0; x < image.Width(); ++x) {
            const char c = rows[y][x];
            const TColor32 want = c == '.' ? kClear : c == 'r' ? kRed : c == 'g' ? kGreen : c == 'b' ? kBlue : kPal4[0];
            EXPECT_EQ(image.Pixel(x, y), want) << "at " << x << "," << y;
        }
    }
}

void ExpectIndices(const TImage32& image, int w, int h, const std::vector<TColor32>& colors,
                   const std::function<int(int, int)>& f) {
    ASSERT_EQ(image.Width(), w);
    ASSERT_EQ(image.Height(), h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) ASSERT_EQ(image.Pixel(x, y), colors[f(x, y)]) << "at " << x << "," << y;
}

std::vector<TColor32> Palette256() {
    std::vector<TColor32> p;
    for (int i = 0; i < 256; ++i) p.push_back(Rgb(i, (i * 7) & 255, 255 - i));
    return p;
}

int Noise(int x, int y) {  // a fixed pseudo-random pattern that LZW cannot shorten much
    std::uint32_t v = static_cast<std::uint32_t>(x * 7919 + y * 104729);
    v ^= v >> 13;
    v *= 0x5BD1E995u;
    return static_cast<int>((v >> 15) & 255u);
}

struct TSingleCase {
    std::string Name;
    int Width, Height;
    std::vector<TColor32> Global, Local;
    std::function<int(int, int)> Pattern;
    bool Interlaced = false;
    test::TLzwOptions Lzw{};
};

TEST(GifDecode, SingleImagesGiveTheirIndexedColours) {
    const auto p256 = Palette256();
    const std::vector<TSingleCase> cases = {
        {"Small", 5, 4, kPal4, {}, [](int x, int y) { return (x + 2 * y) % 4; }},
        {"TwoColoursCodeSizeTwo", 9, 3, {kRed, kBlue}, {}, [](int x, int y) { return (x * y) % 2; }},
        {"InterlacedAllPasses", 3, 11, kPal4, {}, [](int x, int y) { return (x + y) % 4; }, true},
        {"InterlacedShort", 4, 3, kPal4, {}, [](int x, int y) { return (3 * x + y) % 4; }, true},
        {"LocalTableWins", 4, 4, {kBlue, kBlue}, kPal4, [](int x, int y) { return (x ^ y) % 4; }},
        {"NoGlobalTable", 4, 2, {}, kPal4, [](int x, int) { return x; }},
        // Long noisy data: the code size grows to 12 bits and the table fills,
        // then is either cleared or kept full to the end.
        {"TableFullThenCleared", 160, 100, p256, {}, Noise},
        // The second half repeats the first, so the strings defined last,
        // just before the table filled, come back.
        {"TableFullKeptToTheEnd", 160, 100, p256, {}, [](int x, int y) { return Noise(x, y % 50); },
         false, {false}},
        {"InterlacedNoise", 97, 61, p256, {}, Noise, true},
        // One colour throughout: nearly every code is the one being defined.
        {"OneLongRun", 300, 200, kPal4, {}, [](int, int) { return 2; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TGifFrameSpec f = Frame(0, 0, c.Width, c.Height, c.Pattern);
        f.Local = c.Local;
        f.Interlaced = c.Interlaced;
        const TPicture pic = Decode(test::WriteGif(c.Width, c.Height, c.Global, {f}, -1, c.Lzw));
        EXPECT_EQ(pic.Format, TPictureFormat::Gif);
        ASSERT_EQ(pic.Frames.size(), 1u);
        EXPECT_EQ(pic.DelaysMs, std::vector<int>{0});
        ExpectIndices(pic.First(), c.Width, c.Height, c.Local.empty() ? c.Global : c.Local, c.Pattern);
    }
}

// Written by another encoder (interlaced, GIF87a, code size 8 over an 8-entry
// table), so the decoder is not only checked against our own writer.
const TBytes kForeignInterlaced = {
    0x47, 0x49, 0x46, 0x38, 0x37, 0x61, 0x10, 0x00, 0x11, 0x00, 0x82, 0x00, 0x00, 0x00, 0x00, 0x00,
    0xFF, 0x00, 0xFF, 0x0C, 0xC8, 0x28, 0xFA, 0xFA, 0x0A, 0x01, 0x02, 0x03, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x11, 0x00, 0x40, 0x08,
    0x7E, 0x00, 0x01, 0x0C, 0x08, 0x40, 0x40, 0x80, 0x40, 0x82, 0x06, 0x07, 0x16, 0x04, 0xC0, 0x50,
    0x00, 0x01, 0x02, 0x01, 0x06, 0x0C, 0x00, 0x20, 0xC0, 0x61, 0x80, 0x88, 0x0C, 0x09, 0x0C, 0xD0,
    0x28, 0x60, 0x80, 0x80, 0x00, 0x1F, 0x01, 0x04, 0x00, 0x40, 0x20, 0xE3, 0x46, 0x8F, 0x1E, 0x41,
    0x8E, 0x1C, 0x59, 0xF2, 0xE0, 0x42, 0x85, 0x09, 0x11, 0x32, 0xA4, 0xF8, 0x30, 0xE2, 0xC4, 0x8A,
    0x10, 0x31, 0xBA, 0x8C, 0xF9, 0x52, 0x26, 0xC9, 0x93, 0x1D, 0x3F, 0x86, 0x64, 0x39, 0xD3, 0x21,
    0x44, 0x89, 0x14, 0x2D, 0xEA, 0xD4, 0xC8, 0x31, 0xE5, 0x50, 0x92, 0x0C, 0x61, 0xEE, 0x9C, 0xDA,
    0xB0, 0x26, 0x52, 0x9C, 0x17, 0x27, 0xFE, 0x6C, 0x2A, 0x74, 0x25, 0xD4, 0xA9, 0x52, 0xA5, 0x56,
    0x3D, 0x7A, 0x53, 0xA9, 0x56, 0xA6, 0x28, 0xBB, 0x8A, 0xFC, 0x1A, 0x56, 0xA6, 0xD4, 0x80, 0x00, 0x3B};

TEST(GifDecode, FileFromAnotherEncoder) {
    const std::vector<TColor32> colors = {Rgb(0, 0, 0), kMagenta, Rgb(12, 200, 40), Rgb(250, 250, 10),
                                          Rgb(1, 2, 3)};
    const TPicture pic = Decode(kForeignInterlaced);
    ExpectIndices(pic.First(), 16, 17, colors, [](int x, int y) { return (x * 3 + y * 5 + (x * y) % 3) % 5; });
}

TEST(GifDecode, TransparentIndexIsClearAndOnlyForItsImage) {
    TGifFrameSpec f = Frame(0, 0, 3, 2, [](int x, int y) { return x == y ? 1 : 3; });
    f.Control = true;
    f.Transparent = 1;
    const TPicture pic = Decode(test::WriteGif(3, 2, kPal4, {f}));
    ExpectImage(pic.First(), {".bb", "b.b"});
}

TEST(GifAnimation, DisposalMethodsComposeWholeFrames) {
    auto fill = [](int index) { return [=](int, int) { return index; }; };
    TGifFrameSpec f1 = Frame(0, 0, 4, 4, fill(1));
    f1.Control = true;
    f1.Disposal = 1;
    f1.DelayCs = 10;
    TGifFrameSpec f2 = Frame(1, 1, 2, 2, fill(2));
    f2.Control = true;
    f2.Disposal = 2;  // back to clear afterwards
    f2.DelayCs = 20;
    TGifFrameSpec f3 = Frame(0, 0, 1, 1, fill(3));
    f3.Control = true;
    f3.Disposal = 3;  // back to the frame before afterwards
    TGifFrameSpec f4 = Frame(3, 3, 1, 1, fill(2));
    TGifFrameSpec f5 = Frame(0, 0, 4, 4, [](int x, int y) { return x == 0 && y == 0 ? 3 : 0; });
    f5.Control = true;
    f5.Transparent = 0;

    const TPicture pic = Decode(test::WriteGif(4, 4, kPal4, {f1, f2, f3, f4, f5}, 3));
    ASSERT_EQ(pic.Frames.size(), 5u);
    EXPECT_EQ(pic.DelaysMs, (std::vector<int>{100, 200, 0, 0, 0}));
    EXPECT_EQ(pic.LoopCount, 3);
    ExpectImage(pic.Frames[0], {"rrrr", "rrrr", "rrrr", "rrrr"});
    ExpectImage(pic.Frames[1], {"rrrr", "rggr", "rggr", "rrrr"});
    ExpectImage(pic.Frames[2], {"brrr", "r..r", "r..r", "rrrr"});
    ExpectImage(pic.Frames[3], {"rrrr", "r..r", "r..r", "rrrg"});
    ExpectImage(pic.Frames[4], {"brrr", "r..r", "r..r", "rrrg"});
}

TEST(GifAnimation, LoopCountComesFromTheNetscapeBlock) {
    const TGifFrameSpec f = Frame(0, 0, 1, 1, [](int, int) { return 1; });
    EXPECT_EQ(Decode(test::WriteGif(1, 1, kPal4, {f, f}, 0)).LoopCount, 0);  // forever
    EXPECT_EQ(Decode(test::WriteGif(1, 1, kPal4, {f, f}, 7)).LoopCount, 7);
    EXPECT_EQ(Decode(test::WriteGif(1, 1, kPal4, {f, f})).LoopCount, 1);  // plays once
}

TEST(GifDecode, ImagesReachingPastTheScreenAreClipped) {
    const TGifFrameSpec base = Frame(0, 0, 3, 3, [](int, int) { return 1; });
    const TGifFrameSpec corner = Frame(2, 2, 3, 3, [](int, int) { return 3; });
    const TGifFrameSpec away = Frame(500, 500, 2, 2, [](int, int) { return 2; });
    const TPicture pic = Decode(test::WriteGif(3, 3, kPal4, {base, corner, away}));
    ASSERT_EQ(pic.Frames.size(), 3u);
    ExpectImage(pic.Frames[1], {"rrr", "rrr", "rrb"});
    EXPECT_EQ(pic.Frames[2], pic.Frames[1]);
}

TEST(GifDecode, ScreenOfZeroSizeTakesTheFirstImagesExtent) {
    const TPicture pic = Decode(test::WriteGif(0, 0, kPal4, {Frame(1, 1, 3, 2, [](int, int) { return 2; })}));
    ExpectImage(pic.First(), {"....", ".ggg", ".ggg"});
}

// Where the data sub-blocks of the nth image start (after its code size byte),
// found by walking the blocks of a well-formed file.
std::size_t FindImageData(const TBytes& gif, int nth) {
    auto table = [](std::uint8_t flags) { return (flags & 0x80) ? (std::size_t{2} << (flags & 7)) * 3 : 0; };
    auto skipBlocks = [&](std::size_t pos) {
        while (gif.at(pos) != 0) pos += 1 + gif[pos];
        return pos + 1;
    };
    std::size_t pos = 13 + table(gif.at(10));
    for (int seen = 0; pos < gif.size();) {
        if (gif[pos] == 0x21) {
            pos = skipBlocks(pos + 2);
        } else if (gif[pos] == 0x2C) {
            const std::size_t data = pos + 10 + table(gif.at(pos + 9)) + 1;
            if (seen++ == nth) return data;
            pos = skipBlocks(data);
        } else {
            break;
        }
    }
    return 0;
}

TEST(GifTruncated, KeepsWhatWasDecoded) {
    auto pattern = [](int x, int y) { return (x / 3 + y) % 4; };
    const TGifFrameSpec a = Frame(0, 0, 20, 20, pattern);
    const TGifFrameSpec b = Frame(0, 0, 20, 20, [](int, int) { return 3; });
    const TBytes file = test::WriteGif(20, 20, kPal4, {a, b});
    const std::size_t first = FindImageData(file, 0), second = FindImageData(file, 1);
    ASSERT_GT(first, 0u);
    ASSERT_GT(second, first);

    // Cut in the middle of the first image: its top rows are there, the
    // bottom right corner was never decoded.
    const TBytes half(file.begin(), file.begin() + (first + second) / 2);
    const TPicture partial = Decode(half);
    ASSERT_EQ(partial.Frames.size(), 1u);
    for (int x = 0; x < 20; ++x) EXPECT_EQ(partial.First().Pixel(x, 0), kPal4[pattern(x, 0)]);
    EXPECT_EQ(partial.First().Pixel(19, 19), kClear);

    // Cut right after the second image's header: that image has no pixel and is
    // not a frame; cut inside its data: a frame of its own.
    EXPECT_EQ(Decode(TBytes(file.begin(), file.begin() + second)).Frames.size(), 1u);
    EXPECT_EQ(Decode(TBytes(file.begin(), file.begin() + second + 4)).Frames.size(), 2u);
    // No trailer: every frame is still there.
    EXPECT_EQ(Decode(TBytes(file.begin(), file.end() - 1)).Frames.size(), 2u);
}

TEST(GifHostile, EveryTruncationFailsCleanly) {
    TGifFrameSpec f1 = Frame(0, 0, 6, 5, [](int x, int y) { return (x + y) % 4; });
    f1.Control = true;
    f1.Disposal = 3;
    f1.Transparent = 2;
    TGifFrameSpec f2 = Frame(2, 1, 5, 5, [](int x, int) { return x % 3; });
    f2.Interlaced = true;
    f2.Local = kPal4;
    const TBytes file = test::WriteGif(6, 5, kPal4, {f1, f2}, 0);
    const std::size_t firstData = FindImageData(file, 0);
    std::size_t previousFrames = 0;
    for (std::size_t len = 0; len <= file.size(); ++len) {
        const TBytes cut(file.begin(), file.begin() + len);
        if (len <= firstData + 1) {  // not one byte of the first image's codes
            EXPECT_THROW(Decode(cut), EPictureError) << "length " << len;
            continue;
        }
        if (len < firstData + 3) continue;  // a clear code and maybe no pixel yet
        const TPicture pic = Decode(cut);
        ASSERT_GE(pic.Frames.size(), previousFrames) << "length " << len;
        EXPECT_EQ(pic.DelaysMs.size(), pic.Frames.size());
        for (const auto& frame : pic.Frames) EXPECT_EQ(frame.Width() * frame.Height(), 30);
        previousFrames = pic.Frames.size();
    }
    EXPECT_EQ(previousFrames, 2u);
}

TEST(GifHostile, CorruptedBytesNeverReadOutside) {
    TGifFrameSpec f1 = Frame(0, 0, 7, 6, [](int x, int y) { return (x * y) % 4; });
    f1.Control = true;
    f1.Disposal = 2;
    TGifFrameSpec f2 = Frame(1, 1, 5, 9, [](int x, int y) { return (x + y) % 3; });
    f2.Interlaced = true;
    const TBytes file = test::WriteGif(7, 6, kPal4, {f1, f2}, 2);
    for (std::size_t i = 0; i < file.size(); ++i)
        for (std::uint8_t v : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
            TBytes bad = file;
            bad[i] = v;
            try {
                const TPicture pic = Decode(bad);
                ASSERT_FALSE(pic.Empty());
            } catch (const EPictureError&) {
            }
        }
}

TEST(GifHostile, FilesWithoutADecodableFirstImageAreRefused) {
    const TBytes valid = test::WriteGif(2, 2, kPal4, {Frame(0, 0, 2, 2, [](int, int) { return 1; })});
    auto header = [](int w, int h) { return test::GifHeader(w, h, kPal4); };
    auto with = [&](TBytes head, const TBytes& tail) {
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    };
    const std::size_t codeSizeAt = FindImageData(valid, 0) - 1;
    auto codeSize = [&](std::uint8_t v) {
        TBytes b = valid;
        b[codeSizeAt] = v;
        return b;
    };
    const std::vector<std::pair<std::string, TBytes>> cases = {
        {"Empty", {}},
        {"NotGif", with({'G', 'I', 'F', '8', '8', 'a'}, TBytes(valid.begin() + 6, valid.end()))},
        {"OnlyTrailer", with(header(2, 2), {0x3B})},
        {"OnlyExtensions", with(header(2, 2), {0x21, 0xFE, 2, 'h', 'i', 0, 0x3B})},
        {"ScreenTooWide", test::WriteGif(20000, 2, kPal4, {Frame(0, 0, 1, 1, [](int, int) { return 1; })})},
        {"ScreenTooLarge", test::WriteGif(65535, 65535, kPal4, {Frame(0, 0, 1, 1, [](int, int) { return 1; })})},
        {"NoScreenNoImageSize", test::WriteGif(0, 0, kPal4, {Frame(0, 0, 0, 0, [](int, int) { return 1; })})},
        {"CodeSizeZero", codeSize(0)},
        {"CodeSizeTwelve", codeSize(12)},
        // Clear code, then code 6, which no table holds yet.
        {"FirstCodeUndefined", with(header(2, 2), {0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0, 2, 2, 0x34, 0x00, 0, 0x3B})},
        {"NoImageData", with(header(2, 2), {0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0, 2, 0, 0x3B})},
        {"ColourTableCut", TBytes(valid.begin(), valid.begin() + 20)},
    };
    for (const auto& [name, bytes] : cases) EXPECT_THROW(Decode(bytes), EPictureError) << name;
    try {
        Decode(cases[0].second);
    } catch (const EPictureError& e) {
        EXPECT_STREQ(e.what(), "GIF image is not valid.");
    }
}

TEST(GifHostile, ManyFramesOnALargeScreenStayBounded) {
    // 2048 x 2048 is a legal screen, but 40 whole copies of it are not kept.
    std::vector<TGifFrameSpec> frames(40, Frame(0, 0, 1, 1, [](int, int) { return 1; }));
    const TPicture pic = Decode(test::WriteGif(2048, 2048, kPal4, frames));
    EXPECT_GE(pic.Frames.size(), 1u);
    EXPECT_LT(pic.Frames.size(), 40u);
}

}  // namespace
}  // namespace vexil
