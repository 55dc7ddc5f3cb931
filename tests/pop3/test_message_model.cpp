// The message model and its header helpers, without any reply to read.
#include <gtest/gtest.h>

#include <filesystem>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "pop3/MimeParams.h"
#include "pop3/WireMessage.h"
#include "support/TempDir.h"

namespace vexil {
namespace {

using namespace std::string_literals;
using Lines = std::vector<std::string>;

TEST(MessageHeader, UnfoldJoinsContinuationsAndNamesFields) {
    Lines lines = {
        " orphan continuation before any field",
        "Subject: Quarterly",
        "\treport\tfor  ",
        "  Q3  ",
        "To: a@example.org,",
        " b@example.org",
        "X-Odd:no blank after the colon",
        "Comment: a: b",
        "X-Empty: ",
    };
    UnfoldHeader(lines);
    EXPECT_EQ(lines, (Lines{
                         "Subject=Quarterly report for Q3",
                         "To=a@example.org, b@example.org",
                         "X-Odd:no blank after the colon",
                         "Comment=a: b",
                         "X-Empty=",
                     }));
}

TEST(MessageHeader, LookupAndChange) {
    TWireMessage msg;
    msg.Headers = {"X-Odd:value", "subject=first", "Subject=second", "From=a@example.org"};
    EXPECT_EQ(msg.Subject(), "first");  // any case, first line of that name
    EXPECT_EQ(msg.HeaderValue("X-Odd"), "");
    EXPECT_EQ(msg.HeaderValue("Subj"), "");
    EXPECT_EQ(msg.HeaderValue("Message-ID"), "");

    msg.SetSubject("third");
    msg.SetHeaderValue("Organization", "Vexil");
    EXPECT_EQ(msg.Headers, (Lines{"X-Odd:value", "Subject=third", "Subject=second", "From=a@example.org",
                                  "Organization=Vexil"}));
    msg.SetHeaderValue("FROM", "");
    msg.SetHeaderValue("Reply-To", "");
    EXPECT_EQ(msg.Headers, (Lines{"X-Odd:value", "Subject=third", "Subject=second", "Organization=Vexil"}));
    EXPECT_EQ(msg.Organization(), "Vexil");
}

TEST(MessageHeader, ClearEmptiesTheMessageButKeepsItsSettings) {
    TWireMessage msg;
    msg.Headers = {"Subject=x"};
    msg.Too = msg.CCList = msg.BCCList = msg.Newsgroups = msg.Text = {"x"};
    msg.MessageParts.resize(2);
    msg.Attachments.resize(1);
    msg.DefaultDomain = "example.org";
    msg.MsgNo = 7;
    msg.ExtractAttachments = false;
    msg.UseNowForDate = false;
    msg.Clear();
    EXPECT_TRUE(msg.Headers.empty() && msg.Too.empty() && msg.CCList.empty() && msg.BCCList.empty() &&
                msg.Newsgroups.empty() && msg.Text.empty() && msg.MessageParts.empty() &&
                msg.Attachments.empty());
    EXPECT_EQ(msg.DefaultDomain, "");
    EXPECT_EQ(msg.MsgNo, 0);
    EXPECT_FALSE(msg.ExtractAttachments);
    EXPECT_FALSE(msg.UseNowForDate);
}

TEST(MessageHeader, AddressLists) {
    struct {
        std::string Value;
        Lines Expected;
    } cases[] = {
        {"a@example.org, b@example.org", {"a@example.org", "b@example.org"}},
        {"\"Doe, John\" <j@example.org>,b@example.org", {"\"Doe, John\" <j@example.org>", "b@example.org"}},
        {" , ,  c@example.org ,", {"c@example.org"}},
        {"", {}},
        // The comma is kept only while exactly one quote is open in the item.
        {"\"a\" \"b, c\" <x@example.org>", {"\"a\" \"b", "c\" <x@example.org>"}},
    };
    for (const auto& c : cases) {
        Lines list = {"left over"};
        ParseAddressList(c.Value, list);
        EXPECT_EQ(list, c.Expected) << c.Value;
    }
}

TEST(MessageHeader, EncodedWords) {
    const struct {
        std::string In, Out;
    } cases[] = {
        {"  plain subject  ", "plain subject"},
        {"=?iso-8859-1?Q?Caf=E9_au_lait?=", "Caf\xE9 au lait"},
        {"=?ISO-8859-1?q?=E9t=E9?=", "\xE9t\xE9"},  // the encoded text starts with "="
        {"=?utf-8?B?w6l0w6k=?=", "\xC3\xA9t\xC3\xA9"},
        {"=?utf-8?b?TWFu?=", "Man"},
        {"=?windows-1252?Q?=80_100?=", "\x80 100"},
        {"Re: =?iso-8859-1?Q?a?= =?utf-8?B?w6k=?= end", "Re: a \xC3\xA9 end"},  // blanks between words kept
        {"=?x?U?#86)C?=", "abc"},
        {"=?x?Z?a_b?=", "a b"},   // another letter counts as Q
        {"=?x?Qa_b?=", " b"},     // so does a letter without its "?"
        {"=?utf-8?Q?unterminated", "=?utf-8?Q?unterminated"},
        {"=?no-charset-end", "=?no-charset-end"},
        {"=?x?B?PQ==?=?x?Q?y?=", "y"},  // a word that decodes into the start of another
        {"a==?x?Q?=3F?=x?Q?z?=", "az"},  // ... or into one with the text before it
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeHeader(c.In), c.Out) << c.In;
    EXPECT_THROW(DecodeHeader("=?x?U?#86)c?="), std::runtime_error);
}

TEST(MessageHeader, EncodedWordsInUnicode) {
    const struct {
        std::string In, Out;
    } cases[] = {
        {"  plain subject  ", "plain subject"},
        {"=?iso-8859-1?Q?Caf=E9_au_lait?=", "Caf\xC3\xA9 au lait"},
        {"=?KOI8-R?B?8NLJ18XU?=", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
        {"=?ISO-2022-JP?B?GyRCRnxLXBsoQg==?=", "\xE6\x97\xA5\xE6\x9C\xAC"},
        // One character's bytes split over two words; the blank between goes.
        {"=?UTF-8?B?5pel?= =?UTF-8?B?5pys?=", "\xE6\x97\xA5\xE6\x9C\xAC"},
        {"=?utf-8?q?=E6=97?=\t=?utf-8?q?=A5?=", "\xE6\x97\xA5"},
        {"Re: =?iso-8859-1?Q?a?= text =?utf-8?B?w6k=?=", "Re: a text \xC3\xA9"},
        {"=?utf-8*fr?Q?=C3=A9t=C3=A9?=", "\xC3\xA9t\xC3\xA9"},   // RFC 2231 language
        {"Caf\xC3\xA9 d\xE9j\xE0", "Caf\xC3\x83\xC2\xA9 d\xC3\xA9j\xC3\xA0"},  // 8-bit, not UTF-8
        {"Caf\xC3\xA9", "Caf\xC3\xA9"},                        // 8-bit UTF-8 as sent
        {"=?utf-8?Q?unterminated", "=?utf-8?Q?unterminated"},
        {"=?x?U?#86)C?=", "=?x?U?#86)C?="},                      // only B and Q are words
        {"=?utf-8?B?w6l0w6k=?= =?x-unknown?Q?caf=E9?=", "\xC3\xA9t\xC3\xA9" "caf\xC3\xA9"},
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeHeaderUtf8(c.In), c.Out) << c.In;
}

TEST(MessageHeader, EncodedWordsStayLinearInLongHeaders) {
    std::string header, expected;
    for (int i = 0; i < 100000; ++i) {
        header += "=?utf-8?Q?ab?= ";
        expected += "ab ";
    }
    expected.pop_back();
    EXPECT_EQ(DecodeHeader(header), expected);
}

TEST(MessageHeader, FetchAndExtractBetween) {
    std::string text = "one, two, three";
    EXPECT_EQ(Fetch(text, ", "), "one");
    EXPECT_EQ(text, "two, three");
    EXPECT_EQ(Fetch(text, ";"), "two, three");
    EXPECT_EQ(text, "");
    text = "abc";
    EXPECT_EQ(Fetch(text, ""), "abc");
    EXPECT_EQ(text, "");

    const std::string disposition = "attachment; FileName=\"Report.PDF\"; size=3";
    EXPECT_EQ(ExtractBetween(disposition, "filename=\"", "\"", true), "Report.PDF");
    EXPECT_EQ(ExtractBetween(disposition, "filename=\"", "\"", false), "");
    EXPECT_EQ(ExtractBetween(disposition, "size=", "\"", true), "");
    EXPECT_EQ(ExtractBetween("<a><b>", "<", ">", false), "a");
}

TEST(MessageHeader, FullDate) {
    const struct {
        std::string Date, Expected;
    } cases[] = {
        {"Tue, 13 Mar 2001 10:22:33 +0100", "Tue, 13 Mar 2001 10:22"},
        {"Wed, 4 Jul 2001 09:05:00 -0500", "Wed, 4 Jul 2001 09:05"},
        {"Tue, 13 Mar 2001 10:22:33 GMT", "today"},
        {"", "today"},
        {"1-Mar-2001", "today"},
    };
    for (const auto& c : cases) {
        TWireMessage msg;
        msg.Today = [] { return std::string("today"); };
        if (!c.Date.empty()) msg.SetHeaderValue("Date", c.Date);
        EXPECT_EQ(msg.FullDate(), c.Expected) << c.Date;
    }
    TWireMessage msg;  // the platform's own date when nobody supplies one
    EXPECT_FALSE(msg.FullDate().empty());
}

TEST(MessageAttachment, TemporaryFilesAreNewAndUnique) {
    const std::string a = MakeTemporaryFile(), b = MakeTemporaryFile();
    EXPECT_NE(a, b);
    const std::string name = a.substr(a.find_last_of("\\/") + 1);
    EXPECT_EQ(name.substr(0, 3), "PBE") << a;
    EXPECT_EQ(test::ReadFileBytes(a), "");  // created, empty
    std::remove(a.c_str());
    std::remove(b.c_str());
}

TEST(MessageAttachment, SaveToFileCopiesTheStoredBytes) {
    test::TTempDir dir;
    const std::string bytes = "\x00\x01\r\n\xFF binary"s + std::string(200000, 'x');
    TAttachment attachment;
    attachment.StoredPathName = dir.File("PBE1.tmp");
    test::WriteFileBytes(attachment.StoredPathName, bytes);

    EXPECT_TRUE(attachment.SaveToFile(dir.File("copy.bin")));
    EXPECT_EQ(test::ReadFileBytes(dir.File("copy.bin")), bytes);

    test::WriteFileBytes(dir.File("old.bin"), std::string(500000, 'o'));
    EXPECT_TRUE(attachment.SaveToFile(dir.File("old.bin") + kPathDelim));  // trailing separator dropped
    EXPECT_EQ(test::ReadFileBytes(dir.File("old.bin")), bytes);

    EXPECT_FALSE(attachment.SaveToFile(dir.File("no-such-dir") + kPathDelim + "x.bin"));
    TAttachment missing;
    missing.StoredPathName = dir.File("gone.tmp");
    EXPECT_FALSE(missing.SaveToFile(dir.File("y.bin")));
}

// Saving over a file that exists: a copy that fails part-way (here the
// stored file cannot be read: it is a folder) leaves the old file as it was,
// and neither leaves its partial copy nor takes a file of the user's that
// happens to have that copy's name.
TEST(MessageAttachment, AFailedSaveLeavesTheOldFileWhole) {
    test::TTempDir dir;
    const std::string old(300000, 'o');
    test::WriteFileBytes(dir.File("keep.bin"), old);
    test::WriteFileBytes(dir.File("keep.bin.part"), "mine");
    TAttachment unreadable;
    unreadable.StoredPathName = dir.Path() + "a-folder";
    std::filesystem::create_directory(unreadable.StoredPathName);
    EXPECT_FALSE(unreadable.SaveToFile(dir.File("keep.bin")));
    EXPECT_EQ(test::ReadFileBytes(dir.File("keep.bin")), old);
    EXPECT_EQ(test::ReadFileBytes(dir.File("keep.bin.part")), "mine");
    EXPECT_FALSE(std::filesystem::exists(dir.File("keep.bin.part1")));

    TAttachment good;
    good.StoredPathName = dir.File("PBE2.tmp");
    test::WriteFileBytes(good.StoredPathName, "new bytes");
    EXPECT_TRUE(good.SaveToFile(dir.File("keep.bin")));
    EXPECT_EQ(test::ReadFileBytes(dir.File("keep.bin")), "new bytes");
    EXPECT_EQ(test::ReadFileBytes(dir.File("keep.bin.part")), "mine");
}

TEST(MimeParams, Boundaries) {
    const struct {
        std::string ContentType;
        bool Found;
        std::string Boundary;
    } cases[] = {
        {"multipart/mixed; boundary=\"=_abc 1\"", true, "=_abc 1"},
        {"multipart/mixed; BOUNDARY=abc", true, "abc"},
        {"multipart/signed; boundary=\"sig\"; micalg=pgp-sha256; protocol=\"application/pgp-signature\"", true,
         "sig"},
        {"multipart/mixed; boundary=abc ; charset=x", true, "abc"},
        {"multipart/mixed; boundary=\" padded \"", true, "padded"},
        {"multipart/mixed; boundary=\"unclosed", true, "unclosed"},
        {"multipart/mixed", false, ""},
        {"multipart/mixed; boundary =abc", false, ""},
    };
    for (const auto& c : cases) {
        std::string boundary;
        EXPECT_EQ(MultipartBoundary(c.ContentType, boundary), c.Found) << c.ContentType;
        if (c.Found) {
            EXPECT_EQ(boundary, c.Boundary) << c.ContentType;
        }
    }
}

TEST(MimeParams, FileNamesInTheFormsMailersWrite) {
    const struct {
        Lines Fields;
        std::string Name;
    } cases[] = {
        {{"Content-Disposition=attachment; filename=\"report.pdf\""}, "report.pdf"},
        {{"content-disposition=attachment; FILENAME=\"Report.PDF\""}, "Report.PDF"},
        {{"Content-Disposition=attachment; filename=\"a;b.pdf\"; size=3"}, "a;b.pdf"},
        {{"Content-Disposition=attachment; filename=report.pdf"}, "report.pdf"},
        {{"Content-Disposition=attachment; filename= report v2.pdf ; size=10"}, "report v2.pdf"},
        {{"Content-Disposition=attachment; filename*=utf-8''%E2%82%AC%20rates.pdf"}, "\xE2\x82\xAC rates.pdf"},
        {{"Content-Disposition=attachment; filename*=iso-8859-1'fr'caf%e9.txt"}, "caf\xE9.txt"},
        {{"Content-Disposition=attachment; filename*0*=utf-8''%E2%82%AC; filename*1=\" rates\"; "
          "filename*2*=.pdf"},
         "\xE2\x82\xAC rates.pdf"},
        {{"Content-Disposition=attachment; filename*1=\"b.txt\"; filename*0=\"a\""}, "ab.txt"},
        {{"Content-Type=application/pdf; name=\"scan.pdf\"", "Content-Disposition=attachment"}, "scan.pdf"},
        {{"Content-Type=application/pdf; name=scan.pdf"}, "scan.pdf"},
        {{"Content-Type=application/pdf; name=\"b.pdf\"", "Content-Disposition=inline; filename=\"a.pdf\""},
         "a.pdf"},
        {{"Content-Type=application/pdf; filename=\"not-a-name.pdf\""}, ""},
        {{"Content-Type=image/png", "Content-Disposition=inline"}, ""},
        {{"Content-Disposition=attachment; filename=\"\""}, ""},
        {{"Content-Disposition=attachment; filename*=%41%4"}, "A%4"},
    };
    for (const auto& c : cases) EXPECT_EQ(PartFileName(c.Fields), c.Name) << c.Fields[0];
}

TEST(MimeParams, FileNamesInUnicode) {
    const struct {
        Lines Fields;
        std::string Name;
    } cases[] = {
        {{"Content-Disposition=attachment; filename=\"report.pdf\""}, "report.pdf"},
        {{"Content-Disposition=attachment; filename*=iso-8859-1'fr'caf%e9.txt"}, "caf\xC3\xA9.txt"},
        {{"Content-Disposition=attachment; filename*0*=koi8-r''%F0%D2; filename*1=\".txt\""},
         "\xD0\x9F\xD1\x80.txt"},
        // Encoded words inside the quotes, as webmail writes them.
        {{"Content-Disposition=attachment; filename=\"=?UTF-8?B?0J/RgNC40LLQtdGCLmRvY3g=?=\""},
         "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.docx"},
        {{"Content-Type=application/pdf; name=\"=?iso-8859-1?Q?r=E9sum=E9.pdf?=\""},
         "r\xC3\xA9sum\xC3\xA9.pdf"},
        // 8-bit names: the part's charset, else kept when UTF-8, else the system's code page.
        {{"Content-Type=text/plain; charset=windows-1251; name=\"\xCF\xF0.txt\""}, "\xD0\x9F\xD1\x80.txt"},
        {{"Content-Disposition=attachment; filename=\"\xD0\x9F.txt\""}, "\xD0\x9F.txt"},
        {{"Content-Disposition=attachment; filename=\"caf\xE9.txt\""}, "caf\xC3\xA9.txt"},
    };
    for (const auto& c : cases) EXPECT_EQ(PartFileNameUtf8(c.Fields), c.Name) << c.Fields[0];
}

}  // namespace
}  // namespace vexil
