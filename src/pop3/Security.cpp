// Security choices and the texts of their failures.
#include "pop3/Security.h"

#include "base/Text.h"

namespace vexil {

const char* const kTlsNotAvailable = "TLS not available";
const char* const kTlsNotOffered = "TLS not offered by the server";
const char* const kTlsHandshakeFailed = "TLS negotiation failed";
const char* const kTlsTooOld = "TLS version too old";
const char* const kTlsBroken = "TLS connection broken";
const char* const kCertNotTrusted = "Certificate not trusted";
const char* const kCertNameMismatch = "Certificate name mismatch";
const char* const kCertExpired = "Certificate expired";
const char* const kCertNotYetValid = "Certificate not yet valid";

const char* SecurityKeyword(TSecurity security) {
    switch (security) {
        case TSecurity::Tls: return "tls";
        case TSecurity::StartTls: return "starttls";
        case TSecurity::None: return "none";
        case TSecurity::Auto: break;
    }
    return "auto";
}

bool ParseSecurity(const std::string& word, TSecurity& security) {
    for (const TSecurity s : {TSecurity::Auto, TSecurity::Tls, TSecurity::StartTls, TSecurity::None}) {
        if (SameText(word, SecurityKeyword(s))) {
            security = s;
            return true;
        }
    }
    return false;
}

}  // namespace vexil
