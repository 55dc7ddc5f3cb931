// Real-world-shaped messages from tests/data/mail, each received whole and
// one byte at a time and checked against its .expect file:
//   subject V / from V      the field after encoded-word decoding
//   date V                  FullDate ("today" when the date has no zone sign)
//   to V / cc V             one recipient entry each, in order
//   header V                the exact header lines, in order
//   part V                  the content types of the text parts, in order
//   text V                  the body text lines, in order
//   attachment NAME<TAB>F   file name, and the file in NAME.files holding its bytes
//   error V                 ReceiveBody raises this message
//   header-ended-at-dot     the reply ends inside the header block
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pop3/WireErrors.h"
#include "support/TempDir.h"
#include "test_message_client.h"

namespace vexil {
namespace {

using Lines = std::vector<std::string>;

const std::string kMailDir = std::string(VEXIL_SOURCE_DIR) + "/tests/data/mail/";

struct TExpected {
    std::string Subject, From, Date, Error;
    bool CheckFrom = false, CheckDate = false, HeaderEndedAtDot = false;
    Lines To, Cc, Headers, Parts, Text, AttachmentNames, AttachmentBytes;
};

TExpected LoadExpected(const std::string& name) {
    TExpected e;
    const std::string text = test::ReadFileBytes(kMailDir + name + ".expect");
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const std::size_t blank = line.find(' ');
        const std::string key = line.substr(0, blank);
        const std::string value = blank == std::string::npos ? "" : line.substr(blank + 1);
        if (key == "subject") e.Subject = value;
        else if (key == "from") e.From = value, e.CheckFrom = true;
        else if (key == "date") e.Date = value, e.CheckDate = true;
        else if (key == "to") e.To.push_back(value);
        else if (key == "cc") e.Cc.push_back(value);
        else if (key == "header") e.Headers.push_back(value);
        else if (key == "part") e.Parts.push_back(value);
        else if (key == "text") e.Text.push_back(value);
        else if (key == "error") e.Error = value;
        else if (key == "header-ended-at-dot") e.HeaderEndedAtDot = true;
        else if (key == "attachment") {
            const std::size_t tab = value.find('\t');
            e.AttachmentNames.push_back(value.substr(0, tab));
            e.AttachmentBytes.push_back(test::ReadFileBytes(kMailDir + name + ".files/" + value.substr(tab + 1)));
        } else {
            ADD_FAILURE() << name << ".expect: unknown key " << key;
        }
    }
    return e;
}

class MailCorpus : public ::testing::TestWithParam<const char*> {};

TEST_P(MailCorpus, ReceivedAsExpected) {
    const std::string name = GetParam();
    const TExpected e = LoadExpected(name);
    const std::string message = test::ReadFileBytes(kMailDir + name + ".eml");

    if (!e.Error.empty()) {
        for (const int chunk : {65536, 1}) {
            test::TMessageTestClient client(test::AsReply(message), chunk);
            TWireMessage msg;
            client.ReceiveHeader(msg, "");
            EXPECT_EQ(DecodeHeader(msg.Subject()), e.Subject);
            try {
                client.ReceiveBody(msg, static_cast<int>(message.size()));
                ADD_FAILURE() << "no error";
            } catch (const EWireException& x) {
                EXPECT_EQ(x.what(), e.Error);
            }
        }
        return;
    }

    test::TReceived r = test::ReceiveBoth(message);
    TWireMessage& msg = r.Msg;
    EXPECT_EQ(DecodeHeader(msg.Subject()), e.Subject);
    if (e.CheckFrom) {
        EXPECT_EQ(DecodeHeader(msg.From()), e.From);
    }
    if (e.CheckDate) {
        msg.Today = [] { return std::string("today"); };
        EXPECT_EQ(msg.FullDate(), e.Date);
    }
    if (!e.To.empty()) {
        EXPECT_EQ(msg.Too, e.To);
    }
    if (!e.Cc.empty()) {
        EXPECT_EQ(msg.CCList, e.Cc);
    }
    if (!e.Headers.empty()) {
        EXPECT_EQ(msg.Headers, e.Headers);
    }
    EXPECT_EQ(r.HeaderEndedAtDot, e.HeaderEndedAtDot);

    Lines parts;
    for (const TMessagePart& p : msg.MessageParts) parts.push_back(p.ContentType);
    EXPECT_EQ(parts, e.Parts);
    EXPECT_EQ(msg.Text, e.Text);

    Lines names;
    for (const TAttachment& a : msg.Attachments) names.push_back(a.FileName);
    EXPECT_EQ(names, e.AttachmentNames);
    EXPECT_EQ(r.AttachmentBytes, e.AttachmentBytes);
}

INSTANTIATE_TEST_SUITE_P(Corpus, MailCorpus,
                         ::testing::Values("plain", "quoted_printable", "encoded_words", "nested", "html_only",
                                           "uuencoded", "signed", "bounce", "file_names", "missing_boundary",
                                           "unterminated", "truncated_header", "continuation_first", "phone_scan", "attached_text",
                                           "garbage_base64"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

}  // namespace
}  // namespace vexil
