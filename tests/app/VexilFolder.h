// A program folder of its own for a TVexil under test: the shipped skins,
// Vexil.ini with the Default skin plus whatever a test adds, accounts and
// filters, and the fakes of its window and system.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/Vexil.h"
#include "support/FakeMainWindow.h"
#include "support/FakeMessages.h"
#include "support/TempDir.h"

namespace vexil::test {

// What DrawBitmapText puts on the status line (or the count) of window for
// text, rendered straight from the skin's font file.
inline TImage32 RenderedText(const TVexil& window, const std::string& text, bool count) {
    const TSkin& s = window.Skin;
    const TImage32 font = LoadBitmapFile(count ? s.CountFontPath : s.StatusFontPath).First();
    return count ? RenderBitmapText(text, 0, font, s.CountH, s.CountW, TFontLayout::Count,
                                    s.MaxChar, nullptr, 0, 0)
                       .Picture
                 : RenderBitmapText(text, 0, font, s.StatusH, s.StatusW, TFontLayout::Status,
                                    s.MaxChar, &window.Background, s.StatusX, s.StatusY)
                       .Picture;
}

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
    // Accounts "name:inactive" in file order, each on an unreachable server.
    void WriteAccounts(const std::vector<std::pair<std::string, bool>>& accounts) {
        std::string text;
        int n = 0;
        for (const auto& [name, inactive] : accounts) {
            text += "[account" + std::to_string(++n) + "]\r\nacc_name = " + name +
                    "\r\nhost_name = 127.0.0.1\r\nuser_name = u\r\nport_number = 1\r\n" +
                    "inactive =" + (inactive ? "1" : "0") + "\r\n";
        }
        WriteFileBytes(dir.File("Accounts.ini"), text);
    }
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
};

class TVexilFolder : public ::testing::Test, public TVexilFolderData {};

// The captions of a menu's items, separators as "-".
inline std::vector<std::string> Captions(const TMenuItem& menu) {
    std::vector<std::string> out;
    for (const TMenuItem& item : menu.Items) out.push_back(item.Caption);
    return out;
}

}  // namespace vexil::test
