// The POP3 client as the program uses it: log in, count, size, header,
// whole message, delete, quit.
#pragma once

#include <memory>
#include <string>

#include "mail/Mailbox.h"
#include "pop3/Security.h"
#include "pop3/UniqueIds.h"
#include "pop3/WireMessage.h"

namespace vexil {

class TWirePOP3 : public TWireMessageClient, public IMailbox {
public:
    TWirePOP3();  // over the platform's socket transport
    explicit TWirePOP3(std::unique_ptr<ITransport> transport);

    std::string UserID, Password;
    TSecurity Security = TSecurity::Auto;

    // Host, Port, UserID, Password and Security at once.
    void SetServer(const TMailServer& server) override;
    // Connects, secures the connection as Security says and logs in.  A
    // server that cannot be reached securely, or whose certificate fails,
    // raises ETlsError before the user name is sent.
    void Connect() override;
    void Disconnect() override;
    void CloseSocket() override { TWireClient::CloseSocket(); }
    bool Connected() const override { return TWireClient::Connected(); }
    bool Secure() const override { return TWireClient::Secure(); }
    // TLS from the first byte on 995 (or with security tls), else STLS.
    TSecurity SecuredAs() const override { return implicitTls_ ? TSecurity::Tls : TSecurity::StartTls; }
    // The number of messages, from the unique-id listing; a server that
    // refuses "UIDL" is counted by "STAT".  With ids, the listing's ids go
    // there (unknown when the server gave none).
    int CheckMessages(TUniqueIds* ids = nullptr) override;
    // The last CheckMessages read its listing (or STAT) to the end.  A
    // listing cut off counts only what came: not a count to trust.
    bool ListingComplete() const override { return listingComplete_; }
    std::string GetMessageSize(int number) override;
    bool RetrieveHeader(int number, TWireMessage& msg) override;
    bool Retrieve(int number, TWireMessage& msg, int size) override;
    bool Delete(int number) override;

private:
    // Asks for the capabilities and starts TLS with "STLS" when the server
    // offers it; fails when STARTTLS is required and not offered.
    void StartTlsIfOffered();
    bool OffersStls();
    int CountByStat();

    bool listingComplete_ = false;
    bool implicitTls_ = false;  // the last Connect started TLS at once
};

}  // namespace vexil
