// The settings writers.  Each file is replaced whole (ReplaceFileWhole), so
// that a full disk or a failed write never leaves a shortened settings file
// behind.
#include "config/SettingsWriter.h"

#include "base/FileReplace.h"
#include "config/Scramble.h"
#include "config/Settings.h"

namespace vexil {

namespace {

class TLines {
public:
    TLines& operator<<(const std::string& line) {
        text_ += line;
        text_ += "\r\n";
        return *this;
    }
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

std::string Flag(bool value) { return value ? "1" : "0"; }
std::string Int(std::int32_t value) { return std::to_string(value); }

}  // namespace

TSettings OptionsAsShown(TSettings s) {
    for (std::string* text : {&s.wavsnd, &s.my_mail_client, &s.skin_dir})
        if (*text == "none") text->clear();
    return s;
}

void WriteOptions(const std::string& path, const TSettings& s, std::int32_t posX,
                  std::int32_t posY, bool onTopMark) {
    // posX and posY come before memo_posX and memo_posY: the reader takes the
    // first line that holds a key.
    TLines out;
    out << "current_skin = " + s.current_skin
        << "autocheck =" + Flag(s.autocheck)
        << "autoconnect =" + Flag(s.autoconnect)
        << "header_only =" + Flag(s.header_only)
        << "ontop =" + Flag(onTopMark)
        << "minutes = " + Int(s.minutes)
        << "posX = " + Int(posX)
        << "posY = " + Int(posY)
        << "memo_posX = " + Int(s.memo_posx)
        << "memo_posY = " + Int(s.memo_posy)
        << "playsnd =" + Flag(s.playsnd)
        << "wavsnd = " + s.wavsnd
        << "icon_tray =" + Flag(s.icon_tray)
        << "run_my_client =" + Flag(s.run_my_client)
        << "my_mail_client = " + s.my_mail_client
        << "reset =" + Flag(s.reset)
        << "skin_dir = " + s.skin_dir
        << "RAS_connect =" + Flag(s.RAS_connect)
        << "RAS_num = " + Int(s.RAS_num)
        << "filter =" + Flag(s.filter)
        << "hidden =" + Flag(s.hidden)
        << "srv_news =" + Int(s.srv_news)
        << "speed = " + Int(s.speed)
        << "min_scroll = " + Int(s.min_scroll);
    ReplaceFileWhole(path, out.Text());
}

void WriteAccounts(const std::string& path, const TAccountTable& a) {
    TLines out;
    for (int i = 1; i <= a.AccountCount; ++i) {
        const TPOPAcc& acc = a[i];
        out << ""
            << "[Account" + Int(i) + "]"
            << "acc_name = " + acc.AccName
            << "host_name = " + acc.AccHost
            << "user_name = " + acc.AccUser
            << "password = " + ScramblePassword(acc.AccPassword)
            << "port_number = " + Int(acc.AccPort)
            << "inactive = " + Flag(acc.AccInactive)
            << std::string("security = ") + SecurityKeyword(acc.AccSecurity)
            << std::string("protocol = ") + ProtocolKeyword(acc.AccProtocol);
    }
    ReplaceFileWhole(path, out.Text());
}

bool StoreAccountSecurity(const std::string& exeDir, int index, const TPOPAcc& expected,
                          TSecurity security) {
    TAccountTable now;
    TLoadReport report;
    LoadAccounts(now, exeDir, report);
    if (!report.TextOf("Accounts.ini").empty()) return false;
    if (index < 1 || index > now.AccountCount) return false;
    TPOPAcc& acc = now[index];
    if (acc.AccName != expected.AccName || acc.AccHost != expected.AccHost ||
        acc.AccUser != expected.AccUser || acc.AccPort != expected.AccPort ||
        acc.AccProtocol != expected.AccProtocol)
        return false;
    acc.AccSecurity = security;
    WriteAccounts(ConfigFilePath(exeDir, "Accounts.ini"), now);
    return true;
}

void WriteFilters(const std::string& path, const std::vector<std::string>& list,
                  const std::string& maxSizeText, bool authFltr, TFilterTable& filters) {
    if (list.size() > filters.Filters.size())
        throw std::invalid_argument("more than 10 filters");
    TLines out;
    for (size_t i = 0; i < list.size(); ++i)
        out << "" << "[Filter" + std::to_string(i + 1) + "]" << "string=" + list[i];
    out << "" << "[Misc]" << "max_size=" + maxSizeText << "auth_fltr= " + Flag(authFltr);
    ReplaceFileWhole(path, out.Text());

    // Only a list that reached the file is in force.
    for (size_t i = 0; i < list.size(); ++i) filters.Filters[i] = list[i];
    filters.FilterCount = static_cast<int>(list.size());
}

}  // namespace vexil
