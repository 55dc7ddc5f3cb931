// Loading skin pictures from files: the format is chosen by the file's
// extension, except for the pictures a skin always gives as bitmaps.
#include "skin/Picture.h"

#include <fstream>
#include <vector>

#include "base/FileNames.h"
#include "base/Text.h"

namespace vexil {

namespace {

// The text after the last '.', lower-cased; a skin value of "none" gives a path
// without one, which no format claims.
std::string Extension(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos) return std::string();
    return LowerCase(path.substr(dot + 1));
}

}  // namespace

std::vector<std::uint8_t> ReadPictureFile(const std::string& path) {
    std::ifstream in(FilePath(path), std::ios::binary);
    if (!in) throw EPictureError("Cannot open file \"" + path + "\".");
    std::vector<std::uint8_t> bytes;
    // Read in blocks up to one byte past the bound: the size a file reports
    // may change under us, what was read may not.
    char block[64 * 1024];
    while (in && bytes.size() <= kMaxPictureFileBytes) {
        in.read(block, sizeof block);
        bytes.insert(bytes.end(), block, block + in.gcount());
    }
    if (in.bad()) throw EPictureError("Cannot read file \"" + path + "\".");
    if (bytes.size() > kMaxPictureFileBytes)
        throw EPictureError("File \"" + path + "\" is too large for a picture.");
    return bytes;
}

TPicture LoadPictureFile(const std::string& path, const TMetafileLoader& metafiles) {
    const std::string ext = Extension(path);
    TPicture (*decode)(const std::uint8_t*, std::size_t) = nullptr;
    if (ext == "bmp")
        decode = DecodeBmp;
    else if (ext == "gif")
        decode = DecodeGif;
    else if (ext == "ico")
        decode = DecodeIco;
    else if (ext == "wmf" || ext == "emf") {
        if (!metafiles) throw EPictureError("Metafiles cannot be shown here: \"" + path + "\".");
        TPicture picture = metafiles(path);
        picture.Format = TPictureFormat::Metafile;
        return picture;
    } else {
        throw EPictureError("Unknown picture file extension (." + ext + ") in \"" + path + "\".");
    }
    const std::vector<std::uint8_t> bytes = ReadPictureFile(path);
    return decode(bytes.data(), bytes.size());
}

TPicture LoadBitmapFile(const std::string& path) {
    const std::vector<std::uint8_t> bytes = ReadPictureFile(path);
    return DecodeBmp(bytes.data(), bytes.size());
}

}  // namespace vexil
