// The message the decoding benchmarks receive: a short text part and one
// base64 attachment of pseudo-random bytes, written the way common mailers
// write it (76-character lines, CR LF line ends).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vexil::bench {

inline std::string AttachmentBytes(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint64_t x = 0x9E3779B97F4A7C15ull;
    for (std::size_t i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        bytes[i] = static_cast<char>(x);
    }
    return bytes;
}

inline std::string BigMessage(const std::string& attachment) {
    static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string m =
        "From: Ann Example <ann@example.org>\r\n"
        "To: bob@example.net\r\n"
        "Subject: the measurements\r\n"
        "Date: Tue, 13 Mar 2001 10:22:33 +0100\r\n"
        "MIME-Version: 1.0\r\n"
        "Content-Type: multipart/mixed; boundary=\"------------080406020700080201000604\"\r\n"
        "\r\n"
        "This is a multi-part message in MIME format.\r\n"
        "--------------080406020700080201000604\r\n"
        "Content-Type: text/plain; charset=us-ascii\r\n"
        "Content-Transfer-Encoding: 7bit\r\n"
        "\r\n"
        "Hello Bob,\r\n"
        "\r\n"
        "the measurements of last week are attached.\r\n"
        "\r\n"
        "Ann\r\n"
        "\r\n"
        "--------------080406020700080201000604\r\n"
        "Content-Type: application/octet-stream; name=\"measurements.dat\"\r\n"
        "Content-Transfer-Encoding: base64\r\n"
        "Content-Disposition: attachment; filename=\"measurements.dat\"\r\n"
        "\r\n";
    m.reserve(m.size() + attachment.size() / 57 * 78 + 200);
    std::size_t column = 0;
    for (std::size_t i = 0; i < attachment.size(); i += 3) {
        const unsigned char a = attachment[i];
        const unsigned char b = i + 1 < attachment.size() ? attachment[i + 1] : 0;
        const unsigned char c = i + 2 < attachment.size() ? attachment[i + 2] : 0;
        m += alphabet[a >> 2];
        m += alphabet[((a & 3) << 4) | (b >> 4)];
        m += i + 1 < attachment.size() ? alphabet[((b & 15) << 2) | (c >> 6)] : '=';
        m += i + 2 < attachment.size() ? alphabet[c & 63] : '=';
        if ((column += 4) == 76) {
            m += "\r\n";
            column = 0;
        }
    }
    if (column) m += "\r\n";
    m += "\r\n--------------080406020700080201000604--\r\n";
    return m;
}

}  // namespace vexil::bench
