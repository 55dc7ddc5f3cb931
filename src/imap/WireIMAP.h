// The IMAP session as the program uses it: secure the connection, log in,
// count the unseen messages of INBOX, read a message's header or the whole of
// it without changing its flags, delete, log out.  It runs on the same line
// client, waits, caps, idle hook and TLS transport as the POP3 session.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "imap/ImapReader.h"
#include "mail/Mailbox.h"
#include "pop3/Security.h"
#include "pop3/UniqueIds.h"
#include "pop3/Wire.h"
#include "pop3/WireMessage.h"

namespace vexil {

class TWireIMAP : public TWireClient, public IMailbox {
public:
    TWireIMAP();  // over the platform's socket transport
    explicit TWireIMAP(std::unique_ptr<ITransport> transport);

    std::string UserID, Password;
    TSecurity Security = TSecurity::Auto;
    // The largest message read whole (its literal is held in memory once).
    std::size_t MaxMessageBytes = std::size_t(64) << 20;

    void SetServer(const TMailServer& server) override;
    // Connects, secures the connection as Security says (TLS from the first
    // byte on 993, else STARTTLS), and logs in by AUTHENTICATE PLAIN or
    // LOGIN, never LOGIN where the server says LOGINDISABLED.  A connection
    // that cannot be secured or trusted raises ETlsError before the user
    // name is sent.
    void Connect() override;
    // LOGOUT, without waiting for its answer.
    void Disconnect() override;
    void CloseSocket() override { TWireClient::CloseSocket(); }
    bool Connected() const override { return TWireClient::Connected(); }
    bool Secure() const override { return TWireClient::Secure(); }
    TSecurity SecuredAs() const override { return implicitTls_ ? TSecurity::Tls : TSecurity::StartTls; }

    // The unseen messages of INBOX.  With ids (a check), STATUS counts them
    // and the ids are those of unseen messages that came since this
    // account's last good check (UIDs from the UIDNEXT of then on), so that
    // a message read elsewhere and marked unread again is no new mail; after
    // a UIDVALIDITY change every unseen message counts as unknown.  Without
    // ids (the message window), the unseen messages not marked deleted are
    // listed and numbered 1..count in UID order for the calls below.
    int CheckMessages(TUniqueIds* ids = nullptr) override;
    bool ListingComplete() const override { return listingComplete_; }
    std::string GetMessageSize(int number) override;
    bool RetrieveHeader(int number, TWireMessage& msg) override;
    bool Retrieve(int number, TWireMessage& msg, int size) override;
    // Marks the message \Deleted and, where the server offers UIDPLUS,
    // expunges that message alone; without UIDPLUS the mark stays for the
    // user's mail program to expunge (a plain EXPUNGE would also remove
    // what the user marked elsewhere).  It leaves the window's list.
    bool Delete(int number) override;

    // A capability the server named last (upper case, e.g. "IDLE").
    bool Offers(const std::string& capability) const;

    // One round of IDLE (RFC 2177) on INBOX: waits for the server's news
    // until renewMs has passed or stop() says so, calling changed() for each
    // EXISTS, EXPUNGE or FETCH (flags) the server reports, then ends it with
    // DONE.  After a renewal it reads the command's end, so the next round
    // can start; after a stop it does not wait for it (LOGOUT follows).
    // stop is asked between the slices of every wait.  Raises what a
    // command raises when the server refuses IDLE, leaves or breaks.
    // started() runs once the server has agreed to idle.
    void Idle(int renewMs, const std::function<bool()>& stop, const std::function<void()>& changed,
              const std::function<void()>& started = {});

protected:
    using THandler = std::function<void(const TImapResponse&)>;
    // Sends one command line under a new tag and reads until its tagged
    // answer, handing every untagged response to untagged.  A BYE, or an
    // answer other than OK, raises EWireResponseError with the server's text
    // unless allowRefusal is set (then the answer is returned).
    TImapResponse Command(const std::string& command, const THandler& untagged = {},
                          bool allowRefusal = false);
    // The same for a command whose last argument goes as a literal.
    TImapResponse CommandWithLiteral(const std::string& head, const std::string& literal,
                                     const std::string& tail);

private:
    TImapResponse ReadTagged(const std::string& tag, const THandler& untagged);
    TImapResponse NextResponse();
    std::string NextTag();
    void AwaitGoAhead(const std::string& tag, const char* forWhat);
    // The answer to an IDLE ended by a stop, which nothing waited for.
    bool SkipStaleAnswer(const TImapResponse& r);
    void NoteCapabilities(const std::vector<TImapValue>& values);
    void NoteCapabilityCode(const TImapResponse& response);
    void AskCapabilities();
    void StartTlsIfOffered();
    void LogIn();
    void LogInPlain();
    void LogInWithLogin();
    void AfterLogin(const TImapResponse& done, bool told);
    // EXAMINE (read-only) or SELECT INBOX, unless it is open that way already.
    void OpenInbox(bool readWrite);
    // The window's list of unseen, undeleted UIDs, made when first needed.
    void EnsureListing();
    std::uint32_t UidOf(int number);
    // Fetches one body section of message number as bytes; false when the
    // server has no such message.
    bool FetchSection(int number, const std::string& item, std::string& bytes);
    std::string AccountKey() const;

    enum class TInbox { Closed, ReadOnly, ReadWrite };

    std::unique_ptr<TImapReader> reader_;
    unsigned tagCount_ = 0;
    std::string staleTag_;
    std::set<std::string> capabilities_;
    bool implicitTls_ = false;
    bool listingComplete_ = false;
    TInbox inbox_ = TInbox::Closed;
    bool listed_ = false;
    std::vector<std::uint32_t> uids_;  // the window's messages, numbered from 1
    // What each account's last good check saw, for telling new mail.
    struct TSeen {
        std::uint64_t UidValidity = 0, UidNext = 0;
    };
    std::map<std::string, TSeen> seen_;
};

}  // namespace vexil
