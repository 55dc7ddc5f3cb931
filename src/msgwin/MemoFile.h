// The notepad's files: what the message window's text area opens and saves.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "base/FileReplace.h"

namespace vexil {

// The largest file the notepad opens.
constexpr size_t kMaxMemoBytes = 16 * 1024 * 1024;

// A file the notepad could not read: the text names the file and the reason.
class EMemoReadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes lines (UTF-8), each followed by CR LF, replacing path whole: a write
// that fails raises EFileWriteError and leaves the old file as it was.
void WriteMemo(const std::string& path, const std::vector<std::string>& lines);

// The lines of a text file in UTF-8: taken as UTF-8 when it is valid UTF-8
// (a byte order mark dropped), else as the system's code page.  CR LF, LF and
// CR each end a line.  A file that cannot be opened or read, or is larger
// than kMaxMemoBytes, raises EMemoReadError.
std::vector<std::string> ReadMemo(const std::string& path);

}  // namespace vexil
