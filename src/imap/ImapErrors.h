// Exceptions of the IMAP response reader and parser.  Both are wire errors,
// so code that handles a broken connection handles a broken IMAP server the
// same way; the texts are short and say what was wrong, not where.
#pragma once

#include <string>

#include "pop3/WireErrors.h"

namespace vexil {

// A response that breaks the IMAP grammar: an unterminated quoted string or
// list, a stray ")", a number past 64 bits, a response without a status where
// one must stand.  Message: "Bad IMAP response: " and what was wrong.
class EImapProtocolError : public EWireException {
public:
    using EWireException::EWireException;
};

// A response past one of the bounds that keep what a server can make us
// hold in check (ImapResponse.h and ImapReader.h name them): too many
// bytes, literals or values, lists nested too deep, an atom or quoted string
// too long.  Message: "IMAP response too large: " and which bound.
class EImapLimitExceeded : public EImapProtocolError {
public:
    using EImapProtocolError::EImapProtocolError;
};

}  // namespace vexil
