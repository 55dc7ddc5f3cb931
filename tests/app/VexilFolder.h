// A program folder of its own for a TVexil under test: the shipped skins,
// Vexil.ini with the Default skin plus whatever a test adds, accounts and
// filters, and the fakes of its window and system.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "app/Vexil.h"
#include "support/FakeMainWindow.h"
#include "support/FakeMessages.h"
#include "support/ScriptedServer.h"
#include "support/TempDir.h"

namespace vexil::test {

// What DrawBitmapText puts on the status line (or the count) of window for
// text, rendered straight from the skin's font file.
inline TImage32 RenderedText(const TVexil& window, const std::string& text, bool count) {
    const TSkin& s = window.Skin();
    const TImage32 font = LoadBitmapFile(count ? s.CountFontPath : s.StatusFontPath).First();
    return count ? RenderBitmapText(text, 0, font, s.CountH, s.CountW, TFontLayout::Count,
                                    s.MaxChar, nullptr, 0, 0)
                       .Picture
                 : RenderBitmapText(text, 0, font, s.StatusH, s.StatusW, TFontLayout::Status,
                                    s.MaxChar, &window.Background(), s.StatusX, s.StatusY)
                       .Picture;
}

// One account of Accounts.ini as a test writes it.
struct TAccount {
    std::string Name, Host, User, Password;
    int Port = 110;
    bool Inactive = false;
    const char* Security = nullptr;  // the security line's word; null: no line
    const char* Protocol = nullptr;  // the protocol line's word; null: no line
};

// The folder and the window's fakes, for fixtures that also derive from
// another test base (such as the Dovecot one).
class TVexilFolderData {
public:
    TVexilFolderData() {
        namespace fs = std::filesystem;
        fs::copy(fs::path(VEXIL_SOURCE_DIR) / "skins", fs::path(dir.Path()) / "skins",
                 fs::copy_options::recursive);
        WriteIni("");
        WriteFileBytes(dir.File("Accounts.ini"), "");
        WriteFileBytes(dir.File("VxFilter.ini"), "");
        system.Dir = dir.Path();
    }

    void WriteIni(const std::string& extra) {
        WriteFileBytes(dir.File("Vexil.ini"),
                       "current_skin = skins/Default/\r\nposX = 30\r\nposY = 40\r\n" + extra);
    }
    // Accounts "name:inactive" in file order, each on a loopback server at
    // that port (1: nothing listens).
    void WriteAccounts(const std::vector<std::pair<std::string, bool>>& accounts, int port = 1) {
        std::vector<int> ports(accounts.size(), port);
        WriteAccounts(accounts, ports);
    }
    void WriteAccounts(const std::vector<std::pair<std::string, bool>>& accounts,
                       const std::vector<int>& ports) {
        std::string text;
        for (size_t i = 0; i < accounts.size(); ++i) {
            text += "[account" + std::to_string(i + 1) + "]\r\nacc_name = " + accounts[i].first +
                    "\r\nhost_name = 127.0.0.1\r\nuser_name = u\r\nport_number = " +
                    std::to_string(ports[i]) + "\r\ninactive =" +
                    (accounts[i].second ? "1" : "0") + "\r\n";
        }
        WriteFileBytes(dir.File("Accounts.ini"), text);
    }
    // Accounts.ini holding these accounts, in order, passwords scrambled.
    void Accounts(const std::vector<TAccount>& accounts) {
        std::string text;
        int n = 0;
        for (const TAccount& a : accounts)
            text += "\r\n[Account" + std::to_string(++n) + "]\r\nacc_name = " + a.Name +
                    "\r\nhost_name = " + a.Host + "\r\nuser_name = " + a.User +
                    "\r\npassword = " + ScramblePassword(a.Password) +
                    "\r\nport_number = " + std::to_string(a.Port) + "\r\ninactive = " +
                    (a.Inactive ? "1" : "0") + "\r\n" +
                    (a.Security ? std::string("security = ") + a.Security + "\r\n" : "") +
                    (a.Protocol ? std::string("protocol = ") + a.Protocol + "\r\n" : "");
        WriteFileBytes(dir.File("Accounts.ini"), text);
    }
    // Runs action once, at the first wait of whatever command comes next:
    // a click or a tick that arrives while a server is slow to answer.  Tells
    // afterwards whether it ran.
    void AtNextWait(std::function<void()> action) {
        actedAtWait_ = false;
        view.OnProcessMessages = [this, action = std::move(action)] {
            if (actedAtWait_) return;
            actedAtWait_ = true;
            action();
        };
    }
    bool ActedAtWait() const { return actedAtWait_; }

    // Loads the files again as picking a skin from the menu does (the
    // accounts and settings with it).
    void Reload() { vexil.SkinItemClick("Default"); }
    // Creates the window and shows it, as the program does at start.
    void Start() {
        vexil.FormCreate();
        view.Visible = true;
        vexil.FormShow();
    }
    // What DrawBitmapText puts on the status line or the count for text.
    TImage32 Expected(const std::string& text, bool count) { return RenderedText(vexil, text, count); }

    TTempDir dir;
    TFakeMainWindow view;
    TFakeSystem system;
    TFakeMessages messages;
    TVexil vexil{view, system, messages};

private:
    bool actedAtWait_ = false;
};

class TVexilFolder : public ::testing::Test, public TVexilFolderData {};

// One POP3 session of the scripted server: greeting, login, a unique-id
// listing of `count` messages, and the goodbye; the greeting comes after
// `delayMs` (a server slow to answer).
// A server's greeting and its answer to "CAPA": no TLS on offer, so an
// account on automatic security logs in in the clear.
inline TScript& GreetWithoutTls(TScript& script) {
    return script.Send("+OK ready\r\n").Expect().Send("+OK\r\nUSER\r\nUIDL\r\n.\r\n");
}

inline TScript PopSession(int count, int delayMs = 0) {
    std::string listing = "+OK\r\n";
    for (int i = 1; i <= count; ++i)
        listing += std::to_string(i) + " uid" + std::to_string(i) + "\r\n";
    TScript script;
    if (delayMs > 0) script.Pause(delayMs);
    GreetWithoutTls(script).Expect().Send("+OK\r\n").Expect().Send("+OK\r\n").Expect()
        .Send(listing + ".\r\n").Expect();
    return script;
}

// The captions of a menu's items, separators as "-".
inline std::vector<std::string> Captions(const TMenuItem& menu) {
    std::vector<std::string> out;
    for (const TMenuItem& item : menu.Items) out.push_back(item.Caption);
    return out;
}

}  // namespace vexil::test
