// The IMAP response parser: one pass over the bytes of a whole response,
// every read checked against the end, every count against its bound.
#include "imap/ImapResponse.h"

#include <limits>

namespace vexil {

namespace {

[[noreturn]] void Fail(const std::string& what) {
    throw EImapProtocolError("Bad IMAP response: " + what);
}

[[noreturn]] void FailBound(const std::string& what) {
    throw EImapLimitExceeded("IMAP response too large: " + what);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsControl(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
}

// Bytes that end an atom: the separators and specials of the grammar, and
// control characters.  "]" ends one only inside a response code, since
// astrings outside (mailbox names) may hold it.  "\", "%" and "*" are
// taken, as flags and mailbox names carry them.
bool EndsAtom(char c, bool inCode) {
    return c == ' ' || c == '(' || c == ')' || c == '"' || c == '{' || IsControl(c) ||
           (inCode && c == ']');
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string Upper(std::string text) {
    for (char& c : text) c = Upper(c);
    return text;
}

bool SameLetters(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

// Digits to a number; false when it does not fit in 64 bits.
bool ToNumber(const std::string& digits, std::uint64_t& number) {
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    number = 0;
    for (char c : digits) {
        const unsigned d = static_cast<unsigned>(c - '0');
        if (number > (kMax - d) / 10) return false;
        number = number * 10 + d;
    }
    return true;
}

bool AllDigits(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text)
        if (!IsDigit(c)) return false;
    return true;
}

TImapStatus StatusOf(const std::string& upperWord) {
    if (upperWord == "OK") return TImapStatus::Ok;
    if (upperWord == "NO") return TImapStatus::No;
    if (upperWord == "BAD") return TImapStatus::Bad;
    if (upperWord == "BYE") return TImapStatus::Bye;
    if (upperWord == "PREAUTH") return TImapStatus::Preauth;
    return TImapStatus::None;
}

class TParser {
public:
    explicit TParser(const std::string& bytes) : s_(bytes) {}
    TImapResponse Parse();

private:
    bool AtEnd() const { return pos_ >= s_.size(); }
    char Peek() const { return s_[pos_]; }  // only when !AtEnd()
    bool Accept(char c) {
        if (AtEnd() || s_[pos_] != c) return false;
        ++pos_;
        return true;
    }
    void Expect(char c, const char* what) {
        if (!Accept(c)) Fail(what);
    }

    std::string Tag();
    std::string Word();
    void StatusRest(TImapResponse& r);
    void ResponseText(TImapResponse& r);
    void Values(std::vector<TImapValue>& out, std::size_t depth, bool inCode, char close,
                bool spaceFirst);
    TImapValue Value(std::size_t depth, bool inCode);
    TImapValue List(std::size_t depth, bool inCode);
    TImapValue Quoted();
    TImapValue Literal();
    TImapValue Token(bool inCode);
    void GrowToken(std::size_t start) const {
        if (pos_ - start > kImapMaxTokenBytes)
            FailBound("atom longer than " + std::to_string(kImapMaxTokenBytes) + " bytes");
    }

    const std::string& s_;
    std::size_t pos_ = 0;
    std::size_t values_ = 0;
    std::size_t literals_ = 0;
};

TImapResponse TParser::Parse() {
    TImapResponse r;
    if (AtEnd()) Fail("empty response");
    if (Accept('+')) {
        r.Kind = TImapResponseKind::Continuation;
        if (!AtEnd()) {
            Expect(' ', "no space after \"+\"");
            ResponseText(r);
        }
        return r;
    }
    if (Accept('*')) {
        r.Kind = TImapResponseKind::Untagged;
        Expect(' ', "no space after \"*\"");
        std::string word = Word();
        if (AllDigits(word)) {
            std::uint64_t number = 0;
            if (!ToNumber(word, number)) Fail("number out of range");
            r.Number = number;
            Expect(' ', "no name after the message number");
            word = Word();
        }
        r.Name = Upper(word);
        r.Status = StatusOf(r.Name);
        if (r.IsStatus()) {
            if (r.Number) Fail("status response with a number");
            StatusRest(r);
        } else {
            Values(r.Values, 0, false, '\0', true);
        }
        return r;
    }
    r.Kind = TImapResponseKind::Tagged;
    r.Tag = Tag();
    Expect(' ', "no space after the tag");
    r.Name = Upper(Word());
    r.Status = StatusOf(r.Name);
    if (!r.IsStatus()) Fail("tagged response without a status");
    StatusRest(r);
    return r;
}

// A tag: atom bytes and "]", never "+" (that starts a continuation).
std::string TParser::Tag() {
    const std::size_t start = pos_;
    while (!AtEnd() && !EndsAtom(Peek(), false) && Peek() != '+') {
        ++pos_;
        GrowToken(start);
    }
    if (pos_ == start) Fail("no tag");
    return s_.substr(start, pos_ - start);
}

// A status word, a data name or a response code's name: atom bytes without
// brackets.
std::string TParser::Word() {
    const std::size_t start = pos_;
    while (!AtEnd() && !EndsAtom(Peek(), true) && Peek() != '[') {
        ++pos_;
        GrowToken(start);
    }
    if (pos_ == start) Fail("no name where one must stand");
    return s_.substr(start, pos_ - start);
}

void TParser::StatusRest(TImapResponse& r) {
    if (AtEnd()) return;
    Expect(' ', "no space after the status");
    ResponseText(r);
}

void TParser::ResponseText(TImapResponse& r) {
    if (Accept('[')) {
        r.Code = Upper(Word());
        Values(r.CodeValues, 0, true, ']', true);
        if (AtEnd()) return;
        Expect(' ', "no space after the response code");
    }
    for (std::size_t i = pos_; i < s_.size(); ++i) {
        if (s_[i] == '\r' || s_[i] == '\n') Fail("line break or literal in text");
        if (s_[i] == '\0') Fail("NUL in text");
    }
    r.Text = s_.substr(pos_);
    pos_ = s_.size();
}

// Values up to close (")" for a list, "]" for a response code, '\0' for the
// end of the response), separated by spaces.  spaceFirst: the first value
// too needs a space before it (it follows a name).  A list may follow a list
// directly, as the parts of a multipart body structure do.
void TParser::Values(std::vector<TImapValue>& out, std::size_t depth, bool inCode, char close,
                     bool spaceFirst) {
    bool first = true, afterList = false;
    for (;;) {
        bool spaced = false;
        while (Accept(' ')) spaced = true;
        if (AtEnd()) {
            if (close == ')') Fail("unterminated list");
            if (close == ']') Fail("unterminated response code");
            return;
        }
        if (close != '\0' && Accept(close)) return;
        if (Peek() == ')') Fail("unexpected \")\"");
        if (!spaced && (!first || spaceFirst) && !(afterList && Peek() == '('))
            Fail("values not separated by a space");
        out.push_back(Value(depth, inCode));
        afterList = out.back().IsList();
        first = false;
    }
}

TImapValue TParser::Value(std::size_t depth, bool inCode) {
    if (++values_ > kImapMaxValues)
        FailBound("more than " + std::to_string(kImapMaxValues) + " values");
    const char c = Peek();
    if (c == '(') return List(depth + 1, inCode);
    if (c == '"') return Quoted();
    if (c == '{' || (c == '~' && pos_ + 1 < s_.size() && s_[pos_ + 1] == '{')) return Literal();
    return Token(inCode);
}

TImapValue TParser::List(std::size_t depth, bool inCode) {
    if (depth > kImapMaxDepth)
        FailBound("lists nested deeper than " + std::to_string(kImapMaxDepth));
    ++pos_;  // "("
    TImapValue list;
    list.Kind = TImapValueKind::List;
    Values(list.Items, depth, inCode, ')', false);
    return list;
}

TImapValue TParser::Quoted() {
    ++pos_;  // the opening quote
    TImapValue value;
    value.Kind = TImapValueKind::String;
    for (;;) {
        if (AtEnd()) Fail("unterminated quoted string");
        char c = s_[pos_++];
        if (c == '"') break;
        if (c == '\\') {
            if (AtEnd()) Fail("unterminated quoted string");
            c = s_[pos_++];
            if (c != '"' && c != '\\') Fail("bad escape in a quoted string");
        } else if (c == '\r' || c == '\n') {
            Fail("unterminated quoted string");
        } else if (c == '\0') {
            Fail("NUL in a quoted string");
        }
        value.Text += c;
        if (value.Text.size() > kImapMaxTokenBytes)
            FailBound("quoted string longer than " + std::to_string(kImapMaxTokenBytes) + " bytes");
    }
    return value;
}

// "{n}", "{n+}" or "~{n}", the line's CR LF, then n bytes of any kind.
TImapValue TParser::Literal() {
    Accept('~');
    ++pos_;  // "{"
    const std::size_t start = pos_;
    while (!AtEnd() && IsDigit(Peek())) ++pos_;
    if (pos_ == start) Fail("literal without a size");
    std::uint64_t size = 0;
    if (!ToNumber(s_.substr(start, pos_ - start), size)) Fail("literal size out of range");
    Accept('+');
    Expect('}', "unterminated literal size");
    if (!Accept('\r') || !Accept('\n')) Fail("literal not at the end of its line");
    if (++literals_ > kImapMaxLiterals)
        FailBound("more than " + std::to_string(kImapMaxLiterals) + " literals");
    if (size > s_.size() - pos_) Fail("literal shorter than announced");
    TImapValue value;
    value.Kind = TImapValueKind::String;
    value.Text = s_.substr(pos_, static_cast<std::size_t>(size));
    pos_ += static_cast<std::size_t>(size);
    return value;
}

// An atom, a number or NIL.  A "[" takes everything up to its "]" into the
// atom, spaces and parentheses included, so that a section such as
// BODY[HEADER.FIELDS (FROM SUBJECT)]<0> stays one atom.
TImapValue TParser::Token(bool inCode) {
    const std::size_t start = pos_;
    while (!AtEnd()) {
        const char c = Peek();
        if (c == '[') {
            ++pos_;
            while (!AtEnd() && Peek() != ']') {
                if (IsControl(Peek())) Fail("control character in a section");
                ++pos_;
                GrowToken(start);
            }
            if (AtEnd()) Fail("unterminated \"[\"");
            ++pos_;
        } else if (EndsAtom(c, inCode)) {
            break;
        } else {
            ++pos_;
        }
        GrowToken(start);
    }
    if (pos_ == start) Fail("unexpected character");
    TImapValue value;
    value.Text = s_.substr(start, pos_ - start);
    if (AllDigits(value.Text)) {
        value.Kind = TImapValueKind::Number;
        if (!ToNumber(value.Text, value.Number)) Fail("number out of range");
    } else if (SameLetters(value.Text, "NIL")) {
        value.Kind = TImapValueKind::Nil;
        value.Text.clear();
    } else {
        value.Kind = TImapValueKind::Atom;
    }
    return value;
}

[[noreturn]] void WrongKind(const char* wanted) {
    Fail(std::string(wanted) + " expected");
}

}  // namespace

bool TImapValue::IsAtom(const std::string& name) const {
    return Kind == TImapValueKind::Atom && SameLetters(Text, name);
}

std::uint64_t TImapValue::AsNumber() const {
    if (Kind != TImapValueKind::Number) WrongKind("number");
    return Number;
}

const std::string& TImapValue::AsText() const {
    if (Kind != TImapValueKind::Atom && Kind != TImapValueKind::Number &&
        Kind != TImapValueKind::String)
        WrongKind("text");
    return Text;
}

const std::vector<TImapValue>& TImapValue::AsList() const {
    if (Kind != TImapValueKind::List) WrongKind("list");
    return Items;
}

const TImapValue* TImapValue::Field(const std::string& name) const {
    const std::vector<TImapValue>& items = AsList();
    for (std::size_t i = 0; i + 1 < items.size(); i += 2)
        if (items[i].IsAtom(name)) return &items[i + 1];
    return nullptr;
}

bool operator==(const TImapValue& a, const TImapValue& b) {
    return a.Kind == b.Kind && a.Text == b.Text && a.Number == b.Number && a.Items == b.Items;
}

bool operator==(const TImapResponse& a, const TImapResponse& b) {
    return a.Kind == b.Kind && a.Tag == b.Tag && a.Status == b.Status && a.Name == b.Name &&
           a.Number == b.Number && a.Values == b.Values && a.Code == b.Code &&
           a.CodeValues == b.CodeValues && a.Text == b.Text;
}

TImapResponse ParseImapResponse(const std::string& bytes) { return TParser(bytes).Parse(); }

}  // namespace vexil
