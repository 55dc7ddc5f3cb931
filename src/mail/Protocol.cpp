// Protocol names as Accounts.ini stores them.
#include "mail/Protocol.h"

#include "base/Text.h"

namespace vexil {

const char* ProtocolKeyword(TProtocol protocol) {
    return protocol == TProtocol::Imap ? "imap" : "pop3";
}

bool ParseProtocol(const std::string& word, TProtocol& protocol) {
    for (const TProtocol p : {TProtocol::Pop3, TProtocol::Imap}) {
        if (SameText(word, ProtocolKeyword(p))) {
            protocol = p;
            return true;
        }
    }
    return false;
}

int SecurePortOf(TProtocol protocol) { return protocol == TProtocol::Imap ? 993 : 995; }

}  // namespace vexil
