// Strings as IMAP command arguments.
#include "imap/ImapArguments.h"

namespace vexil {

std::optional<std::string> ImapQuoted(const std::string& text) {
    if (text.size() > kImapMaxQuotedArgument) return std::nullopt;
    std::string quoted = "\"";
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u == 0 || u == '\r' || u == '\n' || u >= 0x80) return std::nullopt;
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

bool ImapAtomSafe(const std::string& text) {
    if (text.empty()) return false;
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7F) return false;
        switch (c) {
            case '(': case ')': case '{': case '%': case '*': case '"': case '\\': case ']':
                return false;
            default:
                break;
        }
    }
    return true;
}

bool ImapLiteralSafe(const std::string& text) { return text.find('\0') == std::string::npos; }

}  // namespace vexil
