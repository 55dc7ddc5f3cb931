// The Remote Access Service calls the dial-up control makes, in plain C++
// types.  The Windows program hands them to rasapi32.dll (win32/RasApi.h);
// platforms without dial-up networking use TNoRasApi; tests use a fake.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vexil {

// A connection handle as RAS gives it out; 0 means no connection.
using TRasConnHandle = std::uintptr_t;

// RAS connection states the control reasons about; the states of a dial in
// progress lie below these.
constexpr int kRasConnected = 0x2000;
constexpr int kRasDisconnected = 0x2001;

// RAS error numbers the control treats specially.
constexpr int kRasErrorInvalidHandle = 6;
constexpr int kRasErrorNotEnoughMemory = 8;
constexpr int kRasErrorBufferTooSmall = 603;
constexpr int kRasErrorPortAlreadyOpen = 602;
constexpr int kRasErrorCannotFindEntry = 623;
constexpr int kRasErrorNotAvailable = 711;  // the connection manager cannot start

// What a phonebook entry has stored for dialling (and what a dial is given).
struct TRasDialParams {
    std::string EntryName;
    std::string PhoneNumber;
    std::string CallbackNumber;
    std::string UserName;
    std::string Password;
    std::string Domain;
};

// The part of an entry's properties the control keeps.
struct TRasEntryProperties {
    std::string LocalPhoneNumber;
    std::string DeviceType;
    std::string DeviceName;
};

// One active connection.
struct TRasConnection {
    TRasConnHandle Handle = 0;
    std::string EntryName;
    std::string DeviceType;
    std::string DeviceName;
};

struct TRasConnStatus {
    int State = kRasDisconnected;
    int Error = 0;
    std::string DeviceType;
    std::string DeviceName;
    std::string PhoneNumber;
};

// Every call answers the RAS error number, 0 for success.  Buffer sizing is
// the implementation's business: a list comes back whole or with an error.
class IRasApi {
public:
    virtual ~IRasApi() = default;
    // Names of the default phonebook's entries, in phonebook order.
    virtual int EnumEntries(std::vector<std::string>& names) = 0;
    virtual int GetEntryDialParams(const std::string& entryName, TRasDialParams& params,
                                   bool& passwordSaved) = 0;
    virtual int GetEntryProperties(const std::string& entryName,
                                   TRasEntryProperties& properties) = 0;
    virtual int SetEntryDialParams(const TRasDialParams& params, bool removePassword) = 0;
    // Dials synchronously.  The handle may be set even when the dial fails; it
    // must then still be hung up to release the port.
    virtual int Dial(const TRasDialParams& params, TRasConnHandle& handle) = 0;
    virtual int HangUp(TRasConnHandle handle) = 0;
    // The active connections, at most 100 of them (more: kRasErrorBufferTooSmall).
    virtual int EnumConnections(std::vector<TRasConnection>& connections) = 0;
    virtual int GetConnectStatus(TRasConnHandle handle, TRasConnStatus& status) = 0;
    // The system's text for a RAS error number.
    virtual std::string GetErrorString(int error) = 0;
};

}  // namespace vexil
