// Content transfer decoders: base64 (attachments and "B" words),
// quoted-printable (text parts and "Q" words) and uuencode ("U" words and
// "uucode" text).  Mail is hostile input: every decoder takes any bytes and
// either decodes them or raises its fixed error, never reading out of bounds.
#include "pop3/Decoders.h"

#include <stdexcept>

#include "pop3/MimeBase64.h"

namespace vexil {

namespace {

// Characters outside the alphabet count as 0; they never stop the decoding.
struct TBase64Table {
    unsigned char Value[256] = {};
    TBase64Table() {
        const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        for (int i = 0; i < 64; ++i) Value[static_cast<unsigned char>(alphabet[i])] = static_cast<unsigned char>(i);
    }
};

const TBase64Table kBase64;

inline unsigned Sextet(char c) { return kBase64.Value[static_cast<unsigned char>(c)]; }

bool IsCapitalHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }
int CapitalHexValue(char c) { return c <= '9' ? c - '0' : c - 'A' + 10; }

}  // namespace

void AppendBase64Line(const char* line, std::size_t length, std::string& out) {
    const std::size_t groups = length / 4;
    if (groups == 0) return;
    const std::size_t start = out.size();
    out.resize(start + groups * 3);
    char* dst = &out[start];
    const char* src = line;
    // Every group but the last is whole; padding inside a line (two encoded
    // lines run together) is honoured group by group, as DecodeUnit does.
    for (std::size_t g = 0; g < groups; ++g, src += 4) {
        const unsigned v = (Sextet(src[0]) << 18) | (Sextet(src[1]) << 12) | (Sextet(src[2]) << 6) | Sextet(src[3]);
        *dst++ = static_cast<char>(v >> 16);
        if (src[2] == '=') continue;
        *dst++ = static_cast<char>(v >> 8);
        if (src[3] == '=') continue;
        *dst++ = static_cast<char>(v);
    }
    out.resize(static_cast<std::size_t>(dst - out.data()));
}

std::string TWireDecoder::DecodeUnit(const std::string& unit) const {
    if (unit.size() != 4) throw std::runtime_error("DecodeUnit length error.");
    std::string out;
    AppendBase64Line(unit.data(), 4, out);
    return out;
}

std::string TWireDecoder::DecodeLine(const std::string& line) const {
    std::string out;
    out.reserve(line.size() / 4 * 3);
    AppendBase64Line(line.data(), line.size(), out);
    return out;
}

std::string Base64DecodeText(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i + 4 <= text.size(); i += 4) {
        const char* g = text.data() + i;
        if (g[0] == '=') continue;
        const unsigned v = (Sextet(g[0]) << 18) | (Sextet(g[1]) << 12) | (Sextet(g[2]) << 6) | Sextet(g[3]);
        out += static_cast<char>(v >> 16);
        if (g[2] == '=') continue;
        out += static_cast<char>(v >> 8);
        if (g[3] == '=') continue;
        out += static_cast<char>(v);
    }
    return out;
}

std::string QPDecode(const std::string& line) {
    // Decoded in place: w is where the next output byte goes, r the next input
    // byte.  A decoded byte is put back at r and scanned again, because the scan
    // goes on from the character that replaced an escape (so "=3D41" gives "A").
    std::string s = line;
    const std::size_t n = s.size();
    std::size_t r = 0, w = 0;
    while (r < n) {
        if (s[r] != '=') {
            s[w++] = s[r++];
            continue;
        }
        const std::size_t after = n - r - 1;  // characters after this "="
        if (after == 0) {
            ++r;  // a last "=" is dropped
            break;
        }
        if (after == 1) break;  // stays, with the one character after it
        const char a = s[r + 1], b = s[r + 2];
        if (IsCapitalHexDigit(a) && IsCapitalHexDigit(b)) {
            r += 2;
            s[r] = static_cast<char>(CapitalHexValue(a) * 16 + CapitalHexValue(b));
        } else if ((a == '\r' && b == '\n') || (a == '\n' && b == '\r')) {
            r += 3;
        } else if (a == '\r' || a == '\n') {
            r += 2;
        } else {
            s[w++] = s[r++];
        }
    }
    while (r < n) s[w++] = s[r++];
    s.resize(w);
    return s;
}

int UUDecodeChar(char c) {
    if (c == ' ' || c == '`') return 0;
    if (c >= '!' && c <= '_') return c - ' ';
    throw std::runtime_error("UUCODE: Message format error");
}

std::string UUDecodeLine(const std::string& line) {
    std::string out;
    if (line.empty()) return out;
    const std::size_t count = static_cast<std::size_t>(UUDecodeChar(line[0]));
    std::size_t end = line.size();
    if (count == 45 && end > 61) end = 61;
    out.reserve(count);
    unsigned bits = 0;
    int held = 0;
    for (std::size_t i = 1; i < end; ++i) {
        bits = (bits << 6) | static_cast<unsigned>(UUDecodeChar(line[i]));
        held += 6;
        if (held >= 8) {
            held -= 8;
            if (out.size() < count) out += static_cast<char>((bits >> held) & 0xFF);
        }
    }
    return out;
}

}  // namespace vexil
