// A fake of the Remote Access Service for tests of the dial-up control and
// of the check cycle.
#pragma once

#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "dialup/RasInterface.h"

namespace vexil::test {

// Behaves like RAS where it matters here: a dial hands out a handle that must
// be hung up even when the dial fails; only a dial that succeeds shows in the
// list of active connections; hanging up an unknown handle is error 6.
class TFakeRas : public IRasApi {
public:
    struct TEntry {
        TRasDialParams Params;
        bool PasswordSaved = false;
        int ParamsError = 0;
        TRasEntryProperties Properties;
        int PropertiesError = 0;
    };
    std::vector<TEntry> Phonebook;
    int EnumEntriesError = 0;

    int SetParamsError = 0;
    int DialError = 0;
    bool DialThrows = false;
    int HangUpError = 0;  // when set, every hang-up answers it
    int EnumConnectionsError = 0;
    int StatusError = 0;

    std::vector<TRasConnection> Connections;
    std::map<TRasConnHandle, TRasConnStatus> Statuses;
    std::set<TRasConnHandle> Open;
    TRasConnHandle NextHandle = 0x51;

    std::vector<std::pair<TRasDialParams, bool>> Stored;
    std::vector<TRasDialParams> Dialled;
    std::vector<TRasConnHandle> HungUp;

    void AddEntry(const std::string& name, const std::string& user, const std::string& phone) {
        TEntry e;
        e.Params.EntryName = name;
        e.Params.UserName = user;
        e.Params.Password = "pw-" + name;
        e.Params.CallbackNumber = "cb-" + name;
        e.Params.Domain = "dom-" + name;
        e.PasswordSaved = true;
        e.Properties.LocalPhoneNumber = phone;
        e.Properties.DeviceType = "modem";
        e.Properties.DeviceName = "Modem on " + name;
        Phonebook.push_back(e);
    }

    TRasConnHandle AddConnection(const std::string& name, int state) {
        TRasConnHandle h = NextHandle++;
        Connections.push_back({h, name, "modem", "dev"});
        TRasConnStatus s;
        s.State = state;
        s.DeviceName = "dev of " + name;
        Statuses[h] = s;
        Open.insert(h);
        return h;
    }

    int EnumEntries(std::vector<std::string>& names) override {
        names.clear();
        if (EnumEntriesError != 0) return EnumEntriesError;
        for (const TEntry& e : Phonebook) names.push_back(e.Params.EntryName);
        return 0;
    }
    int GetEntryDialParams(const std::string& name, TRasDialParams& params,
                           bool& saved) override {
        for (const TEntry& e : Phonebook) {
            if (e.Params.EntryName != name) continue;
            if (e.ParamsError != 0) return e.ParamsError;
            params = e.Params;
            params.PhoneNumber.clear();  // RAS keeps no number with the dial parameters
            saved = e.PasswordSaved;
            return 0;
        }
        return kRasErrorCannotFindEntry;
    }
    int GetEntryProperties(const std::string& name, TRasEntryProperties& props) override {
        for (const TEntry& e : Phonebook) {
            if (e.Params.EntryName != name) continue;
            if (e.PropertiesError != 0) return e.PropertiesError;
            props = e.Properties;
            return 0;
        }
        return kRasErrorCannotFindEntry;
    }
    int SetEntryDialParams(const TRasDialParams& params, bool removePassword) override {
        Stored.emplace_back(params, removePassword);
        return SetParamsError;
    }
    int Dial(const TRasDialParams& params, TRasConnHandle& handle) override {
        Dialled.push_back(params);
        if (DialThrows) throw std::runtime_error("Function RasDial not found!");
        handle = NextHandle++;
        Open.insert(handle);
        if (DialError != 0 && DialError != kRasErrorPortAlreadyOpen) return DialError;
        Connections.push_back({handle, params.EntryName, "modem", "dev"});
        TRasConnStatus s;
        s.State = kRasConnected;
        Statuses[handle] = s;
        return DialError;
    }
    int HangUp(TRasConnHandle handle) override {
        HungUp.push_back(handle);
        if (HangUpError != 0) return HangUpError;
        if (!Open.erase(handle)) return kRasErrorInvalidHandle;
        Connections.erase(std::remove_if(Connections.begin(), Connections.end(),
                                         [&](const TRasConnection& c) { return c.Handle == handle; }),
                          Connections.end());
        return 0;
    }
    int EnumConnections(std::vector<TRasConnection>& connections) override {
        connections.clear();
        if (EnumConnectionsError != 0) return EnumConnectionsError;
        connections = Connections;
        return 0;
    }
    int GetConnectStatus(TRasConnHandle handle, TRasConnStatus& status) override {
        if (StatusError != 0) return StatusError;
        auto it = Statuses.find(handle);
        if (it == Statuses.end()) return kRasErrorInvalidHandle;
        status = it->second;
        return 0;
    }
    std::string GetErrorString(int error) override {
        if (error == 678) return "  The remote computer did not respond.  \r\n";
        if (error == 691) return "Access was denied because the username and/or password was invalid.";
        return "RAS error " + std::to_string(error);
    }
};

}  // namespace vexil::test
