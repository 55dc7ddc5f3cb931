// A program folder of its own for a main window under Wine: the shipped
// skins, a Vexil.ini of the test's, and system services that answer from that
// folder and record the programs the logic would start.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/FakeMessages.h"
#include "support/TempDir.h"
#include "win32/MainWindow.h"
#include "win32/Win32Services.h"

namespace vexil::test {

class TFolderSystem : public TWin32System {
public:
    std::string Dir;
    std::vector<std::string> Started;  // programs run, by the shell or directly
    std::string ExeDir() override { return Dir; }
    std::string ReadMailtoCommand() override { return "C:\\mail\\mail.exe %1"; }
    void RunProgram(const std::string& program, const std::string&) override {
        Started.push_back(program);
    }
    void ShellRun(const std::string&, const std::string& file, const std::string&) override {
        Started.push_back(file);
    }
};

// The main window started on its own folder with `ini` added to Vexil.ini.
class TProgramFolderWin32 {
public:
    explicit TProgramFolderWin32(const std::string& ini = std::string()) {
        namespace fs = std::filesystem;
        fs::copy(fs::path(VEXIL_SOURCE_DIR) / "skins", fs::path(dir.Path()) / "skins",
                 fs::copy_options::recursive);
        WriteFileBytes(dir.File("Vexil.ini"),
                       "current_skin = skins\\Default\\\r\nposX = 60\r\nposY = 70\r\n" + ini);
        WriteFileBytes(dir.File("Accounts.ini"), "");
        WriteFileBytes(dir.File("VxFilter.ini"), "");
        system.Dir = dir.Path();
        window.Logic().FormCreate();
        ::ShowWindow(window.Handle(), SW_SHOWNOACTIVATE);
    }
    // Runs the messages waiting for the window.
    static void Pump() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }

    TTempDir dir;
    TFakeMessages messages;
    TFolderSystem system;
    TMainWindow window{GetModuleHandleA(nullptr), nullptr, system, messages};
};

}  // namespace vexil::test
