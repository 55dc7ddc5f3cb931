// Icon (ICO) decoding for skin pictures.  An icon file holds several images; a
// skin shows one, so the largest and then the deepest is taken.  Each image is a
// bare bitmap of twice the icon's height: the colour rows, then a 1-bit AND mask
// whose set bits are transparent.
#include <cstdint>
#include <utility>

#include "skin/BmpDib.h"
#include "skin/Picture.h"

namespace vexil {

namespace {

const char* const kIcoError = "Icon image is not valid.";
const char* const kPngIconError = "PNG icons are not supported.";

bool IsPng(const TPictureBytes& b, std::size_t at) {
    static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (!b.Has(at, 8)) return false;
    const std::uint8_t* p = b.At(at, 8);
    for (int i = 0; i < 8; ++i)
        if (p[i] != kSignature[i]) return false;
    return true;
}

struct TCandidate {
    std::size_t Offset = 0;
    TDibHeader Header;
};

bool Better(const TDibHeader& a, const TDibHeader& b) {
    const long long areaA = static_cast<long long>(a.Width) * a.Height;
    const long long areaB = static_cast<long long>(b.Width) * b.Height;
    if (areaA != areaB) return areaA > areaB;
    return a.BitCount > b.BitCount;
}

// 32-bit icons carry their own alpha and then ignore the AND mask, unless every
// alpha byte is 0: old writers left it so and meant the mask to apply.
bool HasUsableAlpha(const TDibHeader& h, const TImage32& image) {
    if (h.BitCount != 32 || !h.HasAlphaMask) return false;
    for (TColor32 c : image.Pixels())
        if ((c >> 24) != 0) return true;
    return false;
}

}  // namespace

TPicture DecodeIco(const std::uint8_t* data, std::size_t size) {
    const TPictureBytes b(data, size, kIcoError);
    const std::uint16_t type = b.U16(2);
    if (b.U16(0) != 0 || (type != 1 && type != 2)) b.Fail();  // icons and cursors
    const std::size_t count = b.U16(4);
    if (count == 0) b.Fail();
    b.At(6, count * 16);

    // The directory's own sizes and depths are often wrong; each image's
    // header is the one that counts.  Images that lie outside the file or do
    // not parse are passed over while another one is usable.
    bool sawPng = false, found = false;
    TCandidate best;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t offset = b.U32(6 + 16 * i + 12);
        if (IsPng(b, offset)) {
            sawPng = true;
            continue;
        }
        TDibHeader header;
        try {
            header = ReadDibHeader(b, offset, 2, 0);
        } catch (const EPictureError&) {
            continue;
        }
        if (header.Compression != kBiRgb && header.Compression != kBiBitfields &&
            header.Compression != kBiAlphaBitfields)
            continue;
        if (!found || Better(header, best.Header)) {
            best.Offset = offset;
            best.Header = std::move(header);
            found = true;
        }
    }
    if (!found) throw EPictureError(sawPng ? kPngIconError : kIcoError);

    const TDibHeader& h = best.Header;
    TImage32 image = DecodeDibPixels(b, h, h.End, true);

    if (HasUsableAlpha(h, image)) {
        for (int y = 0; y < image.Height(); ++y) {
            TColor32* row = image.Row(y);
            for (int x = 0; x < image.Width(); ++x)
                row[x] = (row[x] & 0x00FFFFFFu) | ((row[x] >> 24) < 128 ? 0u : kOpaque);
        }
    } else {
        const std::size_t maskAt =
            h.End + DibStride(h.Width, h.BitCount) * static_cast<std::size_t>(h.Height);
        const std::size_t stride = DibStride(h.Width, 1);
        const std::size_t need = stride * (h.Height - 1) + (h.Width + 7) / 8;
        if (maskAt < h.End) b.Fail();
        const std::uint8_t* mask = b.At(maskAt, need);
        for (int r = 0; r < h.Height; ++r) {
            const std::uint8_t* bits = mask + static_cast<std::size_t>(r) * stride;
            TColor32* row = image.Row(h.TopDown ? r : h.Height - 1 - r);
            for (int x = 0; x < h.Width; ++x) {
                const bool clear = (bits[x >> 3] >> (7 - (x & 7))) & 1u;
                row[x] = (row[x] & 0x00FFFFFFu) | (clear ? 0u : kOpaque);
            }
        }
    }

    TPicture picture;
    picture.Format = TPictureFormat::Ico;
    picture.Frames.push_back(std::move(image));
    picture.DelaysMs.push_back(0);
    return picture;
}

}  // namespace vexil
