// File names kept as UTF-8, handed to the system as its wide strings.
#include "base/FileNames.h"

#include <cerrno>
#include <system_error>

namespace vexil {

namespace fs = std::filesystem;

fs::path FilePath(const std::string& utf8) { return fs::u8path(utf8); }

std::string FileNameText(const fs::path& path) {
    const auto text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::FILE* OpenFile(const std::string& utf8, const char* mode) {
#ifdef _WIN32
    // The C runtime's fopen takes the ANSI code page; its wide twin does not.
    const fs::path name = FilePath(utf8);
    std::wstring wideMode;
    for (const char* m = mode; *m; ++m) wideMode += static_cast<wchar_t>(*m);
    return _wfopen(name.c_str(), wideMode.c_str());
#else
    return std::fopen(utf8.c_str(), mode);
#endif
}

bool RemoveFile(const std::string& utf8) {
    std::error_code ec;
    const fs::path name = FilePath(utf8);
    if (fs::is_directory(fs::symlink_status(name, ec))) return false;
    return fs::remove(name, ec) && !ec;
}

}  // namespace vexil
