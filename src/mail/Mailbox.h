// The mailbox seam: what the check cycle, the message window and the mail
// picture ask of an account's server, whatever protocol it speaks.  The POP3
// session is one implementation; each keeps its own wire, waits and caps.
#pragma once

#include <string>

#include "mail/Protocol.h"
#include "pop3/Security.h"

namespace vexil {

class TUniqueIds;
class TWireMessage;

// Where an account's mail is and how to reach it.
struct TMailServer {
    std::string Host;
    int Port = 0;
    std::string User, Password;
    TSecurity Security = TSecurity::Auto;
};

class IMailbox {
public:
    virtual ~IMailbox() = default;

    // The account the next Connect logs into.
    virtual void SetServer(const TMailServer& server) = 0;
    // Connects, secures the connection as the server's Security says and
    // logs in.  A connection that cannot be secured or trusted raises
    // ETlsError before anything of the account is sent; other failures raise
    // the wire's errors.  The connection is closed after any failure.
    virtual void Connect() = 0;
    // Says goodbye and closes.  The connection is closed afterwards even
    // when the goodbye could not be sent (which raises).
    virtual void Disconnect() = 0;
    // Closes at once, without a goodbye; from the idle hook it also ends a
    // wait in progress.
    virtual void CloseSocket() = 0;
    virtual bool Connected() const = 0;
    // The session runs over TLS.
    virtual bool Secure() const = 0;
    // The security this login had: TLS from the first byte or by the
    // protocol's STARTTLS; what an automatic account needs from then on.
    virtual TSecurity SecuredAs() const = 0;

    // The messages waiting, numbered 1..count for the calls below until the
    // next check; with ids, each one's identity (for telling new mail).
    // Failures inside the count leave ListingComplete false.
    virtual int CheckMessages(TUniqueIds* ids = nullptr) = 0;
    // The last CheckMessages read its answer to the end: a count to trust.
    virtual bool ListingComplete() const = 0;
    // Message number's size in bytes as text ("" when unknown).
    virtual std::string GetMessageSize(int number) = 0;
    virtual bool RetrieveHeader(int number, TWireMessage& msg) = 0;
    virtual bool Retrieve(int number, TWireMessage& msg, int size) = 0;
    virtual bool Delete(int number) = 0;
};

// The program's sessions, one for each protocol; an account's protocol picks
// the one that serves it.
class TMailboxes {
public:
    // POP3 accounts only (an IMAP account is then an error of the caller).
    TMailboxes(IMailbox& pop3) : pop3_(&pop3) {}  // NOLINT: a POP3 session is a set of one
    TMailboxes(IMailbox& pop3, IMailbox& imap) : pop3_(&pop3), imap_(&imap) {}

    IMailbox& For(TProtocol protocol) const;
    // Each session there is, POP3 first.
    template <class F>
    void ForEach(F f) const {
        f(*pop3_);
        if (imap_) f(*imap_);
    }

private:
    IMailbox* pop3_;
    IMailbox* imap_ = nullptr;
};

}  // namespace vexil
