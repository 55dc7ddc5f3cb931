// Writing a file whole or not at all.
#pragma once

#include <stdexcept>
#include <string>

namespace vexil {

// A file that could not be written: the text names the file and the reason.
// The old file is then untouched.
class EFileWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes text to path + ".tmp" and only then moves it over path, so a full
// disk or a failed write never leaves a shortened file.  A ".tmp" in the way
// that is not a plain file is left alone and the write fails.
void ReplaceFileWhole(const std::string& path, const std::string& text);

}  // namespace vexil
