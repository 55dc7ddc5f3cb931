// The notepad's files: UTF-8 written whole, read back in either encoding, and
// failures that name the file.
#include "msgwin/MemoFile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/TempDir.h"

namespace vexil {
namespace {

using test::ReadFileBytes;
using test::TTempDir;
using test::WriteFileBytes;

TEST(MemoFile, WrittenAsUtf8LinesAndReadBack) {
    TTempDir dir;
    const std::string path = dir.File("note.txt");
    const std::vector<std::string> lines = {"caf\xC3\xA9", "", "\xE6\x97\xA5\xE6\x9C\xAC"};
    WriteMemo(path, lines);
    EXPECT_EQ(ReadFileBytes(path), "caf\xC3\xA9\r\n\r\n\xE6\x97\xA5\xE6\x9C\xAC\r\n");
    EXPECT_EQ(ReadMemo(path), lines);
}

TEST(MemoFile, ReadsEitherEncodingAndAnyLineEnd) {
    TTempDir dir;
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"a\nb\rc\r\nd", {"a", "b", "c", "d"}},
        {"\xEF\xBB\xBFna\xC3\xAFve\r\n", {"na\xC3\xAFve"}},     // UTF-8 with its mark
        {"na\xEFve\r\ncaf\xE9", {"na\xC3\xAFve", "caf\xC3\xA9"}},  // the system's code page
        {"", {}},
        {"\r\n\r\n", {"", ""}},
    };
    for (const auto& [bytes, lines] : cases) {
        WriteFileBytes(dir.File("in.txt"), bytes);
        EXPECT_EQ(ReadMemo(dir.File("in.txt")), lines) << bytes;
    }
}

TEST(MemoFile, FailuresNameTheFileAndLoseNothing) {
    TTempDir dir;
    const std::string path = dir.File("keep.txt");
    WriteFileBytes(path, "old note\r\n");
    std::filesystem::create_directory(path + ".tmp");  // in the way of the write
    try {
        WriteMemo(path, {"new"});
        FAIL() << "no error";
    } catch (const EFileWriteError& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadFileBytes(path), "old note\r\n");

    try {
        ReadMemo(dir.File("missing.txt"));
        FAIL() << "no error";
    } catch (const EMemoReadError& e) {
        EXPECT_NE(std::string(e.what()).find("missing.txt"), std::string::npos) << e.what();
    }
    EXPECT_THROW(ReadMemo(dir.Path()), EMemoReadError);  // a folder
}

}  // namespace
}  // namespace vexil
