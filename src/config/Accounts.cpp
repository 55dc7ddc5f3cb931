// Loading of VxFilter.ini and Accounts.ini.
#include "config/Accounts.h"

#include "base/Charsets.h"

#include "base/Text.h"
#include "config/IniFile.h"
#include "config/Scramble.h"
#include "config/Settings.h"

namespace vexil {

namespace {

// Both "none" (key missing or empty) and "" (file unreadable) mean no value.
bool Missing(const std::string& value) { return value.empty() || value == "none"; }

// What a missing password line unscrambles to.
const char* const kUnscrambledNone = ";;;6";

}  // namespace

void LoadFilters(TFilterTable& f, TAccountTable& a, const std::string& exeDir,
                 TLoadReport& report) {
    a.AccountCount = 0;
    for (TPOPAcc& acc : a.Slots) {
        acc.AccName.clear();
        acc.AccHost.clear();
        acc.AccUser.clear();
        acc.AccPassword.clear();
    }
    for (std::string& filter : f.Filters) filter.clear();
    f.FilterCount = 0;

    const std::string fileName = ConfigFilePath(exeDir, "VxFilter.ini");
    // A gap ends the list: the filters are numbered without holes.
    for (int n = 1; n <= kMaxFilters; ++n) {
        const std::string value =
            FindInSkin(fileName, "[Filter" + std::to_string(n) + "]", "string", false, nullptr);
        if (Missing(value)) break;
        // Filters are UTF-8, as the mail they are matched with; a file of an
        // earlier version holds them in the system's code page.
        f.Filters[n - 1] = RawToUtf8(value);
        f.FilterCount = n;
    }

    const std::string maxSize = FindInSkin(fileName, "[Misc]", "max_size", false, nullptr);
    try {
        f.max_size = Missing(maxSize) ? 0 : StrToInt(maxSize);
    } catch (const EConvertError& e) {
        report.Malformed("VxFilter.ini", "[Misc] max_size", e.what());
    }
    f.auth_fltr = FindInSkin(fileName, "[Misc]", "auth_fltr", false, nullptr) == "1";
}

TCurrentAccount LoadAccounts(TAccountTable& a, const std::string& exeDir, TLoadReport& report) {
    const std::string fileName = ConfigFilePath(exeDir, "Accounts.ini");
    for (int i = 1; i <= kMaxAccounts; ++i) {
        const std::string section = "[account" + std::to_string(i) + "]";
        auto lookUp = [&](const char* key) {
            return FindInSkin(fileName, section, key, false, nullptr);
        };
        const std::string name = lookUp("acc_name");
        if (Missing(name)) break;
        const std::string host = lookUp("host_name");
        const std::string user = lookUp("user_name");
        std::string password = UnscramblePassword(lookUp("password"));
        if (password == kUnscrambledNone) password.clear();
        const bool inactive = lookUp("inactive") == "1";
        const std::string port = lookUp("port_number");
        std::int32_t portNumber = 110;
        try {
            if (!Missing(port)) portNumber = StrToInt(port);
        } catch (const EConvertError& e) {
            report.Malformed("Accounts.ini", "[Account" + std::to_string(i) + "] port_number",
                             e.what());
        }

        TSecurity security = TSecurity::Auto;
        std::string word;
        if (FindKeyInSection(fileName, section, "security", word) && !word.empty() &&
            !ParseSecurity(word, security))
            report.Malformed("Accounts.ini", "[Account" + std::to_string(i) + "] security",
                             "'" + word + "' is not auto, tls, starttls or none");
        TProtocol protocol = TProtocol::Pop3;
        word.clear();
        if (FindKeyInSection(fileName, section, "protocol", word) && !word.empty() &&
            !ParseProtocol(word, protocol))
            report.Malformed("Accounts.ini", "[Account" + std::to_string(i) + "] protocol",
                             "'" + word + "' is not pop3 or imap");

        // A missing host or user reads as "none" and is kept as such: only an
        // unreadable file leaves them empty.
        if (host.empty() || user.empty()) continue;
        if (a.AccountCount >= kMaxAccounts) break;
        TPOPAcc& slot = a[++a.AccountCount];
        slot.AccName = name;
        slot.AccHost = host;
        slot.AccUser = user;
        slot.AccPassword = password;
        slot.AccInactive = inactive;
        slot.AccPort = portNumber;
        slot.AccSecurity = security;
        slot.AccProtocol = protocol;
    }

    TCurrentAccount current;
    current.AccountIndex = a.AccountCount + 1;
    for (int i = 1; i <= a.AccountCount; ++i) {
        if (a[i].AccName.empty() || a[i].AccInactive) continue;
        current.HasValidAccount = true;
        current.AccountIndex = i;
        current.FirstActiveAccount = i;
        break;
    }
    return current;
}

}  // namespace vexil
