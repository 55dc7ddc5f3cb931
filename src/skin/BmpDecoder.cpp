// Windows bitmap (BMP) decoding, and the bare bitmaps that icons hold.  Skins
// were drawn with every paint program of the last decades, so all the header
// kinds and pixel formats GDI reads are read here; alpha is ignored as GDI does
// when it blits a skin.
#include "skin/BmpDib.h"

#include <cstdint>

#include "skin/Picture.h"

namespace vexil {

namespace {

const char* const kBmpError = "Bitmap image is not valid.";

bool IsContiguous(std::uint32_t mask) {
    if (mask == 0) return true;
    while ((mask & 1u) == 0) mask >>= 1;
    return (mask & (mask + 1u)) == 0;
}

// One colour channel of a 16- or 32-bit pixel, widened to 0..255 so that a
// full 5-bit magenta still compares equal to the skins' transparent colour.
class TChannel {
public:
    explicit TChannel(std::uint32_t mask) : mask_(mask) {
        if (mask_ == 0) return;
        while (((mask_ >> shift_) & 1u) == 0) ++shift_;
        max_ = mask_ >> shift_;
    }
    bool Present() const { return mask_ != 0; }
    unsigned operator()(std::uint32_t pixel) const {
        if (max_ == 0) return 0;
        const std::uint64_t v = (pixel & mask_) >> shift_;
        return static_cast<unsigned>((v * 255u + max_ / 2) / max_);
    }

private:
    std::uint32_t mask_;
    int shift_ = 0;
    std::uint64_t max_ = 0;
};

bool KnownInfoHeader(std::uint32_t size) {
    switch (size) {
        case 40:   // BITMAPINFOHEADER
        case 52:   // with RGB masks
        case 56:   // with RGBA masks
        case 64:   // OS/2 2.x
        case 108:  // BITMAPV4HEADER
        case 124:  // BITMAPV5HEADER
            return true;
        default:
            return false;
    }
}

bool ValidDepth(const TDibHeader& h) {
    switch (h.Compression) {
        case kBiRgb:
            return h.BitCount == 1 || h.BitCount == 4 || h.BitCount == 8 || h.BitCount == 16 ||
                   h.BitCount == 24 || h.BitCount == 32;
        case kBiRle8:
            return h.BitCount == 8 && !h.TopDown;
        case kBiRle4:
            return h.BitCount == 4 && !h.TopDown;
        case kBiBitfields:
        case kBiAlphaBitfields:
            // OS/2 2.x gives these numbers to its own compressions.
            return (h.BitCount == 16 || h.BitCount == 32) && h.HeaderSize != 64;
        default:
            return false;  // JPEG, PNG and OS/2 Huffman/RLE24 in a bitmap
    }
}

void ReadMasks(const TPictureBytes& b, std::size_t at, TDibHeader& h, std::size_t& end) {
    if (h.BitCount == 16) {
        h.Masks[0] = 0x7C00;
        h.Masks[1] = 0x03E0;
        h.Masks[2] = 0x001F;
    } else if (h.BitCount == 32) {
        h.Masks[0] = 0x00FF0000;
        h.Masks[1] = 0x0000FF00;
        h.Masks[2] = 0x000000FF;
        h.Masks[3] = 0xFF000000;
        h.HasAlphaMask = true;
    }
    if (h.Compression != kBiBitfields && h.Compression != kBiAlphaBitfields) return;

    const int count = h.Compression == kBiAlphaBitfields ? 4 : 3;
    std::size_t masksAt = at + 40;
    if (h.HeaderSize == 40) end += 4 * count;  // masks follow the short header
    for (int i = 0; i < count; ++i) h.Masks[i] = b.U32(masksAt + 4 * i);
    if (count == 3) {
        // Only the larger headers have room for an alpha mask.
        h.Masks[3] = h.HeaderSize >= 56 ? b.U32(masksAt + 12) : 0;
    }
    h.HasAlphaMask = h.Masks[3] != 0;

    const std::uint64_t limit = h.BitCount == 16 ? 0xFFFFu : 0xFFFFFFFFu;
    for (std::uint32_t mask : h.Masks) {
        if (mask > limit || !IsContiguous(mask)) b.Fail();
    }
}

}  // namespace

std::size_t DibStride(int width, int bitCount) {
    return ((static_cast<std::size_t>(width) * bitCount + 31) / 32) * 4;
}

TDibHeader ReadDibHeader(const TPictureBytes& b, std::size_t at, int heightDivisor,
                         std::size_t paletteEnd) {
    TDibHeader h;
    h.HeaderSize = b.U32(at);
    std::int64_t width = 0, height = 0;
    std::size_t entrySize = 4;
    std::uint32_t colorsUsed = 0;
    if (h.HeaderSize == 12) {  // OS/2 1.x BITMAPCOREHEADER: 16-bit sizes, 3-byte colours
        width = b.U16(at + 4);
        height = b.U16(at + 6);
        h.BitCount = b.U16(at + 10);
        entrySize = 3;
    } else if (KnownInfoHeader(h.HeaderSize)) {
        b.At(at, h.HeaderSize);
        width = b.I32(at + 4);
        height = b.I32(at + 8);
        h.BitCount = b.U16(at + 14);
        h.Compression = b.U32(at + 16);
        h.SizeImage = b.U32(at + 20);
        colorsUsed = b.U32(at + 32);
    } else {
        b.Fail();
    }

    if (height < 0) {
        h.TopDown = true;
        height = -height;
    }
    height /= heightDivisor;
    if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide ||
        static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > kMaxPicturePixels)
        b.Fail();
    h.Width = static_cast<int>(width);
    h.Height = static_cast<int>(height);
    if (!ValidDepth(h)) b.Fail();

    std::size_t end = at + h.HeaderSize;
    if (h.HeaderSize != 12) ReadMasks(b, at, h, end);

    // The colour table: the full 2^n entries unless the header names fewer; a
    // table of a deeper bitmap is skipped, never used.
    std::uint64_t entries = colorsUsed;
    if (h.BitCount <= 8) {
        const std::uint64_t full = std::uint64_t{1} << h.BitCount;
        if (entries == 0 || entries > full) entries = full;
    }
    if (paletteEnd != 0) {
        if (paletteEnd < end) b.Fail();
        const std::uint64_t room = (paletteEnd - end) / entrySize;
        if (entries > room) entries = room;
    }
    if (entries > b.Size() / entrySize) b.Fail();
    const std::uint8_t* table = b.At(end, static_cast<std::size_t>(entries) * entrySize);
    if (h.BitCount <= 8) {
        h.Palette.reserve(static_cast<std::size_t>(entries));
        for (std::size_t i = 0; i < entries; ++i) {
            const std::uint8_t* e = table + i * entrySize;
            h.Palette.push_back(Rgb(e[2], e[1], e[0]));
        }
    }
    h.End = end + static_cast<std::size_t>(entries) * entrySize;
    return h;
}

namespace {

// An index past a short colour table shows black, as GDI does.
inline TColor32 PaletteColor(const TDibHeader& h, unsigned index) {
    return index < h.Palette.size() ? h.Palette[index] : kOpaque;
}

// Run-length encoded 8- and 4-bit bitmaps.  Pixels that the runs skip (deltas,
// early ends of line) keep index 0, as in a freshly created bitmap of that
// depth.  A run that passes the end of its row, or data that ends before the
// last row, make the file invalid.
void DecodeRle(const TPictureBytes& b, const TDibHeader& h, std::size_t pos, TImage32& image) {
    image.Fill(PaletteColor(h, 0));
    const bool rle4 = h.Compression == kBiRle4;
    const int width = h.Width, height = h.Height;
    int x = 0, row = 0;  // row counts from the bottom
    auto put = [&](unsigned index) {
        image.SetPixel(x, height - 1 - row, PaletteColor(h, index));
        ++x;
    };
    while (row < height) {
        const unsigned count = b.U8(pos), value = b.U8(pos + 1);
        pos += 2;
        if (count != 0) {
            if (count > static_cast<unsigned>(width - x)) b.Fail();
            for (unsigned i = 0; i < count; ++i)
                put(rle4 ? ((i & 1u) ? value & 0x0Fu : value >> 4) : value);
        } else if (value == 0) {  // end of line
            x = 0;
            ++row;
        } else if (value == 1) {  // end of bitmap
            break;
        } else if (value == 2) {  // delta
            const unsigned dx = b.U8(pos), dy = b.U8(pos + 1);
            pos += 2;
            if (dx > static_cast<unsigned>(width - x)) b.Fail();
            x += static_cast<int>(dx);
            row += static_cast<int>(dy);
        } else {  // absolute run, padded to a 16-bit boundary
            const unsigned n = value;
            if (n > static_cast<unsigned>(width - x)) b.Fail();
            const std::size_t bytes = rle4 ? (n + 1) / 2 : n;
            const std::uint8_t* p = b.At(pos, bytes);
            for (unsigned i = 0; i < n; ++i)
                put(rle4 ? ((i & 1u) ? p[i / 2] & 0x0Fu : p[i / 2] >> 4) : p[i]);
            pos += (bytes + 1) & ~std::size_t{1};
        }
    }
}

}  // namespace

TImage32 DecodeDibPixels(const TPictureBytes& b, const TDibHeader& h, std::size_t bitsAt,
                         bool keepAlpha) {
    TImage32 image(h.Width, h.Height, kOpaque);
    if (h.Compression == kBiRle8 || h.Compression == kBiRle4) {
        DecodeRle(b, h, bitsAt, image);
        return image;
    }

    const std::size_t stride = DibStride(h.Width, h.BitCount);
    // The last row's padding may be missing; its pixels may not.
    const std::size_t lastRow = (static_cast<std::size_t>(h.Width) * h.BitCount + 7) / 8;
    const std::uint64_t need = static_cast<std::uint64_t>(stride) * (h.Height - 1) + lastRow;
    if (need > b.Size()) b.Fail();
    const std::uint8_t* bits = b.At(bitsAt, static_cast<std::size_t>(need));

    const TChannel red(h.Masks[0]), green(h.Masks[1]), blue(h.Masks[2]), alpha(h.Masks[3]);
    const bool useAlpha = keepAlpha && h.HasAlphaMask;

    for (int r = 0; r < h.Height; ++r) {
        const std::uint8_t* src = bits + static_cast<std::size_t>(r) * stride;
        TColor32* dst = image.Row(h.TopDown ? r : h.Height - 1 - r);
        switch (h.BitCount) {
            case 1:
                for (int x = 0; x < h.Width; ++x)
                    dst[x] = PaletteColor(h, (src[x >> 3] >> (7 - (x & 7))) & 1u);
                break;
            case 4:
                for (int x = 0; x < h.Width; ++x)
                    dst[x] = PaletteColor(h, (x & 1) ? src[x >> 1] & 0x0Fu : src[x >> 1] >> 4);
                break;
            case 8:
                for (int x = 0; x < h.Width; ++x) dst[x] = PaletteColor(h, src[x]);
                break;
            case 24:
                for (int x = 0; x < h.Width; ++x, src += 3) dst[x] = Rgb(src[2], src[1], src[0]);
                break;
            case 16:
            case 32: {
                const int step = h.BitCount / 8;
                for (int x = 0; x < h.Width; ++x, src += step) {
                    std::uint32_t v = src[0] | (src[1] << 8);
                    if (step == 4)
                        v |= (static_cast<std::uint32_t>(src[2]) << 16) |
                             (static_cast<std::uint32_t>(src[3]) << 24);
                    TColor32 c = Rgb(red(v), green(v), blue(v));
                    if (useAlpha) c = (c & 0x00FFFFFFu) | (static_cast<TColor32>(alpha(v)) << 24);
                    dst[x] = c;
                }
                break;
            }
            default:
                b.Fail();
        }
    }
    return image;
}

TPicture DecodeBmp(const std::uint8_t* data, std::size_t size) {
    const TPictureBytes b(data, size, kBmpError);
    if (!b.Has(0, 14) || data[0] != 'B' || data[1] != 'M') b.Fail();
    const std::uint32_t bitsOffset = b.U32(10);

    // A zero offset is a careless writer's way of saying "right after the
    // colour table"; any other offset is taken at its word.
    const TDibHeader header = ReadDibHeader(b, 14, 1, bitsOffset);
    const std::size_t bitsAt = bitsOffset == 0 ? header.End : bitsOffset;

    TPicture picture;
    picture.Format = TPictureFormat::Bmp;
    picture.Monochrome = header.BitCount == 1;
    picture.Frames.push_back(DecodeDibPixels(b, header, bitsAt, false));
    picture.DelaysMs.push_back(0);
    return picture;
}

}  // namespace vexil
