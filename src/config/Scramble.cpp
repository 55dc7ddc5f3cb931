// Password scrambling for Accounts.ini.
#include "config/Scramble.h"

namespace vexil {

namespace {

// Passwords used to carry a one-byte length, so only that many characters
// (the length mod 256) are transformed; files written that way must still read.
size_t TransformedLength(const std::string& text) { return text.size() % 256; }

}  // namespace

std::string ScramblePassword(const std::string& plain) {
    std::string out = plain;
    for (size_t i = 0; i < TransformedLength(plain); ++i) {
        const unsigned c = static_cast<unsigned char>(plain[i]);
        out[i] = static_cast<char>((c * 2 + 256 - 8) % 256);
    }
    return out;
}

std::string UnscramblePassword(const std::string& stored) {
    std::string out = stored;
    for (size_t i = 0; i < TransformedLength(stored); ++i) {
        const unsigned b = static_cast<unsigned char>(stored[i]);
        out[i] = static_cast<char>(b / 2 + 4);
    }
    return out;
}

}  // namespace vexil
