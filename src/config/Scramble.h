// The light scrambling of passwords kept in Accounts.ini.  It only keeps a
// password from being read at a glance; it is no protection.
#pragma once

#include <string>

namespace vexil {

// Each character code c becomes (2c - 8) mod 256.  Only the first
// (length mod 256) characters are changed.
std::string ScramblePassword(const std::string& plain);

// Each character code b becomes b div 2 + 4.  Restores exactly the codes 4 to
// 131; a code from 132 to 255 comes back 128 lower, one below 4 128 higher.
std::string UnscramblePassword(const std::string& stored);

}  // namespace vexil
