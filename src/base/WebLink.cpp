// Web addresses that may be handed to the shell.
#include "base/WebLink.h"

#include <cctype>

#include "base/Text.h"

namespace vexil {

namespace {

bool HostChar(unsigned char c) { return std::isalnum(c) || c == '-' || c == '.'; }

bool ValidHost(const std::string& host) {
    if (host.empty()) return false;
    if (host.front() == '[') {  // IPv6
        if (host.size() < 4 || host.back() != ']') return false;
        for (size_t i = 1; i + 1 < host.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(host[i]);
            if (!std::isxdigit(c) && c != ':' && c != '.') return false;
        }
        return true;
    }
    if (host.front() == '.' || host.front() == '-') return false;
    for (const char c : host)
        if (!HostChar(static_cast<unsigned char>(c))) return false;
    return host.find("..") == std::string::npos;
}

}  // namespace

bool IsWebUrl(const std::string& text) {
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u <= ' ' || u == 0x7f || c == '"' || c == '\\' || c == '<' || c == '>') return false;
    }
    const std::string lower = LowerCase(text);
    size_t start = 0;
    if (StartsWith(lower, "http://"))
        start = 7;
    else if (StartsWith(lower, "https://"))
        start = 8;
    else
        return false;
    const size_t end = text.find_first_of("/?#", start);
    const std::string authority = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (authority.find('@') != std::string::npos) return false;
    std::string host = authority;
    // A port after the host (after the bracket of an IPv6 address).
    const size_t colon = authority.rfind(':');
    if (colon != std::string::npos && (authority.front() != '[' || colon > authority.rfind(']'))) {
        const std::string port = authority.substr(colon + 1);
        if (port.empty() || port.size() > 5) return false;
        long value = 0;
        for (const char c : port) {
            if (!std::isdigit(static_cast<unsigned char>(c))) return false;
            value = value * 10 + (c - '0');
        }
        if (value < 1 || value > 65535) return false;
        host = authority.substr(0, colon);
    }
    return ValidHost(host);
}

}  // namespace vexil
