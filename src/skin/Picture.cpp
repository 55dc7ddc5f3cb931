// Loading skin pictures from files: the format is chosen by the file's
// extension, except for the pictures a skin always gives as bitmaps.
#include "skin/Picture.h"

#include <fstream>
#include <iterator>
#include <vector>

#include "base/Text.h"

namespace vexil {

namespace {

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EPictureError("Cannot open file \"" + path + "\".");
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (in.bad()) throw EPictureError("Cannot read file \"" + path + "\".");
    return bytes;
}

// The text after the last '.', lower-cased; a skin value of "none" gives a path
// without one, which no format claims.
std::string Extension(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos) return std::string();
    return LowerCase(path.substr(dot + 1));
}

}  // namespace

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
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    return decode(bytes.data(), bytes.size());
}

TPicture LoadBitmapFile(const std::string& path) {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    return DecodeBmp(bytes.data(), bytes.size());
}

}  // namespace vexil
