// How an account's connection is secured, and the failures of that security.
#pragma once

#include <string>

#include "pop3/WireErrors.h"

namespace vexil {

// auto: TLS from the first byte on port 995, else STLS when the server offers
// it, plain only when it offers neither.  tls and starttls insist on their
// kind and fail without it; none never uses TLS.
enum class TSecurity { Auto, Tls, StartTls, None };

// The word stored in Accounts.ini ("auto", "tls", "starttls", "none").
const char* SecurityKeyword(TSecurity security);
// Reads a stored word, any case; false (and security untouched) for others.
bool ParseSecurity(const std::string& word, TSecurity& security);

// A secure connection could not be had or could not be trusted.  The message
// is the reason as the status line shows it after the account's name
// ("Certificate not trusted").  Nothing has been sent to the server beyond
// the handshake when it is raised, and the connection is closed.
class ETlsError : public EWireException {
public:
    using EWireException::EWireException;
};

// The reasons the program gives.
extern const char* const kTlsNotAvailable;     // no TLS on this platform
extern const char* const kTlsNotOffered;       // STLS required, not offered
extern const char* const kTlsHandshakeFailed;  // the negotiation broke down
extern const char* const kTlsBroken;           // a record that does not decrypt
extern const char* const kTlsTooOld;           // a version before TLS 1.2 was negotiated
extern const char* const kCertNotTrusted;
extern const char* const kCertNameMismatch;
extern const char* const kCertExpired;
extern const char* const kCertNotYetValid;

}  // namespace vexil
