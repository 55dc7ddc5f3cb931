// An empty phonebook: nothing to list, nothing connected, nothing to dial.
#include "dialup/NoRasApi.h"

namespace vexil {

int TNoRasApi::EnumEntries(std::vector<std::string>& names) {
    names.clear();
    return 0;
}

int TNoRasApi::GetEntryDialParams(const std::string&, TRasDialParams&, bool& passwordSaved) {
    passwordSaved = false;
    return kRasErrorCannotFindEntry;
}

int TNoRasApi::GetEntryProperties(const std::string&, TRasEntryProperties&) {
    return kRasErrorCannotFindEntry;
}

// Storing parameters is the first step of a dial, so this is where a dial
// fails; the text then says that there is no dial-up networking at all.
int TNoRasApi::SetEntryDialParams(const TRasDialParams&, bool) { return kRasErrorNotAvailable; }

int TNoRasApi::Dial(const TRasDialParams&, TRasConnHandle& handle) {
    handle = 0;
    return kRasErrorNotAvailable;
}

int TNoRasApi::HangUp(TRasConnHandle) { return kRasErrorInvalidHandle; }

int TNoRasApi::EnumConnections(std::vector<TRasConnection>& connections) {
    connections.clear();
    return 0;
}

int TNoRasApi::GetConnectStatus(TRasConnHandle, TRasConnStatus&) {
    return kRasErrorInvalidHandle;
}

std::string TNoRasApi::GetErrorString(int error) {
    if (error == kRasErrorNotAvailable)
        return "Dial-up networking is not available on this system.";
    if (error == kRasErrorCannotFindEntry) return "The phonebook entry does not exist.";
    return "Remote access error " + std::to_string(error) + ".";
}

}  // namespace vexil
