// Key lookup: line syntax, section and key matching, unreadable files.
#include "config/IniFile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/FakeMessages.h"
#include "support/TempDir.h"

namespace vexil {
namespace {

using test::TFakeMessages;
using test::TTempDir;
using test::WriteFileBytes;

struct TLookupCase {
    const char* Name;
    std::string Content;
    const char* Section;
    const char* Key;
    const char* Expected;
};

void PrintTo(const TLookupCase& c, std::ostream* os) { *os << c.Name; }

class IniLookup : public ::testing::TestWithParam<TLookupCase> {};

TEST_P(IniLookup, FindsValue) {
    const TLookupCase& c = GetParam();
    TTempDir dir;
    WriteFileBytes(dir.File("skin.ini"), c.Content);
    TFakeMessages messages;
    EXPECT_EQ(FindInSkin(dir.File("skin.ini"), c.Section, c.Key, false, &messages), c.Expected);
    EXPECT_TRUE(messages.Shown.empty());
}

const std::string kSkin =
    "[Back]\r\nmain=back.bmp\r\n"
    "[connect]\r\nhint=Connect\r\n\r\n; position=9,9\r\nposition=5,6\r\n"
    "[status]\r\nfontbmp=size.bmp\r\nsize=7,8\r\n";

INSTANTIATE_TEST_SUITE_P(
    , IniLookup,
    ::testing::Values(
        TLookupCase{"PlainKey", kSkin, "[Back]", "main", "back.bmp"},
        TLookupCase{"SectionCaseIgnored", kSkin, "[BACK]", "MAIN", "back.bmp"},
        TLookupCase{"CommentAndBlankLineSkipped", kSkin, "[connect]", "position", "5,6"},
        TLookupCase{"KeyInsideAnotherLine", kSkin, "[status]", "size", "size.bmp"},
        TLookupCase{"KeyFromLaterSection", "[connect]\r\nhint=x\r\n[exit]\r\nposition=1,2\r\n",
                    "[connect]", "position", "1,2"},
        TLookupCase{"HeaderWithLeadingBlank", " [connect]\r\nposition=1,2\r\n", "[connect]",
                    "position", "none"},
        TLookupCase{"HeaderWithTrailingBlank", "[connect] \r\nposition=1,2\r\n", "[connect]",
                    "position", "none"},
        TLookupCase{"CommentedHeader", ";[connect]\r\nposition=1,2\r\n", "[connect]",
                    "position", "none"},
        TLookupCase{"MissingSection", kSkin, "[exit]", "position", "none"},
        TLookupCase{"MissingKey", kSkin, "[Back]", "region", "none"},
        TLookupCase{"KeyBeforeItsSectionNotSeen", "position=1,2\r\n[connect]\r\nhint=x\r\n",
                    "[connect]", "position", "none"},
        TLookupCase{"HeaderLineItselfTested", "[connect]\r\nx=1\r\n", "[connect]", "connect",
                    "[connect]"},
        TLookupCase{"NoSectionFirstLineWithKey", ";main=a\r\n[x]\r\nmain = b\r\nmain=c\r\n", "",
                    "main", "b"},
        TLookupCase{"EmptyValueIsNone", "[Back]\r\nmain=\r\n", "[Back]", "main", "none"},
        TLookupCase{"BlankValueIsNone", "[Back]\r\nmain = \t \r\n", "[Back]", "main", "none"},
        TLookupCase{"LiteralNone", "[Back]\r\nmain=none\r\n", "[Back]", "main", "none"},
        TLookupCase{"ValueTrimmedCaseKept", "[Back]\r\n  Main \t=\t Back.BMP \t\r\n", "[back]",
                    "main", "Back.BMP"},
        TLookupCase{"TextAfterFirstEquals", "url=http://a/?b=c\r\n", "", "url", "http://a/?b=c"},
        TLookupCase{"LineWithoutEqualsIsValue", "[a]\r\n  just main here \r\n", "[a]", "main",
                    "just main here"},
        TLookupCase{"LastLineWithoutLineEnd", "[Back]\r\nmain=x.bmp", "[Back]", "main", "x.bmp"},
        TLookupCase{"CtrlZEndsFile", "[Back]\r\nhint=a\r\n\x1a\r\nmain=x.bmp\r\n", "[Back]",
                    "main", "none"},
        TLookupCase{"EmptyFile", "", "", "main", "none"}),
    [](const ::testing::TestParamInfo<TLookupCase>& info) { return info.param.Name; });

// CR, LF and CR LF each end one line, in any mix; an LF right after a CR does
// not make an extra line.
struct TLineEndCase {
    const char* Name;
    const char* Eol;
};

void PrintTo(const TLineEndCase& c, std::ostream* os) { *os << c.Name; }

class IniLineEnds : public ::testing::TestWithParam<TLineEndCase> {};

TEST_P(IniLineEnds, EachEndsOneLine) {
    const std::string eol = GetParam().Eol;
    TTempDir dir;
    const std::string file = dir.File("skin.ini");
    WriteFileBytes(file, "[Back]" + eol + "main=a.bmp" + eol + "[Connect]" + eol +
                             "position=1,2" + eol + "hint=Go" + eol);
    EXPECT_EQ(FindInSkin(file, "[back]", "main", false, nullptr), "a.bmp");
    EXPECT_EQ(FindInSkin(file, "[connect]", "position", false, nullptr), "1,2");
    EXPECT_EQ(FindInSkin(file, "[connect]", "hint", false, nullptr), "Go");
}

INSTANTIATE_TEST_SUITE_P(, IniLineEnds,
                         ::testing::Values(TLineEndCase{"CrLf", "\r\n"}, TLineEndCase{"Lf", "\n"},
                                           TLineEndCase{"Cr", "\r"}),
                         [](const ::testing::TestParamInfo<TLineEndCase>& info) {
                             return info.param.Name;
                         });

TEST(IniLineEndsMixed, MixedEndsAndBlankLines) {
    TTempDir dir;
    const std::string file = dir.File("skin.ini");
    // "\n\r" is two line ends (an empty line between), still skipped as empty.
    WriteFileBytes(file, "[a]\nx=1\r\n\n\r[b]\n\ry=2\r");
    EXPECT_EQ(FindInSkin(file, "[a]", "x", false, nullptr), "1");
    EXPECT_EQ(FindInSkin(file, "[b]", "y", false, nullptr), "2");
    // A value never carries a stray CR or LF.
    WriteFileBytes(file, "[a]\r\r\nx=1\r\r\n");
    EXPECT_EQ(FindInSkin(file, "[a]", "x", false, nullptr), "1");
}

TEST(IniUnreadable, MissingFileGivesEmptyTextWithoutReport) {
    TTempDir dir;
    TFakeMessages messages;
    EXPECT_EQ(FindInSkin(dir.File("skin.ini"), "[Back]", "main", false, &messages), "");
    EXPECT_EQ(FindInSkin(dir.File("skin.ini"), "", "main", false, nullptr), "");
    EXPECT_TRUE(messages.Shown.empty());
}

TEST(IniUnreadable, DirectoryIsUnreadable) {
    TTempDir dir;
    std::filesystem::create_directory(dir.File("skin.ini"));
    EXPECT_EQ(FindInSkin(dir.File("skin.ini"), "", "main", false, nullptr), "");
}

TEST(IniUnreadable, ReportedLookupShowsMessageAndHalts) {
    TTempDir dir;
    TFakeMessages messages;
    try {
        FindInSkin(dir.File("Vexil.ini"), "", "current_skin", true, &messages);
        FAIL() << "the program should have ended";
    } catch (const TProgramHalted& halted) {
        EXPECT_EQ(halted.Code, 1);
    }
    ASSERT_EQ(messages.Shown.size(), 1u);
    EXPECT_EQ(messages.Shown[0],
              "SKIN PATH not found !\rCheck/create the VEXIL.INI line : current_skin = your "
              "skin dir.");
}

TEST(IniUnreadable, ReportedAccountsFileIsQuiet) {
    TTempDir dir;
    TFakeMessages messages;
    EXPECT_EQ(FindInSkin(dir.File("Accounts.ini"), "[account1]", "acc_name", true, &messages), "");
    EXPECT_TRUE(messages.Shown.empty());
    // The exception is by exact name: another spelling is reported.
    EXPECT_THROW(FindInSkin(dir.File("accounts.ini"), "", "x", true, &messages), TProgramHalted);
}

TEST(IniUnreadable, ReportFlagIgnoredForReadableFile) {
    TTempDir dir;
    WriteFileBytes(dir.File("skin.ini"), "[Misc]\r\n");
    TFakeMessages messages;
    EXPECT_EQ(FindInSkin(dir.File("skin.ini"), "[Misc]", "main", true, &messages), "none");
    EXPECT_TRUE(messages.Shown.empty());
}

}  // namespace
}  // namespace vexil
