// The device-independent bitmap inside BMP files and icons: an info header, an
// optional set of colour masks, a colour table and the pixel rows.  BMP files
// put a file header in front of it; icons store it bare, with an AND mask after
// the pixel rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "skin/Image.h"
#include "skin/PictureBytes.h"

namespace vexil {

enum : std::uint32_t {
    kBiRgb = 0,
    kBiRle8 = 1,
    kBiRle4 = 2,
    kBiBitfields = 3,
    kBiAlphaBitfields = 6,
};

struct TDibHeader {
    std::uint32_t HeaderSize = 0;
    int Width = 0;
    int Height = 0;  // of the picture, already halved for icons
    bool TopDown = false;
    int BitCount = 0;
    std::uint32_t Compression = kBiRgb;
    std::uint32_t SizeImage = 0;
    std::uint32_t Masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha (16 and 32 bits)
    bool HasAlphaMask = false;
    std::vector<TColor32> Palette;
    std::size_t End = 0;  // first byte after header, masks and colour table
};

// Reads the header at offset `at`.  An icon stores twice the picture's height
// (colour rows, then mask rows): pass heightDivisor 2.  paletteEnd, when not 0,
// is where the pixel data starts; a colour table is cut short there, as writers
// of short palettes expect.
TDibHeader ReadDibHeader(const TPictureBytes& bytes, std::size_t at, int heightDivisor,
                         std::size_t paletteEnd);

// Bytes in one stored row of `width` pixels of `bitCount` bits (rows are padded
// to four bytes).
std::size_t DibStride(int width, int bitCount);

// Decodes the pixel data at bitsAt into a top-down picture.  With keepAlpha the
// fourth byte of 32-bit pixels (or the alpha mask) is kept as it is; otherwise
// every pixel is opaque.
TImage32 DecodeDibPixels(const TPictureBytes& bytes, const TDibHeader& header, std::size_t bitsAt,
                         bool keepAlpha);

}  // namespace vexil
