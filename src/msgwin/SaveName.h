// The file name proposed when an attachment is saved.  Mail comes from
// anyone: the name a message gives its attachment is only a suggestion.
#pragma once

#include <string>

namespace vexil {

// The longest name proposed, in characters.
constexpr size_t kMaxSaveNameChars = 200;

// The file name part alone of name (UTF-8): nothing up to the last '\', '/'
// or ':'; none of * ? " < > | or control characters; no trailing dots or
// blanks; a reserved device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or
// without an extension) gets a leading "_"; at most kMaxSaveNameChars
// characters, the extension kept where it can be.  An empty result is
// "attachment".
std::string SafeAttachmentName(const std::string& name);

}  // namespace vexil
