// Loading of Vexil.ini: values, defaults, the fatal missing skin path, the
// main window hooks and the partial load after a malformed integer.
#include "config/Settings.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "config/IniFile.h"
#include "support/FakeMessages.h"
#include "support/TempDir.h"

namespace vexil {
namespace {

using test::TFakeMessages;
using test::TTempDir;
using test::WriteFileBytes;

// Records the hook calls in order, e.g. "reset", "ontop 0", "interval 15".
struct THookLog {
    std::vector<std::string> Calls;
    TConfigHooks Hooks() {
        TConfigHooks h;
        h.ResetPauseTicks = [this] { Calls.push_back("reset"); };
        h.SetOnTopMark = [this](bool on) { Calls.push_back(on ? "ontop 1" : "ontop 0"); };
        h.SetTickerInterval = [this](int ms) { Calls.push_back("interval " + std::to_string(ms)); };
        return h;
    }
};

class SettingsLoad : public ::testing::Test {
protected:
    // Loads the given Vexil.ini content into settings.
    void Load(const std::string& content, bool skinPicked = false) {
        WriteFileBytes(dir.File("Vexil.ini"), content);
        LitConfig(settings, dir.Path(), skinPicked, messages, log.Hooks(), report);
    }
    std::string Skin(const std::string& path) { return "current_skin = " + path + "\r\n"; }

    TTempDir dir;
    TFakeMessages messages;
    THookLog log;
    TSettings settings;
    TLoadReport report;
};

TEST_F(SettingsLoad, ReadsEveryKey) {
    Load("current_skin = C:\\skins\\blue\\\r\nautocheck =1\r\nautoconnect =1\r\n"
         "header_only =1\r\nontop =1\r\nminutes = 7\r\nposX = 300\r\nposY = -20\r\n"
         "memo_posX = 310\r\nmemo_posY = 320\r\nplaysnd =1\r\nwavsnd = C:\\snd\\Ding.wav\r\n"
         "icon_tray =1\r\nrun_my_client =1\r\nmy_mail_client = C:\\mail\\mail.exe -n\r\n"
         "reset =1\r\nskin_dir = D:\\all skins\r\nRAS_connect =1\r\nRAS_num = 2\r\n"
         "filter =1\r\nhidden =1\r\nsrv_news =3\r\nspeed = 2\r\nmin_scroll = 0\r\n");
    const TSettings& s = settings;
    EXPECT_EQ(s.current_skin, "C:\\skins\\blue\\");
    EXPECT_TRUE(s.autocheck && s.autoconnect && s.header_only && s.ontop && s.playsnd &&
                s.icon_tray && s.run_my_client && s.reset && s.RAS_connect && s.filter &&
                s.hidden);
    EXPECT_EQ(s.minutes, 7);
    EXPECT_EQ(s.posx, 300);
    EXPECT_EQ(s.posy, -20);
    EXPECT_EQ(s.memo_posx, 310);
    EXPECT_EQ(s.memo_posy, 320);
    EXPECT_EQ(s.wavsnd, "C:\\snd\\Ding.wav");
    EXPECT_EQ(s.my_mail_client, "C:\\mail\\mail.exe -n");
    EXPECT_EQ(s.skin_dir, "D:\\all skins");
    EXPECT_EQ(s.RAS_num, 2);
    EXPECT_EQ(s.srv_news, 3);
    EXPECT_EQ(s.speed, 2);
    EXPECT_EQ(s.min_scroll, 0);
    EXPECT_EQ(log.Calls, (std::vector<std::string>{"reset", "ontop 0", "interval 5", "ontop 1"}));
    EXPECT_TRUE(messages.Shown.empty());
    EXPECT_TRUE(messages.Errors.empty());
}

TEST_F(SettingsLoad, MissingKeysTakeDefaultsOverOldValues) {
    settings.filter = settings.ontop = true;
    settings.wavsnd = "old.wav";
    settings.RAS_num = settings.srv_news = settings.speed = 9;
    settings.minutes = settings.min_scroll = settings.posx = settings.posy = 9;
    settings.memo_posx = settings.memo_posy = 9;
    settings.skin_dir = "old";
    Load(Skin("/s/") + "minutes =\r\nwavsnd = none\r\n");
    EXPECT_FALSE(settings.filter || settings.ontop);
    EXPECT_EQ(settings.wavsnd, "none");
    EXPECT_EQ(settings.my_mail_client, "none");
    EXPECT_EQ(settings.RAS_num, 0);
    EXPECT_EQ(settings.srv_news, 0);
    EXPECT_EQ(settings.speed, 0);
    EXPECT_EQ(settings.minutes, 1);
    EXPECT_EQ(settings.min_scroll, 20);
    EXPECT_EQ(settings.posx, 50);
    EXPECT_EQ(settings.posy, 50);
    EXPECT_EQ(settings.memo_posx, 50);
    EXPECT_EQ(settings.memo_posy, 100);
    EXPECT_EQ(settings.skin_dir, dir.Path() + "skins");
}

TEST_F(SettingsLoad, FlagsAreTrueOnlyForOne) {
    Load(Skin("/s/") + "filter = 1 \t\r\nautocheck = TRUE\r\nplaysnd = 01\r\nhidden = 1x\r\n");
    EXPECT_TRUE(settings.filter);
    EXPECT_FALSE(settings.autocheck);
    EXPECT_FALSE(settings.playsnd);
    EXPECT_FALSE(settings.hidden);
}

TEST_F(SettingsLoad, FirstLineHoldingKeyWins) {
    // memo_posX above posX: "posx" is found inside the memo line.
    Load(Skin("/s/") + "memo_posX = 10\r\nposX = 300\r\n");
    EXPECT_EQ(settings.posx, 10);
    EXPECT_EQ(settings.memo_posx, 10);
    // A skin path holding a key's name makes the first line that key's line.
    Load(Skin("/skins/autocheck/") + "autocheck =1\r\n");
    EXPECT_FALSE(settings.autocheck);
}

struct TSkinPathCase {
    const char* Name;
    std::string Value;
    bool BelowProgram;  // expected path is the program's directory + Expected
    std::string Expected;
};

void PrintTo(const TSkinPathCase& c, std::ostream* os) { *os << c.Name; }

class SettingsSkinPath : public ::testing::TestWithParam<TSkinPathCase> {};

// The values stay as written (so the folder can move), and are resolved
// against the program's directory where they are used.
TEST_P(SettingsSkinPath, ResolvedAndEndsWithSeparator) {
    const TSkinPathCase& c = GetParam();
    TTempDir dir;
    WriteFileBytes(dir.File("Vexil.ini"),
                   "current_skin = " + c.Value + "\r\nskin_dir = " + c.Value + "\r\n");
    TFakeMessages messages;
    TLoadReport report;
    TSettings s;
    LitConfig(s, dir.Path(), false, messages, {}, report);
    const std::string base = c.BelowProgram ? dir.Path() : "";
    EXPECT_EQ(ProgramPath(dir.Path(), s.current_skin), base + c.Expected);
    // skin_dir is resolved the same way but gets no separator added.
    EXPECT_EQ(ProgramPath(dir.Path(), s.skin_dir), base + c.Value);
    EXPECT_EQ(s.skin_dir, c.Value);
}

const std::string kDelim(1, kPathDelim);

INSTANTIATE_TEST_SUITE_P(
    , SettingsSkinPath,
    ::testing::Values(
        TSkinPathCase{"DriveWithoutSeparator", "C:\\skins\\blue", false,
                      "C:\\skins\\blue" + kDelim},
        TSkinPathCase{"DriveWithBackslash", "C:\\skins\\blue\\", false, "C:\\skins\\blue\\"},
        TSkinPathCase{"LowerCaseDrive", "d:/skins/blue/", false, "d:/skins/blue/"},
        TSkinPathCase{"RootedSlash", "/usr/share/skins/blue", false,
                      "/usr/share/skins/blue" + kDelim},
        TSkinPathCase{"RootedBackslash", "\\skins\\blue\\", false, "\\skins\\blue\\"},
        TSkinPathCase{"Relative", "skins" + kDelim + "blue", true,
                      "skins" + kDelim + "blue" + kDelim},
        TSkinPathCase{"RelativeWithSeparator", "skins/blue/", true, "skins/blue/"}),
    [](const ::testing::TestParamInfo<TSkinPathCase>& info) { return info.param.Name; });

TEST_F(SettingsLoad, TickerIntervalFollowsSpeed) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"0", 30}, {"1", 15}, {"2", 5}, {"3", std::nullopt}, {"-1", std::nullopt}};
    for (const auto& [speed, interval] : cases) {
        log.Calls.clear();
        Load(Skin("/s/") + "ontop =1\r\nspeed = " + speed + "\r\n");
        std::vector<std::string> expected{"reset", "ontop 0"};
        if (interval) expected.push_back("interval " + std::to_string(*interval));
        expected.push_back("ontop 1");
        EXPECT_EQ(log.Calls, expected) << "speed " << speed;
    }
}

TEST_F(SettingsLoad, MissingSkinPathHalts) {
    const std::string files[] = {"", "autocheck =1\r\n", "current_skin =\r\n"};
    for (const std::string& content : files) {
        TFakeMessages fresh;
        WriteFileBytes(dir.File("Vexil.ini"), content);
        try {
            LitConfig(settings, dir.Path(), false, fresh, {}, report);
            FAIL() << "no halt for: " << content;
        } catch (const TProgramHalted& halted) {
            EXPECT_EQ(halted.Code, 1);
        }
        EXPECT_EQ(fresh.Shown, std::vector<std::string>{kSkinPathNotFound});
    }
}

TEST_F(SettingsLoad, MissingFileHalts) {
    EXPECT_THROW(LitConfig(settings, dir.Path(), false, messages, {}, report), TProgramHalted);
    EXPECT_EQ(messages.Shown, std::vector<std::string>{kSkinPathNotFound});
}

TEST_F(SettingsLoad, PickedSkinKeepsCurrentSkin) {
    settings.current_skin = "/picked/";
    Load("autocheck =1\r\n", true);
    EXPECT_EQ(settings.current_skin, "/picked/");
    EXPECT_TRUE(settings.autocheck);
    EXPECT_TRUE(messages.Shown.empty());
}

// A malformed integer is reported with its file and key; it keeps the
// setting's value, and every other key is read as usual.
TEST_F(SettingsLoad, MalformedIntegersAreReportedAndTheLoadGoesOn) {
    settings.min_scroll = 7;
    settings.posy = 88;
    Load(Skin("/s/") + "autocheck =1\r\nskin_dir = /all\r\nminutes = 5\r\nmin_scroll = 1O\r\n"
                       "posX = 300\r\nposY = 2 0\r\nmemo_posY = 400\r\n");
    EXPECT_EQ(report.Text(), "Vexil.ini, min_scroll: '1O' is not a valid integer value\r"
                             "Vexil.ini, posy: '2 0' is not a valid integer value");
    EXPECT_TRUE(messages.Errors.empty());
    EXPECT_TRUE(messages.Shown.empty());
    EXPECT_TRUE(settings.autocheck);
    EXPECT_EQ(settings.skin_dir, "/all");
    EXPECT_EQ(settings.minutes, 5);
    EXPECT_EQ(settings.min_scroll, 7);
    EXPECT_EQ(settings.posx, 300);
    EXPECT_EQ(settings.posy, 88);
    EXPECT_EQ(settings.memo_posy, 400);
}

TEST_F(SettingsLoad, MalformedSpeedLeavesTheTickerButNotTheOnTopMark) {
    Load(Skin("/s/") + "ontop =1\r\nspeed = fast\r\n");
    EXPECT_FALSE(report.Empty());
    EXPECT_EQ(log.Calls, (std::vector<std::string>{"reset", "ontop 0", "ontop 1"}));
    EXPECT_TRUE(settings.ontop);
}

TEST(SettingsPath, AppendsNameToProgramDirectory) {
    EXPECT_EQ(ConfigFilePath("C:\\prog\\", "Vexil.ini"), "C:\\prog\\Vexil.ini");
}

}  // namespace
}  // namespace vexil
