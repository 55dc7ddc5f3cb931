// Reads IMAP responses the way the IMAP client will: through the line client,
// over a transport that plays the server's bytes from memory in pieces of a
// chosen size; and renders them as one line of text each, so that tests
// state whole results.
#pragma once

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "imap/ImapReader.h"
#include "imap/ImapResponse.h"
#include "pop3/MemoryTransport.h"
#include "pop3/Wire.h"

namespace vexil::test {

// A string literal with every byte, NULs included.
template <std::size_t N>
std::string Bytes(const char (&text)[N]) {
    return std::string(text, N - 1);
}

// ------------------------------------------------------------ rendering

// A response as one line of text, so that tables state whole results:
// strings in quotes with their bytes escaped, numbers in decimal, atoms as
// they are (never digits alone), NIL, lists in parentheses; a status
// response shows its text as a string, data shows its values.
inline std::string Quote(const std::string& bytes) {
    std::string out = "\"";
    for (const char c : bytes) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (u < 0x20 || u >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", u);
            out += hex;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

inline std::string Render(const TImapValue& v);

inline std::string Render(const std::vector<TImapValue>& values) {
    std::string out;
    for (const TImapValue& v : values) out += (out.empty() ? "" : " ") + Render(v);
    return out;
}

inline std::string Render(const TImapValue& v) {
    switch (v.Kind) {
        case TImapValueKind::Nil: return "NIL";
        case TImapValueKind::Atom: return v.Text;
        case TImapValueKind::Number: return std::to_string(v.Number);
        case TImapValueKind::String: return Quote(v.Text);
        case TImapValueKind::List: return "(" + Render(v.Items) + ")";
    }
    return "?";
}

inline std::string Render(const TImapResponse& r) {
    std::string out;
    if (r.Kind == TImapResponseKind::Continuation) out = "+";
    if (r.Kind == TImapResponseKind::Untagged) out = "*";
    if (r.Kind == TImapResponseKind::Tagged) out = r.Tag;
    if (r.Number) out += " " + std::to_string(*r.Number);
    if (!r.Name.empty()) out += " " + r.Name;
    if (!r.Code.empty()) {
        out += " [" + r.Code;
        if (!r.CodeValues.empty()) out += " " + Render(r.CodeValues);
        out += "]";
    }
    if (r.IsStatus() || r.Kind == TImapResponseKind::Continuation) out += " " + Quote(r.Text);
    if (!r.Values.empty()) out += " " + Render(r.Values);
    return out;
}

// An error as "bad: what" or "limit: what", the fixed start of the text left
// off once it has been checked.
inline std::string Describe(const EImapProtocolError& e) {
    const bool limit = dynamic_cast<const EImapLimitExceeded*>(&e) != nullptr;
    const std::string prefix = limit ? "IMAP response too large: " : "Bad IMAP response: ";
    const std::string text = e.what();
    if (text.compare(0, prefix.size(), prefix) != 0) return "unexpected text: " + text;
    return (limit ? "limit: " : "bad: ") + text.substr(prefix.size());
}

// ------------------------------------------------------- the line client

class TImapTestClient : public TWireClient {
public:
    explicit TImapTestClient(std::unique_ptr<ITransport> transport)
        : TWireClient(std::move(transport)) {}
};

// What a reader made of a server's bytes: the responses, where each ended
// in the stream, how reading stopped ("closed" when the server went away
// between or inside responses) and how far into the stream that was.
struct TRun {
    std::vector<std::string> Responses;
    std::vector<std::size_t> Ends;
    std::string Stop;
    std::size_t StopPos = 0;
};

inline TRun ReadAll(const std::string& incoming, int chunk,
             std::size_t maxBytes = TImapReader::kDefaultMaxResponseBytes) {
    auto owned = std::make_unique<TMemoryTransport>(incoming, chunk);
    TMemoryTransport& transport = *owned;
    TImapTestClient wire(std::move(owned));
    wire.Host = "imap.example.org";
    wire.Port = 143;
    wire.Connect();
    TImapReader reader([&] { return wire.ReadLn(); },
                       [&](std::size_t n) {
                           EXPECT_GT(n, 0u);
                           EXPECT_LE(n, static_cast<std::size_t>(INT_MAX));
                           return wire.ReadBuffer(static_cast<int>(n));
                       },
                       maxBytes);
    TRun run;
    try {
        for (;;) {
            run.Responses.push_back(Render(reader.Next()));
            run.Ends.push_back(transport.ReadPos);
        }
    } catch (const EWireConnClosedGraceful&) {
        run.Stop = "closed";
    } catch (const EImapProtocolError& e) {
        run.Stop = Describe(e);
    }
    run.StopPos = transport.ReadPos;
    return run;
}

}  // namespace vexil::test
