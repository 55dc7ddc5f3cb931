// The IMAP response reader and parser over the line client and a transport
// held in memory: every case read whole, a byte at a time, and cut off after
// every byte; then the response fields and value accessors the IMAP client
// reads.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "imap/ImapReader.h"
#include "imap/ImapResponse.h"
#include "imap/test_imap_run.h"

namespace vexil {
namespace {

using test::Bytes;
using test::Quote;
using test::ReadAll;
using test::TRun;

struct TCase {
    const char* Name;
    std::string Incoming;
    std::vector<std::string> Responses;
    std::string Error = "";  // none: every byte makes a response
};

// Reads a case whole and a byte at a time, then every cut-off version of
// it a byte at a time: the responses read in full come out the same, and the
// rest is the server going away (or the case's error, once it is reached).
void Check(const TCase& c) {
    SCOPED_TRACE(c.Name);
    const std::string stop = c.Error.empty() ? "closed" : c.Error;
    for (const int chunk : {65536, 1}) {
        SCOPED_TRACE("chunk " + std::to_string(chunk));
        const TRun run = ReadAll(c.Incoming, chunk);
        EXPECT_EQ(run.Responses, c.Responses);
        EXPECT_EQ(run.Stop, stop);
    }
    const TRun full = ReadAll(c.Incoming, 1);
    if (c.Error.empty()) {
        ASSERT_EQ(full.Ends.empty() ? 0 : full.Ends.back(), c.Incoming.size());
    }
    for (std::size_t cut = 0; cut < c.Incoming.size(); ++cut) {
        SCOPED_TRACE("cut after " + std::to_string(cut) + " bytes");
        const TRun run = ReadAll(c.Incoming.substr(0, cut), 1);
        std::size_t whole = 0;
        while (whole < full.Ends.size() && full.Ends[whole] <= cut) ++whole;
        const std::vector<std::string> expected(full.Responses.begin(), full.Responses.begin() + whole);
        EXPECT_EQ(run.Responses, expected);
        if (run.Stop != "closed") {
            EXPECT_EQ(run.Stop, c.Error);
        }
        if (testing::Test::HasFailure()) return;  // one cut is enough to show a fault
    }
}

const std::string kHeader =
    "From: Terry Gray <gray@cac.washington.edu>\r\n"
    "Subject: IMAP4rev1 WG mtg summary and minutes\r\n"
    "\r\n";

TEST(ImapReader, ServerResponsesFromTheRfcs) {
    const std::vector<TCase> cases = {
        {"greeting with capabilities",
         "* OK [CAPABILITY STARTTLS AUTH=SCRAM-SHA-256 LOGINDISABLED IMAP4rev2] IMAP4rev2 Service Ready\r\n",
         {"* OK [CAPABILITY STARTTLS AUTH=SCRAM-SHA-256 LOGINDISABLED IMAP4rev2] \"IMAP4rev2 Service Ready\""}},
        {"preauthenticated greeting", "* PREAUTH IMAP4rev1 server logged in as Smith\r\n",
         {"* PREAUTH \"IMAP4rev1 server logged in as Smith\""}},
        {"capability data", "* CAPABILITY IMAP4rev1 STARTTLS AUTH=GSSAPI LOGINDISABLED\r\nabcd OK CAPABILITY completed\r\n",
         {"* CAPABILITY IMAP4rev1 STARTTLS AUTH=GSSAPI LOGINDISABLED", "abcd OK \"CAPABILITY completed\""}},
        {"select",
         "* 172 EXISTS\r\n* 1 RECENT\r\n* OK [UNSEEN 12] Message 12 is first unseen\r\n"
         "* OK [UIDVALIDITY 3857529045] UIDs valid\r\n* OK [UIDNEXT 4392] Predicted next UID\r\n"
         "* FLAGS (\\Answered \\Flagged \\Deleted \\Seen \\Draft)\r\n"
         "* OK [PERMANENTFLAGS (\\Deleted \\Seen \\*)] Limited\r\nA142 OK [READ-WRITE] SELECT completed\r\n",
         {"* 172 EXISTS", "* 1 RECENT", "* OK [UNSEEN 12] \"Message 12 is first unseen\"",
          "* OK [UIDVALIDITY 3857529045] \"UIDs valid\"", "* OK [UIDNEXT 4392] \"Predicted next UID\"",
          "* FLAGS (\\Answered \\Flagged \\Deleted \\Seen \\Draft)",
          "* OK [PERMANENTFLAGS (\\Deleted \\Seen \\*)] \"Limited\"", "A142 OK [READ-WRITE] \"SELECT completed\""}},
        {"examine, refusals and a goodbye",
         "A932 OK [READ-ONLY] EXAMINE completed\r\nA003 NO [TRYCREATE] No such mailbox\r\n"
         "a4 bad Command unknown\r\n* OK [ALERT] System shutdown in 10 minutes\r\n"
         "* BYE Autologout; idle for too long\r\n",
         {"A932 OK [READ-ONLY] \"EXAMINE completed\"", "A003 NO [TRYCREATE] \"No such mailbox\"",
          "a4 BAD \"Command unknown\"", "* OK [ALERT] \"System shutdown in 10 minutes\"",
          "* BYE \"Autologout; idle for too long\""}},
        {"untagged data in any order around a tagged reply",
         "* 3 EXPUNGE\r\n* 2 FETCH (FLAGS (\\Deleted \\Seen))\r\nA5 OK NOOP completed\r\n* 23 EXISTS\r\n"
         "* 5 EXPUNGE\r\n* SEARCH 2 84 882\r\n* 12 FETCH (UID 4827313)\r\n",
         {"* 3 EXPUNGE", "* 2 FETCH (FLAGS (\\Deleted \\Seen))", "A5 OK \"NOOP completed\"", "* 23 EXISTS",
          "* 5 EXPUNGE", "* SEARCH 2 84 882", "* 12 FETCH (UID 4827313)"}},
        {"list", "* LIST (\\Noselect) \"/\" \"\"\r\n* LIST () \".\" #news.comp.mail.misc\r\n"
                 "* LIST (\\Marked \\NoInferiors) \"/\" \"inbox\"\r\n* LIST () NIL Foo]Bar\r\n",
         {"* LIST (\\Noselect) \"/\" \"\"", "* LIST () \".\" #news.comp.mail.misc",
          "* LIST (\\Marked \\NoInferiors) \"/\" \"inbox\"", "* LIST () NIL Foo]Bar"}},
        {"status with the mailbox as atom, quoted string and literal",
         "* STATUS blurdybloop (MESSAGES 231 UIDNEXT 44292)\r\n* STATUS \"Sent Items\" (UNSEEN 5)\r\n"
         "* STATUS {5}\r\nINBOX (MESSAGES 231 UNSEEN 5 UIDNEXT 44292 UIDVALIDITY 1)\r\n",
         {"* STATUS blurdybloop (MESSAGES 231 UIDNEXT 44292)", "* STATUS \"Sent Items\" (UNSEEN 5)",
          "* STATUS \"INBOX\" (MESSAGES 231 UNSEEN 5 UIDNEXT 44292 UIDVALIDITY 1)"}},
        {"search, esearch and enabled",
         "* SEARCH\r\n* SEARCH 2 84 (MODSEQ 917162500)\r\n* ESEARCH (TAG \"A282\") MIN 2 COUNT 3\r\n"
         "* ESEARCH (TAG \"A283\") UID ALL 1:3,5,17:20\r\n* ENABLED CONDSTORE UTF8=ACCEPT\r\n",
         {"* SEARCH", "* SEARCH 2 84 (MODSEQ 917162500)", "* ESEARCH (TAG \"A282\") MIN 2 COUNT 3",
          "* ESEARCH (TAG \"A283\") UID ALL 1:3,5,17:20", "* ENABLED CONDSTORE UTF8=ACCEPT"}},
        {"fetch of a header as a literal",
         "* 12 FETCH (UID 5 FLAGS (\\Seen) BODY[HEADER] {" + std::to_string(kHeader.size()) + "}\r\n" + kHeader +
             ")\r\n",
         {"* 12 FETCH (UID 5 FLAGS (\\Seen) BODY[HEADER] " + Quote(kHeader) + ")"}},
        {"fetch of envelope and body structure",
         "* 12 FETCH (FLAGS (\\Seen) INTERNALDATE \"17-Jul-1996 02:44:25 -0700\" RFC822.SIZE 4286 "
         "ENVELOPE (\"Wed, 17 Jul 1996 02:23:25 -0700 (PDT)\" \"IMAP4rev1 WG mtg summary and minutes\" "
         "((\"Terry Gray\" NIL \"gray\" \"cac.washington.edu\")) NIL NIL "
         "((NIL NIL \"minutes\" \"CNRI.Reston.VA.US\")(\"John Klensin\" NIL \"KLENSIN\" \"MIT.EDU\")) NIL NIL "
         "\"<B27397-0100000@cac.washington.edu>\") "
         "BODY ((\"TEXT\" \"PLAIN\" (\"CHARSET\" \"US-ASCII\") NIL NIL \"7BIT\" 3028 92)(\"TEXT\" \"HTML\" NIL NIL NIL "
         "\"7BIT\" 10 1) \"ALTERNATIVE\"))\r\n",
         {"* 12 FETCH (FLAGS (\\Seen) INTERNALDATE \"17-Jul-1996 02:44:25 -0700\" RFC822.SIZE 4286 "
          "ENVELOPE (\"Wed, 17 Jul 1996 02:23:25 -0700 (PDT)\" \"IMAP4rev1 WG mtg summary and minutes\" "
          "((\"Terry Gray\" NIL \"gray\" \"cac.washington.edu\")) NIL NIL "
          "((NIL NIL \"minutes\" \"CNRI.Reston.VA.US\") (\"John Klensin\" NIL \"KLENSIN\" \"MIT.EDU\")) NIL NIL "
          "\"<B27397-0100000@cac.washington.edu>\") "
          "BODY ((\"TEXT\" \"PLAIN\" (\"CHARSET\" \"US-ASCII\") NIL NIL \"7BIT\" 3028 92) (\"TEXT\" \"HTML\" NIL NIL NIL "
          "\"7BIT\" 10 1) \"ALTERNATIVE\"))"}},
        {"sections with spaces and parentheses inside their brackets",
         "* 1 FETCH (BODY[HEADER.FIELDS (FROM SUBJECT)] {4}\r\nab\r\n BODY[]<0> {3}\r\nxyz body[1.mime] NIL)\r\n",
         {"* 1 FETCH (BODY[HEADER.FIELDS (FROM SUBJECT)] \"ab\\r\\n\" BODY[]<0> \"xyz\" body[1.mime] NIL)"}},
        {"continuations",
         "+ Ready for additional command text\r\n+ YGgGCSqGSIb3EgECAgIBAAD/////6jcyG4GE3KkTzmeTxuE1ZQ8=\r\n+ \r\n+\r\n"
         "+ [ALERT] Quota nearly full\r\n",
         {"+ \"Ready for additional command text\"",
          "+ \"YGgGCSqGSIb3EgECAgIBAAD/////6jcyG4GE3KkTzmeTxuE1ZQ8=\"", "+ \"\"", "+ \"\"",
          "+ [ALERT] \"Quota nearly full\""}},
        {"response codes with arguments and without text",
         "* NO [BADCHARSET (UTF-8 \"ISO-8859-1\")] Charset not known\r\n"
         "A7 OK [COPYUID 38505 304,319:320 3956:3958] Done\r\n"
         "* OK [HIGHESTMODSEQ 715194045007]\r\nA8 NO [REFERRAL imap://user;AUTH=*@SERVER2/]\r\nA9 OK\r\n",
         {"* NO [BADCHARSET (UTF-8 \"ISO-8859-1\")] \"Charset not known\"",
          "A7 OK [COPYUID 38505 304,319:320 3956:3958] \"Done\"", "* OK [HIGHESTMODSEQ 715194045007] \"\"",
          "A8 NO [REFERRAL imap://user;AUTH=*@SERVER2/] \"\"", "A9 OK \"\""}},
    };
    for (const TCase& c : cases) Check(c);
}

TEST(ImapReader, StringsNumbersAndLists) {
    const std::string binary = Bytes("a\r\n\0{3}\r\n");
    const std::vector<TCase> cases = {
        {"literal holding CR LF, NUL and an announcement",
         "* 1 FETCH (BODY[] {9}\r\n" + binary + " UID 7)\r\n",
         {"* 1 FETCH (BODY[] \"a\\r\\n\\x00{3}\\r\\n\" UID 7)"}},
        {"literal whose bytes end like an announcement", "* 1 FETCH (BODY[] {3}\r\n{3} UID 1)\r\n",
         {"* 1 FETCH (BODY[] \"{3}\" UID 1)"}},
        {"empty literals, one after another",
         "* 2 FETCH (BODY[1] {0}\r\n BODY[2] {0}\r\n)\r\n* LIST () \"/\" {0}\r\n\r\n",
         {"* 2 FETCH (BODY[1] \"\" BODY[2] \"\")", "* LIST () \"/\" \"\""}},
        {"non-synchronising and binary literals ending the response",
         "* LIST () \"/\" {5+}\r\nINBOX\r\n" + Bytes("* 1 FETCH (BINARY[] ~{3}\r\na\0b)\r\n"),
         {"* LIST () \"/\" \"INBOX\"", "* 1 FETCH (BINARY[] \"a\\x00b\")"}},
        {"quoted strings with escapes and 8-bit bytes",
         "* LIST () \"\\\\\" \"a\\\"b\\\\c\"\r\n* LIST () \"/\" \"Entw\xC3\xBC" "rfe\"\r\n",
         {"* LIST () \"\\\\\" \"a\\\"b\\\\c\"", "* LIST () \"/\" \"Entw\\xC3\\xBCrfe\""}},
        {"NIL in any case, and atoms that only start like it",
         "* X nil Nil NIL NILS NIL2 (NIL)\r\n", {"* X NIL NIL NIL NILS NIL2 (NIL)"}},
        {"numbers to the 64-bit limit, leading zeros, atoms with digits",
         "* 18446744073709551615 EXISTS\r\n* X 0 007 18446744073709551615 12a 1:5\r\n",
         {"* 18446744073709551615 EXISTS", "* X 0 7 18446744073709551615 12a 1:5"}},
        {"nested lists and lists that follow lists",
         "* NAMESPACE ((\"\" \"/\")) NIL NIL\r\n* X (((a) b) (c (d (e))) ((1)(2))())\r\n",
         {"* NAMESPACE ((\"\" \"/\")) NIL NIL", "* X (((a) b) (c (d (e))) ((1) (2)) ())"}},
        {"runs of spaces between values", "* SEARCH 1  2 \r\n* X ( a  b )\r\n",
         {"* SEARCH 1 2", "* X (a b)"}},
    };
    for (const TCase& c : cases) Check(c);
}

std::string Nested(std::size_t depth) {
    return "* X " + std::string(depth, '(') + "a" + std::string(depth, ')') + "\r\n";
}

TEST(ImapReader, MalformedResponsesAreRefusedWithTheirReason) {
    const std::vector<TCase> cases = {
        {"empty line", "\r\n", {}, "bad: empty response"},
        {"no tag", " OK x\r\n", {}, "bad: no tag"},
        {"tag alone", "A1\r\n", {}, "bad: no space after the tag"},
        {"tagged data", "A1 FETCH (UID 1)\r\n", {}, "bad: tagged response without a status"},
        {"star alone", "* \r\n", {}, "bad: no name where one must stand"},
        {"number without a name", "* 23\r\n", {}, "bad: no name after the message number"},
        {"numbered status", "* 5 OK x\r\n", {}, "bad: status response with a number"},
        {"continuation glued to its text", "+Ready\r\n", {}, "bad: no space after \"+\""},
        {"unterminated quoted string after a good response", "* OK fine\r\n* LIST () \"/\" \"INBOX\r\n",
         {"* OK \"fine\""}, "bad: unterminated quoted string"},
        {"quoted string running into a literal", "* X \"ab {3}\r\nxyz\"\r\n", {},
         "bad: unterminated quoted string"},
        {"unknown escape", "* X \"a\\qb\"\r\n", {}, "bad: bad escape in a quoted string"},
        {"NUL in a quoted string", Bytes("* X \"a\0b\"\r\n"), {}, "bad: NUL in a quoted string"},
        {"number past 64 bits", "* X 18446744073709551616\r\n", {}, "bad: number out of range"},
        {"message number past 64 bits", "* 99999999999999999999 EXISTS\r\n", {}, "bad: number out of range"},
        {"stray closing parenthesis", "* X a )\r\n", {}, "bad: unexpected \")\""},
        {"one closing parenthesis too many", "* X (a))\r\n", {}, "bad: unexpected \")\""},
        {"unterminated list", "* X (a (b)\r\n", {}, "bad: unterminated list"},
        {"values glued together", "* X (a)b\r\n", {}, "bad: values not separated by a space"},
        {"control character", "* X \x01\r\n", {}, "bad: unexpected character"},
        {"unterminated section", "* 1 FETCH (BODY[HEADER\r\n", {}, "bad: unterminated \"[\""},
        {"unterminated response code", "* OK [ALERT text\r\n", {}, "bad: unterminated response code"},
        {"text glued to the code", "A1 OK [READ-ONLY]done\r\n", {}, "bad: no space after the response code"},
        {"literal in human-readable text", "A1 OK done {3}\r\nabc\r\n", {}, "bad: line break or literal in text"},
        {"literal inside a line", "* X {3} abc\r\n", {}, "bad: literal not at the end of its line"},
        {"lists nested past the bound", Nested(kImapMaxDepth + 1), {},
         "limit: lists nested deeper than " + std::to_string(kImapMaxDepth)},
        {"absurd literal size", "* 1 FETCH (BODY[] {99999999999999999999}\r\nabc)\r\n", {},
         "limit: literal of 18446744073709551615 bytes in a response of at most 67108864 bytes"},
        {"literal larger than a response may be", "* 1 FETCH (BODY[] {67108865}\r\nabc)\r\n", {},
         "limit: literal of 67108865 bytes in a response of at most 67108864 bytes"},
    };
    for (const TCase& c : cases) Check(c);
}

TEST(ImapReader, NestingUpToTheBoundPasses) {
    const TRun run = ReadAll(Nested(kImapMaxDepth), 1);
    ASSERT_EQ(run.Responses.size(), 1u);
    EXPECT_EQ(run.Responses[0], Nested(kImapMaxDepth).substr(0, Nested(kImapMaxDepth).size() - 2));
    EXPECT_EQ(run.Stop, "closed");
}

TEST(ImapResponse, StatusAndDataFieldsAsTheClientReadsThem) {
    const TImapResponse tagged = ParseImapResponse("a1 ok [UIDNEXT 4392] Predicted next UID");
    EXPECT_EQ(tagged.Kind, TImapResponseKind::Tagged);
    EXPECT_EQ(tagged.Tag, "a1");
    EXPECT_EQ(tagged.Status, TImapStatus::Ok);
    EXPECT_EQ(tagged.Code, "UIDNEXT");
    ASSERT_EQ(tagged.CodeValues.size(), 1u);
    EXPECT_EQ(tagged.CodeValues[0].AsNumber(), 4392u);
    EXPECT_FALSE(tagged.Number.has_value());

    const struct {
        std::string Bytes;
        TImapStatus Status;
    } statuses[] = {{"* NO x", TImapStatus::No},       {"* BAD x", TImapStatus::Bad},
                    {"* Bye x", TImapStatus::Bye},     {"* PREAUTH x", TImapStatus::Preauth},
                    {"* 3 EXPUNGE", TImapStatus::None}, {"+ go", TImapStatus::None}};
    for (const auto& c : statuses) {
        const TImapResponse r = ParseImapResponse(c.Bytes);
        EXPECT_EQ(r.Status, c.Status) << c.Bytes;
        EXPECT_EQ(r.IsStatus(), c.Status != TImapStatus::None) << c.Bytes;
    }

    const TImapResponse fetch =
        ParseImapResponse("* 12 FETCH (FLAGS UID uid 5 BODY[HEADER] {3}\r\nabc RFC822.SIZE 4286)");
    EXPECT_EQ(fetch.Kind, TImapResponseKind::Untagged);
    EXPECT_EQ(fetch.Number, std::optional<std::uint64_t>(12));
    EXPECT_EQ(fetch.Name, "FETCH");
    ASSERT_EQ(fetch.Values.size(), 1u);
    const TImapValue& items = fetch.Values[0];
    // Names stand at even places only: the atom UID at place 1 is FLAGS's value.
    ASSERT_NE(items.Field("flags"), nullptr);
    EXPECT_TRUE(items.Field("flags")->IsAtom("uid"));
    ASSERT_NE(items.Field("UID"), nullptr);
    EXPECT_EQ(items.Field("UID")->AsNumber(), 5u);
    ASSERT_NE(items.Field("body[header]"), nullptr);
    EXPECT_EQ(items.Field("body[header]")->AsText(), "abc");
    EXPECT_EQ(items.Field("RFC822.SIZE")->AsText(), "4286");
    EXPECT_EQ(items.Field("INTERNALDATE"), nullptr);
    EXPECT_EQ(items.Field("4286"), nullptr);
}

TEST(ImapResponse, AccessorsRefuseAValueOfAnotherKind) {
    const TImapResponse r = ParseImapResponse("* X NIL (a) \"s\" 7 ATOM");
    ASSERT_EQ(r.Values.size(), 5u);
    const TImapValue &nil = r.Values[0], &list = r.Values[1], &text = r.Values[2], &number = r.Values[3],
                     &atom = r.Values[4];
    EXPECT_TRUE(nil.IsNil());
    EXPECT_EQ(list.AsList().size(), 1u);
    EXPECT_EQ(text.AsText(), "s");
    EXPECT_EQ(number.AsText(), "7");
    EXPECT_EQ(number.AsNumber(), 7u);
    EXPECT_TRUE(atom.IsAtom("atom"));
    EXPECT_FALSE(text.IsAtom("s"));  // a string is no atom, whatever it spells
    EXPECT_FALSE(atom.IsAtom("ATO"));
    const struct {
        const char* What;
        std::function<void()> Call;
        std::string Error;
    } refusals[] = {
        {"number of a string", [&] { text.AsNumber(); }, "bad: number expected"},
        {"number of an atom", [&] { atom.AsNumber(); }, "bad: number expected"},
        {"text of NIL", [&] { nil.AsText(); }, "bad: text expected"},
        {"text of a list", [&] { list.AsText(); }, "bad: text expected"},
        {"list of a string", [&] { text.AsList(); }, "bad: list expected"},
        {"field of a number", [&] { number.Field("UID"); }, "bad: list expected"},
    };
    for (const auto& c : refusals) {
        try {
            c.Call();
            ADD_FAILURE() << c.What << " was given";
        } catch (const EImapProtocolError& e) {
            EXPECT_EQ(test::Describe(e), c.Error) << c.What;
        }
    }
}

}  // namespace
}  // namespace vexil
