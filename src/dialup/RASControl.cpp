// The dial-up control over IRasApi.
#include "dialup/RASControl.h"

#include "base/Text.h"

namespace vexil {

TRASControl::TRASControl(IRasApi& api) : api_(api) { records_.reserve(10); }

const TRASEntryItem& TRASControl::Record(int index) const {
    CheckIndex(index);
    return records_[index];
}

void TRASControl::CheckIndex(int index) const {
    if (index < 0 || index >= static_cast<int>(records_.size()))
        throw ERASControlError("Index (" + std::to_string(index) + ") out of bounds.");
}

// Errors 6 and 8 are the system's, not RAS's own, so RAS has no text for them.
std::string TRASControl::ErrorText(int error) {
    if (error == kRasErrorInvalidHandle) return "Invalid handle.";
    if (error == kRasErrorNotEnoughMemory) return "Not enough memory.";
    return Trim(api_.GetErrorString(error));
}

void TRASControl::RefreshEntries() {
    records_.clear();
    Entries.clear();
    std::vector<std::string> names;
    if (api_.EnumEntries(names) != 0) names.clear();
    for (const std::string& name : names) {
        TRASEntryItem item;
        item.EntryName = name;
        // An entry without stored parameters or readable properties is still
        // listed; it is dialled with what is known.
        TRasDialParams params;
        params.EntryName = name;
        bool saved = false;
        if (api_.GetEntryDialParams(name, params, saved) == 0) {
            item.CallbackNumber = params.CallbackNumber;
            item.EntryUser = params.UserName;
            item.EntryPassword = params.Password;
            item.Domain = params.Domain;
            item.PasswordSaved = saved;
        }
        TRasEntryProperties properties;
        if (api_.GetEntryProperties(name, properties) == 0) {
            item.PhoneNumber = properties.LocalPhoneNumber;
            item.DeviceType = properties.DeviceType;
            item.DeviceName = properties.DeviceName;
        }
        records_.push_back(item);
        Entries.push_back(name);
    }
    if (OnEntryListChange) OnEntryListChange(*this);
}

void TRASControl::Dial(int index) {
    CheckIndex(index);
    if (Dialing) throw ERASControlError("A connection attempt is already in progress.");
    TRASEntryItem& item = records_[index];
    if (item.ConnState != kRasDisconnected && item.ConnState != -1)
        throw ERASControlError("Entry is already connected.");
    item.Busy = true;
    Dialing = true;

    // Only the local number: the phonebook's area and country codes are not
    // added, as the entry's own dialling rules would.
    TRasDialParams params;
    params.EntryName = item.EntryName;
    params.PhoneNumber = item.PhoneNumber;
    params.CallbackNumber = item.CallbackNumber;
    params.UserName = item.EntryUser;
    params.Password = item.EntryPassword;
    params.Domain = item.Domain;

    TRasConnHandle handle = 0;
    int error = 0;
    bool storing = true;
    try {
        error = api_.SetEntryDialParams(params, false);
        if (error == 0) {
            storing = false;
            error = api_.Dial(params, handle);
            records_[index].ConnHandle = handle;
        }
    } catch (...) {
        DialFailed(index, handle, 0);
        throw;
    }
    if (error == 0 || error == kRasErrorPortAlreadyOpen) {
        dialledName_ = item.EntryName;
        dialledHandle_ = handle;
        return;
    }

    std::string text = ErrorText(error);
    if (storing) text = "Dial failed with message: " + text;
    DialFailed(index, handle, error);
    throw ERASControlError(text);
}

// A failed dial may still hold a port: RAS wants its handle hung up even
// then.  Hanging up by entry name instead would miss a dial that never made
// the list of active connections and leave Dialing set for good, refusing
// every later dial; so the dial's own handle is released here, and the entry
// goes back to disconnected whatever the hang-up answers.
void TRASControl::DialFailed(int index, TRasConnHandle handle, int error) {
    if (handle != 0) api_.HangUp(handle);
    records_[index].ConnHandle = 0;
    DoConnectionStatus(index, error, kRasDisconnected);
}

void TRASControl::HangUp(int index) {
    CheckIndex(index);
    TRasConnHandle handle = GetConnectionHandle(index);
    int error = api_.HangUp(handle);
    if (error != 0) throw ERASControlError("Hang up failed. " + ErrorText(error));
    TRASEntryItem& item = records_[index];
    item.ConnHandle = 0;
    item.Busy = false;
    item.ConnState = kRasDisconnected;
    if (item.EntryName == dialledName_) ForgetDial();
    DoConnectionStatus(index, 0, kRasDisconnected);
}

int TRASControl::DialledEntry() const {
    if (dialledName_.empty()) return -1;
    for (size_t i = 0; i < Entries.size(); ++i)
        if (Entries[i] == dialledName_) return static_cast<int>(i);
    return -1;
}

bool TRASControl::DialledLineUp() {
    if (dialledName_.empty()) return false;
    TRasConnStatus status;
    try {
        GetConnectStatus(dialledName_, status);
    } catch (const ERASControlError&) {
        return false;
    }
    return status.State == kRasConnected;
}

void TRASControl::ReleaseDial() {
    if (dialledName_.empty() && dialledHandle_ == 0) return;
    const int index = DialledEntry();
    if (dialledHandle_ != 0) api_.HangUp(dialledHandle_);
    ForgetDial();
    if (index >= 0) {
        TRASEntryItem& item = records_[static_cast<size_t>(index)];
        item.ConnHandle = 0;
        DoConnectionStatus(index, 0, kRasDisconnected);
    } else {
        Dialing = false;
    }
}

void TRASControl::ForgetDial() {
    dialledName_.clear();
    dialledHandle_ = 0;
}

TRasConnHandle TRASControl::GetConnectionHandle(int index) {
    CheckIndex(index);
    TRASEntryItem& item = records_[index];
    item.ConnHandle = 0;
    std::vector<TRasConnection> connections;
    if (api_.EnumConnections(connections) == 0) {
        for (const TRasConnection& c : connections)
            if (c.EntryName == item.EntryName) item.ConnHandle = c.Handle;
    }
    return item.ConnHandle;
}

TRasConnHandle TRASControl::GetConnectStatus(const std::string& name, TRasConnStatus& status) {
    std::vector<TRasConnection> connections;
    int error = api_.EnumConnections(connections);
    if (error == kRasErrorNotEnoughMemory) throw ERASControlError("RAS: ERROR_NOT_ENOUGH_MEMORY");
    if (error == kRasErrorBufferTooSmall) throw ERASControlError("RAS: ERROR_BUFFER_TOO_SMALL");
    if (error != 0) throw ERASControlError("RAS: " + ErrorText(error));

    status = TRasConnStatus{};
    for (const TRasConnection& c : connections) {
        if (c.EntryName != name) continue;
        error = api_.GetConnectStatus(c.Handle, status);
        // The line can drop between the listing and the question: that is
        // the answer "disconnected", not a failure.
        if (error == kRasErrorInvalidHandle) break;
        if (error != 0) throw ERASControlError("RAS: " + ErrorText(error));
        return c.Handle;
    }
    status = TRasConnStatus{};
    status.State = kRasDisconnected;
    status.Error = 0;
    return 0;
}

void TRASControl::DoConnectionStatus(int index, int error, int state) {
    CheckIndex(index);
    TRASEntryItem& item = records_[index];
    item.ConnState = state;
    item.ConnError = error;
    item.Busy = state != -1 && state != kRasConnected && state != kRasDisconnected;
    Dialing = item.Busy;
    if (OnConnectionStatus) OnConnectionStatus(*this, index, state, error);
}

}  // namespace vexil
