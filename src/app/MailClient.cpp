// The MAIL button: starts the user's own mail program, or the one the
// system registers for mailto links, and with the reset option puts the
// count on view back to zero.
#include <exception>

#include "app/Vexil.h"
#include "base/Text.h"

namespace vexil {

namespace {

// Letters and spaces only: the status font has no other characters for it.
const char* const kNoMailProgram = "No mail program registered";

struct TCommand {
    std::string Program, Parameters;
};

// my_mail_client is a program path, optionally followed by a comma and the
// parameters; nothing is trimmed.
TCommand SplitMyMailClient(const std::string& value) {
    const size_t comma = value.find(',');
    if (comma == std::string::npos) return {value, std::string()};
    return {value.substr(0, comma), value.substr(comma + 1)};
}

// The program of a registered mailto command: everything up to the first
// ".exe", without a leading quote.  The registered arguments are dropped
// (they expect the address of a link); Netscape is asked for its mail window
// instead.  A command without ".exe" gives no program: cutting it anywhere
// else would start something the user never registered.
TCommand RegisteredMailProgram(const std::string& command) {
    const std::string lower = LowerCase(command);
    const size_t exe = lower.find(".exe");
    if (exe == std::string::npos) return {};
    TCommand c;
    c.Program = command.substr(0, exe + 4);
    if (!c.Program.empty() && c.Program[0] == '"') c.Program.erase(0, 1);
    if (lower.find("netscape.exe") != std::string::npos) c.Parameters = " -mail";
    return c;
}

}  // namespace

void TVexil::MAILClick() {
    bool started = true;
    if (settings_.run_my_client) {
        const TCommand c = SplitMyMailClient(settings_.my_mail_client);
        system_.ShellRun("OPEN", c.Program, c.Parameters);
    } else {
        const TCommand c = RegisteredMailProgram(system_.ReadMailtoCommand());
        started = !c.Program.empty();
        if (started) system_.RunProgram(c.Program, c.Parameters);
    }

    if (settings_.reset) {
        display_.ShowStatus(cycle_.AccountName() + " empty");
        display_.DrawCount("0");
        ShowMailPicture(false, true);
        // The accounts' previous counts stay: the next check notifies only a
        // rise above the count seen before the reset.
        cycle_.ResetCount();
        AfficheTray(true);
    }

    if (!started) {
        // Shown after the reset so that it is the last word on the status
        // line, and held there a while like a check's result; the status
        // text stays what the line shows otherwise.
        display_.DrawStatus(kNoMailProgram);
        ticker_.Pause();
    }
}

}  // namespace vexil
