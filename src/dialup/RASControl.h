// The dial-up control: lists the phonebook's dial-up entries, dials one with
// the parameters stored for it, hangs it up and tells whether a named entry
// is still connected.  It reaches the Remote Access Service through IRasApi.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "dialup/RasInterface.h"

namespace vexil {

class ERASControlError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What the control knows of one phonebook entry.
struct TRASEntryItem {
    std::string EntryName;
    std::string PhoneNumber;
    std::string CallbackNumber;
    std::string EntryUser;
    std::string EntryPassword;
    std::string Domain;
    bool PasswordSaved = false;
    TRasConnHandle ConnHandle = 0;
    int ConnState = -1;  // -1 until a state is known
    int ConnError = 0;
    std::string DeviceType;
    std::string DeviceName;
    bool Busy = false;  // dialling, or connected by this control
};

class TRASControl {
public:
    explicit TRASControl(IRasApi& api);

    // Sender, entry index, RAS state, RAS error.
    using TRASNotifyEvent = std::function<void(TRASControl&, int, int, int)>;

    int Tag = 0;
    TRASNotifyEvent OnConnectionStatus;
    std::function<void(TRASControl&)> OnEntryListChange;

    // Entry names in phonebook order; a name's index is its entry index.
    std::vector<std::string> Entries;
    // A dial is under way, or the entry last dialled is up.
    bool Dialing = false;

    // One record per entry, in the order of Entries.
    const std::vector<TRASEntryItem>& Records() const { return records_; }
    const TRASEntryItem& Record(int index) const;

    void RefreshEntries();
    // Returns once the line is up; raises ERASControlError when it is not.
    void Dial(int index);
    void HangUp(int index);
    // Fills status for the active connection of the entry called name (exact
    // case) and returns its handle; with no such connection the state is
    // kRasDisconnected and the result 0.
    TRasConnHandle GetConnectStatus(const std::string& name, TRasConnStatus& status);
    // The handle of the entry's active connection (0 for none), also kept in
    // its record.
    TRasConnHandle GetConnectionHandle(int index);
    void CheckIndex(int index) const;
    void DoConnectionStatus(int index, int error, int state);

    // The system's text for a RAS error number, trimmed.
    std::string ErrorText(int error);

    // The entry this control dialled and has not hung up or released yet
    // (-1 for none, also when it left the phonebook since).  The dial is
    // remembered by name and handle, so a new listing of the entries does
    // not lose it.
    int DialledEntry() const;
    // Whether the line of that dial is still up.
    bool DialledLineUp();
    // Lets go of this control's dial, whatever its line's state: hangs up the
    // dial's own handle (RAS wants that even after the line dropped by itself,
    // to free the port), ignoring errors, and marks the entry disconnected so
    // that a new dial is possible.
    void ReleaseDial();

private:
    void DialFailed(int index, TRasConnHandle handle, int error);
    void ForgetDial();

    IRasApi& api_;
    std::vector<TRASEntryItem> records_;
    std::string dialledName_;          // the entry of the dial that is up
    TRasConnHandle dialledHandle_ = 0;  // its handle as the dial gave it
};

}  // namespace vexil
