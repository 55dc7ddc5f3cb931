// The sessions by protocol.
#include "mail/Mailbox.h"

#include <stdexcept>

namespace vexil {

IMailbox& TMailboxes::For(TProtocol protocol) const {
    if (protocol == TProtocol::Pop3) return *pop3_;
    if (!imap_) throw std::logic_error("no IMAP session");
    return *imap_;
}

}  // namespace vexil
