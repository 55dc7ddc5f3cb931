// The POP3 session against a real server: Dovecot on loopback, with mail
// delivered into fresh Maildirs for each test.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "pop3/WirePOP3.h"
#include "support/Dovecot.h"
#include "support/TempDir.h"

namespace vexil {
namespace {

using test::TMailbox;

// As Maildir keeps them: LF line ends.
const std::string kFirst =
    "From: Bob <bob@example.org>\n"
    "To: alice@example.org, \"Smith, Carol\" <carol@example.org>\n"
    "Subject: First\n"
    "Date: Tue, 14 Nov 2023 09:30:12 +0100\n"
    "Message-ID: <first@example.org>\n"
    "\n"
    "Hello Alice,\n"
    ".a line that starts with a dot\n"
    "\n"
    "Bye\n";

const std::string kSecond =
    "From: carol@example.org\n"
    "To: alice@example.org\n"
    "Subject: =?iso-8859-1?Q?Caf=E9?= tomorrow,\n"
    "\tat 9\n"
    "\n"
    "See you.\n";

std::string Numbered(int n) {
    return "From: list@example.org\nSubject: Number " + std::to_string(n) + "\n\nMessage " +
           std::to_string(n) + ".\n";
}

class POP3Dovecot : public test::TDovecotTest {
protected:
    // A client for the box, its status texts collected.
    void Prepare(TWirePOP3& pop, const TMailbox& box) {
        pop.Host = Server().Host();
        pop.Port = Server().Port();
        pop.UserID = box.User;
        pop.Password = box.Password;
        pop.TimeoutMs = 10000;  // a fault shows as a failure, not a hang
        pop.OnStatus = [this](TWireSocket&, const std::string& text) { status.push_back(text); };
    }
    int Count(const TMailbox& box) {
        TWirePOP3 pop;
        Prepare(pop, box);
        pop.Connect();
        const int count = pop.CheckMessages();
        pop.Disconnect();
        return count;
    }
    bool Saw(const std::string& text) const {
        return std::find(status.begin(), status.end(), text) != status.end();
    }

    std::vector<std::string> status;
};

TEST_F(POP3Dovecot, CountsTheWaitingMessages) {
    for (int n : {0, 3}) {
        SCOPED_TRACE(n);
        std::vector<std::string> mail;
        for (int i = 1; i <= n; ++i) mail.push_back(Numbered(i));
        const TMailbox box = Server().NewMailbox(mail);
        status.clear();
        TWirePOP3 pop;
        Prepare(pop, box);
        pop.Connect();
        EXPECT_EQ(pop.CheckMessages(), n);
        EXPECT_TRUE(pop.Connected());
        pop.Disconnect();
        EXPECT_FALSE(pop.Connected());
        EXPECT_EQ(status, (std::vector<std::string>{"Connecting to 127.0.0.1", "Socket Connected", "Connected",
                                                    "  User Account is valid", "  Password is valid",
                                                    "Checking for messages", "Disconnecting", "Disconnected"}));
    }
}

TEST_F(POP3Dovecot, SizeIsTheByteSizeWithCrLf) {
    const TMailbox box = Server().NewMailbox({kFirst, kSecond});
    TWirePOP3 pop;
    Prepare(pop, box);
    pop.Connect();
    EXPECT_EQ(pop.GetMessageSize(1), std::to_string(test::SizeWithCrLf(kFirst)));
    EXPECT_EQ(pop.GetMessageSize(2), std::to_string(test::SizeWithCrLf(kSecond)));
    EXPECT_EQ(pop.GetMessageSize(3), "");
    EXPECT_EQ(status.back().compare(0, 5, "-ERR "), 0) << status.back();
    EXPECT_TRUE(pop.Connected());
    pop.Disconnect();
}

TEST_F(POP3Dovecot, HeaderOnly) {
    const TMailbox box = Server().NewMailbox({kFirst, kSecond});
    TWirePOP3 pop;
    Prepare(pop, box);
    pop.Connect();
    TWireMessage msg;
    ASSERT_TRUE(pop.RetrieveHeader(1, msg));
    EXPECT_TRUE(Saw("Retrieving headers"));
    EXPECT_EQ(msg.From(), "Bob <bob@example.org>");
    EXPECT_EQ(msg.Subject(), "First");
    EXPECT_EQ(msg.MsgID(), "<first@example.org>");
    EXPECT_EQ(msg.FullDate(), "Tue, 14 Nov 2023 09:30");
    EXPECT_EQ(msg.Too, (std::vector<std::string>{"alice@example.org", "\"Smith, Carol\" <carol@example.org>"}));
    EXPECT_TRUE(msg.Text.empty());

    ASSERT_TRUE(pop.RetrieveHeader(2, msg));
    EXPECT_EQ(msg.From(), "carol@example.org");
    EXPECT_EQ(DecodeHeader(msg.Subject()), "Caf\xE9 tomorrow, at 9");
    // Still in step with the server.
    EXPECT_EQ(pop.GetMessageSize(2), std::to_string(test::SizeWithCrLf(kSecond)));
    EXPECT_THROW(pop.RetrieveHeader(3, msg), EWireResponseError);
    pop.Disconnect();
}

TEST_F(POP3Dovecot, WholeMessage) {
    const TMailbox box = Server().NewMailbox({kFirst, kSecond});
    TWirePOP3 pop;
    Prepare(pop, box);
    pop.Connect();
    TWireMessage msg;
    const int size = static_cast<int>(test::SizeWithCrLf(kFirst));
    ASSERT_TRUE(pop.Retrieve(1, msg, size));
    EXPECT_EQ(msg.Text,
              (std::vector<std::string>{"Hello Alice,", ".a line that starts with a dot", "", "Bye"}));
    EXPECT_EQ(msg.Subject(), "First");
    const std::vector<std::string> tail(status.end() - 2, status.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"    From: Bob <bob@example.org>", "    Subject: First"}));

    EXPECT_FALSE(pop.Retrieve(7, msg, 0));
    ASSERT_TRUE(pop.Retrieve(2, msg, 0));
    EXPECT_EQ(msg.Text, (std::vector<std::string>{"See you."}));
    EXPECT_EQ(status.back(), "    Subject: Caf\xE9 tomorrow, at 9");
    pop.Disconnect();
}

std::string Base64(const std::string& bytes) {
    static const char* const alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 2]);
        out += alphabet[(v >> 18) & 63];
        out += alphabet[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? alphabet[(v >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? alphabet[v & 63] : '=';
    }
    return out;
}

TEST_F(POP3Dovecot, AttachmentArrivesByteForByte) {
    std::string payload;
    for (int i = 0; i < 5000; ++i) payload += static_cast<char>((i * 7919 + i / 13) & 0xFF);
    const std::string encoded = Base64(payload);
    std::string message =
        "From: bob@example.org\nSubject: Report\nMIME-Version: 1.0\n"
        "Content-Type: multipart/mixed; boundary=\"XYZ\"\n\n"
        "--XYZ\nContent-Type: text/plain\n\nThe report.\n.\n..\n"
        "--XYZ\nContent-Type: application/octet-stream\nContent-Transfer-Encoding: base64\n"
        "Content-Disposition: attachment; filename=\"report.bin\"\n\n";
    for (size_t i = 0; i < encoded.size(); i += 76) message += encoded.substr(i, 76) + "\n";
    message += "--XYZ--\n";
    const TMailbox box = Server().NewMailbox({message});

    TWirePOP3 pop;
    Prepare(pop, box);
    pop.Connect();
    TWireMessage msg;
    ASSERT_TRUE(pop.Retrieve(1, msg, static_cast<int>(test::SizeWithCrLf(message))));
    pop.Disconnect();
    EXPECT_EQ(msg.Text, (std::vector<std::string>{"The report.", ".", ".."}));
    ASSERT_EQ(msg.Attachments.size(), 1u);
    EXPECT_EQ(msg.Attachments[0].FileName, "report.bin");
    EXPECT_EQ(test::ReadFileBytes(msg.Attachments[0].StoredPathName), payload);
}

TEST_F(POP3Dovecot, DeletionTakesEffectAtQuit) {
    const TMailbox box = Server().NewMailbox({Numbered(1), Numbered(2), Numbered(3)});
    TWireMessage msg;
    {
        // A session that ends without "Quit" deletes nothing.
        TWirePOP3 pop;
        Prepare(pop, box);
        pop.Connect();
        EXPECT_TRUE(pop.Delete(2));
        pop.CloseSocket();
    }
    EXPECT_EQ(Count(box), 3);
    {
        TWirePOP3 pop;
        Prepare(pop, box);
        pop.Connect();
        EXPECT_TRUE(pop.Delete(2));
        EXPECT_FALSE(pop.Delete(2));  // already marked
        EXPECT_FALSE(pop.Delete(9));
        EXPECT_EQ(pop.CheckMessages(), 2);
        pop.Disconnect();
    }
    TWirePOP3 pop;
    Prepare(pop, box);
    pop.Connect();
    EXPECT_EQ(pop.CheckMessages(), 2);
    ASSERT_TRUE(pop.RetrieveHeader(2, msg));
    EXPECT_EQ(msg.Subject(), "Number 3");
    pop.Disconnect();
}

TEST_F(POP3Dovecot, WrongPasswordIsRefusedWithTheServersLine) {
    const TMailbox box = Server().NewMailbox({Numbered(1)});
    TWirePOP3 pop;
    Prepare(pop, box);
    pop.Password = "wrong";
    const auto start = std::chrono::steady_clock::now();
    try {
        pop.Connect();
        ADD_FAILURE() << "logged in with a wrong password";
    } catch (const EWireResponseError& e) {
        const std::string text = e.what();
        EXPECT_EQ(text.compare(0, 5, "-ERR "), 0) << text;
        EXPECT_EQ(text, pop.ReplyText);  // the server's own words, nothing added
    }
    EXPECT_FALSE(pop.Connected());
    EXPECT_TRUE(Saw("  User Account is valid"));
    EXPECT_FALSE(Saw("  Password is valid"));
    EXPECT_EQ(status.back(), "Disconnected");
    // The right password works at once afterwards (no lock-out between tests).
    pop.Password = box.Password;
    pop.Connect();
    EXPECT_EQ(pop.CheckMessages(), 1);
    pop.Disconnect();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

TEST_F(POP3Dovecot, LocalhostByNameWithoutLookup) {
    const TMailbox box = Server().NewMailbox();
    TWirePOP3 pop;
    Prepare(pop, box);
    pop.Host = "LocalHost";
    pop.Connect();
    EXPECT_EQ(pop.ResolvedAddress, "127.0.0.1");
    EXPECT_EQ(pop.CheckMessages(), 0);
    pop.Disconnect();
    EXPECT_EQ(pop.ResolvedAddress, "");
}

}  // namespace
}  // namespace vexil
