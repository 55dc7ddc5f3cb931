// Dial-up over the Windows RAS functions: the real rasapi32 (which holds no
// phonebook entries under Wine), and the record handling of the Win32 side
// against stand-in RAS functions that hold a phonebook and need bigger
// buffers than a first call offers.
#include <windows.h>
#include <ras.h>
#include <raserror.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "dialup/RASControl.h"
#include "win32/RasApi.h"

using namespace vexil;

namespace {

std::string MessageOf(void (*f)(TRASControl&), TRASControl& rasc) {
    try {
        f(rasc);
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(RasWin32, LoadRasFunctionFindsTheAnsiFunctionsOfRasapi32) {
    void* enumEntries = LoadRasFunction("RasEnumEntries");
    HMODULE ras = GetModuleHandleA("rasapi32.dll");
    ASSERT_NE(ras, nullptr);
    EXPECT_EQ(enumEntries, reinterpret_cast<void*>(GetProcAddress(ras, "RasEnumEntriesA")));
    EXPECT_EQ(LoadRasFunction("RasDial"), reinterpret_cast<void*>(GetProcAddress(ras, "RasDialA")));
    try {
        LoadRasFunction("RasNoSuchCall");
        FAIL() << "an unknown function was found";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Function RasNoSuchCall not found!");
    }
}

TEST(RasWin32, RealRasListsNoEntriesAndRefusesToDialOne) {
    auto api = CreateWin32RasApi();
    TRASControl rasc{*api};
    int changes = 0;
    rasc.OnEntryListChange = [&](TRASControl&) { ++changes; };
    EXPECT_NO_THROW(rasc.RefreshEntries());
    EXPECT_TRUE(rasc.Entries.empty());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(MessageOf([](TRASControl& r) { r.Dial(0); }, rasc), "Index (0) out of bounds.");

    TRasConnStatus status;
    status.State = kRasConnected;
    EXPECT_EQ(rasc.GetConnectStatus("Vexil test line", status), 0u);
    EXPECT_EQ(status.State, kRasDisconnected);
}

// Stand-in RAS functions.  Like RAS they check the record sizes they are
// given and name the buffer size they need.
namespace fake {

const char* const kNames[] = {"Home ISP", "Work", "Backup"};
int enumCalls = 0, propertyCalls = 0;
std::vector<DWORD> enumBytes, connectionBytes;
std::vector<std::string> stored, dialled;
std::vector<BOOL> removedPassword;
std::vector<HRASCONN> hungUp;
std::map<HRASCONN, std::string> connected;
std::vector<HRASCONN> open;  // handed out by a dial, not yet hung up

void Reset() {
    enumCalls = propertyCalls = 0;
    enumBytes.clear();
    connectionBytes.clear();
    stored.clear();
    dialled.clear();
    removedPassword.clear();
    hungUp.clear();
    connected.clear();
    open.clear();
}

HRASCONN Handle(uintptr_t n) { return reinterpret_cast<HRASCONN>(n); }

DWORD WINAPI EnumEntries(LPCSTR, LPCSTR, LPRASENTRYNAMEA entries, LPDWORD bytes, LPDWORD count) {
    ++enumCalls;
    enumBytes.push_back(*bytes);
    if (entries[0].dwSize != sizeof(RASENTRYNAMEA)) return ERROR_INVALID_SIZE;
    const DWORD needed = 3 * sizeof(RASENTRYNAMEA);
    *count = 3;
    if (*bytes < needed) {
        *bytes = needed;
        return ERROR_BUFFER_TOO_SMALL;
    }
    for (int i = 0; i < 3; ++i) {
        entries[i].dwSize = sizeof(RASENTRYNAMEA);
        std::strcpy(entries[i].szEntryName, kNames[i]);
    }
    return 0;
}

DWORD WINAPI GetEntryDialParams(LPCSTR, LPRASDIALPARAMSA p, LPBOOL saved) {
    if (p->dwSize != sizeof(RASDIALPARAMSA)) return ERROR_INVALID_SIZE;
    std::string name = p->szEntryName;
    std::strcpy(p->szUserName, ("user of " + name).c_str());
    std::strcpy(p->szPassword, ("secret of " + name).c_str());
    std::strcpy(p->szCallbackNumber, "555-0000");
    std::strcpy(p->szDomain, "DOMAIN");
    *saved = name == "Work";
    return 0;
}

DWORD WINAPI GetEntryProperties(LPCSTR, LPCSTR name, LPRASENTRYA entry, LPDWORD bytes, LPBYTE,
                                LPDWORD) {
    ++propertyCalls;
    if (entry->dwSize != sizeof(RASENTRYA)) return ERROR_INVALID_SIZE;
    // Two alternate numbers follow the record.
    const DWORD needed = sizeof(RASENTRYA) + 24;
    if (*bytes < needed) {
        *bytes = needed;
        return ERROR_BUFFER_TOO_SMALL;
    }
    std::strcpy(entry->szLocalPhoneNumber, (std::string("number of ") + name).c_str());
    std::strcpy(entry->szDeviceType, "modem");
    std::strcpy(entry->szDeviceName, "Standard 56000 bps Modem");
    return 0;
}

std::string Describe(const RASDIALPARAMSA* p) {
    return std::string(p->szEntryName) + "|" + p->szPhoneNumber + "|" + p->szCallbackNumber + "|" +
           p->szUserName + "|" + p->szPassword + "|" + p->szDomain;
}

DWORD WINAPI SetEntryDialParams(LPCSTR, LPRASDIALPARAMSA p, BOOL remove) {
    if (p->dwSize != sizeof(RASDIALPARAMSA)) return ERROR_INVALID_SIZE;
    stored.push_back(Describe(p));
    removedPassword.push_back(remove);
    return 0;
}

DWORD WINAPI Dial(LPRASDIALEXTENSIONS ext, LPCSTR, LPRASDIALPARAMSA p, DWORD, LPVOID notifier,
                  LPHRASCONN handle) {
    if (ext != nullptr || notifier != nullptr) return ERROR_INVALID_PARAMETER;
    dialled.push_back(Describe(p));
    std::string name = p->szEntryName;
    *handle = Handle(0x1000 + dialled.size());
    open.push_back(*handle);
    if (name == "Backup") return ERROR_NO_CARRIER;  // a failed dial still holds its port
    connected[*handle] = name;
    return 0;
}

DWORD WINAPI HangUp(HRASCONN handle) {
    hungUp.push_back(handle);
    auto it = std::find(open.begin(), open.end(), handle);
    if (it == open.end()) return ERROR_INVALID_HANDLE;
    open.erase(it);
    connected.erase(handle);
    return 0;
}

DWORD WINAPI EnumConnections(LPRASCONNA records, LPDWORD bytes, LPDWORD count) {
    connectionBytes.push_back(*bytes);
    if (records[0].dwSize != sizeof(RASCONNA)) return ERROR_INVALID_SIZE;
    *count = 0;
    for (const auto& [handle, name] : connected) {
        RASCONNA& r = records[(*count)++];
        r.dwSize = sizeof(RASCONNA);
        r.hrasconn = handle;
        std::strcpy(r.szEntryName, name.c_str());
    }
    return 0;
}

DWORD WINAPI GetConnectStatus(HRASCONN handle, LPRASCONNSTATUSA status) {
    if (status->dwSize != sizeof(RASCONNSTATUSA)) return ERROR_INVALID_SIZE;
    if (!connected.count(handle)) return ERROR_INVALID_HANDLE;
    status->rasconnstate = RASCS_Connected;
    status->dwError = 0;
    std::strcpy(status->szDeviceName, "Standard 56000 bps Modem");
    return 0;
}

DWORD WINAPI GetErrorString(UINT error, LPSTR text, DWORD size) {
    if (error != ERROR_NO_CARRIER || size < 40) return ERROR_INVALID_PARAMETER;
    std::strcpy(text, "  The modem did not hear a carrier.  ");
    return 0;
}

void* Lookup(const std::string& name) {
    static const std::map<std::string, void*> table = {
        {"RasEnumEntries", reinterpret_cast<void*>(&EnumEntries)},
        {"RasGetEntryDialParams", reinterpret_cast<void*>(&GetEntryDialParams)},
        {"RasGetEntryProperties", reinterpret_cast<void*>(&GetEntryProperties)},
        {"RasSetEntryDialParams", reinterpret_cast<void*>(&SetEntryDialParams)},
        {"RasDial", reinterpret_cast<void*>(&Dial)},
        {"RasHangUp", reinterpret_cast<void*>(&HangUp)},
        {"RasEnumConnections", reinterpret_cast<void*>(&EnumConnections)},
        {"RasGetConnectStatus", reinterpret_cast<void*>(&GetConnectStatus)},
        {"RasGetErrorString", reinterpret_cast<void*>(&GetErrorString)},
    };
    auto it = table.find(name);
    return it == table.end() ? nullptr : it->second;
}

}  // namespace fake

class RasWin32Records : public ::testing::Test {
protected:
    void SetUp() override { fake::Reset(); }
};

TEST_F(RasWin32Records, PhonebookIsReadThroughBuffersGrownToTheSizeRasAsks) {
    auto api = CreateWin32RasApi(fake::Lookup);
    TRASControl rasc{*api};
    rasc.RefreshEntries();

    EXPECT_EQ(rasc.Entries, (std::vector<std::string>{"Home ISP", "Work", "Backup"}));
    EXPECT_EQ(fake::enumCalls, 2);
    EXPECT_EQ(fake::enumBytes,
              (std::vector<DWORD>{sizeof(RASENTRYNAMEA), 3 * sizeof(RASENTRYNAMEA)}));
    EXPECT_EQ(fake::propertyCalls, 6) << "each entry's properties asked twice";
    const TRASEntryItem& work = rasc.Record(1);
    EXPECT_EQ(work.PhoneNumber, "number of Work");
    EXPECT_EQ(work.DeviceType, "modem");
    EXPECT_EQ(work.DeviceName, "Standard 56000 bps Modem");
    EXPECT_EQ(work.EntryUser, "user of Work");
    EXPECT_EQ(work.EntryPassword, "secret of Work");
    EXPECT_EQ(work.CallbackNumber, "555-0000");
    EXPECT_EQ(work.Domain, "DOMAIN");
    EXPECT_TRUE(work.PasswordSaved);
    EXPECT_FALSE(rasc.Record(0).PasswordSaved);
}

TEST_F(RasWin32Records, DialHangUpAndStatusPassTheRecordsAndHandlesThrough) {
    auto api = CreateWin32RasApi(fake::Lookup);
    TRASControl rasc{*api};
    rasc.RefreshEntries();

    rasc.Dial(1);
    const std::string workParams =
        "Work|number of Work|555-0000|user of Work|secret of Work|DOMAIN";
    EXPECT_EQ(fake::stored, (std::vector<std::string>{workParams}));
    EXPECT_EQ(fake::removedPassword, (std::vector<BOOL>{FALSE}));
    EXPECT_EQ(fake::dialled, (std::vector<std::string>{workParams}));
    const TRasConnHandle line = rasc.Record(1).ConnHandle;
    EXPECT_EQ(line, 0x1001u);

    TRasConnStatus status;
    EXPECT_EQ(rasc.GetConnectStatus("Work", status), line);
    EXPECT_EQ(status.State, kRasConnected);
    EXPECT_EQ(status.DeviceName, "Standard 56000 bps Modem");
    EXPECT_EQ(fake::connectionBytes.back(), 100 * sizeof(RASCONNA));

    rasc.HangUp(1);
    EXPECT_EQ(fake::hungUp, (std::vector<HRASCONN>{fake::Handle(line)}));
    EXPECT_EQ(rasc.GetConnectStatus("Work", status), 0u);
    EXPECT_EQ(status.State, kRasDisconnected);

    // The failed dial's handle is released and the next dial may go ahead.
    EXPECT_EQ(MessageOf([](TRASControl& r) { r.Dial(2); }, rasc),
              "The modem did not hear a carrier.");
    EXPECT_EQ(fake::hungUp.back(), fake::Handle(0x1002));
    EXPECT_TRUE(fake::open.empty());
    EXPECT_FALSE(rasc.Dialing);
    EXPECT_NO_THROW(rasc.Dial(0));
}

}  // namespace
