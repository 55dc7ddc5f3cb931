// The IMAP server response as data, and the parser that turns the bytes of one
// whole response into it (RFC 9051, read with RFC 3501 servers in mind).
// TImapReader (ImapReader.h) gathers those bytes from the connection; the
// IMAP client above looks only at the structures below.
//
// Every response comes from a server we do not trust: the parser never reads
// past its input, bounds every count, size and depth with the constants
// below, and refuses anything else it cannot read with EImapProtocolError
// (EImapLimitExceeded for a bound, see ImapErrors.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "imap/ImapErrors.h"

namespace vexil {

// Lists inside lists: a FETCH of a body structure nests one level per
// multipart level and two more for parameters; 16 leaves room for mail as it
// is sent and keeps the parser's recursion shallow.
constexpr std::size_t kImapMaxDepth = 16;
// Values in one response, lists and response code arguments counted: a
// SEARCH or ESEARCH over a large mailbox (100,000 UIDs and more) passes.
constexpr std::size_t kImapMaxValues = 1000000;
// Bytes of one atom (a flag, a section such as BODY[HEADER.FIELDS (FROM)], a
// sequence set of ESEARCH) or of one quoted string once unescaped.
constexpr std::size_t kImapMaxTokenBytes = std::size_t(1) << 20;
// Literals in one response: one per string of a FETCH, whatever its size.
constexpr std::size_t kImapMaxLiterals = 10000;

enum class TImapValueKind { Nil, Atom, Number, String, List };

// One value of a response.
//   Atom   Text holds it as sent: a keyword (EXISTS, UIDVALIDITY), a flag
//          (\Seen, \*), a section with all inside its brackets
//          (BODY[HEADER.FIELDS (FROM SUBJECT)], BODY[]<0>), a sequence set.
//          An atom is never made of digits alone: that is a Number.
//   Number Number holds it (64 bits; more is a protocol error), Text the
//          digits as sent.
//   String Text holds its bytes exactly, from a quoted string (escapes
//          undone) or a literal (any byte, NUL and CR LF included).
//   Nil    NIL, in any case.
//   List   Items holds its values, in order.
struct TImapValue {
    TImapValueKind Kind = TImapValueKind::Nil;
    std::string Text;
    std::uint64_t Number = 0;
    std::vector<TImapValue> Items;

    bool IsNil() const { return Kind == TImapValueKind::Nil; }
    bool IsAtom() const { return Kind == TImapValueKind::Atom; }
    // The atom name, in any case ("exists" is EXISTS).
    bool IsAtom(const std::string& name) const;
    bool IsNumber() const { return Kind == TImapValueKind::Number; }
    bool IsString() const { return Kind == TImapValueKind::String; }
    bool IsList() const { return Kind == TImapValueKind::List; }

    // The accessors hold the client to the shape it expects: a value of
    // another kind raises EImapProtocolError, as the server broke the
    // protocol by sending it.
    std::uint64_t AsNumber() const;
    // The text of an atom, a number or a string (not of NIL or a list).
    const std::string& AsText() const;
    const std::vector<TImapValue>& AsList() const;

    // In a list of names and values, such as STATUS's (MESSAGES 231 UNSEEN 5)
    // or FETCH's (UID 5 FLAGS (\Seen) BODY[HEADER] {342}...), the value that
    // follows the atom name (in any case), or nullptr.  Only names at even
    // places count, so a value that happens to spell a name is not taken
    // for one.  Raises EImapProtocolError when this is not a list.
    const TImapValue* Field(const std::string& name) const;
};

bool operator==(const TImapValue& a, const TImapValue& b);
inline bool operator!=(const TImapValue& a, const TImapValue& b) { return !(a == b); }

enum class TImapResponseKind { Tagged, Untagged, Continuation };
enum class TImapStatus { None, Ok, No, Bad, Bye, Preauth };

// One server response.
//   Tagged        "A1 OK [READ-WRITE] SELECT completed": Tag, Status, Name,
//                 Code, CodeValues, Text.
//   Untagged      a status ("* OK [UIDVALIDITY 3857529045] UIDs valid",
//                 "* BYE ...", "* PREAUTH ...") fills the same fields as a
//                 tagged one; data ("* 12 FETCH (...)", "* SEARCH 2 84 882",
//                 "* STATUS INBOX (MESSAGES 231)") fills Number when a number
//                 leads, Name and Values.
//   Continuation  "+ Ready for literal" or "+ <base64>": Text, and Code and
//                 CodeValues when the text starts with one.
struct TImapResponse {
    TImapResponseKind Kind = TImapResponseKind::Untagged;
    std::string Tag;
    // OK, NO, BAD, BYE or PREAUTH; None for data and continuations.
    TImapStatus Status = TImapStatus::None;
    // The status word or the data's name, in upper case ("OK", "FETCH").
    std::string Name;
    // The number before the name: 23 in "* 23 EXISTS".
    std::optional<std::uint64_t> Number;
    // The data after the name, one value per item separated by spaces.
    std::vector<TImapValue> Values;
    // The response code between brackets, its name in upper case
    // ("UIDVALIDITY"), "" without one, and its arguments as values
    // ([CAPABILITY IMAP4rev1 STARTTLS] gives two atoms).
    std::string Code;
    std::vector<TImapValue> CodeValues;
    // The human-readable text after the status word and code, as sent
    // (possibly empty); for a continuation, all after "+ " and the code.
    std::string Text;

    bool IsStatus() const { return Status != TImapStatus::None; }
};

bool operator==(const TImapResponse& a, const TImapResponse& b);
inline bool operator!=(const TImapResponse& a, const TImapResponse& b) { return !(a == b); }

// Parses one whole response: its bytes as the server sent them without the
// final CR LF.  A literal "{n}" (also "{n+}" and the binary "~{n}") ends its
// line and is followed by CR LF, its n bytes and the rest of the response.
// A response is one of
//   tag SP status [SP text]            status: OK, NO, BAD, BYE, PREAUTH
//   "*" SP status [SP text]
//   "*" SP [number SP] name *(SP value)
//   "+" [SP text]
// where text may start with "[" code *(SP value) "]".  Names and status
// words are taken in any case, and any of the five status words tagged or
// untagged (the client judges a tagged BYE).  Tolerated beyond the grammar,
// as servers send it: runs of spaces between values, a list right after a
// list (multipart body structures), "\", "%", "*" and "]" (outside a
// response code) in atoms, 8-bit bytes in atoms and quoted strings, and no
// text after a status or a code.
// Human-readable text runs to the end of its line: a text line that ends in
// what looks like a literal is refused, as are NUL, CR and LF in text.
TImapResponse ParseImapResponse(const std::string& bytes);

}  // namespace vexil
