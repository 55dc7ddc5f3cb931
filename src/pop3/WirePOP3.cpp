// The POP3 session: secure the connection, log in, count by the unique-id
// listing, size, header, whole message, delete, quit.  Every exchange goes through SendCmd and the
// line reader of the socket layer; no state is cached between commands.
#include "pop3/WirePOP3.h"

#include <exception>
#include <utility>
#include <vector>

#include "base/Text.h"

namespace vexil {

namespace {

// Drops everything up to and including the first blank ("" when none).
std::string AfterFirstBlank(const std::string& text) {
    const auto blank = text.find(' ');
    return blank == std::string::npos ? std::string() : text.substr(blank + 1);
}

// The id of a "UIDL" listing line ("2 QhdPYR:00WBw1Ph7x7"): what follows the
// message number, "" for a line without one.
std::string_view UniqueIdOf(const std::string& line) {
    const auto blank = line.find(' ');
    if (blank == std::string::npos) return {};
    std::string_view id(line);
    id.remove_prefix(blank + 1);
    while (!id.empty() && static_cast<unsigned char>(id.front()) <= ' ') id.remove_prefix(1);
    while (!id.empty() && static_cast<unsigned char>(id.back()) <= ' ') id.remove_suffix(1);
    return id;
}

}  // namespace

TWirePOP3::TWirePOP3() : TWirePOP3(CreateSocketTransport()) {}

TWirePOP3::TWirePOP3(std::unique_ptr<ITransport> transport)
    : TWireMessageClient(std::move(transport)) {
    Port = 110;
}

void TWirePOP3::SetServer(const TMailServer& server) {
    Host = server.Host;
    Port = server.Port;
    UserID = server.User;
    Password = server.Password;
    Security = server.Security;
}

void TWirePOP3::Connect() {
    TWireClient::Connect();
    try {
        // Port 995 is POP3 over TLS from the first byte (RFC 8314).
        const bool implicitTls =
            Security == TSecurity::Tls || (Security == TSecurity::Auto && Port == 995);
        implicitTls_ = implicitTls;
        if (implicitTls) {
            DoStatus("Securing connection");
            SecureConnection(Host);
        }
        // The greeting is one raw line: a server that opens with blank lines
        // is not a POP3 server we talk to.
        ReplyText = ReadLn();
        if (ReplyText.compare(0, 3, "+OK") != 0) throw EWireConnectRefused(ReplyText);
        DoStatus("Connected");
        if (!implicitTls && Security != TSecurity::None) StartTlsIfOffered();
        SendCmd("User " + UserID, 1, "User Account is valid", 1);
        SendCmd("Pass " + Password, 1, "Password is valid", 1);
    } catch (...) {
        // The caller must learn why the login failed, not that the goodbye
        // could not be said to a server that already hung up.
        try {
            Disconnect();
        } catch (...) {
        }
        throw;
    }
}

void TWirePOP3::StartTlsIfOffered() {
    if (!OffersStls()) {
        if (Security == TSecurity::StartTls) throw ETlsError(kTlsNotOffered);
        return;
    }
    // Offered and refused, or offered and broken: never on in the clear, or
    // anyone on the path could strip the offer's answer to read the password.
    SendCmd("STLS", 1, "Securing connection", 0);
    SecureConnection(Host);
}

// RFC 2449's capability list; a server without "CAPA" offers nothing.
bool TWirePOP3::OffersStls() {
    if (SendCmd("CAPA", -1) != 1) return false;
    std::vector<std::string> capabilities;
    Capture(&capabilities, {"."});
    for (const std::string& line : capabilities) {
        const std::string word = Trim(line.substr(0, line.find(' ')));
        if (SameText(word, "STLS")) return true;
    }
    return false;
}

void TWirePOP3::Disconnect() {
    // Nothing to say goodbye to when the connection never came up; the
    // caller keeps the connect's own error.  The reply to "Quit" is not
    // waited for, so a server that never answers it costs nothing.
    if (!Established()) {
        TWireClient::Disconnect();
        return;
    }
    try {
        WriteLn("Quit");
    } catch (...) {
        TWireClient::Disconnect();
        throw;
    }
    EndSecureChannel();
    TWireClient::Disconnect();
}

int TWirePOP3::CheckMessages(TUniqueIds* ids) {
    if (ids) ids->Forget();
    listingComplete_ = false;
    int count = 0;
    try {
        // UIDL is optional (RFC 1939): a server without it still has a count.
        if (SendCmd("UIDL", -1, "Checking for messages", 0) != 1) {
            count = CountByStat();
            listingComplete_ = true;
            return count;
        }
        if (ids) ids->Begin();
        // The count is the number of lines of the unique-id listing.
        for (std::string line = ReadLn(); line != "."; line = ReadLn()) {
            ChargeReply(line.size() + 2);
            ++count;
            if (ids) ids->Add(UniqueIdOf(line));
        }
        if (ids) ids->End();
        listingComplete_ = true;
    } catch (const std::exception& e) {
        if (ids) ids->Forget();
        DoStatus(e.what());
    }
    return count;
}

// "+OK 3 1120": the first number of the reply.
int TWirePOP3::CountByStat() {
    SendCmd("STAT", 1);
    const std::string rest = AfterFirstBlank(ReplyText);
    const int count = StrToInt(rest.substr(0, rest.find(' ')));
    if (count < 0) throw EWireResponseError(ReplyText);
    return count;
}

std::string TWirePOP3::GetMessageSize(int number) {
    std::string result;
    try {
        if (SendCmd("LIST " + std::to_string(number), 1) == 1)
            result = AfterFirstBlank(AfterFirstBlank(ReplyText));
    } catch (const std::exception& e) {
        DoStatus(e.what());
    }
    return result;
}

bool TWirePOP3::RetrieveHeader(int number, TWireMessage& msg) {
    SendCmd("TOP " + std::to_string(number) + " 0", 1, "Retrieving headers", 0);
    ReceiveHeader(msg, "");
    // A header block cut short by the final "." has already used up that
    // line; reading on would wait for a line the server never sends.
    if (HeaderEndedAtDot()) return true;
    if (ReadLn() == ".") return true;
    // More than the header came: the rest is read and dropped, so that the
    // next command does not take it for its own reply.
    SkipToReplyEnd();
    return false;
}

bool TWirePOP3::Retrieve(int number, TWireMessage& msg, int size) {
    SendCmd("RETR " + std::to_string(number), -1);
    if (ReplyCode != 1) return false;
    DoStatus("  " + ReplyText);
    ReceiveHeader(msg, "");
    // A reply that ended inside its header block has no body left to read.
    if (!HeaderEndedAtDot()) ReceiveBody(msg, size);
    DoStatus("    From: " + msg.From());
    DoStatus("    Subject: " + DecodeHeader(msg.Subject()));
    return true;
}

bool TWirePOP3::Delete(int number) {
    SendCmd("DELE " + std::to_string(number), -1);
    return ReplyCode == 1;
}

}  // namespace vexil
