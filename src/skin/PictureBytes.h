// Bounds-checked little-endian reads over a picture file held in memory, shared
// by the BMP, GIF and ICO decoders.  Every read that would leave the data raises
// the decoder's own EPictureError text, so no decoder has to trust a size field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "skin/Image.h"

namespace vexil {

// Pictures larger than this are refused: skins are small, and a hostile header
// must not make us allocate gigabytes.
constexpr int kMaxPictureSide = 16384;
constexpr std::size_t kMaxPicturePixels = std::size_t{1} << 24;

class TPictureBytes {
public:
    TPictureBytes(const std::uint8_t* data, std::size_t size, const char* errorText)
        : data_(data), size_(data ? size : 0), error_(errorText) {}

    std::size_t Size() const { return size_; }
    const char* ErrorText() const { return error_; }

    // True when count bytes start at offset, without overflowing size_t.
    bool Has(std::size_t offset, std::size_t count) const {
        return offset <= size_ && count <= size_ - offset;
    }
    const std::uint8_t* At(std::size_t offset, std::size_t count) const {
        if (!Has(offset, count)) Fail();
        return data_ + offset;
    }

    std::uint8_t U8(std::size_t offset) const { return *At(offset, 1); }
    std::uint16_t U16(std::size_t offset) const {
        const std::uint8_t* p = At(offset, 2);
        return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
    }
    std::uint32_t U32(std::size_t offset) const {
        const std::uint8_t* p = At(offset, 4);
        return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
               (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    }
    std::int32_t I32(std::size_t offset) const { return static_cast<std::int32_t>(U32(offset)); }

    [[noreturn]] void Fail() const { throw EPictureError(error_); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    const char* error_;
};

}  // namespace vexil
