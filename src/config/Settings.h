// The options of Vexil.ini as held in memory, and their loading.  The files in
// the program's directory are the reference: every change is written to them
// first and then read back.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "config/Accounts.h"
#include "config/Scramble.h"

namespace vexil {

class IMessages;

// One member per key of Vexil.ini.  A text setting holding "none" is not set.
struct TSettings {
    std::string current_skin;  // ends with a directory separator
    bool filter = false, autocheck = false, playsnd = false;
    std::string wavsnd = "none";
    bool autoconnect = false, header_only = false, ontop = false, icon_tray = false,
         RAS_connect = false, hidden = false;
    std::int32_t RAS_num = 0, srv_news = 0, speed = 0;
    bool run_my_client = false;
    std::string my_mail_client = "none";
    bool reset = false;
    std::string skin_dir;  // no trailing separator
    std::int32_t minutes = 1, min_scroll = 20, posx = 50, posy = 50, memo_posx = 50,
                 memo_posy = 100;
};

// The values of a load that were not numbers where numbers belong.  Each is
// reported with its file, section and key; the load goes on without it.
class TLoadReport {
public:
    void Malformed(const std::string& file, const std::string& key, const std::string& error);
    bool Empty() const { return lines_.empty(); }
    // One line per value, for the general error report.
    std::string Text() const;
    // The lines of one file ("" when it was read whole).
    std::string TextOf(const std::string& file) const;

private:
    std::vector<std::pair<std::string, std::string>> lines_;  // file, line
};

// What loading the options changes in the main window.  Any hook may be empty.
struct TConfigHooks {
    std::function<void()> ResetPauseTicks;
    std::function<void(bool)> SetOnTopMark;     // the stay-on-top menu item's check mark
    std::function<void(int ms)> SetTickerInterval;
};

// exeDir ends with a separator.
// A path from the settings: absolute ones ("C:...", or starting with a
// separator) as they are, others below the program's directory.  Settings keep
// such paths as written, so the program's folder can be moved.
std::string ProgramPath(const std::string& exeDir, const std::string& path);
std::string ConfigFilePath(const std::string& exeDir, const char* name);

// Reads exeDir + "Vexil.ini" into s.  A missing file or current_skin line shows
// kSkinPathNotFound and halts through messages.  While skinPicked is set,
// current_skin is left as it is.  A malformed integer goes to the report and
// keeps the setting's value; the load goes on with the next key.
void LitConfig(TSettings& s, const std::string& exeDir, bool skinPicked, IMessages& messages,
               const TConfigHooks& hooks, TLoadReport& report);

}  // namespace vexil
