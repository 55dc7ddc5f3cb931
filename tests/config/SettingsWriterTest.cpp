// The three settings writers: exact file bytes, reading back through the
// loaders, and the replace-when-complete behaviour on failure.
#include "config/SettingsWriter.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/FakeMessages.h"
#include "support/TempDir.h"

namespace vexil {
namespace {

using test::ReadFileBytes;
using test::TFakeMessages;
using test::TTempDir;
using test::WriteFileBytes;

TSettings SampleSettings(const std::string& skinDir) {
    TSettings s;
    s.current_skin = skinDir + "blue" + kPathDelim;
    s.filter = true;
    s.autocheck = true;
    s.playsnd = true;
    s.wavsnd = "C:\\snd\\ding.wav";
    s.header_only = true;
    s.ontop = false;
    s.icon_tray = true;
    s.hidden = true;
    s.RAS_num = 1;
    s.srv_news = 4;
    s.speed = 2;
    s.my_mail_client = "C:\\Mail\\mail.exe";
    s.reset = true;
    s.skin_dir = skinDir + "skins";
    s.minutes = 12;
    s.min_scroll = 0;
    s.posx = s.posy = 1;  // the position written is the window's, not these
    s.memo_posx = -5;
    s.memo_posy = 600;
    return s;
}

TEST(WriterOptions, WritesTheTwentyFourLines) {
    TTempDir dir;
    TSettings s = SampleSettings("C:\\vx\\");
    s.current_skin = "C:\\vx\\blue\\";
    WriteOptions(dir.File("Vexil.ini"), s, 640, -3, true);
    EXPECT_EQ(ReadFileBytes(dir.File("Vexil.ini")),
              "current_skin = C:\\vx\\blue\\\r\n"
              "autocheck =1\r\n"
              "autoconnect =0\r\n"
              "header_only =1\r\n"
              "ontop =1\r\n"
              "minutes = 12\r\n"
              "posX = 640\r\n"
              "posY = -3\r\n"
              "memo_posX = -5\r\n"
              "memo_posY = 600\r\n"
              "playsnd =1\r\n"
              "wavsnd = C:\\snd\\ding.wav\r\n"
              "icon_tray =1\r\n"
              "run_my_client =0\r\n"
              "my_mail_client = C:\\Mail\\mail.exe\r\n"
              "reset =1\r\n"
              "skin_dir = C:\\vx\\skins\r\n"
              "RAS_connect =0\r\n"
              "RAS_num = 1\r\n"
              "filter =1\r\n"
              "hidden =1\r\n"
              "srv_news =4\r\n"
              "speed = 2\r\n"
              "min_scroll = 0\r\n");
    EXPECT_FALSE(s.ontop);  // the settings themselves are not changed
}

TEST(WriterOptions, ReadsBackThroughLoader) {
    TTempDir dir;
    TSettings written = SampleSettings(dir.Path());
    written.wavsnd = "";  // an empty sound field
    WriteOptions(dir.File("Vexil.ini"), written, 640, 480, true);
    EXPECT_NE(ReadFileBytes(dir.File("Vexil.ini")).find("\r\nwavsnd = \r\n"), std::string::npos);

    TFakeMessages messages;
    TLoadReport report;
    TSettings read;
    LitConfig(read, dir.Path(), false, messages, {}, report);
    EXPECT_TRUE(report.Empty());
    EXPECT_TRUE(messages.Errors.empty());
    EXPECT_EQ(read.current_skin, written.current_skin);
    EXPECT_EQ(read.wavsnd, "none");
    EXPECT_EQ(read.posx, 640);
    EXPECT_EQ(read.posy, 480);
    EXPECT_TRUE(read.ontop);
    written.wavsnd = "none";
    written.posx = 640;
    written.posy = 480;
    written.ontop = true;
    // Every other field, compared by writing both out again.
    WriteOptions(dir.File("a.ini"), written, 0, 0, false);
    WriteOptions(dir.File("b.ini"), read, 0, 0, false);
    EXPECT_EQ(ReadFileBytes(dir.File("a.ini")), ReadFileBytes(dir.File("b.ini")));
    EXPECT_EQ(read.memo_posx, -5);
    EXPECT_EQ(read.min_scroll, 0);
}

TEST(WriterOptions, SkinPathReadsBackUnchanged) {
    TTempDir dir;
    TSettings s;
    s.current_skin = "C:\\skins\\blue\\";
    WriteOptions(dir.File("Vexil.ini"), s, 50, 50, false);
    TFakeMessages messages;
    TLoadReport report;
    TSettings read;
    LitConfig(read, dir.Path(), false, messages, {}, report);
    EXPECT_TRUE(report.Empty());
    EXPECT_EQ(read.current_skin, "C:\\skins\\blue\\");
}

TPOPAcc MakeAccount(const char* name, const char* host, const char* user, const char* password,
                    std::int32_t port, bool inactive) {
    TPOPAcc a;
    a.AccName = name;
    a.AccHost = host;
    a.AccUser = user;
    a.AccPassword = password;
    a.AccPort = port;
    a.AccInactive = inactive;
    return a;
}

TEST(WriterAccounts, WritesTenLinesPerAccount) {
    TTempDir dir;
    TAccountTable a;
    a[1] = MakeAccount("Home", "pop.home.example", "joe", "abc", 110, false);
    a[2] = MakeAccount("Work", "mail.work.example", "jd", "", 995, true);
    a[2].AccSecurity = TSecurity::StartTls;
    a[2].AccProtocol = TProtocol::Imap;
    a[3] = MakeAccount("Unused", "x", "y", "z", 1, false);
    a.AccountCount = 2;
    WriteAccounts(dir.File("Accounts.ini"), a);
    EXPECT_EQ(ReadFileBytes(dir.File("Accounts.ini")),
              "\r\n[Account1]\r\nacc_name = Home\r\nhost_name = pop.home.example\r\n"
              "user_name = joe\r\npassword = \xBA\xBC\xBE\r\nport_number = 110\r\n"
              "inactive = 0\r\nsecurity = auto\r\nprotocol = pop3\r\n"
              "\r\n[Account2]\r\nacc_name = Work\r\nhost_name = mail.work.example\r\n"
              "user_name = jd\r\npassword = \r\nport_number = 995\r\ninactive = 1\r\n"
              "security = starttls\r\nprotocol = imap\r\n");
}

TEST(WriterAccounts, NoAccountsGiveEmptyFile) {
    TTempDir dir;
    WriteFileBytes(dir.File("Accounts.ini"), "old content");
    WriteAccounts(dir.File("Accounts.ini"), TAccountTable{});
    EXPECT_EQ(ReadFileBytes(dir.File("Accounts.ini")), "");
}

TEST(WriterAccounts, ReadsBackThroughLoader) {
    TTempDir dir;
    TAccountTable written;
    written.AccountCount = 10;
    for (int i = 1; i <= 10; ++i) {
        const std::string n = std::to_string(i);
        written[i] = MakeAccount(("Box " + n).c_str(), ("pop" + n + ".example").c_str(),
                                 ("user" + n).c_str(), i == 4 ? "" : ("p@ss word~" + n).c_str(),
                                 100 + i, i < 3);
        written[i].AccSecurity = static_cast<TSecurity>(i % 4);
    }
    WriteAccounts(dir.File("Accounts.ini"), written);
    TAccountTable read;
    TFilterTable filters;
    TLoadReport report;
    LoadFilters(filters, read, dir.Path(), report);
    const TCurrentAccount current = LoadAccounts(read, dir.Path(), report);
    ASSERT_EQ(read.AccountCount, 10);
    for (int i = 1; i <= 10; ++i) {
        EXPECT_EQ(read[i].AccName, written[i].AccName);
        EXPECT_EQ(read[i].AccHost, written[i].AccHost);
        EXPECT_EQ(read[i].AccUser, written[i].AccUser);
        EXPECT_EQ(read[i].AccPassword, written[i].AccPassword);
        EXPECT_EQ(read[i].AccPort, written[i].AccPort);
        EXPECT_EQ(read[i].AccInactive, written[i].AccInactive);
        EXPECT_EQ(read[i].AccSecurity, written[i].AccSecurity);
    }
    EXPECT_EQ(current.AccountIndex, 3);
}

TEST(WriterFilters, WritesFiltersAndMiscBlock) {
    TTempDir dir;
    TFilterTable filters;
    filters.Filters[2] = "untouched";
    filters.max_size = 7;
    WriteFilters(dir.File("VxFilter.ini"), {"VIAGRA", "cheap meds"}, "250", true, filters);
    EXPECT_EQ(ReadFileBytes(dir.File("VxFilter.ini")),
              "\r\n[Filter1]\r\nstring=VIAGRA\r\n\r\n[Filter2]\r\nstring=cheap meds\r\n"
              "\r\n[Misc]\r\nmax_size=250\r\nauth_fltr= 1\r\n");
    EXPECT_EQ(filters.FilterCount, 2);
    EXPECT_EQ(filters.Filters[0], "VIAGRA");
    EXPECT_EQ(filters.Filters[1], "cheap meds");
    EXPECT_EQ(filters.Filters[2], "untouched");
    EXPECT_EQ(filters.max_size, 7);  // takes the written value at the next load only
}

TEST(WriterFilters, NoFiltersAndUncheckedText) {
    TTempDir dir;
    TFilterTable filters;
    filters.FilterCount = 3;
    WriteFilters(dir.File("VxFilter.ini"), {}, "abc", false, filters);
    EXPECT_EQ(ReadFileBytes(dir.File("VxFilter.ini")), "\r\n[Misc]\r\nmax_size=abc\r\nauth_fltr= 0\r\n");
    EXPECT_EQ(filters.FilterCount, 0);
}

TEST(WriterFilters, ReadsBackThroughLoader) {
    TTempDir dir;
    TFilterTable written;
    std::vector<std::string> list;
    for (int i = 1; i <= 10; ++i) list.push_back("word " + std::to_string(i));
    WriteFilters(dir.File("VxFilter.ini"), list, "1024", true, written);
    TFilterTable read;
    TAccountTable accounts;
    TLoadReport report;
    LoadFilters(read, accounts, dir.Path(), report);
    EXPECT_EQ(read.FilterCount, 10);
    EXPECT_EQ(read.Filters, written.Filters);
    EXPECT_EQ(read.max_size, 1024);
    EXPECT_TRUE(read.auth_fltr);
}

TEST(WriterFilters, MoreThanTenIsRefused) {
    TTempDir dir;
    TFilterTable filters;
    EXPECT_THROW(WriteFilters(dir.File("VxFilter.ini"), std::vector<std::string>(11, "x"), "0",
                              false, filters),
                 std::invalid_argument);
    EXPECT_EQ(filters.FilterCount, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.File("VxFilter.ini")));
}

// A write that cannot complete leaves whatever was there and no temporary file.
TEST(WriterReplace, TargetThatIsADirectory) {
    TTempDir dir;
    const std::string target = dir.File("Vexil.ini");
    std::filesystem::create_directory(target);
    WriteFileBytes(target + kPathDelim + "keep", "x");
    try {
        WriteOptions(target, TSettings{}, 0, 0, false);
        FAIL() << "no error";
    } catch (const ESettingsWriteError& e) {
        EXPECT_NE(std::string(e.what()).find(target), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadFileBytes(target + kPathDelim + "keep"), "x");
    EXPECT_FALSE(std::filesystem::exists(target + ".tmp"));
}

TEST(WriterReplace, TemporaryNameTaken) {
    TTempDir dir;
    const std::string target = dir.File("Accounts.ini");
    WriteFileBytes(target, "old accounts\r\n");
    std::filesystem::create_directory(target + ".tmp");
    TAccountTable a;
    a.AccountCount = 1;
    a[1] = MakeAccount("A", "h", "u", "p", 110, false);
    EXPECT_THROW(WriteAccounts(target, a), ESettingsWriteError);
    EXPECT_EQ(ReadFileBytes(target), "old accounts\r\n");
    EXPECT_TRUE(std::filesystem::is_directory(target + ".tmp"));
}

// The message names the file and says why; a filter list that did not reach
// the file is not in force either.
TEST(WriterReplace, MissingDirectory) {
    TTempDir dir;
    TFilterTable filters;
    const std::string target = dir.File("gone") + kPathDelim + "VxFilter.ini";
    try {
        WriteFilters(target, {"a"}, "0", false, filters);
        FAIL() << "no error";
    } catch (const ESettingsWriteError& e) {
        const std::string text = e.what();
        EXPECT_NE(text.find(target), std::string::npos) << text;
        EXPECT_NE(text.find("No such file or directory"), std::string::npos) << text;
    }
    EXPECT_EQ(filters.FilterCount, 0);
    EXPECT_EQ(filters.Filters[0], "");
}

TEST(WriterReplace, StaleTemporaryFileIsReplaced) {
    TTempDir dir;
    const std::string target = dir.File("VxFilter.ini");
    WriteFileBytes(target + ".tmp", "leftover of an earlier crash, longer than the new file");
    TFilterTable filters;
    WriteFilters(target, {}, "0", false, filters);
    EXPECT_EQ(ReadFileBytes(target), "\r\n[Misc]\r\nmax_size=0\r\nauth_fltr= 0\r\n");
    EXPECT_FALSE(std::filesystem::exists(target + ".tmp"));
}

}  // namespace
}  // namespace vexil
