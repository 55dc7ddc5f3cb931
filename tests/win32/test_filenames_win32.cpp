// Files in a folder named in two scripts at once, which no code page holds:
// every way the program writes, reads, lists, copies or removes a file must
// reach the file of that name, seen through the system's wide calls.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/FileNames.h"
#include "base/FileReplace.h"
#include "config/IniFile.h"
#include "config/Settings.h"
#include "config/SettingsWriter.h"
#include "msgwin/MemoFile.h"
#include "pop3/WireMessage.h"
#include "skin/Picture.h"
#include "support/FakeMessages.h"
#include "support/TempDir.h"
#include "win32/WideText.h"

namespace vexil {
namespace {

// "Почта Ωmega": Cyrillic and Greek.
const std::string kFolder = "\xD0\x9F\xD0\xBE\xD1\x87\xD1\x82\xD0\xB0 \xCE\xA9mega";
// "日記.txt"
const std::string kMemoName = "\xE6\x97\xA5\xE8\xA8\x98.txt";

// The names in dir as the system lists them, in UTF-8.
std::vector<std::string> ListedNames(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found{};
    HANDLE h = FindFirstFileW(ToWide(dir + "\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = FromWide(found.cFileName);
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileW(h, &found));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

class FileNamesWin32 : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDirectoryW(ToWide(dir).c_str(), nullptr));
        ASSERT_EQ(ListedNames(temp.Path().substr(0, temp.Path().size() - 1)),
                  std::vector<std::string>{kFolder});
    }
    std::string In(const std::string& name) const { return dir + "\\" + name; }

    test::TTempDir temp;
    const std::string dir = temp.Path() + kFolder;
};

TEST_F(FileNamesWin32, SettingsAreWrittenReplacedAndReadBack) {
    TSettings s;
    s.current_skin = "skins\\Default\\";
    s.wavsnd = In("\xCE\xA9.wav");
    WriteOptions(In("Vexil.ini"), s, 10, 20, false);
    WriteOptions(In("Vexil.ini"), s, 11, 21, false);  // a replacement, not a second file
    EXPECT_EQ(ListedNames(dir), std::vector<std::string>{"Vexil.ini"});

    test::TFakeMessages messages;
    EXPECT_EQ(FindInSkin(In("Vexil.ini"), "", "posx", true, &messages), "11");
    TSettings loaded;
    TLoadReport report;
    LitConfig(loaded, dir + "\\", false, messages, {}, report);
    EXPECT_EQ(loaded.current_skin, "skins\\Default\\");
    EXPECT_EQ(loaded.wavsnd, s.wavsnd);  // a path in two scripts survives the round trip
    EXPECT_TRUE(messages.Shown.empty());
}

TEST_F(FileNamesWin32, MemoIsSavedAndOpened) {
    WriteMemo(In(kMemoName), {"first", "\xCE\xB4\xCE\xB5\xCF\x8D\xCF\x84\xCE\xB5\xCF\x81\xCE\xB7"});
    EXPECT_EQ(ListedNames(dir), std::vector<std::string>{kMemoName});
    const std::vector<std::string> lines = ReadMemo(In(kMemoName));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "first");
}

TEST_F(FileNamesWin32, PicturesAndFilesOpenAndGo) {
    test::WriteFileBytes(In("back.bmp"), "BM-not-really");
    EXPECT_EQ(ReadPictureFile(In("back.bmp")).size(), 13u);

    std::FILE* f = OpenFile(In("news.txt"), "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_EQ(ListedNames(dir), (std::vector<std::string>{"back.bmp", "news.txt"}));
    EXPECT_TRUE(RemoveFile(In("news.txt")));
    EXPECT_FALSE(RemoveFile(In("news.txt")));
    EXPECT_FALSE(RemoveFile(dir));  // a folder is never removed as a file
    EXPECT_EQ(ListedNames(dir), std::vector<std::string>{"back.bmp"});
}

TEST_F(FileNamesWin32, AttachmentsLiveBelowAProfileNamedInAnyScriptAndAreSaved) {
    // The temporary folder lies below the user's profile, whose name may be
    // in any script.
    wchar_t old[MAX_PATH + 1] = {};
    const DWORD oldLength = GetEnvironmentVariableW(L"TMP", old, MAX_PATH + 1);
    ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", ToWide(dir).c_str()));
    std::string stored;
    {
        TAttachment attachment;
        attachment.StoredPathName = MakeTemporaryFile();
        SetEnvironmentVariableW(L"TMP", oldLength ? old : nullptr);
        stored = attachment.StoredPathName;
        EXPECT_EQ(stored.substr(0, dir.size()), dir);
        test::WriteFileBytes(stored, std::string("\x00\x01\x02", 3));
        EXPECT_TRUE(attachment.SaveToFile(In("\xCE\xB1.bin")));
        EXPECT_EQ(test::ReadFileBytes(In("\xCE\xB1.bin")), std::string("\x00\x01\x02", 3));
    }
    // The stored copy goes with the attachment; the saved one stays.
    EXPECT_EQ(ListedNames(dir), std::vector<std::string>{"\xCE\xB1.bin"});
}

}  // namespace
}  // namespace vexil
