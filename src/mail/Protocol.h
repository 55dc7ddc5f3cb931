// The protocol an account's server speaks.
#pragma once

#include <string>

namespace vexil {

// pop3 is also what an account of an earlier file (no protocol line) means.
enum class TProtocol { Pop3, Imap };

// The word stored in Accounts.ini ("pop3", "imap").
const char* ProtocolKeyword(TProtocol protocol);
// Reads a stored word, any case; false (and protocol untouched) for others.
bool ParseProtocol(const std::string& word, TProtocol& protocol);

// The port a new account of the protocol starts on: TLS from the first byte
// (995 for POP3, 993 for IMAP).
int SecurePortOf(TProtocol protocol);

}  // namespace vexil
