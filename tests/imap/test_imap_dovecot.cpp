// The IMAP session against a real server: Dovecot on loopback, with mail
// delivered into fresh Maildirs for each test, and a second client that marks
// messages as a mail program elsewhere would.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "imap/WireIMAP.h"
#include "support/Dovecot.h"

namespace vexil {
namespace {

using test::TMailbox;

std::string Numbered(int n) {
    return "From: list@example.org\nSubject: Number " + std::to_string(n) + "\n\nMessage " +
           std::to_string(n) + ".\n.a line that starts with a dot\n";
}

// The second client: any command, as another mail program sends it.
class TOtherClient : public TWireIMAP {
public:
    using TWireIMAP::Command;
};

class IMAPDovecot : public test::TDovecotTest {
protected:
    void Prepare(TWireIMAP& imap, const TMailbox& box) {
        imap.SetServer({Server().Host(), Server().ImapPort(), box.User, box.Password, TSecurity::None});
        imap.TimeoutMs = 10000;  // a fault shows as a failure, not a hang
        imap.OnStatus = [this](TWireSocket&, const std::string& text) { status.push_back(text); };
    }
    // One check as the check cycle runs it: connect, count with ids, log out.
    int Check(TWireIMAP& imap, TUniqueIds& ids) {
        imap.Connect();
        const int count = imap.CheckMessages(&ids);
        EXPECT_TRUE(imap.ListingComplete());
        imap.Disconnect();
        return count;
    }
    void Other(const TMailbox& box, const std::string& command) {
        TOtherClient other;
        Prepare(other, box);
        other.Connect();
        other.Command("SELECT INBOX");
        other.Command(command);
        other.Disconnect();
    }

    std::vector<std::string> status;
};

TEST_F(IMAPDovecot, CountsUnseenMessagesAndReadsWithoutMarkingThemSeen) {
    const TMailbox box = Server().NewMailbox({Numbered(1), Numbered(2), Numbered(3)});
    TWireIMAP imap;
    Prepare(imap, box);
    TUniqueIds ids;
    EXPECT_EQ(Check(imap, ids), 3);
    Other(box, "UID STORE 1 +FLAGS (\\Seen)");
    EXPECT_EQ(Check(imap, ids), 2);

    // The message window: the unseen ones, numbered from 1 in UID order.
    imap.Connect();
    EXPECT_EQ(imap.CheckMessages(), 2);
    TWireMessage header;
    ASSERT_TRUE(imap.RetrieveHeader(1, header));
    EXPECT_EQ(header.Subject(), "Number 2");
    EXPECT_EQ(imap.GetMessageSize(2), std::to_string(test::SizeWithCrLf(Numbered(3))));
    TWireMessage whole;
    ASSERT_TRUE(imap.Retrieve(2, whole, 0));
    EXPECT_EQ(whole.Subject(), "Number 3");
    EXPECT_EQ(whole.Text, (std::vector<std::string>{"Message 3.", ".a line that starts with a dot"}));
    EXPECT_FALSE(imap.RetrieveHeader(3, header));  // no such message
    EXPECT_EQ(imap.GetMessageSize(0), "");
    imap.Disconnect();
    EXPECT_EQ(Check(imap, ids), 2);  // reading marked nothing seen
}

TEST_F(IMAPDovecot, NewMailIsAnUnseenMessageThatCameSinceTheLastCheck) {
    const TMailbox box = Server().NewMailbox({Numbered(1), Numbered(2)});
    TWireIMAP imap;
    Prepare(imap, box);
    TUniqueIds first, second, third, fourth;
    Check(imap, first);
    ASSERT_TRUE(first.Known());

    Server().Deliver(box, Numbered(3));
    EXPECT_EQ(Check(imap, second), 3);
    ASSERT_TRUE(second.Known());
    EXPECT_TRUE(second.HasIdNotIn(first));

    // Read elsewhere and marked unread again: waiting, but not new.
    Other(box, "UID STORE 1 +FLAGS (\\Seen)");
    Check(imap, third);
    Other(box, "UID STORE 1 -FLAGS (\\Seen)");
    EXPECT_EQ(Check(imap, fourth), 3);
    EXPECT_FALSE(fourth.HasIdNotIn(third));

    // New mail already read elsewhere is no new mail either.
    TUniqueIds fifth;
    Server().Deliver(box, Numbered(4));
    Other(box, "UID STORE 4 +FLAGS (\\Seen)");
    EXPECT_EQ(Check(imap, fifth), 3);
    EXPECT_FALSE(fifth.HasIdNotIn(fourth));
}

TEST_F(IMAPDovecot, AfterAUidValidityChangeEveryUnseenMessageIsUnknown) {
    const TMailbox box = Server().NewMailbox({Numbered(1), Numbered(2)});
    TWireIMAP imap;
    Prepare(imap, box);
    TUniqueIds before, after;
    Check(imap, before);
    // The server forgets its UIDs (a restored or rebuilt mailbox): Dovecot
    // gives the mailbox a new UIDVALIDITY, the time of day in seconds, so a
    // second passes first.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    namespace fs = std::filesystem;
    for (const auto& entry : fs::directory_iterator(box.Maildir))
        if (entry.path().filename().string().rfind("dovecot", 0) == 0) fs::remove_all(entry.path());
    EXPECT_EQ(Check(imap, after), 2);
    ASSERT_TRUE(after.Known());
    EXPECT_EQ(after.Size(), 2u);
    EXPECT_TRUE(after.HasIdNotIn(before));
}

TEST_F(IMAPDovecot, DeleteRemovesThatMessageAlone) {
    const TMailbox box = Server().NewMailbox({Numbered(1), Numbered(2), Numbered(3)});
    TWireIMAP imap;
    Prepare(imap, box);
    imap.Connect();
    ASSERT_TRUE(imap.Offers("UIDPLUS"));
    EXPECT_EQ(imap.CheckMessages(), 3);
    ASSERT_TRUE(imap.Delete(2));
    TWireMessage header;
    ASSERT_TRUE(imap.RetrieveHeader(2, header));  // the window's list closed up
    EXPECT_EQ(header.Subject(), "Number 3");
    imap.Disconnect();

    imap.Connect();
    EXPECT_EQ(imap.CheckMessages(), 2);
    ASSERT_TRUE(imap.RetrieveHeader(1, header));
    EXPECT_EQ(header.Subject(), "Number 1");
    imap.Disconnect();
}

// IDLE: news of a delivery while idling, and a renewal that leaves the
// session ready for the next round.
TEST_F(IMAPDovecot, IdleReportsADeliveryAndRenews) {
    const TMailbox box = Server().NewMailbox({Numbered(1)});
    TWireIMAP imap;
    Prepare(imap, box);
    imap.Connect();
    ASSERT_TRUE(imap.Offers("IDLE"));
    int changes = 0;
    bool delivered = false;
    const auto stop = [&] { return changes > 0; };
    imap.OnIdle = [&] {
        if (!delivered) {
            delivered = true;
            Server().Deliver(box, Numbered(2));
        }
    };
    imap.Idle(10000, stop, [&] { ++changes; });
    EXPECT_EQ(changes, 1);
    imap.OnIdle = nullptr;
    changes = 0;
    imap.Idle(300, [] { return false; }, [&] { ++changes; });  // nothing comes: renewed
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(imap.CheckMessages(), 2);
    imap.Disconnect();
}

TEST_F(IMAPDovecot, AWrongPasswordIsRefused) {
    TMailbox box = Server().NewMailbox();
    box.Password = "wrong \"quoted\" \\ password";
    TWireIMAP imap;
    Prepare(imap, box);
    EXPECT_THROW(imap.Connect(), EWireResponseError);
    EXPECT_FALSE(imap.Connected());
}

}  // namespace
}  // namespace vexil
