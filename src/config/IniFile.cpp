// Key lookup shared by every ini-style file of the program.  Each lookup reads
// the file afresh: the files are small, and the settings dialog relies on the
// files being the reference, so nothing is cached.
#include "config/IniFile.h"

#include <cstdio>

#include "base/FileNames.h"
#include "base/Text.h"
#include "platform/Platform.h"

namespace vexil {

const char* const kSkinPathNotFound =
    "SKIN PATH not found !\rCheck/create the VEXIL.INI line : current_skin = your skin dir.";

namespace {

constexpr char kCtrlZ = 26;

// Reads the whole file, up to an end-of-file mark (Ctrl-Z) if there is one.
// False when the file cannot be opened or read (a directory, for instance) or
// is larger than kMaxIniBytes.
bool ReadIniText(const std::string& fileName, std::string& text) {
    std::FILE* f = OpenFile(fileName, "rb");
    if (!f) return false;
    char buf[4096];
    size_t n;
    bool tooLarge = false;
    while (!tooLarge && (n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        text.append(buf, n);
        tooLarge = text.size() > kMaxIniBytes;
    }
    const bool ok = !std::ferror(f) && !tooLarge;
    std::fclose(f);
    if (!ok) return false;
    const size_t eof = text.find(kCtrlZ);
    if (eof != std::string::npos) text.resize(eof);
    return true;
}

// Hands out the lines of a text one by one.  CR, LF and CR LF each end a line,
// so files edited on any system read the same.
class TLineReader {
public:
    explicit TLineReader(const std::string& text) : text_(text) {}

    bool Next(std::string& line) {
        if (pos_ >= text_.size()) return false;
        const size_t end = text_.find_first_of("\r\n", pos_);
        if (end == std::string::npos) {
            line = text_.substr(pos_);
            pos_ = text_.size();
            return true;
        }
        line = text_.substr(pos_, end - pos_);
        pos_ = end + 1;
        if (text_[end] == '\r' && pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
        return true;
    }

private:
    const std::string& text_;
    size_t pos_ = 0;
};

bool IsSkipped(const std::string& line) { return line.empty() || line[0] == ';'; }

bool IsSectionHeader(const std::string& line) {
    const std::string t = Trim(line);
    return t.size() >= 2 && t.front() == '[' && t.back() == ']';
}

}  // namespace

bool ReadIniLines(const std::string& fileName, std::vector<std::string>& lines) {
    std::string text;
    if (!ReadIniText(fileName, text)) return false;
    lines = SplitLines(text);
    return true;
}

std::string FindInSkin(const std::string& fileName, const std::string& section,
                       const std::string& key, bool report, IMessages* messages) {
    std::string text;
    if (!ReadIniText(fileName, text)) {
        // A missing account file is normal on a first run; any other reported
        // file missing means the program cannot show itself at all.
        if (report && messages && fileName.find("Accounts.ini") == std::string::npos) {
            messages->ShowMessage(kSkinPathNotFound);
            messages->Halt(1);
        }
        return "";
    }

    TLineReader reader(text);
    std::string line;
    bool inSection = false;
    while (!inSection && reader.Next(line))
        inSection = !IsSkipped(line) && (section.empty() || SameText(line, section));
    if (!inSection) return "none";

    // The key search starts on the header line itself and runs on through later
    // sections: a key is matched anywhere in a line, value included.
    const std::string wanted = LowerCase(key);
    do {
        if (IsSkipped(line) || LowerCase(line).find(wanted) == std::string::npos) continue;
        const size_t eq = line.find('=');
        const std::string value = Trim(eq == std::string::npos ? line : line.substr(eq + 1));
        return value.empty() ? "none" : value;
    } while (reader.Next(line));
    return "none";
}

bool FindKeyInSection(const std::string& fileName, const std::string& section,
                      const std::string& key, std::string& value) {
    std::string text;
    if (!ReadIniText(fileName, text)) return false;
    TLineReader reader(text);
    std::string line;
    bool inSection = false;
    while (!inSection && reader.Next(line)) inSection = !IsSkipped(line) && SameText(line, section);
    if (!inSection) return false;
    while (reader.Next(line)) {
        if (IsSkipped(line)) continue;
        if (IsSectionHeader(line)) return false;
        const size_t eq = line.find('=');
        if (eq == std::string::npos || !SameText(Trim(line.substr(0, eq)), key)) continue;
        value = Trim(line.substr(eq + 1));
        return true;
    }
    return false;
}

}  // namespace vexil
