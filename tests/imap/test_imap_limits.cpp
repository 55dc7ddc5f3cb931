// What an IMAP server can make the reader and parser hold: bytes, literals,
// values, token lengths, each passing at its bound and refused one past it;
// the reader's side of its two sources; the literal announcement detector.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "imap/ImapReader.h"
#include "imap/ImapResponse.h"
#include "imap/test_imap_run.h"

namespace vexil {
namespace {

using test::Describe;
using test::ReadAll;
using test::TRun;

// A server held in a string, for sizes that would be slow through the line
// client; it records what the reader asked of it.
struct TStringServer {
    explicit TStringServer(std::string incoming) : Incoming(std::move(incoming)) {}

    std::string Incoming;
    std::size_t Pos = 0;
    std::vector<std::size_t> ByteReads;

    std::string ReadLine() {
        const std::size_t end = Incoming.find("\r\n", Pos);
        if (end == std::string::npos) throw EWireConnClosedGraceful();
        std::string line = Incoming.substr(Pos, end - Pos);
        Pos = end + 2;
        return line;
    }
    std::string ReadBytes(std::size_t n) {
        ByteReads.push_back(n);
        if (Incoming.size() - Pos < n) throw EWireConnClosedGraceful();
        std::string bytes = Incoming.substr(Pos, n);
        Pos += n;
        return bytes;
    }
    TImapReader Reader(std::size_t maxBytes = TImapReader::kDefaultMaxResponseBytes) {
        return TImapReader([this] { return ReadLine(); }, [this](std::size_t n) { return ReadBytes(n); },
                           maxBytes);
    }
};

// The error a parse ends with, "" when it succeeds.
std::string ParseError(const std::string& bytes) {
    try {
        ParseImapResponse(bytes);
    } catch (const EImapProtocolError& e) {
        return Describe(e);
    }
    return "";
}

TEST(ImapLimits, ResponseBytesAreBoundedToTheByte) {
    const std::string announce = "* 1 FETCH (BODY[] {10}";
    const std::string literalLast = "* LIST () \"/\" {10}\r\n0123456789\r\n";
    const std::string literalInside = announce + "\r\n0123456789 UID 1)\r\n";
    const std::size_t lastSize = literalLast.size() - 2, insideSize = literalInside.size() - 2;
    struct TBoundCase {
        const char* Name;
        std::string Incoming;
        std::size_t MaxBytes;
        std::string Stop;
        std::size_t StopPos;  // how far the reader got
    };
    const std::vector<TBoundCase> cases = {
        {"literal ending the response, exactly at the bound", literalLast, lastSize, "closed",
         literalLast.size()},
        {"literal one byte past the bound: refused before its bytes", literalLast, lastSize - 1,
         "limit: literal of 10 bytes in a response of at most " + std::to_string(lastSize - 1) + " bytes",
         literalLast.size() - 12},
        {"literal inside the response, exactly at the bound", literalInside, insideSize, "closed",
         literalInside.size()},
        {"the line after the literal one byte past the bound", literalInside, insideSize - 1,
         "limit: more than " + std::to_string(insideSize - 1) + " bytes", literalInside.size()},
        {"no room left for the CR LF before the literal", literalInside, announce.size() + 1,
         "limit: literal of 10 bytes in a response of at most " + std::to_string(announce.size() + 1) +
             " bytes",
         announce.size() + 2},
        {"a single line past the bound", "* SEARCH 1 2 3\r\n", 13, "limit: more than 13 bytes", 16},
    };
    for (const TBoundCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const TRun run = ReadAll(c.Incoming, 1, c.MaxBytes);
        EXPECT_EQ(run.Responses.size(), c.Stop == "closed" ? 1u : 0u);
        EXPECT_EQ(run.Stop, c.Stop);
        EXPECT_EQ(run.StopPos, c.StopPos);
    }
}

// "* X {0}" and then count-1 lines " {0}": count empty literals.
std::string EmptyLiterals(std::size_t count) {
    std::string bytes = "* X {0}\r\n";
    for (std::size_t i = 1; i < count; ++i) bytes += " {0}\r\n";
    return bytes + "\r\n";
}

TEST(ImapLimits, LiteralsPerResponseAreBounded) {
    TStringServer atBound{EmptyLiterals(kImapMaxLiterals)};
    const TImapResponse r = atBound.Reader().Next();
    ASSERT_EQ(r.Values.size(), kImapMaxLiterals);
    EXPECT_TRUE(r.Values.back().IsString());
    EXPECT_EQ(r.Values.back().Text, "");
    EXPECT_TRUE(atBound.ByteReads.empty());  // "{0}" asks the connection for nothing

    const std::string tooMany = "limit: more than " + std::to_string(kImapMaxLiterals) + " literals";
    TStringServer past{EmptyLiterals(kImapMaxLiterals + 1)};
    try {
        past.Reader().Next();
        ADD_FAILURE() << "read a response with one literal too many";
    } catch (const EImapProtocolError& e) {
        EXPECT_EQ(Describe(e), tooMany);
    }
    // The parser holds the same bound for bytes that come from elsewhere.
    const std::string bytes = EmptyLiterals(kImapMaxLiterals + 1);
    EXPECT_EQ(ParseError(bytes.substr(0, bytes.size() - 2)), tooMany);
}

TEST(ImapLimits, ValuesPerResponseAreBounded) {
    // A SEARCH of 100,000 UIDs is an ordinary answer.
    std::string search = "* SEARCH";
    for (std::uint64_t uid = 1; uid <= 100000; ++uid) search += " " + std::to_string(uid * 3);
    TStringServer server{search + "\r\n"};
    const TImapResponse r = server.Reader().Next();
    ASSERT_EQ(r.Values.size(), 100000u);
    std::size_t misplaced = 0;
    for (std::size_t i = 0; i < r.Values.size(); ++i)
        if (!r.Values[i].IsNumber() || r.Values[i].Number != (i + 1) * 3) ++misplaced;
    EXPECT_EQ(misplaced, 0u);

    // Lists count as values too: kImapMaxValues in all passes, one more not.
    std::string atBound = "* X";
    for (std::size_t i = 0; i < kImapMaxValues / 2; ++i) atBound += " (1)";
    EXPECT_EQ(ParseError(atBound), "");
    EXPECT_EQ(ParseError(atBound + " 1"),
              "limit: more than " + std::to_string(kImapMaxValues) + " values");
}

TEST(ImapLimits, AtomsAndQuotedStringsAreBoundedInLength) {
    const std::string atom(kImapMaxTokenBytes, 'a');
    const std::string quoted = "\"" + std::string(kImapMaxTokenBytes - 1, 'q') + "\\\\\"";
    const std::string section = "BODY[" + std::string(kImapMaxTokenBytes - 6, ' ') + "]";
    const std::string atomBound = "limit: atom longer than " + std::to_string(kImapMaxTokenBytes) + " bytes";
    struct TLengthCase {
        const char* Name;
        std::string AtBound, PastBound, Error;
    };
    const std::vector<TLengthCase> cases = {
        {"atom", "* X " + atom, "* X a" + atom, atomBound},
        {"section", "* X " + section, "* X " + section + "<", atomBound},
        {"name", "* " + atom, "* " + atom + "a", atomBound},
        {"tag", atom + " OK", atom + "a OK", atomBound},
        {"quoted string, escapes undone", "* X " + quoted, "* X \"q" + quoted.substr(1),
         "limit: quoted string longer than " + std::to_string(kImapMaxTokenBytes) + " bytes"},
    };
    for (const TLengthCase& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(ParseError(c.AtBound), "");
        EXPECT_EQ(ParseError(c.PastBound), c.Error);
    }
}

TEST(ImapReader, ReadsEachLiteralWithOneCallAndKeepsTheRawResponse) {
    const std::string first = "* 1 FETCH (BODY[1] {0}\r\n BODY[2] {3}\r\nabc BODY[3] {2+}\r\n\r\n)";
    TStringServer server{first + "\r\nA1 OK done\r\n"};
    TImapReader reader = server.Reader();
    EXPECT_EQ(test::Render(reader.Next()), "* 1 FETCH (BODY[1] \"\" BODY[2] \"abc\" BODY[3] \"\\r\\n\")");
    EXPECT_EQ(reader.Raw(), first);
    EXPECT_EQ(server.ByteReads, (std::vector<std::size_t>{3, 2}));
    EXPECT_EQ(test::Render(reader.Next()), "A1 OK \"done\"");
    EXPECT_EQ(reader.Raw(), "A1 OK done");
    EXPECT_THROW(reader.Next(), EWireConnClosedGraceful);
}

TEST(ImapReader, ASourceThatGivesFewerBytesThanAskedIsAProtocolError) {
    TImapReader reader([] { return std::string("* 1 FETCH (BODY[] {5}"); },
                       [](std::size_t n) { return std::string(n - 1, 'x'); });
    try {
        reader.Next();
        ADD_FAILURE() << "took a short literal";
    } catch (const EImapProtocolError& e) {
        EXPECT_EQ(Describe(e), "bad: literal cut short");
    }
}

TEST(ImapReader, LiteralAtEndFindsOnlyAnAnnouncementThatEndsTheLine) {
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    const struct {
        std::string Line;
        std::optional<std::uint64_t> Size;
    } cases[] = {
        {"* 1 FETCH (BODY[] {342}", 342},
        {"{0}", 0},
        {"x {5+}", 5},
        {"x ~{7}", 7},
        {"x {007}", 7},
        {"x {18446744073709551615}", kMax},
        {"x {18446744073709551616}", kMax},
        {"x {99999999999999999999}", kMax},
        {"", std::nullopt},
        {"}", std::nullopt},
        {"x {}", std::nullopt},
        {"x {+}", std::nullopt},
        {"x {5++}", std::nullopt},
        {"x {5", std::nullopt},
        {"x 5}", std::nullopt},
        {"x {5} ", std::nullopt},
        {"x {5}}", std::nullopt},
        {"x {-5}", std::nullopt},
        {"x {5a}", std::nullopt},
        {"x {5 }", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(LiteralAtEnd(c.Line), c.Size) << c.Line;
}

}  // namespace
}  // namespace vexil
