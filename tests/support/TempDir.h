// A temporary directory for tests that deletes itself, and exact-byte file
// helpers (no newline translation, so CR and LF stay what the test wrote).
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "base/FileNames.h"
#include "platform/Platform.h"

namespace vexil::test {

class TTempDir {
public:
    TTempDir() {
        namespace fs = std::filesystem;
        static std::atomic<unsigned> counter{0};
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        for (int attempt = 0; attempt < 100; ++attempt) {
            const fs::path candidate =
                fs::temp_directory_path() / ("vexil-test-" + std::to_string(stamp) + "-" +
                                             std::to_string(counter++));
            if (fs::create_directory(candidate)) {
                path_ = FileNameText(candidate) + kPathDelim;
                return;
            }
        }
        throw std::runtime_error("cannot create a temporary directory");
    }
    ~TTempDir() {
        std::error_code ec;
        std::filesystem::remove_all(FilePath(path_), ec);
    }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    // The directory, ending with a separator (as the program's own directory).
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

inline void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(FilePath(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

inline bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(FilePath(path), ec);
}

inline std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(FilePath(path), std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace vexil::test
