// The address handed to the system's mail handler by Reply.
#pragma once

#include <string>

namespace vexil {

// "mailto:" and the sender's address out of a From value (UTF-8): the part
// between the last '<' and the '>' after it when there is one, else the whole
// value, blanks and quotes trimmed.  Every byte outside the characters an
// address may show as they are (RFC 6068: letters, digits and
// - . _ ~ ! $ ' ( ) * + , ; : @) is percent-encoded, so a hostile sender
// cannot add header fields ("?cc=", "&body=", "&attach=") or break the
// handler's command line; the result is plain ASCII.  An empty address gives
// "mailto:".
std::string MailtoUrl(const std::string& from);

}  // namespace vexil
