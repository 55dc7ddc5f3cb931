// IRasApi over rasapi32.dll (ANSI functions, found at run time).
//
// Record sizes are mingw's, which are the layouts of later RAS versions
// rather than those of the first headers: RASENTRYNAMEA 532 bytes (was 264),
// RASDIALPARAMSA 1060 (1052), RASENTRYA 2884 (1768), RASCONNA 704 (412),
// RASCONNSTATUSA 288 (160).  Current Windows and Wine take them; the fields
// read here sit at the same offsets in every version.
#include "win32/RasApi.h"

#include <windows.h>
#include <ras.h>
#include <raserror.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace vexil {

namespace {

class TRasLibrary {
public:
    HMODULE Module = nullptr;
    bool Suffix = true;
    // rnaph.dll stays loaded until the program ends; rasapi32.dll is left
    // to the system.
    ~TRasLibrary() {
        if (Module && !Suffix) FreeLibrary(Module);
    }
};

TRasLibrary& RasLibrary() {
    static TRasLibrary library;
    return library;
}

void* AsAddress(FARPROC p) { return reinterpret_cast<void*>(p); }

}  // namespace

void* LoadRasFunction(const std::string& name) {
    TRasLibrary& lib = RasLibrary();
    if (!lib.Module) {
        HMODULE ras = LoadLibraryA("rasapi32.dll");
        if (!ras) throw std::runtime_error("Error opening rasapi32.dll");
        if (FARPROC p = GetProcAddress(ras, (name + "A").c_str())) {
            lib.Module = ras;
            lib.Suffix = true;
            return AsAddress(p);
        }
        FreeLibrary(ras);
        // The first dial-up networking of Windows 95 kept these functions
        // in its phonebook helper, under their plain names.
        HMODULE rna = LoadLibraryA("rnaph.dll");
        if (!rna) throw std::runtime_error("Error opening rnaph.dll");
        lib.Module = rna;
        lib.Suffix = false;
    }
    FARPROC p = GetProcAddress(lib.Module, (lib.Suffix ? name + "A" : name).c_str());
    if (!p) throw std::runtime_error("Function " + name + " not found!");
    return AsAddress(p);
}

namespace {

using TRasEnumEntries = DWORD(WINAPI*)(LPCSTR, LPCSTR, LPRASENTRYNAMEA, LPDWORD, LPDWORD);
using TRasGetEntryDialParams = DWORD(WINAPI*)(LPCSTR, LPRASDIALPARAMSA, LPBOOL);
using TRasGetEntryProperties = DWORD(WINAPI*)(LPCSTR, LPCSTR, LPRASENTRYA, LPDWORD, LPBYTE,
                                              LPDWORD);
using TRasSetEntryDialParams = DWORD(WINAPI*)(LPCSTR, LPRASDIALPARAMSA, BOOL);
using TRasDial = DWORD(WINAPI*)(LPRASDIALEXTENSIONS, LPCSTR, LPRASDIALPARAMSA, DWORD, LPVOID,
                                LPHRASCONN);
using TRasHangUp = DWORD(WINAPI*)(HRASCONN);
using TRasEnumConnections = DWORD(WINAPI*)(LPRASCONNA, LPDWORD, LPDWORD);
using TRasGetConnectStatus = DWORD(WINAPI*)(HRASCONN, LPRASCONNSTATUSA);
using TRasGetErrorString = DWORD(WINAPI*)(UINT, LPSTR, DWORD);

constexpr DWORD kMaxConnections = 100;

// A fixed-size field that RAS may fill to the last byte.
template <size_t N>
std::string Field(const CHAR (&s)[N]) {
    return std::string(s, strnlen(s, N));
}

template <size_t N>
void SetField(CHAR (&dest)[N], const std::string& value) {
    size_t n = std::min(value.size(), N - 1);
    std::memcpy(dest, value.data(), n);
    dest[n] = '\0';
}

// Room for at least `bytes`, with the records correctly aligned.
template <typename T>
std::vector<T> Records(DWORD bytes) {
    std::vector<T> v((std::max<DWORD>(bytes, sizeof(T)) + sizeof(T) - 1) / sizeof(T));
    std::memset(v.data(), 0, v.size() * sizeof(T));
    v[0].dwSize = sizeof(T);
    return v;
}

RASDIALPARAMSA ToRas(const TRasDialParams& p) {
    RASDIALPARAMSA r;
    std::memset(&r, 0, sizeof r);
    r.dwSize = sizeof r;
    SetField(r.szEntryName, p.EntryName);
    SetField(r.szPhoneNumber, p.PhoneNumber);
    SetField(r.szCallbackNumber, p.CallbackNumber);
    SetField(r.szUserName, p.UserName);
    SetField(r.szPassword, p.Password);
    SetField(r.szDomain, p.Domain);
    return r;
}

class TWin32RasApi : public IRasApi {
public:
    explicit TWin32RasApi(TRasFunctionLookup lookup) : lookup_(std::move(lookup)) {}

    int EnumEntries(std::vector<std::string>& names) override {
        names.clear();
        auto enumEntries = Function<TRasEnumEntries>("RasEnumEntries");
        auto entries = Records<RASENTRYNAMEA>(sizeof(RASENTRYNAMEA));
        DWORD bytes = static_cast<DWORD>(entries.size() * sizeof(RASENTRYNAMEA)), count = 0;
        DWORD error = enumEntries(nullptr, nullptr, entries.data(), &bytes, &count);
        if (error == ERROR_BUFFER_TOO_SMALL) {
            entries = Records<RASENTRYNAMEA>(bytes);
            bytes = static_cast<DWORD>(entries.size() * sizeof(RASENTRYNAMEA));
            count = 0;
            error = enumEntries(nullptr, nullptr, entries.data(), &bytes, &count);
        }
        if (error != 0) return static_cast<int>(error);
        count = std::min<DWORD>(count, static_cast<DWORD>(entries.size()));
        for (DWORD i = 0; i < count; ++i) names.push_back(Field(entries[i].szEntryName));
        return 0;
    }

    int GetEntryDialParams(const std::string& entryName, TRasDialParams& params,
                           bool& passwordSaved) override {
        TRasDialParams asked;
        asked.EntryName = entryName;
        RASDIALPARAMSA r = ToRas(asked);
        BOOL saved = FALSE;
        DWORD error = Function<TRasGetEntryDialParams>("RasGetEntryDialParams")(nullptr, &r, &saved);
        if (error != 0) return static_cast<int>(error);
        params.EntryName = Field(r.szEntryName);
        params.PhoneNumber = Field(r.szPhoneNumber);
        params.CallbackNumber = Field(r.szCallbackNumber);
        params.UserName = Field(r.szUserName);
        params.Password = Field(r.szPassword);
        params.Domain = Field(r.szDomain);
        passwordSaved = saved != FALSE;
        return 0;
    }

    // The entry's alternate numbers follow the record, so the buffer may
    // have to grow to the size RAS names.
    int GetEntryProperties(const std::string& entryName,
                           TRasEntryProperties& properties) override {
        auto getProperties = Function<TRasGetEntryProperties>("RasGetEntryProperties");
        auto entry = Records<RASENTRYA>(sizeof(RASENTRYA));
        DWORD bytes = static_cast<DWORD>(entry.size() * sizeof(RASENTRYA));
        DWORD error = getProperties(nullptr, entryName.c_str(), entry.data(), &bytes, nullptr,
                                    nullptr);
        if (error == ERROR_BUFFER_TOO_SMALL) {
            entry = Records<RASENTRYA>(bytes);
            bytes = static_cast<DWORD>(entry.size() * sizeof(RASENTRYA));
            error = getProperties(nullptr, entryName.c_str(), entry.data(), &bytes, nullptr,
                                  nullptr);
        }
        if (error != 0) return static_cast<int>(error);
        properties.LocalPhoneNumber = Field(entry[0].szLocalPhoneNumber);
        properties.DeviceType = Field(entry[0].szDeviceType);
        properties.DeviceName = Field(entry[0].szDeviceName);
        return 0;
    }

    int SetEntryDialParams(const TRasDialParams& params, bool removePassword) override {
        RASDIALPARAMSA r = ToRas(params);
        return static_cast<int>(Function<TRasSetEntryDialParams>("RasSetEntryDialParams")(
            nullptr, &r, removePassword ? TRUE : FALSE));
    }

    // No notifier: RasDial returns when the line is up or the dial failed.
    int Dial(const TRasDialParams& params, TRasConnHandle& handle) override {
        RASDIALPARAMSA r = ToRas(params);
        HRASCONN connection = nullptr;
        DWORD error = Function<TRasDial>("RasDial")(nullptr, nullptr, &r, 0, nullptr, &connection);
        handle = reinterpret_cast<TRasConnHandle>(connection);
        SecureZeroMemory(r.szPassword, sizeof r.szPassword);
        return static_cast<int>(error);
    }

    int HangUp(TRasConnHandle handle) override {
        return static_cast<int>(
            Function<TRasHangUp>("RasHangUp")(reinterpret_cast<HRASCONN>(handle)));
    }

    int EnumConnections(std::vector<TRasConnection>& connections) override {
        connections.clear();
        auto records = Records<RASCONNA>(kMaxConnections * sizeof(RASCONNA));
        DWORD bytes = static_cast<DWORD>(records.size() * sizeof(RASCONNA)), count = 0;
        DWORD error =
            Function<TRasEnumConnections>("RasEnumConnections")(records.data(), &bytes, &count);
        if (error != 0) return static_cast<int>(error);
        count = std::min<DWORD>(count, static_cast<DWORD>(records.size()));
        for (DWORD i = 0; i < count; ++i) {
            TRasConnection c;
            c.Handle = reinterpret_cast<TRasConnHandle>(records[i].hrasconn);
            c.EntryName = Field(records[i].szEntryName);
            c.DeviceType = Field(records[i].szDeviceType);
            c.DeviceName = Field(records[i].szDeviceName);
            connections.push_back(c);
        }
        return 0;
    }

    int GetConnectStatus(TRasConnHandle handle, TRasConnStatus& status) override {
        RASCONNSTATUSA r;
        std::memset(&r, 0, sizeof r);
        r.dwSize = sizeof r;
        DWORD error = Function<TRasGetConnectStatus>("RasGetConnectStatus")(
            reinterpret_cast<HRASCONN>(handle), &r);
        if (error != 0) return static_cast<int>(error);
        status.State = static_cast<int>(r.rasconnstate);
        status.Error = static_cast<int>(r.dwError);
        status.DeviceType = Field(r.szDeviceType);
        status.DeviceName = Field(r.szDeviceName);
        status.PhoneNumber = Field(r.szPhoneNumber);
        return 0;
    }

    // RAS knows the texts of its own numbers only; the system's numbers it
    // passes on get the system's text.
    std::string GetErrorString(int error) override {
        CHAR text[512] = {};
        if (Function<TRasGetErrorString>("RasGetErrorString")(static_cast<UINT>(error), text,
                                                               sizeof text) == 0 &&
            text[0] != '\0')
            return Field(text);
        if (FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           static_cast<DWORD>(error), 0, text, sizeof text, nullptr) != 0)
            return Field(text);
        return "Remote access error " + std::to_string(error) + ".";
    }

private:
    template <typename F>
    F Function(const char* name) {
        void* p = lookup_(name);
        if (!p) throw std::runtime_error(std::string("Function ") + name + " not found!");
        return reinterpret_cast<F>(p);
    }

    TRasFunctionLookup lookup_;
};

}  // namespace

std::unique_ptr<IRasApi> CreateWin32RasApi() {
    return std::make_unique<TWin32RasApi>(LoadRasFunction);
}

std::unique_ptr<IRasApi> CreateWin32RasApi(TRasFunctionLookup lookup) {
    return std::make_unique<TWin32RasApi>(std::move(lookup));
}

}  // namespace vexil
