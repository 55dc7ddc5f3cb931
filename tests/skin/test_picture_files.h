// Writers of small BMP, GIF and ICO files for the decoder tests, so that each
// test builds exactly the file whose decoding it checks.
#pragma once

#include <cstdint>
#include <functional>
#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

#include "skin/Image.h"

namespace vexil::test {

using TBytes = std::vector<std::uint8_t>;

inline void Put16(TBytes& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Put32(TBytes& out, std::uint32_t v) {
    Put16(out, v & 0xFFFFu);
    Put16(out, v >> 16);
}
inline void Set32(TBytes& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// ---- BMP ------------------------------------------------------------------

struct TBmpLayout {
    int Width = 0, Height = 0;  // Height as stored: negative for top-down
    int BitCount = 24;
    int HeaderSize = 40;  // 12, 40, 108 or 124
    std::uint32_t Compression = 0;
    std::vector<TColor32> Palette;
    std::uint32_t ColorsUsed = 0;
    std::vector<std::uint32_t> Masks;  // written after a 40-byte header, or inside a larger one
};

// The info header (and masks and colour table) alone, as icons store it.
inline TBytes WriteDibHeader(const TBmpLayout& s, int storedHeight) {
    TBytes out;
    Put32(out, static_cast<std::uint32_t>(s.HeaderSize));
    if (s.HeaderSize == 12) {
        Put16(out, static_cast<unsigned>(s.Width));
        Put16(out, static_cast<unsigned>(storedHeight));
        Put16(out, 1);
        Put16(out, static_cast<unsigned>(s.BitCount));
    } else {
        Put32(out, static_cast<std::uint32_t>(s.Width));
        Put32(out, static_cast<std::uint32_t>(storedHeight));
        Put16(out, 1);
        Put16(out, static_cast<unsigned>(s.BitCount));
        Put32(out, s.Compression);
        Put32(out, 0);  // image size
        Put32(out, 2835);
        Put32(out, 2835);
        Put32(out, s.ColorsUsed);
        Put32(out, 0);
        for (std::size_t i = 0; i < s.Masks.size(); ++i) Put32(out, s.Masks[i]);
        if (s.HeaderSize > 40)
            while (out.size() < static_cast<std::size_t>(s.HeaderSize)) out.push_back(0);
    }
    for (TColor32 c : s.Palette) {
        out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
        out.push_back(static_cast<std::uint8_t>(c >> 16));
        if (s.HeaderSize != 12) out.push_back(0);
    }
    return out;
}

// Raw pixel rows: value(x, y) is the stored value of the pixel (an index, or a
// packed 16/24/32-bit value), y counted from the top.
using TPixelValue = std::function<std::uint32_t(int x, int y)>;

inline TBytes WriteDibBits(int width, int height, int bitCount, bool topDown, const TPixelValue& value) {
    const std::size_t stride = ((static_cast<std::size_t>(width) * bitCount + 31) / 32) * 4;
    TBytes out(stride * height, 0);
    for (int r = 0; r < height; ++r) {
        const int y = topDown ? r : height - 1 - r;
        std::uint8_t* row = out.data() + r * stride;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = value(x, y);
            switch (bitCount) {
                case 1: row[x / 8] |= static_cast<std::uint8_t>((v & 1u) << (7 - x % 8)); break;
                case 4: row[x / 2] |= static_cast<std::uint8_t>((v & 15u) << (x % 2 ? 0 : 4)); break;
                default:
                    for (int i = 0; i < bitCount / 8; ++i)
                        row[x * bitCount / 8 + i] = static_cast<std::uint8_t>(v >> (8 * i));
            }
        }
    }
    return out;
}

// A whole file around the given pixel data.
inline TBytes WriteBmpWithBits(const TBmpLayout& s, const TBytes& bits) {
    TBytes dib = WriteDibHeader(s, s.Height);
    TBytes out{'B', 'M'};
    Put32(out, static_cast<std::uint32_t>(14 + dib.size() + bits.size()));
    Put32(out, 0);
    Put32(out, static_cast<std::uint32_t>(14 + dib.size()));
    out.insert(out.end(), dib.begin(), dib.end());
    out.insert(out.end(), bits.begin(), bits.end());
    return out;
}

inline TBytes WriteBmp(const TBmpLayout& s, const TPixelValue& value) {
    const bool topDown = s.Height < 0;
    return WriteBmpWithBits(s, WriteDibBits(s.Width, topDown ? -s.Height : s.Height, s.BitCount,
                                            topDown, value));
}

// ---- GIF ------------------------------------------------------------------

struct TGifFrameSpec {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    std::vector<std::uint8_t> Indices;  // Width * Height, rows from the top
    std::vector<TColor32> Local;        // local colour table, 2^n entries
    bool Interlaced = false;
    bool Control = false;  // write a graphic control extension
    int Disposal = 0;
    int DelayCs = 0;
    int Transparent = -1;
    int MinCodeSize = 0;  // 0: from the colour table size
};

struct TLzwOptions {
    bool ClearWhenFull = true;  // false: go on with a full table, as some encoders do
};

// GIF's LZW.  The code size follows the decoder's view of the table, which is
// one entry behind the encoder's.
inline TBytes LzwEncode(const std::vector<std::uint8_t>& indices, int minCodeSize,
                        TLzwOptions options = {}) {
    const int clear = 1 << minCodeSize, end = clear + 1;
    TBytes out;
    std::uint32_t acc = 0;
    int bits = 0;
    int codeSize = minCodeSize + 1;
    int decoderNext = clear + 2;
    bool firstAfterClear = true;
    auto emit = [&](int code) {
        acc |= static_cast<std::uint32_t>(code) << bits;
        bits += codeSize;
        while (bits >= 8) {
            out.push_back(static_cast<std::uint8_t>(acc));
            acc >>= 8;
            bits -= 8;
        }
        if (code == clear) {
            codeSize = minCodeSize + 1;
            decoderNext = clear + 2;
            firstAfterClear = true;
            return;
        }
        if (!firstAfterClear && decoderNext < 4096) {
            ++decoderNext;
            if (decoderNext >= (1 << codeSize) && codeSize < 12) ++codeSize;
        }
        firstAfterClear = false;
    };

    std::unordered_map<std::uint32_t, int> table;  // (code << 8 | byte) -> longer string's code
    int next = 0;
    auto reset = [&] {
        table.clear();
        next = clear + 2;
    };
    reset();
    emit(clear);
    int w = -1;
    for (std::uint8_t c : indices) {
        if (w < 0) {
            w = c;
            continue;
        }
        const auto child = table.find(static_cast<std::uint32_t>(w) << 8 | c);
        if (child != table.end()) {
            w = child->second;
            continue;
        }
        emit(w);
        if (next < 4096) {
            table[static_cast<std::uint32_t>(w) << 8 | c] = next++;
        } else if (options.ClearWhenFull) {
            emit(clear);
            reset();
        }
        w = c;
    }
    if (w >= 0) emit(w);
    emit(end);
    if (bits > 0) out.push_back(static_cast<std::uint8_t>(acc));
    return out;
}

inline void PutSubBlocks(TBytes& out, const TBytes& data) {
    for (std::size_t i = 0; i < data.size(); i += 255) {
        const std::size_t n = std::min<std::size_t>(255, data.size() - i);
        out.push_back(static_cast<std::uint8_t>(n));
        out.insert(out.end(), data.begin() + i, data.begin() + i + n);
    }
    out.push_back(0);
}

inline int TableBits(std::size_t entries) {
    int n = 1;
    while ((std::size_t{2} << (n - 1)) < entries) ++n;
    return n;
}

inline void PutColorTable(TBytes& out, const std::vector<TColor32>& colors) {
    const std::size_t size = std::size_t{2} << (TableBits(colors.size()) - 1);
    for (std::size_t i = 0; i < size; ++i) {
        const TColor32 c = i < colors.size() ? colors[i] : 0;
        out.push_back(static_cast<std::uint8_t>(c >> 16));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
        out.push_back(static_cast<std::uint8_t>(c));
    }
}

inline std::vector<std::uint8_t> InterlaceOrder(const std::vector<std::uint8_t>& indices, int width,
                                                int height) {
    std::vector<std::uint8_t> out;
    static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = kStart[pass]; y < height; y += kStep[pass])
            out.insert(out.end(), indices.begin() + y * width, indices.begin() + (y + 1) * width);
    return out;
}

inline TBytes WriteGifFrame(const TGifFrameSpec& f, int globalBits, TLzwOptions options = {}) {
    TBytes out;
    if (f.Control) {
        for (std::uint8_t b : {0x21, 0xF9, 4}) out.push_back(b);
        out.push_back(static_cast<std::uint8_t>((f.Disposal << 2) | (f.Transparent >= 0 ? 1 : 0)));
        Put16(out, static_cast<unsigned>(f.DelayCs));
        out.push_back(static_cast<std::uint8_t>(f.Transparent >= 0 ? f.Transparent : 0));
        out.push_back(0);
    }
    out.push_back(0x2C);
    Put16(out, static_cast<unsigned>(f.Left));
    Put16(out, static_cast<unsigned>(f.Top));
    Put16(out, static_cast<unsigned>(f.Width));
    Put16(out, static_cast<unsigned>(f.Height));
    int bits = globalBits;
    std::uint8_t flags = f.Interlaced ? 0x40 : 0;
    if (!f.Local.empty()) {
        bits = TableBits(f.Local.size());
        flags |= static_cast<std::uint8_t>(0x80 | (bits - 1));
    }
    out.push_back(flags);
    if (!f.Local.empty()) PutColorTable(out, f.Local);
    const int minCodeSize = f.MinCodeSize ? f.MinCodeSize : std::max(2, bits);
    out.push_back(static_cast<std::uint8_t>(minCodeSize));
    const auto order = f.Interlaced ? InterlaceOrder(f.Indices, f.Width, f.Height) : f.Indices;
    PutSubBlocks(out, LzwEncode(order, minCodeSize, options));
    return out;
}

inline TBytes GifHeader(int width, int height, const std::vector<TColor32>& global) {
    TBytes out{'G', 'I', 'F', '8', '9', 'a'};
    Put16(out, static_cast<unsigned>(width));
    Put16(out, static_cast<unsigned>(height));
    out.push_back(global.empty() ? 0 : static_cast<std::uint8_t>(0x80 | (TableBits(global.size()) - 1)));
    out.push_back(0);
    out.push_back(0);
    if (!global.empty()) PutColorTable(out, global);
    return out;
}

inline TBytes NetscapeLoop(int count) {
    TBytes out{0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1};
    Put16(out, static_cast<unsigned>(count));
    out.push_back(0);
    return out;
}

inline TBytes WriteGif(int width, int height, const std::vector<TColor32>& global,
                       const std::vector<TGifFrameSpec>& frames, int loopCount = -1,
                       TLzwOptions options = {}) {
    TBytes out = GifHeader(width, height, global);
    if (loopCount >= 0) {
        const TBytes loop = NetscapeLoop(loopCount);
        out.insert(out.end(), loop.begin(), loop.end());
    }
    const int globalBits = global.empty() ? 1 : TableBits(global.size());
    for (const auto& f : frames) {
        const TBytes frame = WriteGifFrame(f, globalBits, options);
        out.insert(out.end(), frame.begin(), frame.end());
    }
    out.push_back(0x3B);
    return out;
}

// ---- ICO ------------------------------------------------------------------

struct TIconImage {
    TBytes Data;  // a bare bitmap (header of twice the height, rows, AND mask) or a PNG
    int Width = 0, Height = 0, BitCount = 0;  // as the directory states them
};

inline TBytes WriteIco(const std::vector<TIconImage>& images) {
    TBytes out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, static_cast<unsigned>(images.size()));
    std::size_t offset = 6 + 16 * images.size();
    for (const auto& im : images) {
        out.push_back(static_cast<std::uint8_t>(im.Width >= 256 ? 0 : im.Width));
        out.push_back(static_cast<std::uint8_t>(im.Height >= 256 ? 0 : im.Height));
        out.push_back(0);
        out.push_back(0);
        Put16(out, 1);
        Put16(out, static_cast<unsigned>(im.BitCount));
        Put32(out, static_cast<std::uint32_t>(im.Data.size()));
        Put32(out, static_cast<std::uint32_t>(offset));
        offset += im.Data.size();
    }
    for (const auto& im : images) out.insert(out.end(), im.Data.begin(), im.Data.end());
    return out;
}

// A bitmap icon image: colour rows from value(x, y), then the AND mask from
// mask(x, y) (true: transparent).
inline TIconImage IconBitmap(int width, int height, int bitCount, std::vector<TColor32> palette,
                             const TPixelValue& value, const std::function<bool(int, int)>& mask) {
    TBmpLayout s;
    s.Width = width;
    s.Height = height;
    s.BitCount = bitCount;
    s.Palette = std::move(palette);
    if (bitCount <= 8 && s.Palette.size() < (std::size_t{1} << bitCount))
        s.ColorsUsed = static_cast<std::uint32_t>(s.Palette.size());
    TIconImage im;
    im.Width = width;
    im.Height = height;
    im.BitCount = bitCount;
    im.Data = WriteDibHeader(s, height * 2);
    const TBytes rows = WriteDibBits(width, height, bitCount, false, value);
    const TBytes andMask = WriteDibBits(width, height, 1, false,
                                        [&](int x, int y) { return mask(x, y) ? 1u : 0u; });
    im.Data.insert(im.Data.end(), rows.begin(), rows.end());
    im.Data.insert(im.Data.end(), andMask.begin(), andMask.end());
    return im;
}

}  // namespace vexil::test
