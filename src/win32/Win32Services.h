// Win32 implementations of the message boxes and system services that the
// logic uses.
#pragma once

#include <windows.h>

#include <memory>

#include "app/MainWindowView.h"
#include "platform/Platform.h"

namespace vexil {

class TWin32Messages : public IMessages {
public:
    void ShowMessage(const std::string& text) override;
    void ReportError(const std::string& text) override;
    // Called before the process ends at once (removes what the shell would
    // otherwise keep, such as a notification-area icon).
    void (*BeforeHalt)() = nullptr;
    // The window a message speaks for when none of ours is active: the main
    // window.  A box always has an owner, which the system activates again
    // when the box closes, so the keys go on reaching the program.
    HWND Owner = nullptr;

protected:
    void EndProgram(int code) override;

private:
    HWND BoxOwner() const;
};

class TWin32System : public ISystemServices {
public:
    std::string ExeDir() override;
    TPicture LoadMetafile(const std::string& path) override;
    std::string HostNameAndAddress() override;
    std::string NowDateTime() override;
    void ShellOpen(const std::string& target) override;
    void ShellRun(const std::string& verb, const std::string& file,
                  const std::string& parameters) override;
    void RunProgram(const std::string& program, const std::string& parameters) override;
    std::string ReadMailtoCommand() override;
    void PlayWave(const std::string& path) override;
    IRasApi& RasApi() override;
    std::unique_ptr<IHttpRequest> NewHttpRequest() override;
    std::string NewsHost() override;

private:
    std::unique_ptr<IRasApi> ras_;
};

// Message box text: a lone carriage return breaks the line.
std::string MessageBoxText(const std::string& text);

}  // namespace vexil
