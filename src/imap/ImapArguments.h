// Strings as IMAP command arguments: which of them can go as an atom, which
// as a quoted string, and which only as a literal.  The IMAP client writes
// the literal itself ("{n}" CR LF and a continuation, or "{n+}" with LITERAL+).
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace vexil {

// Longest text sent as a quoted string; anything longer goes as a literal,
// so that no command line grows past what servers take.
constexpr std::size_t kImapMaxQuotedArgument = 1000;

// text as a quoted string, "..." with " and \ escaped, or none when it needs
// a literal: it holds CR, LF, NUL or a byte past 7 bits (RFC 3501 servers
// take only 7-bit text in quotes), or it is longer than
// kImapMaxQuotedArgument.
std::optional<std::string> ImapQuoted(const std::string& text);

// text can go as an atom as it is: not empty, printable 7-bit, none of the
// atom specials ( ) { space % * " \ ].
bool ImapAtomSafe(const std::string& text);

// text can go as a literal: it holds no NUL (a literal cannot, outside the
// BINARY extension).  A password with a NUL cannot be sent at all.
bool ImapLiteralSafe(const std::string& text);

}  // namespace vexil
