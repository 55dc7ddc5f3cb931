// A message that came as an IMAP literal, handed to the message receiver:
// the receiver reads a POP3 reply (lines, dot-stuffed, ended by "."), so the
// bytes are given to it in that form over a transport that plays them.
#pragma once

#include <string>

#include "pop3/Wire.h"
#include "pop3/WireMessage.h"

namespace vexil {

// The bytes as a POP3 multi-line reply would carry them: each line that
// starts with "." gets a second one, the last line is ended, and "." follows.
std::string AsDotStuffedReply(const std::string& bytes);

// Receives bytes (a header block, or a whole message when whole is set, size
// being its announced size) into msg as the POP3 session receives a reply.
// Progress and the idle hook go to owner's events.
void ReceiveMessageLiteral(TWireSocket& owner, const std::string& bytes, TWireMessage& msg,
                           bool whole, int size = 0);

}  // namespace vexil
