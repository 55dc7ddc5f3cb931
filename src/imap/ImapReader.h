// Gathers one whole IMAP response from the connection and parses it.  A line
// that ends in a literal announcement ("{n}", or "{n+}" of LITERAL+) is
// followed by exactly n bytes and then by the rest of the response on the
// next line, as often as the server likes; the reader follows them, within
// bounds, and hands the bytes to ParseImapResponse (ImapResponse.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "imap/ImapResponse.h"

namespace vexil {

// The size announced by a literal at the very end of a line: "{n}" or "{n+}"
// (a "~" before the brace, as binary literals have, changes nothing), or none.
// A size past 64 bits comes back as the largest 64-bit number, which no
// bound admits.
std::optional<std::uint64_t> LiteralAtEnd(const std::string& line);

class TImapReader {
public:
    // One line without its CR LF, as TWireSocket::ReadLn gives it.
    using TLineSource = std::function<std::string()>;
    // Exactly n bytes (n is never 0), as TWireSocket::ReadBuffer gives them.
    using TByteSource = std::function<std::string(std::size_t)>;

    // What one response may hold, lines (without their final CR LF) and
    // literals counted: a FETCH of a whole message passes, a server that
    // announces without end does not.
    static constexpr std::size_t kDefaultMaxResponseBytes = std::size_t(64) << 20;

    // Over the line client:
    //   TImapReader reader([&] { return wire.ReadLn(); },
    //                      [&](std::size_t n) { return wire.ReadBuffer(static_cast<int>(n)); });
    // (with maxResponseBytes at most INT_MAX, so that every n fits).
    TImapReader(TLineSource readLine, TByteSource readBytes,
                std::size_t maxResponseBytes = kDefaultMaxResponseBytes);

    // Reads and parses the next response.  Raises what the sources raise (the
    // line client's EWireConnClosedGraceful when the server goes away),
    // EImapLimitExceeded for a response past maxResponseBytes or with more
    // than kImapMaxLiterals literals (a literal that would not fit is refused
    // from its announcement, before its bytes are read), and the parser's
    // errors.  After any error the connection is out of step with us: drop it.
    TImapResponse Next();

    // The bytes of the last response read, whole or as far as it was read
    // before an error (for a log).
    const std::string& Raw() const { return raw_; }

private:
    TLineSource readLine_;
    TByteSource readBytes_;
    std::size_t maxBytes_;
    std::string raw_;
};

}  // namespace vexil
