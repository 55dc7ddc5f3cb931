// Whole-file replacement: the new text goes to a temporary file beside the
// target, which replaces the target only once it is complete.
#include "base/FileReplace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/FileNames.h"

namespace vexil {

namespace {

[[noreturn]] void Fail(const std::string& path, const std::string& why) {
    throw EFileWriteError("Cannot write the file " + path + ": " + why);
}

}  // namespace

void ReplaceFileWhole(const std::string& path, const std::string& text) {
    namespace fs = std::filesystem;
    const std::string temp = path + ".tmp";
    const fs::path target = FilePath(path), tempName = FilePath(temp);
    std::error_code ec;
    // Never overwrite or delete something that is not a leftover file of ours.
    const fs::file_status existing = fs::symlink_status(tempName, ec);
    if (fs::exists(existing) && !fs::is_regular_file(existing)) Fail(path, temp + " is in the way");

    errno = 0;
    std::FILE* f = OpenFile(temp, "wb");
    if (!f) Fail(path, "cannot create " + temp + " (" + std::strerror(errno) + ")");
    errno = 0;
    bool ok = text.empty() || std::fwrite(text.data(), 1, text.size(), f) == text.size();
    ok = std::fflush(f) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        const std::string why = errno ? std::strerror(errno) : "the disk may be full";
        fs::remove(tempName, ec);
        Fail(path, "writing " + temp + " failed (" + why + ")");
    }
    fs::rename(tempName, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(tempName, ignored);
        Fail(path, ec.message());
    }
}

}  // namespace vexil
