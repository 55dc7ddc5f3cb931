// The message model and its header helpers: field lookup, unfolding, address
// lists, encoded words, the display date, and saving an attachment.
#include "pop3/WireMessage.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>

#include "base/Charsets.h"
#include "base/FileNames.h"
#include "base/Text.h"
#include "platform/Platform.h"
#include "pop3/Decoders.h"
#include "pop3/MimeParams.h"

namespace vexil {

namespace {

bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

// The system's short date of today, for a message without a usable date.
std::string ShortDateToday() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char text[64];
    if (std::strftime(text, sizeof text, "%x", &local) == 0) return std::string();
    return text;
}

// One encoded word's text decoded by its letter: B base64, U one uuencoded
// line, anything else quoted-printable with "_" for a blank.
std::string DecodeWord(const std::string& letterAndText) {
    const char letter = letterAndText.empty() ? 'Q' : letterAndText[0];
    const std::string text = letterAndText.size() > 2 ? letterAndText.substr(2) : std::string();
    const bool separated = letterAndText.size() >= 2 && letterAndText[1] == '?';
    switch (separated ? letter : 'Q') {
        case 'B':
        case 'b':
            return Base64DecodeText(text);
        case 'U':
        case 'u':
            return UUDecodeLine(text);
        default: {
            std::string q = text;
            for (char& c : q)
                if (c == '_') c = ' ';
            return QPDecode(q);
        }
    }
}

}  // namespace

void TWireMessage::Clear() {
    MessageParts.clear();
    Attachments.clear();
    BCCList.clear();
    CCList.clear();
    Headers.clear();
    Newsgroups.clear();
    Text.clear();
    Too.clear();
    DefaultDomain.clear();
    MsgNo = 0;
}

std::string TWireMessage::HeaderValue(const std::string& name) const {
    return FieldValue(Headers, name);
}

void TWireMessage::SetHeaderValue(const std::string& name, const std::string& value) {
    const std::size_t i = FieldIndex(Headers, name);
    if (value.empty()) {
        if (i != std::string::npos) Headers.erase(Headers.begin() + static_cast<std::ptrdiff_t>(i));
    } else if (i == std::string::npos) {
        Headers.push_back(name + "=" + value);
    } else {
        Headers[i] = name + "=" + value;
    }
}

std::string TWireMessage::FullDate() const {
    const std::string date = HeaderValue("Date");
    std::size_t sign = date.find('+');
    if (sign == std::string::npos) sign = date.find('-');
    // Keeps "Tue, 13 Mar 2001 10:22" of "Tue, 13 Mar 2001 10:22:33 +0100".
    if (sign != std::string::npos && sign > 4) return date.substr(0, sign - 4);
    return Today ? Today() : ShortDateToday();
}

TAttachment::TAttachment(TAttachment&& other) noexcept
    : Headers(std::move(other.Headers)),
      FileName(std::move(other.FileName)),
      StoredPathName(std::move(other.StoredPathName)) {
    other.StoredPathName.clear();
}

TAttachment& TAttachment::operator=(TAttachment&& other) noexcept {
    if (this != &other) {
        if (!StoredPathName.empty()) RemoveFile(StoredPathName);
        Headers = std::move(other.Headers);
        FileName = std::move(other.FileName);
        StoredPathName = std::move(other.StoredPathName);
        other.StoredPathName.clear();
    }
    return *this;
}

TAttachment::~TAttachment() {
    if (!StoredPathName.empty()) RemoveFile(StoredPathName);
}

namespace {

// Copies the stored attachment beside the target first and puts the copy in
// its place only when it is whole: a full disk or a read error never leaves
// the file the user chose to replace shortened or empty.  The copy's name is
// one nothing has yet, so no file of the user's is taken for a leftover.
bool CopyStored(const std::string& stored, const std::filesystem::path& target) {
    namespace fs = std::filesystem;
    std::ifstream in(FilePath(stored), std::ios::binary);
    if (!in) return false;
    std::error_code ec;
    fs::path partial;
    for (int n = 0; n < 100 && partial.empty(); ++n) {
        fs::path candidate = target;
        candidate += n == 0 ? std::string(".part") : ".part" + std::to_string(n);
        if (!fs::exists(fs::symlink_status(candidate, ec))) partial = candidate;
    }
    if (partial.empty()) return false;
    bool ok = false;
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        if (out) {
            std::unique_ptr<char[]> block(new char[1 << 16]);
            ok = true;
            while (ok && in) {
                in.read(block.get(), 1 << 16);
                const std::streamsize got = in.gcount();
                if (got > 0 && !out.write(block.get(), got)) ok = false;
            }
            if (in.bad()) ok = false;
            out.close();
            if (out.fail()) ok = false;
        }
    }
    if (ok) fs::rename(partial, target, ec);
    if (!ok || ec) {
        fs::remove(partial, ec);
        return false;
    }
    return true;
}

std::string WithoutTrailingSeparator(std::string path) {
    if (!path.empty() && (path.back() == '\\' || path.back() == kPathDelim)) path.pop_back();
    return path;
}

}  // namespace

bool TAttachment::SaveToFile(const std::string& target) const {
    const std::string path = WithoutTrailingSeparator(target);
    if (path.empty() || StoredPathName.empty()) return false;
    if (path == StoredPathName) return static_cast<bool>(std::ifstream(FilePath(path), std::ios::binary));
    return CopyStored(StoredPathName, FilePath(path));
}

void UnfoldHeader(std::vector<std::string>& lines) {
    std::vector<std::string> unfolded;
    unfolded.reserve(lines.size());
    for (std::string& line : lines) {
        if (!line.empty() && IsBlankOrTab(line[0])) {
            // A continuation before any field has nothing to join: dropped.
            if (unfolded.empty()) continue;
            for (char& c : line)
                if (c == '\t') c = ' ';
            unfolded.back() += ' ';
            unfolded.back() += Trim(line);
        } else {
            const std::size_t colon = line.find(": ");
            if (colon != std::string::npos) line.replace(colon, 2, "=");
            unfolded.push_back(std::move(line));
        }
    }
    lines.swap(unfolded);
}

void ParseAddressList(const std::string& value, std::vector<std::string>& list) {
    list.clear();
    std::size_t start = 0;
    int quotes = 0;
    for (std::size_t i = 0; i <= value.size(); ++i) {
        if (i < value.size()) {
            if (value[i] == '"') ++quotes;
            if (value[i] != ',' || quotes == 1) continue;
        }
        const std::string item = Trim(value.substr(start, i - start));
        if (!item.empty()) list.push_back(item);
        start = i + 1;
        quotes = 0;
    }
}

std::string DecodeHeader(const std::string& value) {
    // Each decoded word is rescanned from the character before it, as if the
    // whole text were searched again from its start (a word may decode into
    // "=?" or complete one with the text before it).  The decoded bytes are
    // never longer than the word, so they are written over its tail in place
    // and the text already passed moves to `done` once: linear, not quadratic,
    // in headers full of words.
    std::string text = Trim(value);
    std::string done;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t start = text.find("=?", pos);
        if (start == std::string::npos) break;
        const std::size_t charsetEnd = text.find('?', start + 2);
        if (charsetEnd == std::string::npos) break;
        std::size_t end = text.find("?=", charsetEnd + 1);
        if (end == std::string::npos) break;
        // "=?cs?Q?=E9t=E9?=": the first "?=" is the one after the letter, and
        // the word goes on to the next one.
        if (end == charsetEnd + 2) {
            const std::size_t later = text.find("?=", end + 2);
            if (later != std::string::npos) end = later;
        }
        const std::string decoded = DecodeWord(text.substr(charsetEnd + 1, end - charsetEnd - 1));
        const std::size_t wordEnd = end + 2;
        done.append(text, pos, start - pos);
        if (decoded.size() > wordEnd - start) {  // cannot happen; kept simple if it did
            text = done + decoded + text.substr(wordEnd);
            done.clear();
            pos = 0;
            continue;
        }
        const std::size_t decodedStart = wordEnd - decoded.size();
        if (!decoded.empty()) std::memcpy(&text[decodedStart], decoded.data(), decoded.size());
        pos = decodedStart;
        if (!done.empty()) {
            text[--pos] = done.back();
            done.pop_back();
        }
    }
    done.append(text, pos, std::string::npos);
    return done;
}

namespace {

// Plain header text as UTF-8: kept when it is UTF-8 already (as mailers send
// 8-bit headers today), else taken in the system's code page.
std::string PlainToUtf8(const std::string& text) {
    return IsValidUtf8(text) ? text : ToUtf8(text, "");
}

}  // namespace

std::string DecodeHeaderUtf8(const std::string& value) {
    const std::string text = Trim(value);
    std::string out;
    // Adjacent words in one charset are converted together: mailers split a
    // character's bytes over two words.
    std::string pending, pendingCharset;
    const auto flush = [&] {
        if (!pending.empty()) out += ToUtf8(pending, pendingCharset);
        pending.clear();
    };
    bool afterWord = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = text.find("=?", pos);
        std::size_t charsetEnd = std::string::npos, end = std::string::npos;
        if (start != std::string::npos) charsetEnd = text.find('?', start + 2);
        const bool shaped = charsetEnd != std::string::npos && charsetEnd + 2 < text.size() &&
                            std::string("BbQq").find(text[charsetEnd + 1]) != std::string::npos &&
                            text[charsetEnd + 2] == '?';
        if (shaped) end = text.find("?=", charsetEnd + 3);
        if (start == std::string::npos || end == std::string::npos) {
            // No more words: the rest is plain text ("=?" that starts none too).
            const std::size_t upTo = start == std::string::npos ? text.size() : start + 2;
            flush();
            out += PlainToUtf8(text.substr(pos, upTo - pos));
            pos = upTo;
            afterWord = false;
            continue;
        }
        const std::string between = text.substr(pos, start - pos);
        // Blanks between two encoded words are not part of the text.
        if (!(afterWord && Trim(between).empty())) {
            flush();
            out += PlainToUtf8(between);
        }
        std::string charset = text.substr(start + 2, charsetEnd - start - 2);
        charset = charset.substr(0, charset.find('*'));  // RFC 2231 language suffix
        std::string bytes;
        try {
            bytes = DecodeWord(text.substr(charsetEnd + 1, end - charsetEnd - 1));
        } catch (const std::exception&) {
            // A word that does not decode shows as it came.
            flush();
            out += PlainToUtf8(text.substr(start, end + 2 - start));
            pos = end + 2;
            afterWord = false;
            continue;
        }
        if (!SameText(charset, pendingCharset)) flush();
        pendingCharset = charset;
        pending += bytes;
        pos = end + 2;
        afterWord = true;
    }
    flush();
    return out;
}

std::string Fetch(std::string& text, const std::string& delimiter) {
    const std::size_t at = delimiter.empty() ? std::string::npos : text.find(delimiter);
    std::string head;
    if (at == std::string::npos) {
        head.swap(text);
    } else {
        head = text.substr(0, at);
        text.erase(0, at + delimiter.size());
    }
    return head;
}

std::string ExtractBetween(const std::string& text, const std::string& start, const std::string& end,
                           bool ignoreCase) {
    const std::string haystack = ignoreCase ? UpperCase(text) : text;
    const std::size_t from = haystack.find(ignoreCase ? UpperCase(start) : start);
    if (from == std::string::npos) return std::string();
    const std::size_t first = from + start.size();
    const std::size_t to = haystack.find(ignoreCase ? UpperCase(end) : end, first);
    if (to == std::string::npos) return std::string();
    return text.substr(first, to - first);
}

}  // namespace vexil
