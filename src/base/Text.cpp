// Text helpers shared by every part of the program.
#include "base/Text.h"

namespace vexil {

namespace {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::int32_t StrToInt(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    const size_t firstDigit = i;
    std::int64_t value = 0;
    bool overflow = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > 2147483648LL) overflow = true, value = 2147483648LL;
    }
    if (i == firstDigit || i != text.size() || overflow || (!negative && value > 2147483647LL))
        throw EConvertError("'" + text + "' is not a valid integer value");
    return static_cast<std::int32_t>(negative ? -value : value);
}

std::string Trim(const std::string& text) {
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= 32) ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= 32) --e;
    return text.substr(b, e - b);
}

std::string LowerCase(std::string text) {
    for (char& c : text) c = FoldAscii(c);
    return text;
}

std::string UpperCase(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string OneLine(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char ch : text)
        if (static_cast<unsigned char>(ch) >= 32) out += ch;
    return out;
}

std::string ShownLine(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c == '\t') {
            out += ' ';
        } else if (c < 32 || c == 127) {
            continue;
        } else if (c == 0xC2 && i + 1 < utf8.size() &&
                   static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
            ++i;  // a C1 control, U+0080..U+009F
        } else {
            out += utf8[i];
        }
    }
    return out;
}

std::string WithoutBidiControls(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        const unsigned char c1 = i + 1 < utf8.size() ? static_cast<unsigned char>(utf8[i + 1]) : 0;
        const unsigned char c2 = i + 2 < utf8.size() ? static_cast<unsigned char>(utf8[i + 2]) : 0;
        if (c == 0xD8 && c1 == 0x9C) {  // U+061C
            ++i;
            continue;
        }
        if (c == 0xE2 && c1 == 0x80 && (c2 == 0x8E || c2 == 0x8F || (c2 >= 0xAA && c2 <= 0xAE))) {
            i += 2;  // U+200E, U+200F, U+202A..U+202E
            continue;
        }
        if (c == 0xE2 && c1 == 0x81 && c2 >= 0xA6 && c2 <= 0xA9) {
            i += 2;  // U+2066..U+2069
            continue;
        }
        out += utf8[i];
    }
    return out;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    }
    return lines;
}

}  // namespace vexil
