// The IMAP response reader: lines and literals up to the end of a response,
// every size checked before it is read.
#include "imap/ImapReader.h"

#include <limits>
#include <utility>

namespace vexil {

std::optional<std::uint64_t> LiteralAtEnd(const std::string& line) {
    if (line.empty() || line.back() != '}') return std::nullopt;
    std::size_t end = line.size() - 1;  // the "}"
    if (end > 0 && line[end - 1] == '+') --end;
    std::size_t start = end;
    while (start > 0 && line[start - 1] >= '0' && line[start - 1] <= '9') --start;
    if (start == end || start == 0 || line[start - 1] != '{') return std::nullopt;
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t size = 0;
    for (std::size_t i = start; i < end; ++i) {
        const unsigned d = static_cast<unsigned>(line[i] - '0');
        if (size > (kMax - d) / 10) return kMax;
        size = size * 10 + d;
    }
    return size;
}

TImapReader::TImapReader(TLineSource readLine, TByteSource readBytes, std::size_t maxResponseBytes)
    : readLine_(std::move(readLine)), readBytes_(std::move(readBytes)), maxBytes_(maxResponseBytes) {}

TImapResponse TImapReader::Next() {
    raw_.clear();
    const std::string bound = std::to_string(maxBytes_) + " bytes";
    std::size_t literals = 0;
    for (;;) {
        const std::string line = readLine_();
        if (line.size() > maxBytes_ - raw_.size())
            throw EImapLimitExceeded("IMAP response too large: more than " + bound);
        raw_ += line;
        const std::optional<std::uint64_t> size = LiteralAtEnd(line);
        if (!size) break;
        if (++literals > kImapMaxLiterals)
            throw EImapLimitExceeded("IMAP response too large: more than " +
                                     std::to_string(kImapMaxLiterals) + " literals");
        // The literal and the CR LF before it must fit in what is left; a
        // larger one is refused before any of its bytes is read.
        const std::size_t left = maxBytes_ - raw_.size();
        if (left < 2 || *size > left - 2)
            throw EImapLimitExceeded("IMAP response too large: literal of " + std::to_string(*size) +
                                     " bytes in a response of at most " + bound);
        raw_ += "\r\n";
        if (*size == 0) continue;  // the line client would wait for a byte
        const std::size_t n = static_cast<std::size_t>(*size);
        const std::string bytes = readBytes_(n);
        if (bytes.size() != n) throw EImapProtocolError("Bad IMAP response: literal cut short");
        raw_ += bytes;
    }
    return ParseImapResponse(raw_);
}

}  // namespace vexil
