#include "msgwin/Mailto.h"

#include <cstring>

namespace vexil {

namespace {

bool ShownAsIs(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           (c != 0 && std::strchr("-._~!$'()*+,;:@", c) != nullptr);
}

}  // namespace

std::string MailtoUrl(const std::string& from) {
    std::string address = from;
    const size_t open = from.rfind('<');
    if (open != std::string::npos) {
        const size_t close = from.find('>', open);
        address = from.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
    }
    const size_t first = address.find_first_not_of(" \t\"");
    const size_t last = address.find_last_not_of(" \t\"");
    address = first == std::string::npos ? std::string() : address.substr(first, last - first + 1);

    static const char kHex[] = "0123456789ABCDEF";
    std::string url = "mailto:";
    for (const char ch : address) {
        const auto c = static_cast<unsigned char>(ch);
        if (ShownAsIs(c)) {
            url += ch;
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 0xF];
        }
    }
    return url;
}

}  // namespace vexil
