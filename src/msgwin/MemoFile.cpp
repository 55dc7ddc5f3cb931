// Notepad files in UTF-8, written whole or not at all.
#include "msgwin/MemoFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/Charsets.h"
#include "base/FileNames.h"
#include "base/Text.h"

namespace vexil {

void WriteMemo(const std::string& path, const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    ReplaceFileWhole(path, text);
}

std::vector<std::string> ReadMemo(const std::string& path) {
    errno = 0;
    std::FILE* f = OpenFile(path, "rb");
    if (!f) throw EMemoReadError("Cannot open the file " + path + " (" + std::strerror(errno) + ")");
    std::string bytes;
    char buf[65536];
    size_t n;
    bool tooLarge = false;
    while (!tooLarge && (n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        bytes.append(buf, n);
        tooLarge = bytes.size() > kMaxMemoBytes;
    }
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) throw EMemoReadError("Cannot read the file " + path);
    if (tooLarge)
        throw EMemoReadError("The file " + path + " is too large for the notepad (more than " +
                             std::to_string(kMaxMemoBytes / (1024 * 1024)) + " MB)");

    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
    return SplitLines(IsValidUtf8(bytes) ? bytes : ToUtf8(bytes, ""));
}

}  // namespace vexil
