// The settings dialog's logic on a folder of its own: the account and filter
// editors (exact file bytes, refusals that change nothing), the opening
// sequence with values outside the lists, the options written by OK and by
// the dial-up list, the skins page and the preview's OK and Close.
#include "config/Config.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "config/Accounts.h"
#include "config/Filters.h"
#include "support/FakeConfigView.h"
#include "support/FakeMessages.h"
#include "support/TempDir.h"

namespace vexil {
namespace {

using C = TConfigControl;
using test::ReadFileBytes;
using test::TFakeConfigView;
using test::TFakeMessages;
using test::TTempDir;
using test::WriteFileBytes;

class TFakeConfigHost : public IConfigHost {
public:
    std::vector<std::string> Entries, Sources;
    bool Visible = true, MsgVisible = false;
    std::vector<std::string> Previews;  // the skins shown, in order
    int Restores = 0, MsgShows = 0, MsgHides = 0;
    bool RefusePreview = false;
    std::map<std::string, std::string> Unread;
    std::vector<std::string> Opened;

    std::vector<std::string> DialUpEntries() override { return Entries; }
    std::vector<std::string> NewsSources() override { return Sources; }
    bool MainWindowVisible() override { return Visible; }
    void ShowMainWindow() override { Visible = true; }
    void WindowPlace(int& left, int& top, bool& onTopMark) override {
        left = 7;
        top = 8;
        onTopMark = true;
    }
    bool PreviewSkin(const std::string& dir) override {
        if (RefusePreview) return false;
        Previews.push_back(dir);
        return true;
    }
    void RestoreSkin() override { ++Restores; }
    bool MsgWindowVisible() override { return MsgVisible; }
    void ShowMsgWindow() override {
        ++MsgShows;
        MsgVisible = true;
    }
    void HideMsgWindow() override {
        ++MsgHides;
        MsgVisible = false;
    }
    bool ReadWhole(const std::string& file, std::string& report) override {
        report = Unread.count(file) ? Unread[file] : "";
        return report.empty();
    }
    void OpenLink(const std::string& target) override { Opened.push_back(target); }
};

class ConfigTest : public ::testing::Test {
protected:
    ConfigTest() {
        settings.current_skin = "skins" + std::string(1, kPathDelim) + "Blue" + kPathDelim;
        settings.skin_dir = "skins";
        std::filesystem::create_directories(dir.Path() + "skins" + kPathDelim + "Blue");
        WriteFileBytes(dir.Path() + settings.current_skin + "skin.ini",
                       "[info]\r\nskin_name = Blue\r\nskin_author = Ann\r\n");
        config.FormCreate();
    }

    std::string Accounts() { return ReadFileBytes(dir.File("Accounts.ini")); }
    std::string Filters() { return ReadFileBytes(dir.File("VxFilter.ini")); }

    // Types an account into the fields.
    void Fields(const std::string& name, const std::string& host = "h",
                const std::string& user = "u", const std::string& port = "110",
                const std::string& password = "") {
        view.Type(C::NAccount, name);
        view.Type(C::HostTxt, host);
        view.Type(C::UserName, user);
        view.Type(C::PortTxt, port);
        view.Type(C::Password, password);
    }
    void AddAccounts(int count) {
        for (int i = 1; i <= count; ++i) {
            Fields("A" + std::to_string(i), "h", "u", std::to_string(100 + i));
            config.AddAccClick();
        }
    }
    void Choose(C list, int index) { view[list].Index = index; }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (int i = 1; i <= accounts.AccountCount; ++i) names.push_back(accounts[i].AccName);
        return names;
    }

    TTempDir dir;
    TSettings settings;
    TAccountTable accounts;
    TFilterTable filters;
    TFakeConfigView view;
    TFakeConfigHost host;
    TFakeMessages messages;
    TConfig config{view, host, messages, settings, accounts, filters, dir.Path()};
};

// An account as the file holds it; one typed into the dialog's fields keeps
// the security the fields start on (TLS).
std::string AccountBlock(int i, const std::string& name, int port, bool inactive,
                         const std::string& scrambled = "", const std::string& security = "tls") {
    return "\r\n[Account" + std::to_string(i) + "]\r\nacc_name = " + name +
           "\r\nhost_name = h\r\nuser_name = u\r\npassword = " + scrambled +
           "\r\nport_number = " + std::to_string(port) + "\r\ninactive = " +
           (inactive ? "1" : "0") + "\r\nsecurity = " + security + "\r\nprotocol = pop3\r\n";
}

TEST_F(ConfigTest, AddingAccountsWritesThemAtOnceAndTheStatusButtonsWriteToo) {
    config.FormShow();
    Fields("home", "h", "u", "110", "abc");
    config.AddAccClick();
    // The duplicate check respects case.
    Fields("Home", "h", "u", "995");
    config.AddAccClick();
    EXPECT_TRUE(messages.Shown.empty());
    EXPECT_EQ(Accounts(), AccountBlock(1, "home", 110, false, "\xBA\xBC\xBE") +
                              AccountBlock(2, "Home", 995, false));
    // The new, last entry is chosen with empty fields, the focus in the name.
    EXPECT_EQ(view[C::LstAcc].Items, (std::vector<std::string>{"home", "Home"}));
    EXPECT_EQ(view[C::LstAcc].Index, 1);
    EXPECT_EQ(view[C::NAccount].Text, "");
    EXPECT_EQ(view[C::PortTxt].Text, "995");  // a new account starts on TLS
    EXPECT_EQ(view.Focused, C::NAccount);

    Choose(C::LstAcc, 0);
    config.LstAccSel();
    EXPECT_EQ(view[C::Password].Text, "abc");
    EXPECT_TRUE(view[C::ChkAct].Checked);
    config.ChkInactClick();  // before OK: written at once
    EXPECT_EQ(Accounts(), AccountBlock(1, "home", 110, true, "\xBA\xBC\xBE") +
                              AccountBlock(2, "Home", 995, false));
    EXPECT_TRUE(accounts[1].AccInactive);
}

TEST_F(ConfigTest, RefusedAccountsChangeNeitherTableNorFile) {
    AddAccounts(2);
    const std::string before = Accounts();
    struct Case {
        std::string name, host, user, port, password;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {"A1", "h", "u", "110", "", {kAccountExists}},
        {"A1", "h", "", "110", "", {kAccountExists, kFillAllFields}},
        {"", "h", "u", "110", "", {kFillAllFields}},
        {"B", "", "u", "110", "", {kFillAllFields}},
        {"B", "h", "u", "", "", {kBadPort}},
        {"B", "h", "u", "abc", "", {kBadPort}},
        {"B", "h", "u", "0", "", {kBadPort}},
        {"B", "h", "u", "65536", "", {kBadPort}},
        {"B", "h", "u", "-110", "", {kBadPort}},
        {"B", "h", "u", "110", "pass\tword", {"password"}},
        {"B", "h", "u", "110", "\x89", {"password"}},
        {"B inactive", "h", "u", "110", "", {"inactive"}},
        {"B", "h", "my password", "110", "", {"user_name"}},
    };
    for (const Case& c : cases) {
        messages.Shown.clear();
        Fields(c.name, c.host, c.user, c.port, c.password);
        config.AddAccClick();
        ASSERT_EQ(messages.Shown.size(), c.shown.size()) << c.name << "/" << c.port;
        for (size_t i = 0; i < c.shown.size(); ++i)
            EXPECT_NE(messages.Shown[i].find(c.shown[i]), std::string::npos) << messages.Shown[i];
        EXPECT_EQ(accounts.AccountCount, 2);
        EXPECT_EQ(Accounts(), before);
    }

    // The eleventh account.
    AddAccounts(10);  // A1 and A2 exist: eight more are added
    ASSERT_EQ(accounts.AccountCount, 10);
    const std::string ten = Accounts();
    messages.Shown.clear();
    Fields("Eleven");
    config.AddAccClick();
    EXPECT_EQ(messages.Shown, std::vector<std::string>{kAccountsFull});
    EXPECT_EQ(accounts.AccountCount, 10);
    EXPECT_EQ(Accounts(), ten);
}

TEST_F(ConfigTest, ModifyKeepsThePlaceAndChecksDuplicatesAgainstOthers) {
    AddAccounts(3);
    Choose(C::LstAcc, 1);
    config.LstAccSel();
    view.Type(C::PortTxt, "995");
    view.Tick(C::ChkInact, true);
    view.Tick(C::ChkAct, false);
    config.ModifyClick();  // same name: no duplicate
    EXPECT_TRUE(messages.Shown.empty());
    EXPECT_EQ(Names(), (std::vector<std::string>{"A1", "A2", "A3"}));
    EXPECT_EQ(accounts[2].AccPort, 995);
    EXPECT_TRUE(accounts[2].AccInactive);
    EXPECT_EQ(view[C::LstAcc].Index, 1);

    Choose(C::LstAcc, 1);
    config.LstAccSel();
    view.Type(C::NAccount, "A3");
    const std::string before = Accounts();
    config.ModifyClick();
    EXPECT_EQ(messages.Shown, std::vector<std::string>{kAccountExists});
    EXPECT_EQ(Accounts(), before);
    EXPECT_EQ(accounts[2].AccName, "A2");
}

// The Security list: its choice is stored with the account and shown again
// when the account is chosen; the usual ports follow the choice, other ports
// are the user's and stay.
// The Protocol list: IMAP proposes 993 with TLS and 143 otherwise, and POP3
// its own again; the choice is stored with the account and shown again.
TEST_F(ConfigTest, ProtocolChoiceIsStoredAndProposesItsPorts) {
    config.FormShow();
    EXPECT_EQ(view[C::Protocol].Items, (std::vector<std::string>{"POP3", "IMAP"}));
    EXPECT_EQ(view[C::Protocol].Index, 0);
    const struct {
        int protocol, security;  // -1: unchanged
        const char* portBefore;
        const char* portAfter;
    } cases[] = {
        {1, -1, "995", "993"}, {1, -1, "110", "143"}, {1, -1, "1993", "1993"},
        {-1, 2, "993", "143"}, {-1, 1, "143", "993"}, {-1, 1, "110", "110"},
        {0, -1, "993", "995"}, {0, -1, "143", "110"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.protocol) + " " + std::to_string(c.security) + " " + c.portBefore);
        view.Type(C::PortTxt, c.portBefore);
        if (c.protocol >= 0) {
            Choose(C::Protocol, c.protocol);
            config.ProtocolChange();
        } else {
            Choose(C::Protocol, 1);
            Choose(C::Security, c.security);
            config.SecurityChange();
        }
        EXPECT_EQ(view[C::PortTxt].Text, c.portAfter);
    }

    Fields("Kept", "imap.example.org", "u", "995");
    Choose(C::Security, 1);
    Choose(C::Protocol, 1);
    config.ProtocolChange();
    config.AddAccClick();
    ASSERT_EQ(accounts.AccountCount, 1);
    EXPECT_EQ(accounts[1].AccProtocol, TProtocol::Imap);
    EXPECT_EQ(accounts[1].AccPort, 993);
    EXPECT_NE(Accounts().find("security = tls\r\nprotocol = imap\r\n"), std::string::npos);
    EXPECT_EQ(view[C::Protocol].Index, 0);  // a new entry starts on POP3
    Choose(C::LstAcc, 0);
    config.LstAccSel();
    EXPECT_EQ(view[C::Protocol].Index, 1);
}

TEST_F(ConfigTest, SecurityChoiceIsStoredAndProposesItsPort) {
    config.FormShow();
    EXPECT_EQ(view[C::Security].Items,
              (std::vector<std::string>{"Automatic", "TLS", "STARTTLS", "None"}));
    EXPECT_EQ(view[C::Security].Index, 1);  // empty fields start on TLS, port 995
    EXPECT_EQ(view[C::PortTxt].Text, "995");
    const struct {
        int choice;
        const char* portBefore;
        const char* portAfter;
    } cases[] = {
        {1, "110", "995"}, {1, "2110", "2110"}, {2, "995", "110"}, {3, "995", "110"},
        {3, "110", "110"}, {0, "995", "995"},   {0, "110", "110"},  {2, "1995", "1995"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.choice) + " " + c.portBefore);
        view.Type(C::PortTxt, c.portBefore);
        Choose(C::Security, c.choice);
        config.SecurityChange();
        EXPECT_EQ(view[C::PortTxt].Text, c.portAfter);
    }

    Fields("Secure", "pop.example.org", "u", "110");
    Choose(C::Security, 1);
    config.SecurityChange();
    config.AddAccClick();
    EXPECT_EQ(accounts[1].AccSecurity, TSecurity::Tls);
    EXPECT_EQ(accounts[1].AccPort, 995);
    EXPECT_NE(Accounts().find("inactive = 0\r\nsecurity = tls\r\n"), std::string::npos);
    EXPECT_EQ(view[C::Security].Index, 1);  // a new entry starts on TLS

    Fields("Plain", "h", "u", "110");
    Choose(C::Security, 3);
    config.AddAccClick();
    Choose(C::LstAcc, 0);
    config.LstAccSel();
    EXPECT_EQ(view[C::Security].Index, 1);
    Choose(C::LstAcc, 1);
    config.LstAccSel();
    EXPECT_EQ(view[C::Security].Index, 3);
    Choose(C::Security, 2);
    config.ModifyClick();
    EXPECT_EQ(accounts[2].AccSecurity, TSecurity::StartTls);
}

TEST_F(ConfigTest, RemovingMovesTheLaterAccountsDown) {
    AddAccounts(3);
    Choose(C::LstAcc, 1);
    config.ChkInactClick();
    Choose(C::LstAcc, 0);
    config.DelAccClick();
    EXPECT_EQ(Accounts(), AccountBlock(1, "A2", 102, true) + AccountBlock(2, "A3", 103, false));
    // The last entry is chosen and shown.
    EXPECT_EQ(view[C::LstAcc].Index, 1);
    EXPECT_EQ(view[C::NAccount].Text, "A3");
    EXPECT_EQ(view[C::PortTxt].Text, "103");
}

TEST_F(ConfigTest, RemovingTheTenthOfTenLeavesNothingChosen) {
    AddAccounts(10);
    Choose(C::LstAcc, 9);
    config.DelAccClick();
    EXPECT_EQ(accounts.AccountCount, 9);
    EXPECT_EQ(view[C::LstAcc].Items.size(), 9u);
    EXPECT_EQ(view[C::LstAcc].Index, -1);
    EXPECT_EQ(view[C::NAccount].Text, "");
    EXPECT_EQ(Accounts().find("A10"), std::string::npos);
}

TEST_F(ConfigTest, AFileThatCannotBeWrittenOrWasNotReadWholeIsLeftAsItWas) {
    AddAccounts(1);
    const std::string before = Accounts();
    // Something in the way of the temporary file: the write fails.
    std::filesystem::create_directory(dir.File("Accounts.ini.tmp"));
    Fields("B");
    config.AddAccClick();
    ASSERT_EQ(messages.Shown.size(), 1u);
    EXPECT_NE(messages.Shown[0].find("Accounts.ini"), std::string::npos);
    EXPECT_EQ(accounts.AccountCount, 1);
    EXPECT_EQ(view[C::LstAcc].Items, std::vector<std::string>{"A1"});
    Choose(C::LstAcc, 0);
    view.Tick(C::ChkInact, true);
    view.Tick(C::ChkAct, false);
    config.ChkInactClick();
    EXPECT_FALSE(accounts[1].AccInactive);
    EXPECT_TRUE(view[C::ChkAct].Checked);  // the buttons show what stays
    EXPECT_EQ(Accounts(), before);
    std::filesystem::remove(dir.File("Accounts.ini.tmp"));

    messages.Shown.clear();
    host.Unread["Accounts.ini"] = "Accounts.ini, [Account1] port_number: 'x' is not valid";
    config.DelAccClick();
    ASSERT_EQ(messages.Shown.size(), 1u);
    EXPECT_NE(messages.Shown[0].find("port_number: 'x'"), std::string::npos);
    EXPECT_EQ(accounts.AccountCount, 1);
    EXPECT_EQ(Accounts(), before);
}

TEST_F(ConfigTest, FiltersAreWrittenAtOnceAndTheEleventhIsRefused) {
    filters.max_size = 100;
    config.FormShow();
    for (int i = 1; i <= 10; ++i) {
        view.Type(C::FilterEdit, "f" + std::to_string(i));
        config.AddFiltClick();
    }
    EXPECT_EQ(filters.FilterCount, 10);
    EXPECT_EQ(view[C::FilterLst].Index, 9);
    EXPECT_EQ(view[C::FilterEdit].Text, "");
    const std::string ten = Filters();
    view.Type(C::FilterEdit, "f11");
    config.AddFiltClick();
    EXPECT_EQ(messages.Shown, std::vector<std::string>{kMaxFiltersReached});
    EXPECT_EQ(Filters(), ten);

    // Remove one, then adding succeeds again.
    Choose(C::FilterLst, 0);
    config.DelFiltClick();
    view.Type(C::FilterEdit, "f11");
    config.AddFiltClick();
    EXPECT_EQ(filters.FilterCount, 10);
    EXPECT_EQ(filters.Filters[0], "f2");
    EXPECT_EQ(filters.Filters[9], "f11");

    // Down to two of them: exact bytes, with the size and author boxes as shown.
    while (filters.FilterCount > 3) {
        Choose(C::FilterLst, 0);
        config.DelFiltClick();
    }
    view.Tick(C::ChkAutFltr, true);
    view.Type(C::SizeAtt, "");
    Choose(C::FilterLst, 2);
    config.DelFiltClick();
    EXPECT_EQ(Filters(),
              "\r\n[Filter1]\r\nstring=f9\r\n\r\n[Filter2]\r\nstring=f10\r\n"
              "\r\n[Misc]\r\nmax_size=\r\nauth_fltr= 1\r\n");
    EXPECT_EQ(filters.FilterCount, 2);
    EXPECT_EQ(view[C::FilterLst].Index, 1);
    // Both that stay are in force at once; the removed one is not.
    EXPECT_FALSE(PassesFilters("about F9", filters));
    EXPECT_FALSE(PassesFilters("about F10", filters));
    EXPECT_TRUE(PassesFilters("about F11", filters));
}

TEST_F(ConfigTest, ASizeLimitThatIsNotAWholeNumberIsNeverWritten) {
    config.FormShow();
    view.Type(C::FilterEdit, "spam");
    config.AddFiltClick();
    const std::string before = Filters();
    for (const char* text : {"abc", "12kb", "-1", "99999999999", "1.5"}) {
        messages.Shown.clear();
        view.Type(C::SizeAtt, text);
        view.Type(C::FilterEdit, "more");
        config.AddFiltClick();
        config.OKClick();
        EXPECT_EQ(messages.Shown, (std::vector<std::string>{kBadSizeAtt, kBadSizeAtt})) << text;
        EXPECT_EQ(view.Focused, C::SizeAtt);
        EXPECT_EQ(Filters(), before) << text;
        EXPECT_EQ(filters.FilterCount, 1);
        EXPECT_FALSE(view.Result.has_value());  // the dialog stays open
        EXPECT_FALSE(test::FileExists(dir.File("Vexil.ini")));
    }
}

TEST_F(ConfigTest, OpeningShowsTheSettingsAndTheNearestEntryForValuesOutsideTheLists) {
    host.Entries = {"Dial1", "Dial2"};
    host.Sources = {"One|http://one.example|first|u", "Two|www.two.example|second|u"};
    TConfig dialog{view, host, messages, settings, accounts, filters, dir.Path()};
    dialog.FormCreate();
    settings.icon_tray = false;
    settings.hidden = true;
    settings.RAS_num = 5;
    settings.srv_news = -3;
    settings.speed = 7;
    settings.minutes = 500;
    settings.min_scroll = -2;
    settings.wavsnd = "none";
    dialog.FormShow();

    EXPECT_EQ(view.Page, TConfigPage::Options);
    EXPECT_FALSE(view[C::ChkHide].Enabled);
    EXPECT_FALSE(view[C::ChkHide].Checked);
    EXPECT_EQ(view[C::LstRAS].Index, 1);
    EXPECT_EQ(view[C::LstSrv].Items, (std::vector<std::string>{"One", "Two"}));
    EXPECT_EQ(view[C::LstSrv].Index, 0);
    EXPECT_EQ(view[C::ScrollSpeed].Index, 2);
    EXPECT_EQ(view[C::UpDown].Position, 99);
    EXPECT_EQ(view[C::NewsUpDown].Position, 0);
    EXPECT_EQ(view[C::SndFile].Text, "");
    EXPECT_EQ(view[C::InfSk].Text, settings.current_skin);
    EXPECT_EQ(view[C::SkName].Text, "Blue");
    // Shown, not changed: only OK writes them back.
    EXPECT_EQ(settings.RAS_num, 5);
    EXPECT_EQ(settings.speed, 7);

    view.Tick(C::ChkTray, true);
    dialog.ChkTrayClick();
    EXPECT_TRUE(view[C::ChkHide].Enabled);
    EXPECT_FALSE(view[C::ChkHide].Checked);

    dialog.FiltreBtnClick();
    EXPECT_EQ(view[C::WebInfo].Target, "http://one.example");
    Choose(C::LstSrv, 1);
    dialog.LstSrvChange();
    EXPECT_EQ(settings.srv_news, 1);
    EXPECT_EQ(view[C::WebInfo].Text, "www.two.example");
    EXPECT_EQ(view[C::WebInfo].Target, "http://www.two.example");
    EXPECT_EQ(view[C::WebComment].Text, "second");

    dialog.OKClick();
    EXPECT_EQ(view.Result, TModalResult::OK);
    const std::string ini = ReadFileBytes(dir.File("Vexil.ini"));
    for (const char* line : {"\r\nminutes = 99\r\n", "\r\nRAS_num = 1\r\n", "\r\nsrv_news =1\r\n",
                             "\r\nspeed = 2\r\n", "\r\nmin_scroll = 0\r\n", "\r\nicon_tray =1\r\n",
                             "\r\nhidden =0\r\n", "\r\nwavsnd = \r\n", "\r\nposX = 7\r\n",
                             "\r\nontop =1\r\n"})
        EXPECT_NE(ini.find(line), std::string::npos) << line;
}

TEST_F(ConfigTest, ChoosingADialUpEntryWritesEveryOptionAsShownAtOnce) {
    host.Entries = {"Dial1", "Dial2"};
    TConfig dialog{view, host, messages, settings, accounts, filters, dir.Path()};
    dialog.FormCreate();
    settings.minutes = 5;
    dialog.FormShow();
    view.Tick(C::ChkSnd, true);
    view.Type(C::SndFile, "C:\\ding.wav");
    view.Tick(C::ChkRAS, true);
    view.Tick(C::ChkLan, false);
    Choose(C::LstRAS, 1);
    dialog.LstRASChange();
    dialog.CancelClick();
    EXPECT_EQ(view.Result, TModalResult::Cancel);
    EXPECT_EQ(settings.RAS_num, 1);
    EXPECT_EQ(ReadFileBytes(dir.File("Vexil.ini")),
              "current_skin = " + settings.current_skin +
                  "\r\nautocheck =0\r\nautoconnect =0\r\nheader_only =0\r\nontop =1\r\n"
                  "minutes = 5\r\nposX = 7\r\nposY = 8\r\nmemo_posX = 50\r\nmemo_posY = 100\r\n"
                  "playsnd =1\r\nwavsnd = C:\\ding.wav\r\nicon_tray =0\r\nrun_my_client =0\r\n"
                  "my_mail_client = \r\nreset =0\r\nskin_dir = skins\r\nRAS_connect =1\r\n"
                  "RAS_num = 1\r\nfilter =0\r\nhidden =0\r\nsrv_news =0\r\nspeed = 0\r\n"
                  "min_scroll = 20\r\n");
}

TEST_F(ConfigTest, TheSkinPageReadsEveryLineAndTheLastKeyWins) {
    const std::string green = dir.Path() + "Green" + kPathDelim;
    std::filesystem::create_directory(green);
    WriteFileBytes(green + "skin.ini",
                   "skin_name = Blue\r\n; skin_author = Bob\nskin_name = Green\r"
                   "[x]\r\nskin_web = file:///C:/evil.exe\r\nskin_mail = ann@example.org\r\n"
                   "skin_info\r\n");
    config.ShowSkinInfo(green + "skin.ini");
    EXPECT_EQ(view[C::InfSk].Text, green);
    EXPECT_EQ(view[C::SkName].Text, "Green");
    EXPECT_EQ(view[C::SkAuthor].Text, "Bob");
    EXPECT_EQ(view[C::SkWeb].Text, "file:///C:/evil.exe");
    EXPECT_EQ(view[C::SkWeb].Target, "");  // shown, never opened
    EXPECT_EQ(view[C::SkEmail].Target, "mailto:ann@example.org");
    EXPECT_EQ(view[C::SkInfo].Text, "skin_info");

    // A skin without a name shows none, not the one before.
    WriteFileBytes(green + "skin.ini", "skin_author = Cy\r\n");
    config.ShowSkinInfo(green + "skin.ini");
    EXPECT_EQ(view[C::SkName].Text, "");
    EXPECT_EQ(view[C::SkAuthor].Text, "Cy");

    config.ShowSkinInfo(dir.Path() + "missing" + kPathDelim + "skin.ini");
    EXPECT_EQ(view[C::SkAuthor].Text, "");
    EXPECT_EQ(view[C::InfSk].Text, dir.Path() + "missing" + kPathDelim);
    EXPECT_EQ(messages.Errors.size(), 1u);
}

TEST(SafeLinkTarget, OnlyWebAndMailAddressesOpen) {
    const std::pair<const char*, const char*> cases[] = {
        {"http://a.example/x", "http://a.example/x"},
        {" HTTPS://a.example ", "HTTPS://a.example"},
        {"www.a.example", "http://www.a.example"},
        {"ann@a.example", "mailto:ann@a.example"},
        {"mailto:ann@a.example", "mailto:ann@a.example"},
        {"C:\\Windows\\calc.exe", ""},
        {"file:///C:/x", ""},
        {"\\\\server\\share\\x.exe", ""},
        {"http://a.example/\"x", ""},
        {"http://a b", ""},
        {"user@host:evil", ""},
        {"http://", ""},
        {"https://evil.example@a.example/", ""},
        {"http\\..\\..\\calc.exe", ""},
        {"", ""},
    };
    for (const auto& [text, target] : cases) EXPECT_EQ(SafeLinkTarget(text), target) << text;
}

TEST_F(ConfigTest, PreviewThenCloseRestoresThenOKKeepsTheNewSkin) {
    const std::string green = dir.Path() + "Green" + kPathDelim;
    std::filesystem::create_directory(green);
    WriteFileBytes(green + "skin.ini", "skin_name = Green\r\n");
    const std::string old = settings.current_skin;

    config.FormShow();
    host.Visible = false;
    view.NextFile = green + "skin.ini";
    config.BrowseClick();
    EXPECT_EQ(view.FileRequests.back().Filter, "Ini files (*.ini) | *.ini");
    EXPECT_EQ(view.FileRequests.back().FileName, "Skin.ini");
    EXPECT_EQ(view.FileRequests.back().InitialDir, dir.Path() + "skins");
    EXPECT_TRUE(host.Visible);
    EXPECT_EQ(host.Previews, std::vector<std::string>{green});
    EXPECT_EQ(view[C::SkName].Text, "Green");
    EXPECT_EQ(settings.current_skin, old);
    config.CancelClick();
    EXPECT_EQ(host.Restores, 1);
    EXPECT_EQ(view.Result, TModalResult::Cancel);
    EXPECT_FALSE(test::FileExists(dir.File("Vexil.ini")));

    // A refused preview leaves the page on the skin in use.
    config.FormShow();
    host.RefusePreview = true;
    config.BrowseClick();
    EXPECT_EQ(view[C::SkName].Text, "Blue");
    EXPECT_FALSE(config.SkinChanged());
    host.RefusePreview = false;

    // With the message window preview ticked it shows, even if it was closed.
    view.Tick(C::ChkPreview, true);
    config.BrowseClick();
    EXPECT_EQ(host.MsgShows, 1);
    config.OKClick();
    EXPECT_EQ(view.Result, TModalResult::OK);
    EXPECT_EQ(host.Restores, 1);
    EXPECT_FALSE(host.MsgVisible);
    EXPECT_EQ(settings.current_skin, green);
    EXPECT_EQ(ReadFileBytes(dir.File("Vexil.ini")).find("current_skin = " + green + "\r\n"), 0u);
}

TEST_F(ConfigTest, BrowseButtonsUseTheSystemDialogs) {
    config.FormShow();
    view.NextFile = "C:\\x\\ding.wav";
    config.SndBrClick();
    EXPECT_EQ(view[C::SndFile].Text, "C:\\x\\ding.wav");
    view.NextFile.reset();
    config.BrClientClick();  // cancelled: the field keeps its text
    EXPECT_EQ(view[C::MailClient].Text, "");
    EXPECT_EQ(view.FileRequests[1].Filter, "Exe files (*.exe) | *.exe");
    view.NextFolder = "D:\\skins";
    config.BrSkinClick();
    EXPECT_EQ(view.FolderTitles, std::vector<std::string>{kSkinFolderTitle});
    EXPECT_EQ(view[C::SkinRep].Text, "D:\\skins");
    EXPECT_EQ(settings.skin_dir, "D:\\skins");
}

TEST_F(ConfigTest, ALinkOpensItsTargetAndClosesLikeClose) {
    config.FormShow();
    view.NextFile = dir.Path() + settings.current_skin + "skin.ini";
    config.BrowseClick();
    config.LinkClick(C::SkWeb, "http://a.example");
    EXPECT_EQ(host.Opened, std::vector<std::string>{"http://a.example"});
    EXPECT_EQ(view.Result, TModalResult::Cancel);
    EXPECT_EQ(host.Restores, 1);
}

}  // namespace
}  // namespace vexil
