// Dial-up for platforms without a Remote Access Service: no phonebook
// entries, no connections, and every dial fails with a message that says why.
#pragma once

#include "dialup/RasInterface.h"

namespace vexil {

class TNoRasApi : public IRasApi {
public:
    int EnumEntries(std::vector<std::string>& names) override;
    int GetEntryDialParams(const std::string& entryName, TRasDialParams& params,
                           bool& passwordSaved) override;
    int GetEntryProperties(const std::string& entryName,
                           TRasEntryProperties& properties) override;
    int SetEntryDialParams(const TRasDialParams& params, bool removePassword) override;
    int Dial(const TRasDialParams& params, TRasConnHandle& handle) override;
    int HangUp(TRasConnHandle handle) override;
    int EnumConnections(std::vector<TRasConnection>& connections) override;
    int GetConnectStatus(TRasConnHandle handle, TRasConnStatus& status) override;
    std::string GetErrorString(int error) override;
};

}  // namespace vexil
