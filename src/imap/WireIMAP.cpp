// The IMAP session (RFC 9051, with RFC 3501 servers in mind): one command at
// a time, each read to its tagged answer with the untagged responses on the
// way handed to the command that asked.  Messages are read with BODY.PEEK,
// so reading never marks them seen.
#include "imap/WireIMAP.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <optional>
#include <utility>

#include "base/Text.h"
#include "imap/ImapArguments.h"
#include "imap/MessageLiteral.h"

namespace vexil {

namespace {

std::string Base64(const std::string& bytes) {
    static const char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t n = std::min<size_t>(3, bytes.size() - i);
        std::uint32_t v = 0;
        for (size_t k = 0; k < 3; ++k)
            v = (v << 8) | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        for (size_t k = 0; k < 4; ++k)
            out += k <= n ? kDigits[(v >> (18 - 6 * k)) & 63] : '=';
    }
    return out;
}

// A number from a response that must fit the range the protocol gives it.
std::uint64_t NumberOf(const TImapValue* value) {
    return value && value->IsNumber() ? value->Number : 0;
}

const char* const kNoSuchMessage = "The message is no longer on the server";

// Ends a wait of IDLE from the idle hook, leaving the connection as it was.
struct TIdleInterrupt {};

bool IsMailboxNews(const TImapResponse& r) {
    return r.Kind == TImapResponseKind::Untagged && r.Number &&
           (r.Name == "EXISTS" || r.Name == "EXPUNGE" || r.Name == "FETCH");
}

}  // namespace

TWireIMAP::TWireIMAP() : TWireIMAP(CreateSocketTransport()) {}

TWireIMAP::TWireIMAP(std::unique_ptr<ITransport> transport) : TWireClient(std::move(transport)) {
    Port = 143;
}

void TWireIMAP::SetServer(const TMailServer& server) {
    Host = server.Host;
    Port = server.Port;
    UserID = server.User;
    Password = server.Password;
    Security = server.Security;
}

bool TWireIMAP::Offers(const std::string& capability) const {
    return capabilities_.count(UpperCase(capability)) != 0;
}

void TWireIMAP::Connect() {
    TWireClient::Connect();
    tagCount_ = 0;
    staleTag_.clear();
    capabilities_.clear();
    inbox_ = TInbox::Closed;
    listed_ = false;
    uids_.clear();
    // Line and literal reads through the line client, with its caps and waits.
    reader_ = std::make_unique<TImapReader>(
        [this] { return ReadLn(); },
        [this](std::size_t n) { return ReadBuffer(static_cast<int>(n)); },
        std::min<std::size_t>(MaxReplyBytes, MaxMessageBytes + 65536));
    try {
        // Port 993 is IMAP over TLS from the first byte (RFC 8314).
        implicitTls_ = Security == TSecurity::Tls || (Security == TSecurity::Auto && Port == 993);
        if (implicitTls_) {
            DoStatus("Securing connection");
            SecureConnection(Host);
        }
        const TImapResponse greeting = NextResponse();
        if (greeting.Kind != TImapResponseKind::Untagged ||
            (greeting.Status != TImapStatus::Ok && greeting.Status != TImapStatus::Preauth))
            throw EWireConnectRefused(greeting.Text.empty() ? greeting.Name : greeting.Text);
        NoteCapabilityCode(greeting);
        DoStatus("Connected");
        if (!implicitTls_ && Security != TSecurity::None) StartTlsIfOffered();
        // A server that says PREAUTH before TLS could be anyone on the path:
        // the account's own login is what is asked for.
        if (greeting.Status != TImapStatus::Preauth || Secure()) LogIn();
    } catch (...) {
        try {
            Disconnect();
        } catch (...) {
        }
        throw;
    }
}

void TWireIMAP::StartTlsIfOffered() {
    if (capabilities_.empty()) AskCapabilities();
    if (!Offers("STARTTLS")) {
        if (Security == TSecurity::StartTls) throw ETlsError(kTlsNotOffered);
        return;
    }
    // Offered and refused, or offered and broken: never on in the clear.
    Command("STARTTLS");
    DoStatus("Securing connection");
    SecureConnection(Host);
    // What the server said before TLS may have been changed on the way.
    capabilities_.clear();
    AskCapabilities();
}

void TWireIMAP::AskCapabilities() {
    capabilities_.clear();
    Command("CAPABILITY", [this](const TImapResponse& r) {
        if (r.Name == "CAPABILITY") NoteCapabilities(r.Values);
    });
}

void TWireIMAP::NoteCapabilities(const std::vector<TImapValue>& values) {
    capabilities_.clear();
    for (const TImapValue& v : values)
        if (v.IsAtom()) capabilities_.insert(UpperCase(v.Text));
}

void TWireIMAP::NoteCapabilityCode(const TImapResponse& response) {
    if (response.Code == "CAPABILITY") NoteCapabilities(response.CodeValues);
}

void TWireIMAP::LogIn() {
    if (capabilities_.empty()) AskCapabilities();
    if (Offers("AUTH=PLAIN"))
        LogInPlain();
    else if (!Offers("LOGINDISABLED"))
        LogInWithLogin();
    else
        throw EWireResponseError("The server takes no login this program knows");
    DoStatus("Logged in");
    // The capabilities after login are those that count (IDLE, UIDPLUS).
    if (capabilities_.empty()) AskCapabilities();
}

void TWireIMAP::LogInPlain() {
    const std::string token = Base64(std::string(1, '\0') + UserID + '\0' + Password);
    bool told = false;  // the server named its capabilities after the login
    THandler noteCapabilities = [&](const TImapResponse& r) {
        if (r.Name != "CAPABILITY") return;
        NoteCapabilities(r.Values);
        told = true;
    };
    TImapResponse done;
    if (Offers("SASL-IR")) {
        done = Command("AUTHENTICATE PLAIN " + token, noteCapabilities);
    } else {
        // Without SASL-IR the token waits for the server's go-ahead.
        const std::string tag = NextTag();
        BeginReply();
        WriteLn(tag + " AUTHENTICATE PLAIN");
        AwaitGoAhead(tag, "the login");
        WriteLn(token);
        done = ReadTagged(tag, noteCapabilities);
        if (done.Status != TImapStatus::Ok) throw EWireResponseError(done.Text);
    }
    AfterLogin(done, told);
}

void TWireIMAP::LogInWithLogin() {
    const std::optional<std::string> user = ImapQuoted(UserID);
    if (!user) throw EWireResponseError("The user name cannot be sent to this server");
    TImapResponse done;
    if (const std::optional<std::string> password = ImapQuoted(Password)) {
        done = Command("LOGIN " + *user + " " + *password);
    } else {
        if (!ImapLiteralSafe(Password)) throw EWireResponseError("The password cannot be sent");
        done = CommandWithLiteral("LOGIN " + *user + " ", Password, "");
    }
    AfterLogin(done, false);
}

// What the server offers before the login may differ from what it offers
// after it: only capabilities named with or after the login count.
void TWireIMAP::AfterLogin(const TImapResponse& done, bool told) {
    if (done.Code == "CAPABILITY")
        NoteCapabilities(done.CodeValues);
    else if (!told)
        capabilities_.clear();
}

std::string TWireIMAP::NextTag() { return "V" + std::to_string(++tagCount_); }

// The server's "+" before the rest of command tag; its refusal instead
// raises with its words.
void TWireIMAP::AwaitGoAhead(const std::string& tag, const char* forWhat) {
    const TImapResponse ahead = NextResponse();
    if (ahead.Kind == TImapResponseKind::Continuation) return;
    if (ahead.Kind == TImapResponseKind::Tagged && ahead.Tag == tag) throw EWireResponseError(ahead.Text);
    throw EImapProtocolError(std::string("Bad IMAP response: no go-ahead for ") + forWhat);
}

TImapResponse TWireIMAP::NextResponse() {
    TImapResponse response = reader_->Next();
    ChargeReply(reader_->Raw().size() + 2);
    return response;
}

bool TWireIMAP::SkipStaleAnswer(const TImapResponse& r) {
    if (staleTag_.empty() || r.Tag != staleTag_) return false;
    staleTag_.clear();
    return true;
}

TImapResponse TWireIMAP::ReadTagged(const std::string& tag, const THandler& untagged) {
    for (;;) {
        TImapResponse r = NextResponse();
        if (r.Kind == TImapResponseKind::Tagged) {
            if (SkipStaleAnswer(r)) continue;
            if (r.Tag != tag) throw EImapProtocolError("Bad IMAP response: an answer to no command");
            return r;
        }
        if (r.Kind == TImapResponseKind::Continuation)
            throw EImapProtocolError("Bad IMAP response: a go-ahead nothing asked for");
        // The server is leaving: what it says is why.
        if (r.Status == TImapStatus::Bye) throw EWireResponseError(r.Text.empty() ? "BYE" : r.Text);
        if (untagged) untagged(r);
    }
}

TImapResponse TWireIMAP::Command(const std::string& command, const THandler& untagged,
                                 bool allowRefusal) {
    const std::string tag = NextTag();
    BeginReply();
    WriteLn(tag + " " + command);
    TImapResponse done = ReadTagged(tag, untagged);
    if (done.Status != TImapStatus::Ok && !allowRefusal)
        throw EWireResponseError(done.Text.empty() ? done.Name : done.Text);
    return done;
}

TImapResponse TWireIMAP::CommandWithLiteral(const std::string& head, const std::string& literal,
                                            const std::string& tail) {
    const std::string tag = NextTag();
    BeginReply();
    const std::string size = std::to_string(literal.size());
    if (Offers("LITERAL+") || (Offers("LITERAL-") && literal.size() <= 4096)) {
        WriteLn(tag + " " + head + "{" + size + "+}");
    } else {
        WriteLn(tag + " " + head + "{" + size + "}");
        AwaitGoAhead(tag, "a literal");
    }
    WriteLn(literal + tail);
    TImapResponse done = ReadTagged(tag, {});
    if (done.Status != TImapStatus::Ok) throw EWireResponseError(done.Text);
    return done;
}

void TWireIMAP::Disconnect() {
    if (!Established()) {
        TWireClient::Disconnect();
        return;
    }
    // The answer is not waited for: a server that never answers costs nothing.
    try {
        WriteLn(NextTag() + " LOGOUT");
    } catch (...) {
        TWireClient::Disconnect();
        throw;
    }
    EndSecureChannel();
    TWireClient::Disconnect();
}

void TWireIMAP::OpenInbox(bool readWrite) {
    const TInbox want = readWrite ? TInbox::ReadWrite : TInbox::ReadOnly;
    if (inbox_ == want || (inbox_ == TInbox::ReadWrite && !readWrite)) return;
    inbox_ = TInbox::Closed;
    Command(readWrite ? "SELECT INBOX" : "EXAMINE INBOX");
    inbox_ = want;
}

std::string TWireIMAP::AccountKey() const {
    return UserID + '\n' + LowerCase(Host) + '\n' + std::to_string(Port);
}

int TWireIMAP::CheckMessages(TUniqueIds* ids) {
    if (ids) ids->Forget();
    listingComplete_ = false;
    int count = 0;
    try {
        if (!ids) {
            listed_ = false;
            EnsureListing();
            listingComplete_ = true;
            return static_cast<int>(uids_.size());
        }
        DoStatus("Checking for messages");
        std::uint64_t unseen = 0, uidNext = 0, uidValidity = 0;
        const TImapResponse done = Command(
            "STATUS INBOX (MESSAGES UNSEEN UIDNEXT UIDVALIDITY)",
            [&](const TImapResponse& r) {
                if (r.Name != "STATUS" || r.Values.size() < 2 || !r.Values[1].IsList()) return;
                unseen = NumberOf(r.Values[1].Field("UNSEEN"));
                uidNext = NumberOf(r.Values[1].Field("UIDNEXT"));
                uidValidity = NumberOf(r.Values[1].Field("UIDVALIDITY"));
            },
            true);
        if (done.Status != TImapStatus::Ok) {
            // A server without STATUS on INBOX: the mailbox opened read-only
            // tells the same.
            unseen = 0;
            Command("EXAMINE INBOX", [&](const TImapResponse& r) {
                if (r.Code == "UIDNEXT" && !r.CodeValues.empty()) uidNext = NumberOf(&r.CodeValues[0]);
                if (r.Code == "UIDVALIDITY" && !r.CodeValues.empty())
                    uidValidity = NumberOf(&r.CodeValues[0]);
            });
            inbox_ = TInbox::ReadOnly;
            Command("UID SEARCH UNSEEN", [&](const TImapResponse& r) {
                if (r.Name == "SEARCH") unseen += r.Values.size();
            });
        }
        count = static_cast<int>(std::min<std::uint64_t>(unseen, 0x7FFFFFFF));

        // New mail: unseen messages at or above the UIDNEXT of this
        // account's last good check.  None known yet: the listing is empty,
        // as every later message lies above this check's UIDNEXT.
        const auto last = seen_.find(AccountKey());
        const bool sameMailbox = last != seen_.end() && last->second.UidValidity == uidValidity;
        ids->Begin();
        std::string search;
        if (last != seen_.end() && !sameMailbox)
            search = "UID SEARCH UNSEEN";  // a new mailbox: every unseen one is unknown
        else if (sameMailbox && uidNext > last->second.UidNext)
            search = "UID SEARCH UNSEEN UID " + std::to_string(last->second.UidNext) + ":*";
        if (!search.empty() && unseen > 0) {
            const std::uint64_t from = sameMailbox ? last->second.UidNext : 0;
            OpenInbox(false);
            const std::string prefix = std::to_string(uidValidity) + ":";
            Command(search, [&](const TImapResponse& r) {
                if (r.Name != "SEARCH") return;
                for (const TImapValue& v : r.Values)
                    if (v.IsNumber() && v.Number >= from) ids->Add(prefix + v.Text);
            });
        }
        ids->End();
        seen_[AccountKey()] = TSeen{uidValidity, uidNext};
        listingComplete_ = true;
    } catch (const std::exception& e) {
        if (ids) ids->Forget();
        DoStatus(e.what());
    }
    return count;
}

void TWireIMAP::EnsureListing() {
    if (listed_) return;
    OpenInbox(false);
    std::vector<std::uint32_t> uids;
    Command("UID SEARCH UNSEEN UNDELETED", [&](const TImapResponse& r) {
        if (r.Name != "SEARCH") return;
        for (const TImapValue& v : r.Values)
            if (v.IsNumber() && v.Number > 0 && v.Number <= 0xFFFFFFFFu)
                uids.push_back(static_cast<std::uint32_t>(v.Number));
    });
    std::sort(uids.begin(), uids.end());
    uids.erase(std::unique(uids.begin(), uids.end()), uids.end());
    uids_ = std::move(uids);
    listed_ = true;
}

std::uint32_t TWireIMAP::UidOf(int number) {
    EnsureListing();
    if (number < 1 || static_cast<size_t>(number) > uids_.size()) return 0;
    return uids_[static_cast<size_t>(number) - 1];
}

std::string TWireIMAP::GetMessageSize(int number) {
    std::string result;
    try {
        const std::uint32_t uid = UidOf(number);
        if (uid == 0) return result;
        Command("UID FETCH " + std::to_string(uid) + " (UID RFC822.SIZE)", [&](const TImapResponse& r) {
            if (r.Name != "FETCH" || r.Values.empty() || !r.Values[0].IsList()) return;
            if (NumberOf(r.Values[0].Field("UID")) != uid) return;
            if (const TImapValue* size = r.Values[0].Field("RFC822.SIZE"))
                if (size->IsNumber()) result = size->Text;
        });
    } catch (const std::exception& e) {
        DoStatus(e.what());
    }
    return result;
}

bool TWireIMAP::FetchSection(int number, const std::string& item, std::string& bytes) {
    const std::uint32_t uid = UidOf(number);
    if (uid == 0) return false;
    // The answer names the section without ".PEEK".
    const std::string answer = "BODY" + item.substr(item.find('['));
    bool found = false;
    Command("UID FETCH " + std::to_string(uid) + " (UID " + item + ")", [&](const TImapResponse& r) {
        if (r.Name != "FETCH" || r.Values.empty() || !r.Values[0].IsList()) return;
        if (NumberOf(r.Values[0].Field("UID")) != uid) return;
        const TImapValue* body = r.Values[0].Field(answer);
        if (!body || !body->IsString()) return;
        bytes = body->Text;
        found = true;
    });
    if (!found) DoStatus(kNoSuchMessage);
    return found;
}

bool TWireIMAP::RetrieveHeader(int number, TWireMessage& msg) {
    DoStatus("Retrieving headers");
    std::string header;
    if (!FetchSection(number, "BODY.PEEK[HEADER]", header)) return false;
    ReceiveMessageLiteral(*this, header, msg, false);
    return true;
}

bool TWireIMAP::Retrieve(int number, TWireMessage& msg, int size) {
    std::string whole;
    if (!FetchSection(number, "BODY.PEEK[]", whole)) return false;
    ReceiveMessageLiteral(*this, whole, msg, true, size);
    DoStatus("    From: " + msg.From());
    DoStatus("    Subject: " + DecodeHeader(msg.Subject()));
    return true;
}

void TWireIMAP::Idle(int renewMs, const std::function<bool()>& stop,
                     const std::function<void()>& changed, const std::function<void()>& started) {
    OpenInbox(false);
    const std::string tag = NextTag();
    BeginReply();
    WriteLn(tag + " IDLE");
    for (;;) {
        const TImapResponse r = NextResponse();
        if (r.Kind == TImapResponseKind::Continuation) break;
        if (r.Kind == TImapResponseKind::Tagged && SkipStaleAnswer(r)) continue;
        if (r.Kind == TImapResponseKind::Tagged)
            throw EWireResponseError(r.Text.empty() ? "IDLE refused" : r.Text);
        if (r.Status == TImapStatus::Bye) throw EWireResponseError(r.Text.empty() ? "BYE" : r.Text);
        if (IsMailboxNews(r)) changed();
    }
    if (started) started();

    // The wait: the idle hook ends it at the renewal or a stop, between two
    // responses (a response begun is read on after DONE).
    const auto renewAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(renewMs);
    const std::function<void()> ownerIdle = OnIdle;
    const int timeout = TimeoutMs;
    // The stop is seen here before the owner's hook, which may give the
    // connection up on it: DONE and LOGOUT still go out.
    OnIdle = [&] {
        if (stop() || std::chrono::steady_clock::now() >= renewAt) throw TIdleInterrupt();
        if (ownerIdle) ownerIdle();
    };
    // A server keeps quiet while nothing happens: only the renewal bounds it.
    TimeoutMs = renewMs + timeout;
    struct TRestore {
        TWireIMAP& self;
        std::function<void()> idle;
        int timeout;
        ~TRestore() {
            self.OnIdle = idle;
            self.TimeoutMs = timeout;
        }
    } restore{*this, ownerIdle, timeout};
    try {
        for (;;) {
            const TImapResponse r = NextResponse();
            BeginReply();  // every notice is a reply of its own for the caps
            if (r.Kind == TImapResponseKind::Tagged) return;  // the server ended it
            if (r.Status == TImapStatus::Bye) throw EWireResponseError(r.Text.empty() ? "BYE" : r.Text);
            if (IsMailboxNews(r)) changed();
        }
    } catch (const TIdleInterrupt&) {
    }
    OnIdle = ownerIdle;
    TimeoutMs = timeout;
    WriteLn("DONE");
    if (stop()) {
        staleTag_ = tag;  // its answer comes before the next command's
        return;
    }
    const TImapResponse done = ReadTagged(tag, [&](const TImapResponse& r) {
        if (IsMailboxNews(r)) changed();
    });
    if (done.Status != TImapStatus::Ok) throw EWireResponseError(done.Text);
}

bool TWireIMAP::Delete(int number) {
    const std::uint32_t uid = UidOf(number);
    if (uid == 0) return false;
    OpenInbox(true);
    const std::string set = std::to_string(uid);
    Command("UID STORE " + set + " +FLAGS.SILENT (\\Deleted)");
    if (Offers("UIDPLUS")) Command("UID EXPUNGE " + set);
    uids_.erase(uids_.begin() + (number - 1));
    return true;
}

}  // namespace vexil
