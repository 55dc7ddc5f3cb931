// Key lookup shared by every ini-style file of the program (Vexil.ini,
// Accounts.ini, VxFilter.ini and each skin's skin.ini).
#pragma once

#include <string>
#include <vector>

namespace vexil {

class IMessages;

// Looks key up below the section header (e.g. "[connect]", or "" for none) in
// fileName.  Returns the trimmed value, "none" when the key, section or value is
// missing, and "" when the file cannot be read.  With report set, an unreadable
// file (other than Accounts.ini) shows the skin path message and halts.
std::string FindInSkin(const std::string& fileName, const std::string& section,
                       const std::string& key, bool report, IMessages* messages);

// The lookup of keys newer than the files' first format: the key must be the
// whole name before the line's "=" (any case), and only the section's own
// lines count, up to the next section header.  Such a key neither finds
// another key's line nor is found by another key's substring search, and an
// account without the line does not take the next account's.  False when
// the file, the section or the key is missing; value is then untouched.
bool FindKeyInSection(const std::string& fileName, const std::string& section,
                      const std::string& key, std::string& value);

// The lines of a settings or skin file, to its end or an end-of-file mark
// (Ctrl-Z); CR, LF and CR LF each end a line.  False when the file cannot be
// read or is larger than any settings file (kMaxIniBytes).
bool ReadIniLines(const std::string& fileName, std::vector<std::string>& lines);
constexpr size_t kMaxIniBytes = 4 * 1024 * 1024;

// The fatal message for a missing skin path or Vexil.ini.
extern const char* const kSkinPathNotFound;

}  // namespace vexil
