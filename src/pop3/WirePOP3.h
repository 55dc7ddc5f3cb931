// The POP3 client as the program uses it: log in, count, size, header,
// whole message, delete, quit.
#pragma once

#include <memory>
#include <string>

#include "pop3/Security.h"
#include "pop3/UniqueIds.h"
#include "pop3/WireMessage.h"

namespace vexil {

class TWirePOP3 : public TWireMessageClient {
public:
    TWirePOP3();  // over the platform's socket transport
    explicit TWirePOP3(std::unique_ptr<ITransport> transport);

    std::string UserID, Password;
    TSecurity Security = TSecurity::Auto;

    // Connects, secures the connection as Security says and logs in.  A
    // server that cannot be reached securely, or whose certificate fails,
    // raises ETlsError before the user name is sent.
    void Connect() override;
    void Disconnect() override;
    // The number of messages, from the unique-id listing; a server that
    // refuses "UIDL" is counted by "STAT".  With ids, the listing's ids go
    // there (unknown when the server gave none).
    int CheckMessages(TUniqueIds* ids = nullptr);
    // The last CheckMessages read its listing (or STAT) to the end.  A
    // listing cut off counts only what came: not a count to trust.
    bool ListingComplete() const { return listingComplete_; }
    std::string GetMessageSize(int number);
    bool RetrieveHeader(int number, TWireMessage& msg);
    bool Retrieve(int number, TWireMessage& msg, int size);
    bool Delete(int number);

private:
    // Asks for the capabilities and starts TLS with "STLS" when the server
    // offers it; fails when STARTTLS is required and not offered.
    void StartTlsIfOffered();
    bool OffersStls();
    int CountByStat();

    bool listingComplete_ = false;
};

}  // namespace vexil
