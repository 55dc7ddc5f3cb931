// Attachment names made safe to propose in a save dialog.
#include "msgwin/SaveName.h"

#include <vector>

#include "base/Text.h"

namespace vexil {

namespace {

bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The characters of a UTF-8 text, each as its bytes (a stray byte is one).
std::vector<std::string> Characters(const std::string& text) {
    std::vector<std::string> chars;
    for (size_t i = 0; i < text.size();) {
        size_t n = 1;
        while (i + n < text.size() && IsUtf8Continuation(text[i + n]) && n < 4) ++n;
        chars.push_back(text.substr(i, n));
        i += n;
    }
    return chars;
}

std::string TrimEnd(std::string s) {
    while (!s.empty() && (s.back() == '.' || s.back() == ' ')) s.pop_back();
    return s;
}

bool ReservedDeviceName(const std::string& name) {
    std::string stem = UpperCase(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") return true;
    return stem.size() == 4 && (StartsWith(stem, "COM") || StartsWith(stem, "LPT")) &&
           stem[3] >= '1' && stem[3] <= '9';
}

}  // namespace

std::string SafeAttachmentName(const std::string& name) {
    const size_t folder = name.find_last_of("\\/:");
    std::string out;
    const std::string last =
        WithoutBidiControls(ShownLine(OneLine(folder == std::string::npos ? name : name.substr(folder + 1))));
    for (const char c : last) {
        const unsigned u = static_cast<unsigned char>(c);
        if (u < 32 || u == 127 || std::string("*?\"<>|").find(c) != std::string::npos) continue;
        out += c;
    }
    out = TrimEnd(out);

    std::vector<std::string> chars = Characters(out);
    if (chars.size() > kMaxSaveNameChars) {
        // Keep a short extension; the stem gives way.
        const size_t dot = out.rfind('.');
        const std::vector<std::string> ext =
            dot == std::string::npos ? std::vector<std::string>() : Characters(out.substr(dot));
        std::string cut;
        const size_t keep = ext.size() <= 20 ? kMaxSaveNameChars - ext.size() : kMaxSaveNameChars;
        for (size_t i = 0; i < keep; ++i) cut += chars[i];
        if (ext.size() <= 20)
            for (const std::string& c : ext) cut += c;
        out = TrimEnd(cut);
    }
    if (ReservedDeviceName(out)) out = "_" + out;
    return out.empty() ? "attachment" : out;
}

}  // namespace vexil
