// The writers of Vexil.ini, Accounts.ini and VxFilter.ini.  Each rewrites its
// file whole, in the exact line format the loaders read back.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/FileReplace.h"
#include "config/Accounts.h"
#include "config/Settings.h"

namespace vexil {

// A settings file that could not be written.  The old file is then untouched.
using ESettingsWriteError = EFileWriteError;

// The options as the settings dialog shows them: a text setting that is not
// set ("none") is an empty field.  The exit writes what this gives, so that an
// empty sound file or mail program stays empty in the file.
TSettings OptionsAsShown(TSettings s);

// Writes the 24 lines of Vexil.ini from s, except the window position and the
// stay-on-top state, which are those of the moment.
void WriteOptions(const std::string& path, const TSettings& s, std::int32_t posX,
                  std::int32_t posY, bool onTopMark);

// Writes accounts 1..AccountCount, passwords scrambled.
void WriteAccounts(const std::string& path, const TAccountTable& a);

// Stores security for account `index` of exeDir's Accounts.ini.  The file
// is read afresh, so that what was edited in it since it was loaded stays;
// the account there must still be `expected` (name, host, login, port).
// False, with nothing written, when the file cannot be read whole or the
// account is no longer the same; a failed write raises ESettingsWriteError
// and leaves the file as it was.
bool StoreAccountSecurity(const std::string& exeDir, int index, const TPOPAcc& expected,
                          TSecurity security);

// Writes the filters of list and the [Misc] block (maxSizeText as typed), then
// copies list into filters (entry i into slot i, FilterCount := its size); a
// write that fails changes neither.  More than 10 entries is a caller error
// (std::invalid_argument, nothing done).
void WriteFilters(const std::string& path, const std::vector<std::string>& list,
                  const std::string& maxSizeText, bool authFltr, TFilterTable& filters);

}  // namespace vexil
