// libFuzzer entry over the IMAP response reader and parser.  The input is a
// server's byte stream: responses are read from it until the reader raises,
// once from a plain string and once through the line client over the
// in-memory transport in small pieces; the two readings must agree.  Every
// response must keep the parser's promises (bounds, kinds, numbers), and
// written back as a server would send it, must parse to the same response.
// The reader may end with the line client's EWireConnClosedGraceful (the
// input ran out) or EImapProtocolError; anything else (a crash, a sanitizer
// report, a hang, another exception, a broken promise) is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "imap/ImapReader.h"
#include "imap/ImapResponse.h"
#include "pop3/MemoryTransport.h"
#include "pop3/Wire.h"

namespace {

using namespace vexil;

struct TOutcome {
    std::vector<TImapResponse> Responses;
    std::vector<std::string> Raw;
    std::string Stop;
};

// Reads until the reader raises; the stop is the error's text.
TOutcome ReadAll(TImapReader& reader) {
    TOutcome out;
    try {
        for (;;) {
            out.Responses.push_back(reader.Next());
            out.Raw.push_back(reader.Raw());
        }
    } catch (const EWireConnClosedGraceful& e) {
        out.Stop = std::string("closed: ") + e.what();
    } catch (const EImapProtocolError& e) {
        out.Stop = std::string("imap: ") + e.what();
    }
    return out;
}

TOutcome FromString(const std::string& stream, std::size_t maxBytes) {
    std::size_t pos = 0;
    TImapReader reader(
        [&] {
            const std::size_t end = stream.find("\r\n", pos);
            if (end == std::string::npos) throw EWireConnClosedGraceful();
            std::string line = stream.substr(pos, end - pos);
            pos = end + 2;
            return line;
        },
        [&](std::size_t n) {
            if (n == 0) std::abort();  // the line client would wait for a byte
            if (stream.size() - pos < n) throw EWireConnClosedGraceful();
            std::string bytes = stream.substr(pos, n);
            pos += n;
            return bytes;
        },
        maxBytes);
    return ReadAll(reader);
}

class TFuzzClient : public TWireClient {
public:
    TFuzzClient(const std::string& stream, int chunk)
        : TWireClient(std::make_unique<TMemoryTransport>(stream, chunk)) {
        Host = "localhost";
        Port = 143;
        Connect();
    }
};

TOutcome OverLineClient(const std::string& stream, int chunk, std::size_t maxBytes) {
    TFuzzClient wire(stream, chunk);
    TImapReader reader([&] { return wire.ReadLn(); },
                       [&](std::size_t n) { return wire.ReadBuffer(static_cast<int>(n)); }, maxBytes);
    return ReadAll(reader);
}

bool AllDigits(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// The parser's promises about one value; counts values and literal strings.
void CheckValue(const TImapValue& v, std::size_t depth, std::size_t& values) {
    ++values;
    switch (v.Kind) {
        case TImapValueKind::Nil:
            if (!v.Text.empty() || !v.Items.empty()) std::abort();
            break;
        case TImapValueKind::Atom:
            if (v.Text.empty() || AllDigits(v.Text) || v.Text.size() > kImapMaxTokenBytes) std::abort();
            break;
        case TImapValueKind::Number: {
            if (!AllDigits(v.Text)) std::abort();
            std::uint64_t n = 0;
            for (char c : v.Text) n = n * 10 + static_cast<unsigned>(c - '0');  // fits: parsed
            if (n != v.Number || v.AsNumber() != n) std::abort();
            break;
        }
        case TImapValueKind::String:
            if (!v.Items.empty()) std::abort();
            break;
        case TImapValueKind::List:
            if (depth + 1 > kImapMaxDepth) std::abort();
            for (const TImapValue& item : v.Items) CheckValue(item, depth + 1, values);
            v.Field("UID");  // any list may be asked for a field
            break;
    }
}

void CheckResponse(const TImapResponse& r, const std::string& raw, std::size_t maxBytes) {
    if (raw.size() > maxBytes) std::abort();
    if (r.Kind == TImapResponseKind::Tagged && (r.Tag.empty() || !r.IsStatus())) std::abort();
    if (r.Kind != TImapResponseKind::Tagged && !r.Tag.empty()) std::abort();
    if (r.Kind == TImapResponseKind::Continuation && (!r.Name.empty() || r.IsStatus())) std::abort();
    if (r.IsStatus() && (r.Number || !r.Values.empty())) std::abort();
    if (!r.IsStatus() && r.Kind == TImapResponseKind::Untagged && (!r.Code.empty() || !r.Text.empty()))
        std::abort();
    if (r.Text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) std::abort();
    std::size_t values = 0;
    for (const TImapValue& v : r.Values) CheckValue(v, 0, values);
    for (const TImapValue& v : r.CodeValues) CheckValue(v, 0, values);
    if (values > kImapMaxValues) std::abort();
}

// A value as a server would write it: strings quoted where they can be,
// literals where they must.
void Write(const TImapValue& v, std::string& out) {
    switch (v.Kind) {
        case TImapValueKind::Nil: out += "NIL"; break;
        case TImapValueKind::Atom:
        case TImapValueKind::Number: out += v.Text; break;
        case TImapValueKind::String:
            if (v.Text.size() <= kImapMaxTokenBytes &&
                v.Text.find_first_of(std::string("\r\n\0", 3)) == std::string::npos) {
                out += '"';
                for (char c : v.Text) {
                    if (c == '"' || c == '\\') out += '\\';
                    out += c;
                }
                out += '"';
            } else {
                out += "{" + std::to_string(v.Text.size()) + "}\r\n" + v.Text;
            }
            break;
        case TImapValueKind::List:
            out += '(';
            for (std::size_t i = 0; i < v.Items.size(); ++i) {
                if (i > 0) out += ' ';
                Write(v.Items[i], out);
            }
            out += ')';
            break;
    }
}

std::string Write(const TImapResponse& r) {
    std::string out = r.Kind == TImapResponseKind::Tagged ? r.Tag
                      : r.Kind == TImapResponseKind::Untagged ? "*"
                                                               : "+";
    if (r.Number) out += " " + std::to_string(*r.Number);
    if (!r.Name.empty()) out += " " + r.Name;
    for (const TImapValue& v : r.Values) Write(v, out += ' ');
    if (r.IsStatus() || r.Kind == TImapResponseKind::Continuation) {
        if (!r.Code.empty()) {
            out += " [" + r.Code;
            for (const TImapValue& v : r.CodeValues) Write(v, out += ' ');
            out += ']';
        }
        out += " " + r.Text;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string stream(reinterpret_cast<const char*>(data), size);
    // Now and then a small response bound, so that inputs of fuzzing size
    // reach it.
    const std::size_t maxBytes = size % 4 == 0 ? 16 + size % 4096 : TImapReader::kDefaultMaxResponseBytes;

    const TOutcome plain = FromString(stream, maxBytes);
    // A byte at a time where that stays fast, in odd pieces otherwise.
    const int chunk = size <= 16384 ? 1 : 1 + static_cast<int>(size % 4093);
    const TOutcome pieces = OverLineClient(stream, chunk, maxBytes);
    if (plain.Responses != pieces.Responses || plain.Raw != pieces.Raw || plain.Stop != pieces.Stop)
        std::abort();

    for (std::size_t i = 0; i < plain.Responses.size(); ++i) {
        const TImapResponse& r = plain.Responses[i];
        CheckResponse(r, plain.Raw[i], maxBytes);
        if (ParseImapResponse(plain.Raw[i]) != r) std::abort();
        if (ParseImapResponse(Write(r)) != r) std::abort();
    }
    return 0;
}
