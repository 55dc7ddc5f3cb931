// Parameter parsing for MIME header values.  Only what the receiver needs:
// boundaries and file names; everything else in those fields is ignored.
#include "pop3/MimeParams.h"

#include <map>

#include "base/Charsets.h"
#include "base/Text.h"
#include "pop3/WireMessage.h"

namespace vexil {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string PercentDecode(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The value of a parameter as written: the text inside its quotes, or the
// bare text trimmed.
std::string Unquote(const std::string& raw) {
    const std::string value = Trim(raw);
    if (value.empty() || value[0] != '"') return value;
    const std::size_t close = value.find('"', 1);
    return value.substr(1, close == std::string::npos ? std::string::npos : close - 1);
}

// charset'language'text: only the text counts.
std::string DropCharsetAndLanguage(const std::string& value) {
    const std::size_t first = value.find('\'');
    if (first == std::string::npos) return value;
    const std::size_t second = value.find('\'', first + 1);
    if (second == std::string::npos) return value;
    return value.substr(second + 1);
}

struct TParameter {
    std::string Name;  // lower case, trimmed
    std::string Raw;   // the text after "=", untouched
};

// Splits at ";" outside double quotes; segments without "=" are not parameters.
std::vector<TParameter> Parameters(const std::string& value) {
    std::vector<TParameter> result;
    std::size_t start = 0;
    bool quoted = false;
    for (std::size_t i = 0; i <= value.size(); ++i) {
        if (i < value.size()) {
            if (value[i] == '"') quoted = !quoted;
            if (value[i] != ';' || quoted) continue;
        }
        const std::string segment = value.substr(start, i - start);
        start = i + 1;
        const std::size_t eq = segment.find('=');
        if (eq == std::string::npos) continue;
        result.push_back({LowerCase(Trim(segment.substr(0, eq))), segment.substr(eq + 1)});
    }
    return result;
}

}  // namespace

std::size_t FieldIndex(const std::vector<std::string>& fields, const std::string& name) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string& line = fields[i];
        if (line.size() > name.size() && line[name.size()] == '=' &&
            SameText(line.substr(0, name.size()), name))
            return i;
    }
    return std::string::npos;
}

std::string FieldValue(const std::vector<std::string>& fields, const std::string& name) {
    const std::size_t i = FieldIndex(fields, name);
    return i == std::string::npos ? std::string() : fields[i].substr(name.size() + 1);
}

bool MultipartBoundary(const std::string& contentType, std::string& boundary) {
    const std::size_t at = LowerCase(contentType).find("boundary=");
    if (at == std::string::npos) return false;
    std::string rest = contentType.substr(at + 9);
    std::size_t first = 0;
    while (first < rest.size() && static_cast<unsigned char>(rest[first]) <= ' ') ++first;
    rest.erase(0, first);
    if (!rest.empty() && rest[0] == '"') {
        const std::size_t close = rest.find('"', 1);
        boundary = Trim(rest.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    } else {
        boundary = Trim(rest.substr(0, rest.find(';')));
    }
    // A boundary line must fit in a mail line: a longer one can only serve to
    // make every line of the body cost more to compare.
    return boundary.size() <= kMaxBoundaryLength;
}

std::string MimeParameter(const std::string& value, const std::string& attribute) {
    const std::string plain = LowerCase(attribute);
    const std::string extended = plain + "*";
    std::string extendedValue;
    bool haveExtended = false;
    std::map<int, std::string> pieces;  // continuation number -> decoded text
    for (const TParameter& p : Parameters(value)) {
        if (p.Name == plain) {
            const std::string v = Unquote(p.Raw);
            if (!v.empty()) return v;
        } else if (p.Name == extended) {
            if (!haveExtended) extendedValue = PercentDecode(DropCharsetAndLanguage(Unquote(p.Raw)));
            haveExtended = true;
        } else if (p.Name.size() > extended.size() && p.Name.compare(0, extended.size(), extended) == 0) {
            // name*N (as written) or name*N* (percent-encoded; the first one
            // also carries charset'language').
            std::string number = p.Name.substr(extended.size());
            const bool encoded = number.back() == '*';
            if (encoded) number.pop_back();
            if (number.empty() || number.size() > 4 || number.find_first_not_of("0123456789") != std::string::npos)
                continue;
            const int n = std::stoi(number);
            if (pieces.count(n)) continue;
            std::string text = Unquote(p.Raw);
            if (encoded) text = PercentDecode(n == 0 ? DropCharsetAndLanguage(text) : text);
            pieces[n] = text;
        }
    }
    if (haveExtended && !extendedValue.empty()) return extendedValue;
    std::string joined;
    for (int n = 0; pieces.count(n); ++n) joined += pieces[n];
    return joined;
}

std::string PartFileName(const std::vector<std::string>& fields) {
    const std::string disposition = FieldValue(fields, "Content-Disposition");
    std::string name = ExtractBetween(disposition, "filename=\"", "\"", true);
    if (name.empty()) name = MimeParameter(disposition, "filename");
    if (name.empty()) name = MimeParameter(FieldValue(fields, "Content-Type"), "name");
    return name;
}

namespace {

// The charset an RFC 2231 parameter declares ("name*=cs'lang'..." or the
// first piece "name*0*=cs'lang'..."), when the value MimeParameter gives came
// from it; "" otherwise.
std::string ExtendedCharset(const std::string& value, const std::string& attribute) {
    const std::string plain = LowerCase(attribute);
    std::string charset;
    for (const TParameter& p : Parameters(value)) {
        if (p.Name == plain && !Unquote(p.Raw).empty()) return "";
        if (charset.empty() && (p.Name == plain + "*" || p.Name == plain + "*0*")) {
            const std::string v = Unquote(p.Raw);
            const std::size_t quote = v.find('\'');
            if (quote != std::string::npos) charset = v.substr(0, quote);
        }
    }
    return charset;
}

}  // namespace

std::string PartFileNameUtf8(const std::vector<std::string>& fields) {
    const std::string raw = PartFileName(fields);
    if (raw.empty()) return raw;
    const std::string disposition = FieldValue(fields, "Content-Disposition");
    const std::string type = FieldValue(fields, "Content-Type");
    // The parameter PartFileName took decides which charset names it.
    const bool fromDisposition = !ExtractBetween(disposition, "filename=\"", "\"", true).empty() ||
                                 !MimeParameter(disposition, "filename").empty();
    const std::string declared = fromDisposition ? ExtendedCharset(disposition, "filename")
                                                 : ExtendedCharset(type, "name");
    if (!declared.empty()) return ToUtf8(raw, declared);
    if (raw.find("=?") != std::string::npos) return DecodeHeaderUtf8(raw);
    const std::string partCharset = MimeParameter(type, "charset");
    if (!partCharset.empty()) return ToUtf8(raw, partCharset);
    return IsValidUtf8(raw) ? raw : ToUtf8(raw, "");
}

}  // namespace vexil
