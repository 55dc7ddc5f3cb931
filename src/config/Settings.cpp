// Loading of Vexil.ini.
#include "config/Settings.h"

#include <cctype>

#include "base/Charsets.h"
#include "base/Text.h"
#include "config/IniFile.h"
#include "platform/Platform.h"

namespace vexil {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// "C:..." or a leading separator; anything else lies below the program's directory.
bool IsAbsolutePath(const std::string& path) {
    if (!path.empty() && IsSeparator(path[0])) return true;
    return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) &&
           path[1] == ':';
}

class TOptionsReader {
public:
    TOptionsReader(const std::string& fileName, IMessages& messages, TLoadReport& report)
        : fileName_(fileName), messages_(messages), report_(report) {}

    // A file that vanished since current_skin was read counts as holding no keys.
    std::string Text(const char* key) const {
        const std::string value = FindInSkin(fileName_, "", key, false, &messages_);
        return value.empty() ? "none" : value;
    }
    bool Flag(const char* key) const { return Text(key) == "1"; }
    // A missing key gives its default; a malformed value is reported and
    // leaves the setting as it was.  False for a malformed value.
    bool Int(const char* key, std::int32_t missing, std::int32_t& setting) const {
        const std::string value = Text(key);
        if (value == "none") {
            setting = missing;
            return true;
        }
        try {
            setting = StrToInt(value);
            return true;
        } catch (const EConvertError& e) {
            report_.Malformed("Vexil.ini", key, e.what());
            return false;
        }
    }

private:
    std::string fileName_;
    IMessages& messages_;
    TLoadReport& report_;
};

// The ticker's timer interval for each speed of the settings dialog's list.
void ApplyTickerSpeed(std::int32_t speed, const TConfigHooks& hooks) {
    static const int kIntervalMs[] = {30, 15, 5};
    if (speed >= 0 && speed <= 2 && hooks.SetTickerInterval)
        hooks.SetTickerInterval(kIntervalMs[speed]);
}

// File names are UTF-8 inside and in what the program writes; a file written
// in the system's code page (by an older version, or by hand) still loads.
std::string PathSetting(const std::string& text) { return RawToUtf8(text); }

void ReadOptions(TSettings& s, const TOptionsReader& ini, const std::string& exeDir,
                 const TConfigHooks& hooks) {
    s.filter = ini.Flag("filter");
    s.autocheck = ini.Flag("autocheck");
    s.playsnd = ini.Flag("playsnd");
    s.wavsnd = PathSetting(ini.Text("wavsnd"));
    s.autoconnect = ini.Flag("autoconnect");
    s.header_only = ini.Flag("header_only");
    s.ontop = ini.Flag("ontop");
    s.icon_tray = ini.Flag("icon_tray");
    s.RAS_connect = ini.Flag("RAS_connect");
    s.hidden = ini.Flag("hidden");
    ini.Int("RAS_num", 0, s.RAS_num);
    ini.Int("srv_news", 0, s.srv_news);
    if (ini.Int("speed", 0, s.speed)) ApplyTickerSpeed(s.speed, hooks);
    if (hooks.SetOnTopMark) hooks.SetOnTopMark(s.ontop);
    s.run_my_client = ini.Flag("run_my_client");
    s.my_mail_client = PathSetting(ini.Text("my_mail_client"));
    s.reset = ini.Flag("reset");
    const std::string skinDir = PathSetting(ini.Text("skin_dir"));
    s.skin_dir = skinDir == "none" ? exeDir + "skins" : skinDir;
    ini.Int("minutes", 1, s.minutes);
    ini.Int("min_scroll", 20, s.min_scroll);
    // The writer puts posX before memo_posX: the lookup takes the first line
    // that holds the key, so this order matters.
    ini.Int("posx", 50, s.posx);
    ini.Int("posy", 50, s.posy);
    ini.Int("memo_posx", 50, s.memo_posx);
    ini.Int("memo_posy", 100, s.memo_posy);
}

}  // namespace

std::string ConfigFilePath(const std::string& exeDir, const char* name) { return exeDir + name; }

std::string ProgramPath(const std::string& exeDir, const std::string& path) {
    return IsAbsolutePath(path) ? path : exeDir + path;
}

void TLoadReport::Malformed(const std::string& file, const std::string& key,
                            const std::string& error) {
    lines_.emplace_back(file, file + ", " + key + ": " + error);
}

std::string TLoadReport::Text() const { return TextOf(""); }

std::string TLoadReport::TextOf(const std::string& file) const {
    std::string text;
    for (const auto& [from, line] : lines_) {
        if (!file.empty() && from != file) continue;
        if (!text.empty()) text += '\r';
        text += line;
    }
    return text;
}

void LitConfig(TSettings& s, const std::string& exeDir, bool skinPicked, IMessages& messages,
               const TConfigHooks& hooks, TLoadReport& report) {
    if (hooks.ResetPauseTicks) hooks.ResetPauseTicks();
    if (hooks.SetOnTopMark) hooks.SetOnTopMark(false);

    const std::string fileName = ConfigFilePath(exeDir, "Vexil.ini");
    if (!skinPicked) {
        // An unreadable file halts inside the lookup.
        const std::string skin = FindInSkin(fileName, "", "current_skin", true, &messages);
        if (skin == "none" || skin.empty()) {
            messages.ShowMessage(kSkinPathNotFound);
            messages.Halt(1);
        }
        s.current_skin = PathSetting(skin);
        if (!IsSeparator(s.current_skin.back())) s.current_skin += kPathDelim;
    }

    ReadOptions(s, TOptionsReader(fileName, messages, report), exeDir, hooks);
}

}  // namespace vexil
