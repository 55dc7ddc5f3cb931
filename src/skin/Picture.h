// Picture files of the skins: BMP, GIF (animated ones included) and ICO are
// decoded here; metafiles (WMF, EMF) only through the platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "skin/Image.h"

namespace vexil {

// Decoders over bytes in memory.  Every size and offset is checked against the
// data: a truncated or hostile file raises EPictureError, never reads out of
// bounds.
TPicture DecodeBmp(const std::uint8_t* data, std::size_t size);
TPicture DecodeGif(const std::uint8_t* data, std::size_t size);
TPicture DecodeIco(const std::uint8_t* data, std::size_t size);

// No skin picture is larger: a bigger file is refused before it is read, so a
// hostile skin cannot make the program hold gigabytes (nor hand a size past
// 32 bits to the system's decoders).
constexpr std::size_t kMaxPictureFileBytes = std::size_t(64) << 20;

// A picture file's bytes; raises EPictureError when it cannot be read or is
// larger than kMaxPictureFileBytes.
std::vector<std::uint8_t> ReadPictureFile(const std::string& path);

// Renders a WMF or EMF file; supplied by the platform (absent natively).
using TMetafileLoader = std::function<TPicture(const std::string& path)>;

// Reads a picture by its extension ("bmp", "gif", "ico", "wmf", "emf", any
// case); any other extension, or a file that cannot be read, raises EPictureError.
TPicture LoadPictureFile(const std::string& path, const TMetafileLoader& metafiles = {});

// Reads a file as a Windows bitmap whatever its extension (backgrounds, fonts).
TPicture LoadBitmapFile(const std::string& path);

}  // namespace vexil
