// The message receiver over replies played from memory.  Every reply is
// received twice, once in large reads and once one byte at a time, and both
// receptions must agree.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pop3/WireErrors.h"
#include "support/ProcessSettings.h"
#include "test_message_client.h"

namespace vexil {
namespace {

using namespace std::string_literals;
using test::AsReply;
using test::ReceiveBoth;
using test::ReceiveReply;
using test::TReceived;
using Lines = std::vector<std::string>;

std::string Base64Lines(const std::string& bytes) {
    static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out, line;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const unsigned char a = bytes[i], b = i + 1 < bytes.size() ? bytes[i + 1] : 0,
                            c = i + 2 < bytes.size() ? bytes[i + 2] : 0;
        line += alphabet[a >> 2];
        line += alphabet[((a & 3) << 4) | (b >> 4)];
        line += i + 1 < bytes.size() ? alphabet[((b & 15) << 2) | (c >> 6)] : '=';
        line += i + 2 < bytes.size() ? alphabet[c & 63] : '=';
        if (line.size() == 76) {
            out += line + "\n";
            line.clear();
        }
    }
    if (!line.empty()) out += line + "\n";
    return out;
}

std::string SomeBytes(std::size_t n) {
    std::string bytes;
    unsigned x = 12345;
    for (std::size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        bytes += static_cast<char>(x >> 16);
    }
    return bytes;
}

// Text parts in their own script: each part decoded whole and converted from
// its charset; without Unicode, base64 text is still text (in its bytes).
TEST(MessageReceiver, TextPartsInUnicode) {
    const std::string message =
        "Content-Type: multipart/alternative; boundary=u\n"
        "\n"
        "--u\n"
        "Content-Type: text/plain; charset=UTF-8\n"
        "Content-Transfer-Encoding: quoted-printable\n"
        "\n"
        "=E6=97=\n"          // a soft break inside one character
        "=A5 end\n"
        "--u\n"
        "Content-Type: text/plain; charset=\"koi8-r\"\n"
        "Content-Transfer-Encoding: base64\n"
        "\n" +
        Base64Lines("\xF0\xD2\xC9\xD7\xC5\xD4\r\nline 2\r\n") +
        "--u\n"
        "Content-Type: text/plain; charset=windows-1251\n"
        "\n"
        "\xCF\xF0\xE8\n"
        "--u--\n";
    const TReceived unicode = ReceiveBoth(message, true, true);
    EXPECT_EQ(unicode.Msg.Text,
              (Lines{"\xE6\x97\xA5 end", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82",
                     "line 2", "\xD0\x9F\xD1\x80\xD0\xB8"}));
    EXPECT_EQ(unicode.Msg.MessageParts.size(), 3u);

    const TReceived bytes = ReceiveBoth(message);
    EXPECT_EQ(bytes.Msg.Text, (Lines{"\xE6\x97", "\xA5 end", "\xF0\xD2\xC9\xD7\xC5\xD4", "line 2",
                                     "\xCF\xF0\xE8"}));
}

// Files as mail programs see them: a text part the sender attached, a
// message that is one file, quoted-printable and 8-bit files decoded.
TEST(MessageReceiver, AttachedFilesWhateverTheirShape) {
    const TReceived parts = ReceiveBoth(
        "Content-Type: multipart/mixed; boundary=m\n"
        "\n"
        "--m\n"
        "Content-Type: text/plain\n"
        "\n"
        "See the files.\n"
        "--m\n"
        "Content-Type: text/csv\n"
        "Content-Disposition: attachment; filename=\"t.csv\"\n"
        "Content-Transfer-Encoding: quoted-printable\n"
        "\n"
        "a;b=3D1;long=\n"
        " line\n"
        "--m\n"
        "Content-Type: text/calendar\n"
        "Content-Disposition: attachment\n"
        "\n"
        "BEGIN:VCALENDAR\n"
        "--m\n"
        "Content-Type: text/plain\n"
        "Content-Disposition: inline\n"
        "\n"
        "Inline text stays text.\n"
        "--m--\n");
    EXPECT_EQ(parts.Msg.Text, (Lines{"See the files.", "Inline text stays text."}));
    ASSERT_EQ(parts.Msg.Attachments.size(), 2u);
    EXPECT_EQ(parts.Msg.Attachments[0].FileName, "t.csv");
    EXPECT_EQ(parts.AttachmentBytes[0], "a;b=1;long line");
    EXPECT_EQ(parts.Msg.Attachments[1].FileName, "attachment");
    EXPECT_EQ(parts.AttachmentBytes[1], "BEGIN:VCALENDAR");

    const TReceived scan = ReceiveBoth(
        "Subject: scan\n"
        "Content-Type: application/pdf; name=\"scan.pdf\"\n"
        "Content-Transfer-Encoding: base64\n"
        "\n" +
        Base64Lines(SomeBytes(5000)));
    EXPECT_TRUE(scan.Msg.Text.empty());
    ASSERT_EQ(scan.Msg.Attachments.size(), 1u);
    EXPECT_EQ(scan.Msg.Attachments[0].FileName, "scan.pdf");
    EXPECT_EQ(scan.AttachmentBytes[0], SomeBytes(5000));

    const TReceived note = ReceiveBoth(
        "Content-Type: text/plain\n"
        "Content-Disposition: attachment; filename=notes.txt\n"
        "\n"
        "one\n"
        "two\n");
    ASSERT_EQ(note.Msg.Attachments.size(), 1u);
    EXPECT_EQ(note.AttachmentBytes[0], "one\r\ntwo");
    EXPECT_TRUE(note.Msg.Text.empty());

    // Plain mail stays text, with or without a type.
    EXPECT_EQ(ReceiveBoth("Subject: x\n\nhello\n").Msg.Text, Lines{"hello"});
    EXPECT_TRUE(ReceiveBoth("Subject: x\n\nhello\n").Msg.Attachments.empty());
}

TEST(MessageReceiver, HeaderFieldsAndRecipients) {
    const TReceived r = ReceiveBoth(
        " stray continuation\n"
        "From: Ann <ann@example.org>\n"
        "To: bob@example.org, \"Doe, John\" <john@example.org>\n"
        "Cc: carol@example.org\n"
        "Newsgroups: comp.lang.c, alt.test\n"
        "Subject: Quarterly\n"
        "\treport\n"
        "X-Odd:colon only\n"
        "Title: Heading\n"
        "\n"
        "Body\n");
    EXPECT_EQ(r.Msg.Headers, (Lines{"From=Ann <ann@example.org>",
                                    "To=bob@example.org, \"Doe, John\" <john@example.org>",
                                    "Cc=carol@example.org", "Newsgroups=comp.lang.c, alt.test",
                                    "Subject=Heading", "X-Odd:colon only"}));
    EXPECT_EQ(r.Msg.Too, (Lines{"bob@example.org", "\"Doe, John\" <john@example.org>"}));
    EXPECT_EQ(r.Msg.CCList, (Lines{"carol@example.org"}));
    EXPECT_EQ(r.Msg.Newsgroups, (Lines{"comp.lang.c", "alt.test"}));
    EXPECT_TRUE(r.Msg.BCCList.empty());
    EXPECT_EQ(r.Msg.Text, (Lines{"Body"}));
}

TEST(MessageReceiver, TitleGivesTheSubjectOnlyWhenItHasAValue) {
    EXPECT_EQ(ReceiveBoth("Title: Only a title\n\nx\n").Msg.Headers, (Lines{"Subject=Only a title"}));
    EXPECT_EQ(ReceiveBoth("Subject: s\nTitle: \n\nx\n").Msg.Headers, (Lines{"Subject=s", "Title="}));
}

TEST(MessageReceiver, ANewHeaderReplacesTheWholeMessage) {
    const std::string reply = AsReply("Subject: second\n\nline\n");
    test::TMessageTestClient client(reply, 7);
    TWireMessage msg;
    msg.Headers = {"Subject=first"};
    msg.Text = {"old"};
    msg.Attachments.resize(1);
    msg.MsgNo = 3;
    client.ReceiveHeader(msg, "");
    EXPECT_EQ(msg.Headers, (Lines{"Subject=second"}));
    EXPECT_TRUE(msg.Text.empty() && msg.Attachments.empty());
    EXPECT_EQ(msg.MsgNo, 0);
}

TEST(MessageReceiver, PlainBodyIsUnstuffedAndKeptLineForLine) {
    const TReceived r = ReceiveBoth("Subject: dots\n\n.leading dot\n..two dots\n \n\nlast = line=\n");
    EXPECT_EQ(r.Msg.Text, (Lines{".leading dot", "..two dots", " ", "", "last = line="}));
    ASSERT_EQ(r.Msg.MessageParts.size(), 1u);
    EXPECT_EQ(r.Msg.MessageParts[0].Text, r.Msg.Text);
    EXPECT_EQ(r.Msg.MessageParts[0].ContentType, "");
}

TEST(MessageReceiver, QuotedPrintableBodyIsDecodedLineByLine) {
    const std::string body = "caf=E9 cr=E8me=\nsoft break stays a line=\ntrailing blank=20\nsmall =e9\n";
    const TReceived qp = ReceiveBoth(
        "Content-Type: text/plain; charset=iso-8859-1\nContent-Transfer-Encoding: quoted-printable\n\n" + body);
    EXPECT_EQ(qp.Msg.Text, (Lines{"caf\xE9 cr\xE8me", "soft break stays a line", "trailing blank ", "small =e9"}));
    EXPECT_EQ(qp.Msg.MessageParts[0].ContentType, "text/plain; charset=iso-8859-1");
    EXPECT_EQ(qp.Msg.MessageParts[0].ContentTransfer, "quoted-printable");
    // The encoding name is compared exactly.
    const TReceived other = ReceiveBoth("Content-Transfer-Encoding: Quoted-Printable\n\n" + body);
    EXPECT_EQ(other.Msg.Text[0], "caf=E9 cr=E8me=");
}

TEST(MessageReceiver, HeaderCutShortByTheFinalDotEndsTheReply) {
    const TReceived r = ReceiveBoth("Subject: no body\nFrom: a@example.org");
    EXPECT_TRUE(r.HeaderEndedAtDot);
    EXPECT_EQ(r.Msg.Headers, (Lines{"Subject=no body", "From=a@example.org"}));

    // ReceiveBody after such a header reads nothing more.
    test::TMessageTestClient client(AsReply("Content-Type: multipart/mixed; boundary=b") + "+OK next\r\n", 1);
    TWireMessage msg;
    client.ReceiveHeader(msg, "");
    ASSERT_TRUE(client.HeaderEndedAtDot());
    client.ReceiveBody(msg, 100);
    EXPECT_EQ(client.ReadLn(), "+OK next");
}

std::string MixedWithAttachment(const std::string& attachment) {
    return "Subject: report\n"
           "MIME-Version: 1.0\n"
           "Content-Type: multipart/mixed; boundary=\"=_b1\"\n"
           "\n"
           "This is a multi-part message in MIME format.\n"
           "--=_b1\n"
           "Content-Type: text/plain; charset=us-ascii\n"
           "\n"
           "See the figures.\n"
           "..dotted\n"
           "--=_b1\n"
           "Content-Type: application/octet-stream; name=\"figures.bin\"\n"
           "Content-Transfer-Encoding: base64\n"
           "Content-Disposition: attachment;\n"
           "\tfilename=\"figures.bin\"\n"
           "\n" +
           Base64Lines(attachment) +
           "--=_b1--\n"
           "epilogue\n";
}

TEST(MessageReceiver, Base64AttachmentGoesToATemporaryFile) {
    const std::string bytes = SomeBytes(10000);
    const std::string message = MixedWithAttachment(bytes);
    const TReceived r = ReceiveBoth(message);
    EXPECT_EQ(r.Msg.Text, (Lines{"See the figures.", "..dotted"}));
    ASSERT_EQ(r.Msg.MessageParts.size(), 1u);
    EXPECT_EQ(r.Msg.MessageParts[0].ContentType, "text/plain; charset=us-ascii");
    ASSERT_EQ(r.Msg.Attachments.size(), 1u);
    const TAttachment& a = r.Msg.Attachments[0];
    EXPECT_EQ(a.FileName, "figures.bin");
    EXPECT_EQ(a.Headers, (Lines{"Content-Type=application/octet-stream; name=\"figures.bin\"",
                                "Content-Transfer-Encoding=base64",
                                "Content-Disposition=attachment; filename=\"figures.bin\""}));
    EXPECT_EQ(a.StoredPathName.substr(a.StoredPathName.find_last_of("\\/") + 1, 3), "PBE");
    EXPECT_EQ(r.AttachmentBytes[0], bytes);

    // One status per change of the percentage, of the whole reply's size.
    const std::string sizeK = std::to_string(AsReply(message).size() / 1024) + "k";
    ASSERT_GE(r.Status.size(), 10u);
    EXPECT_LE(std::stoi(r.Status.front()), 1);
    int previous = -1;
    for (const std::string& s : r.Status) {
        const int percent = std::stoi(s);
        EXPECT_EQ(s, std::to_string(percent) + "% of " + sizeK);
        EXPECT_GT(percent, previous);
        previous = percent;
    }
    EXPECT_GE(previous, 90);
    EXPECT_LE(previous, 100);
}

TEST(MessageReceiver, WithoutExtractionAttachmentsAreReadAndDropped) {
    const TReceived r = ReceiveBoth(MixedWithAttachment(SomeBytes(3000)), false);
    EXPECT_EQ(r.Msg.Text, (Lines{"See the figures.", "..dotted"}));
    EXPECT_TRUE(r.Msg.Attachments.empty());
    EXPECT_TRUE(r.Status.empty());
}

TEST(MessageReceiver, PartsWithoutANameAreDroppedAndOthersCopiedAsTheyCame) {
    const TReceived r = ReceiveBoth(
        "Content-Type: multipart/mixed; boundary=b\n"
        "\n"
        "--b\n"
        "Content-Type: image/png\n"
        "Content-Transfer-Encoding: base64\n"
        "\n"
        "iVBORw0KGgo=\n"
        "--b\n"
        "Content-Type: application/x-data\n"
        "Content-Disposition: attachment; filename=data.txt\n"
        "\n"
        "first line\n"
        "..second\n"
        "\n"
        "--b\n"
        "Content-Type: application/x-broken\n"
        "Content-Transfer-Encoding: BASE64\n"
        "Content-Disposition: attachment; filename=\"broken.bin\"\n"
        "\n"
        "TWFu\n"
        "\n"
        "dropped after the empty line\n"
        "--b--\n");
    EXPECT_TRUE(r.Msg.Text.empty());
    ASSERT_EQ(r.Msg.Attachments.size(), 2u);
    EXPECT_EQ(r.Msg.Attachments[0].FileName, "data.txt");
    EXPECT_EQ(r.AttachmentBytes[0], "first line\r\n..second\r\n");
    EXPECT_EQ(r.Msg.Attachments[1].FileName, "broken.bin");
    EXPECT_EQ(r.AttachmentBytes[1], "Man");
}

// A message that cannot be read is still read to its end, so that the next
// command of the session reads its own reply and not the rest of this one.
TEST(MessageReceiver, MultipartWithoutUsableBoundaryIsRefusedAndReadToTheEnd) {
    const struct {
        const char* Name;
        std::string ContentType;
    } cases[] = {
        {"no boundary", "Multipart/Mixed"},
        {"boundary longer than a mail line", "multipart/mixed; boundary=" + std::string(999, 'b')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        test::TMessageTestClient client(
            AsReply("Content-Type: " + c.ContentType + "\n\nfirst body line\n.dotted\n") +
                "+OK next\r\n",
            1);
        TWireMessage msg;
        client.ReceiveHeader(msg, "");
        try {
            client.ReceiveBody(msg, 100);
            FAIL() << "no error";
        } catch (const EWireException& e) {
            EXPECT_STREQ(e.what(), "Boundary error");
        }
        EXPECT_EQ(client.ReadLn(), "+OK next");
    }
    // A boundary of the longest line allowed is still a boundary.
    const std::string longest(998, 'b');
    const TReceived r = ReceiveBoth("Content-Type: multipart/mixed; boundary=\"" + longest +
                                    "\"\n\n--" + longest + "\nContent-Type: text/plain\n\nkept\n--" +
                                    longest + "--\n");
    EXPECT_EQ(r.Msg.Text, (Lines{"kept"}));
}

// Tens of thousands of tiny named parts must not fill the temporary folder:
// the first 500 become files, the rest are dropped like unnamed parts, and
// the files go when the message is cleared.
TEST(MessageReceiver, NamedPartsAreCappedAndTheirFilesGoWithTheMessage) {
    std::string message = "Content-Type: multipart/mixed; boundary=b\n\n";
    for (int i = 0; i < 600; ++i)
        message += "--b\nContent-Type: application/octet-stream\n"
                   "Content-Disposition: attachment; filename=\"part" +
                   std::to_string(i) + ".bin\"\n\nbytes " + std::to_string(i) + "\n";
    message += "--b\nContent-Type: text/plain\n\nthe end\n--b--\n";
    test::TMessageTestClient client(AsReply(message) + "+OK next\r\n", 65536);
    TWireMessage msg;
    client.ReceiveHeader(msg, "");
    client.ReceiveBody(msg, 100);
    EXPECT_EQ(msg.Text, (Lines{"the end"}));
    ASSERT_EQ(msg.Attachments.size(), 500u);
    EXPECT_EQ(msg.Attachments.back().FileName, "part499.bin");
    EXPECT_EQ(test::ReadFileBytes(msg.Attachments.back().StoredPathName), "bytes 499");
    std::vector<std::string> paths;
    for (const TAttachment& a : msg.Attachments) paths.push_back(a.StoredPathName);

    msg.Clear();
    for (const std::string& path : paths) EXPECT_FALSE(test::FileExists(path)) << path;

    // Receiving the next message into the same object replaces the files too.
    {
        test::TMessageTestClient again(AsReply(message) + AsReply("Subject: next\n\nbody\n"), 65536);
        TWireMessage other;
        again.ReceiveHeader(other, "");
        again.ReceiveBody(other, 100);
        paths.clear();
        for (const TAttachment& a : other.Attachments) paths.push_back(a.StoredPathName);
        ASSERT_EQ(paths.size(), 500u);
        again.ReceiveHeader(other, "");  // a new message replaces this one
    }
    for (const std::string& path : paths) EXPECT_FALSE(test::FileExists(path)) << path;
}

TEST(MessageReceiver, NestedPartsAtEveryDepthInOrder) {
    const std::string logo = SomeBytes(700), sheet = SomeBytes(2000), note = "short note";
    const TReceived r = ReceiveBoth(
        "Content-Type: multipart/mixed; boundary=\"outer\"\n"
        "\n"
        "--outer\n"
        "Content-Type: multipart/alternative; boundary=alt\n"
        "\n"
        "--alt\n"
        "Content-Type: text/plain\n"
        "\n"
        "plain version\n"
        "--alt\n"
        "Content-Type: multipart/related; boundary=\"rel\"; type=\"text/html\"\n"
        "\n"
        "--rel\n"
        "Content-Type: text/html\n"
        "Content-Transfer-Encoding: quoted-printable\n"
        "\n"
        "<p>html =3D version</p>\n"
        "--rel\n"
        "Content-Type: image/gif; name=\"logo.gif\"\n"
        "Content-Transfer-Encoding: base64\n"
        "Content-ID: <logo>\n"
        "\n" +
        Base64Lines(logo) +
        "--rel--\n"
        "--alt--\n"
        "\n"
        "--outer\n"
        "Content-Type: application/vnd.ms-excel\n"
        "Content-Transfer-Encoding: base64\n"
        "Content-Disposition: attachment; filename*=utf-8''%E2%82%AC%20rates.xls\n"
        "\n" +
        Base64Lines(sheet) +
        "--outer\n"
        "Content-Type: multipart/signed; boundary=\"sig\"; micalg=pgp-sha256;\n"
        " protocol=\"application/pgp-signature\"\n"
        "\n"
        "--sig\n"
        "Content-Type: text/plain\n"
        "\n"
        "signed text\n"
        "--sig\n"
        "Content-Type: application/octet-stream; name=note.txt\n"
        "Content-Transfer-Encoding: base64\n"
        "\n" +
        Base64Lines(note) +
        "--sig--\n"
        "--outer--\n");
    EXPECT_EQ(r.Msg.Text, (Lines{"plain version", "<p>html = version</p>", "signed text"}));
    ASSERT_EQ(r.Msg.MessageParts.size(), 3u);
    EXPECT_EQ(r.Msg.MessageParts[1].ContentType, "text/html");
    ASSERT_EQ(r.Msg.Attachments.size(), 3u);
    EXPECT_EQ(r.Msg.Attachments[0].FileName, "logo.gif");
    EXPECT_EQ(r.Msg.Attachments[1].FileName, "\xE2\x82\xAC rates.xls");
    EXPECT_EQ(r.Msg.Attachments[2].FileName, "note.txt");
    EXPECT_EQ(r.AttachmentBytes, (Lines{logo, sheet, note}));
}

TEST(MessageReceiver, AnEnclosingBoundaryEndsUnclosedInnerParts) {
    const TReceived r = ReceiveBoth(
        "Content-Type: multipart/mixed; boundary=outer\n"
        "\n"
        "--outer\n"
        "Content-Type: multipart/alternative; boundary=inner\n"
        "\n"
        "--inner\n"
        "Content-Type: text/plain\n"
        "\n"
        "inner text\n"
        "--outer\n"
        "Content-Type: text/plain\n"
        "\n"
        "outer text\n"
        "--inner\n"
        "--outer--\n");
    // After "--outer" the inner boundary means nothing any more.
    EXPECT_EQ(r.Msg.Text, (Lines{"inner text", "outer text", "--inner"}));
}

TEST(MessageReceiver, TruncatedBodiesEndAtTheFinalDot) {
    const struct {
        const char* Name;
        std::string Message;
        Lines Text;
        Lines Bytes;
    } cases[] = {
        {"no closing boundary",
         "Content-Type: multipart/mixed; boundary=b\n\n--b\nContent-Type: text/plain\n\nonly text\n", {"only text"}, {}},
        {"only a preamble", "Content-Type: multipart/mixed; boundary=b\n\npreamble\n", {}, {}},
        {"part header cut short",
         "Content-Type: multipart/mixed; boundary=b\n\n--b\nContent-Type: text/plain\n", {}, {}},
        {"inside base64",
         "Content-Type: multipart/mixed; boundary=b\n\n--b\nContent-Type: application/pdf\n"
         "Content-Transfer-Encoding: base64\nContent-Disposition: attachment; filename=\"a.pdf\"\n\nTWFu\nTWFu\n",
         {}, {"ManMan"}},
        {"a boundary in place of the part header",
         "Content-Type: multipart/mixed; boundary=b\n\n--b\n--b\nContent-Type: text/plain\n\nafter\n--b--\n",
         {"after"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TReceived r = ReceiveBoth(c.Message);
        EXPECT_FALSE(r.HeaderEndedAtDot);
        EXPECT_EQ(r.Msg.Text, c.Text);
        EXPECT_EQ(r.AttachmentBytes, c.Bytes);
    }
}

// An attachment that cannot be written whole is an error, never a file cut
// short that later saves as if it were the attachment.  The file size limit
// plays the full disk.
#ifndef _WIN32
TEST(MessageReceiver, AttachmentThatCannotBeWrittenIsAnErrorAndTheReplyIsReadToItsEnd) {
    const std::string bytes = SomeBytes(300000);
    const std::string reply = AsReply(MixedWithAttachment(bytes));
    test::TMessageTestClient client(reply + "+OK next\r\n", 65536);
    TWireMessage msg;
    client.ReceiveHeader(msg, "");
    {
        const test::TFileSizeLimit limit(64 * 1024);
        try {
            client.ReceiveBody(msg, static_cast<int>(reply.size()));
            FAIL() << "the attachment was cut short without an error";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()).rfind("Cannot write file ", 0), 0u) << e.what();
        }
    }
    EXPECT_EQ(client.ReadLn(), "+OK next");
}

TEST(MessageReceiver, TemporaryFileThatCannotBeCreatedIsAnErrorAndTheReplyIsReadToItsEnd) {
    const std::string reply = AsReply(MixedWithAttachment(SomeBytes(3000)));
    test::TMessageTestClient client(reply + "+OK next\r\n", 65536);
    TWireMessage msg;
    client.ReceiveHeader(msg, "");
    {
        const test::TEnvironmentVariable tmp("TMPDIR", "/nonexistent/vexil-test");
        EXPECT_THROW(client.ReceiveBody(msg, static_cast<int>(reply.size())), std::runtime_error);
    }
    EXPECT_EQ(client.ReadLn(), "+OK next");
}
#endif

TEST(MessageReceiver, HostileNestingNeitherCrashesNorHangs) {
    // A thousand nested multiparts all named "x", then a text part: deeper
    // levels are dropped whole, the reply is still read to its end.
    std::string deep = "Content-Type: multipart/mixed; boundary=x\n\n";
    for (int i = 0; i < 1000; ++i) deep += "--x\nContent-Type: multipart/mixed; boundary=x\n\n";
    deep += "--x\nContent-Type: text/plain\n\nbottom\n--x--\n";
    const TReceived r = ReceiveBoth(deep);
    EXPECT_EQ(r.Msg.Text, (Lines{"bottom"}));

}

}  // namespace
}  // namespace vexil
