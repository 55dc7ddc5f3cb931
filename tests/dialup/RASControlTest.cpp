// The dial-up control against a phonebook held in memory: listing, dialling
// and its failures, hanging up, and the connection state questions.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "dialup/NoRasApi.h"
#include "dialup/RASControl.h"
#include "support/FakeRas.h"

using namespace vexil;

namespace {

using test::TFakeRas;

struct TStatusEvent {
    int Index, State, Error;
    bool operator==(const TStatusEvent& o) const {
        return std::tie(Index, State, Error) == std::tie(o.Index, o.State, o.Error);
    }
};

class RASControlTest : public ::testing::Test {
protected:
    TFakeRas ras;
    TRASControl rasc{ras};
    std::vector<TStatusEvent> events;
    int listChanges = 0;

    void SetUp() override {
        ras.AddEntry("Home ISP", "alice", "555-0100");
        ras.AddEntry("Work", "bob", "555-0199");
        ras.AddEntry("Backup", "carol", "555-0123");
        rasc.OnConnectionStatus = [this](TRASControl& sender, int index, int state, int error) {
            EXPECT_EQ(&sender, &rasc);
            events.push_back({index, state, error});
        };
        rasc.OnEntryListChange = [this](TRASControl& sender) {
            EXPECT_EQ(&sender, &rasc);
            ++listChanges;
        };
    }

    std::string MessageOf(const std::function<void()>& f) {
        try {
            f();
        } catch (const ERASControlError& e) {
            return e.what();
        }
        return "(no error)";
    }
};

TEST_F(RASControlTest, RefreshListsEntriesInPhonebookOrderWithTheirStoredDetails) {
    ras.Phonebook[1].PasswordSaved = false;
    rasc.RefreshEntries();

    EXPECT_EQ(rasc.Entries, (std::vector<std::string>{"Home ISP", "Work", "Backup"}));
    ASSERT_EQ(rasc.Records().size(), 3u);
    const TRASEntryItem& work = rasc.Record(1);
    EXPECT_EQ(work.EntryName, "Work");
    EXPECT_EQ(work.PhoneNumber, "555-0199");
    EXPECT_EQ(work.CallbackNumber, "cb-Work");
    EXPECT_EQ(work.EntryUser, "bob");
    EXPECT_EQ(work.EntryPassword, "pw-Work");
    EXPECT_EQ(work.Domain, "dom-Work");
    EXPECT_FALSE(work.PasswordSaved);
    EXPECT_TRUE(rasc.Record(0).PasswordSaved);
    EXPECT_EQ(work.DeviceType, "modem");
    EXPECT_EQ(work.DeviceName, "Modem on Work");
    EXPECT_EQ(work.ConnHandle, 0u);
    EXPECT_EQ(work.ConnState, -1);
    EXPECT_EQ(work.ConnError, 0);
    EXPECT_FALSE(work.Busy);
    EXPECT_EQ(listChanges, 1);

    // A second refresh starts afresh: a removed entry leaves no record behind
    // and a known state is forgotten.
    rasc.DoConnectionStatus(0, 0, kRasConnected);
    ras.Phonebook.erase(ras.Phonebook.begin() + 1);
    rasc.RefreshEntries();
    EXPECT_EQ(rasc.Entries, (std::vector<std::string>{"Home ISP", "Backup"}));
    ASSERT_EQ(rasc.Records().size(), 2u);
    EXPECT_EQ(rasc.Record(1).EntryUser, "carol");
    EXPECT_EQ(rasc.Record(0).ConnState, -1);
    EXPECT_EQ(listChanges, 2);
}

TEST_F(RASControlTest, EntryWhoseDetailsCannotBeReadIsStillListed) {
    ras.Phonebook[0].ParamsError = kRasErrorCannotFindEntry;
    ras.Phonebook[2].PropertiesError = kRasErrorNotEnoughMemory;
    rasc.RefreshEntries();
    ASSERT_EQ(rasc.Entries.size(), 3u);
    EXPECT_EQ(rasc.Record(0).EntryName, "Home ISP");
    EXPECT_EQ(rasc.Record(0).EntryUser, "");
    EXPECT_EQ(rasc.Record(0).PhoneNumber, "555-0100");
    EXPECT_EQ(rasc.Record(2).EntryUser, "carol");
    EXPECT_EQ(rasc.Record(2).PhoneNumber, "");
}

TEST_F(RASControlTest, NoEntriesOrAFailedEnumerationGiveAnEmptyListWithoutError) {
    rasc.RefreshEntries();  // entries the next refresh must throw away
    for (int enumError : {kRasErrorNotEnoughMemory, kRasErrorCannotFindEntry, 0}) {
        SCOPED_TRACE(enumError);
        ras.EnumEntriesError = enumError;
        if (enumError == 0) ras.Phonebook.clear();  // a machine without entries
        listChanges = 0;
        EXPECT_NO_THROW(rasc.RefreshEntries());
        EXPECT_TRUE(rasc.Entries.empty());
        EXPECT_TRUE(rasc.Records().empty());
        EXPECT_EQ(listChanges, 1);
    }
}

TEST_F(RASControlTest, IndexOutsideTheEntriesIsRefusedByEveryOperation) {
    rasc.RefreshEntries();
    EXPECT_EQ(MessageOf([&] { rasc.Dial(5); }), "Index (5) out of bounds.");
    EXPECT_EQ(MessageOf([&] { rasc.Dial(3); }), "Index (3) out of bounds.");
    EXPECT_EQ(MessageOf([&] { rasc.HangUp(-1); }), "Index (-1) out of bounds.");
    EXPECT_EQ(MessageOf([&] { rasc.GetConnectionHandle(7); }), "Index (7) out of bounds.");
    EXPECT_EQ(MessageOf([&] { rasc.CheckIndex(2); }), "(no error)");
    EXPECT_EQ(MessageOf([&] { rasc.CheckIndex(0); }), "(no error)");
    // Nothing was dialled and nothing changed state.
    EXPECT_TRUE(ras.Dialled.empty());
    EXPECT_FALSE(rasc.Dialing);
    EXPECT_TRUE(events.empty());

    TRASControl empty{ras};
    EXPECT_EQ(MessageOf([&] { empty.Dial(0); }), "Index (0) out of bounds.");
}

TEST_F(RASControlTest, DialStoresAndDialsTheEntrysParametersAndKeepsTheLineMarkedBusy) {
    rasc.RefreshEntries();
    rasc.Dial(1);

    ASSERT_EQ(ras.Stored.size(), 1u);
    const TRasDialParams& stored = ras.Stored[0].first;
    EXPECT_FALSE(ras.Stored[0].second) << "the stored password must be kept";
    EXPECT_EQ(stored.EntryName, "Work");
    EXPECT_EQ(stored.PhoneNumber, "555-0199");
    EXPECT_EQ(stored.CallbackNumber, "cb-Work");
    EXPECT_EQ(stored.UserName, "bob");
    EXPECT_EQ(stored.Password, "pw-Work");
    EXPECT_EQ(stored.Domain, "dom-Work");
    ASSERT_EQ(ras.Dialled.size(), 1u);
    EXPECT_EQ(ras.Dialled[0].PhoneNumber, "555-0199");
    EXPECT_EQ(ras.Dialled[0].UserName, "bob");

    EXPECT_EQ(rasc.Record(1).ConnHandle, ras.Connections.at(0).Handle);
    EXPECT_TRUE(rasc.Record(1).Busy);
    EXPECT_TRUE(rasc.Dialing);

    // The line being up keeps Dialing set, so any further dial is refused.
    EXPECT_EQ(MessageOf([&] { rasc.Dial(1); }), "A connection attempt is already in progress.");
    EXPECT_EQ(MessageOf([&] { rasc.Dial(0); }), "A connection attempt is already in progress.");
    EXPECT_EQ(ras.Dialled.size(), 1u);
}

TEST_F(RASControlTest, PortAlreadyOpenCountsAsASuccessfulDial) {
    rasc.RefreshEntries();
    ras.DialError = kRasErrorPortAlreadyOpen;
    EXPECT_NO_THROW(rasc.Dial(0));
    EXPECT_TRUE(rasc.Dialing);
    EXPECT_NE(rasc.Record(0).ConnHandle, 0u);
    EXPECT_TRUE(ras.HungUp.empty());
}

TEST_F(RASControlTest, EntryReportedConnectedIsNotDialledAgain) {
    rasc.RefreshEntries();
    rasc.DoConnectionStatus(2, 0, kRasConnected);
    EXPECT_FALSE(rasc.Dialing);
    EXPECT_EQ(MessageOf([&] { rasc.Dial(2); }), "Entry is already connected.");
    // A state in progress counts the same.
    rasc.DoConnectionStatus(1, 0, 5);
    rasc.Dialing = false;
    EXPECT_EQ(MessageOf([&] { rasc.Dial(1); }), "Entry is already connected.");
    EXPECT_TRUE(ras.Dialled.empty());
    EXPECT_NO_THROW(rasc.Dial(0));
}

TEST_F(RASControlTest, FailedDialReleasesItsHandleAndAllowsTheNextDial) {
    rasc.RefreshEntries();
    ras.DialError = 678;
    EXPECT_EQ(MessageOf([&] { rasc.Dial(0); }), "The remote computer did not respond.");

    // The failed dial never made the list of active connections; its own
    // handle is what must be hung up.
    ASSERT_EQ(ras.HungUp.size(), 1u);
    EXPECT_EQ(ras.HungUp[0], 0x51u);
    EXPECT_TRUE(ras.Open.empty());
    const TRASEntryItem& home = rasc.Record(0);
    EXPECT_FALSE(home.Busy);
    EXPECT_FALSE(rasc.Dialing);
    EXPECT_EQ(home.ConnHandle, 0u);
    EXPECT_EQ(home.ConnState, kRasDisconnected);
    EXPECT_EQ(events, (std::vector<TStatusEvent>{{0, kRasDisconnected, 678}}));

    ras.DialError = 0;
    EXPECT_NO_THROW(rasc.Dial(0));
    EXPECT_TRUE(rasc.Dialing);
    EXPECT_EQ(ras.Dialled.size(), 2u);
}

TEST_F(RASControlTest, DialFailureTexts) {
    struct TCase {
        int StoreError, DialError;
        const char* Text;
    };
    const TCase cases[] = {
        {0, kRasErrorNotEnoughMemory, "Not enough memory."},
        {0, 691, "Access was denied because the username and/or password was invalid."},
        {0, 650, "RAS error 650"},
        {678, 0, "Dial failed with message: The remote computer did not respond."},
        {kRasErrorNotEnoughMemory, 0, "Dial failed with message: Not enough memory."},
    };
    rasc.RefreshEntries();
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Text);
        ras.SetParamsError = c.StoreError;
        ras.DialError = c.DialError;
        size_t dials = ras.Dialled.size();
        EXPECT_EQ(MessageOf([&] { rasc.Dial(1); }), c.Text);
        EXPECT_FALSE(rasc.Dialing);
        EXPECT_FALSE(rasc.Record(1).Busy);
        // Parameters that could not be stored are not dialled.
        EXPECT_EQ(ras.Dialled.size(), dials + (c.StoreError == 0 ? 1 : 0));
    }
    EXPECT_TRUE(ras.Open.empty());
}

TEST_F(RASControlTest, DialThatThrowsLeavesTheControlReadyToDialAgain) {
    rasc.RefreshEntries();
    ras.DialThrows = true;
    EXPECT_THROW(rasc.Dial(0), std::runtime_error);
    EXPECT_FALSE(rasc.Dialing);
    EXPECT_FALSE(rasc.Record(0).Busy);
    ras.DialThrows = false;
    EXPECT_NO_THROW(rasc.Dial(0));
}

TEST_F(RASControlTest, HangUpEndsTheEntrysActiveConnection) {
    rasc.RefreshEntries();
    TRasConnHandle other = ras.AddConnection("Elsewhere", kRasConnected);
    rasc.Dial(1);
    TRasConnHandle line = rasc.Record(1).ConnHandle;

    rasc.HangUp(1);

    EXPECT_EQ(ras.HungUp, (std::vector<TRasConnHandle>{line}));
    EXPECT_EQ(ras.Open, (std::set<TRasConnHandle>{other}));
    const TRASEntryItem& work = rasc.Record(1);
    EXPECT_EQ(work.ConnHandle, 0u);
    EXPECT_FALSE(work.Busy);
    EXPECT_EQ(work.ConnState, kRasDisconnected);
    EXPECT_FALSE(rasc.Dialing);
    EXPECT_EQ(events, (std::vector<TStatusEvent>{{1, kRasDisconnected, 0}}));
    EXPECT_NO_THROW(rasc.Dial(1));
}

TEST_F(RASControlTest, FailedHangUpReportsTheReasonAndChangesNothing) {
    rasc.RefreshEntries();
    // Nothing is connected: the entry's handle is 0, which RAS refuses.
    EXPECT_EQ(MessageOf([&] { rasc.HangUp(0); }), "Hang up failed. Invalid handle.");
    EXPECT_EQ(ras.HungUp, (std::vector<TRasConnHandle>{0}));
    EXPECT_EQ(rasc.Record(0).ConnState, -1);

    rasc.Dial(0);
    ras.HangUpError = 678;
    EXPECT_EQ(MessageOf([&] { rasc.HangUp(0); }),
              "Hang up failed. The remote computer did not respond.");
    EXPECT_TRUE(rasc.Dialing);
    EXPECT_TRUE(rasc.Record(0).Busy);
    EXPECT_TRUE(events.empty());
}

TEST_F(RASControlTest, GetConnectionHandleFindsTheEntryByName) {
    rasc.RefreshEntries();
    ras.AddConnection("Home ISP", kRasConnected);
    TRasConnHandle work = ras.AddConnection("Work", kRasConnected);
    EXPECT_EQ(rasc.GetConnectionHandle(1), work);
    EXPECT_EQ(rasc.Record(1).ConnHandle, work);
    EXPECT_EQ(rasc.GetConnectionHandle(2), 0u);

    ras.Connections.clear();
    EXPECT_EQ(rasc.GetConnectionHandle(1), 0u);
    EXPECT_EQ(rasc.Record(1).ConnHandle, 0u) << "a stale handle must not survive";
}

TEST_F(RASControlTest, GetConnectStatusAnswersForTheConnectionWithThatName) {
    ras.AddConnection("Home ISP", 5);
    TRasConnHandle work = ras.AddConnection("Work", kRasConnected);
    ras.Statuses[work].Error = 0;
    ras.Statuses[work].DeviceName = "the work modem";

    TRasConnStatus status;
    EXPECT_EQ(rasc.GetConnectStatus("Work", status), work);
    EXPECT_EQ(status.State, kRasConnected);
    EXPECT_EQ(status.DeviceName, "the work modem");

    EXPECT_EQ(rasc.GetConnectStatus("Home ISP", status), 0x51u);
    EXPECT_EQ(status.State, 5);

    // Names compare exactly.
    status.State = kRasConnected;
    status.Error = 99;
    EXPECT_EQ(rasc.GetConnectStatus("work", status), 0u);
    EXPECT_EQ(status.State, kRasDisconnected);
    EXPECT_EQ(status.Error, 0);
    EXPECT_EQ(status.DeviceName, "");

    // A connection that ends between the listing and the question is down.
    ras.Statuses.erase(work);
    EXPECT_EQ(rasc.GetConnectStatus("Work", status), 0u);
    EXPECT_EQ(status.State, kRasDisconnected);
}

TEST_F(RASControlTest, GetConnectStatusErrors) {
    ras.AddConnection("Work", kRasConnected);
    TRasConnStatus status;
    const std::pair<int, const char*> enumErrors[] = {
        {kRasErrorNotEnoughMemory, "RAS: ERROR_NOT_ENOUGH_MEMORY"},
        {kRasErrorBufferTooSmall, "RAS: ERROR_BUFFER_TOO_SMALL"},
        {678, "RAS: The remote computer did not respond."},
    };
    for (const auto& [error, text] : enumErrors) {
        ras.EnumConnectionsError = error;
        EXPECT_EQ(MessageOf([&] { rasc.GetConnectStatus("Work", status); }), text);
    }
    ras.EnumConnectionsError = 0;
    ras.StatusError = 650;
    EXPECT_EQ(MessageOf([&] { rasc.GetConnectStatus("Work", status); }), "RAS: RAS error 650");
}

TEST_F(RASControlTest, ConnectionStatusDecidesWhetherTheEntryIsBusy) {
    rasc.RefreshEntries();
    const std::pair<int, bool> states[] = {
        {0, true}, {5, true}, {0x1000, true}, {kRasConnected, false}, {kRasDisconnected, false},
        {-1, false},
    };
    for (const auto& [state, busy] : states) {
        SCOPED_TRACE(state);
        events.clear();
        rasc.DoConnectionStatus(2, 17, state);
        EXPECT_EQ(rasc.Record(2).ConnState, state);
        EXPECT_EQ(rasc.Record(2).ConnError, 17);
        EXPECT_EQ(rasc.Record(2).Busy, busy);
        EXPECT_EQ(rasc.Dialing, busy);
        EXPECT_EQ(events, (std::vector<TStatusEvent>{{2, state, 17}}));
    }
}

TEST(NoRasApi, ListsNothingAndFailsEveryDialWithAClearMessage) {
    TNoRasApi api;
    TRASControl rasc{api};
    EXPECT_NO_THROW(rasc.RefreshEntries());
    EXPECT_TRUE(rasc.Entries.empty());
    TRasConnStatus status;
    status.State = kRasConnected;
    EXPECT_EQ(rasc.GetConnectStatus("Anything", status), 0u);
    EXPECT_EQ(status.State, kRasDisconnected);

    TRasConnHandle handle = 1;
    TRasDialParams params;
    EXPECT_NE(api.SetEntryDialParams(params, false), 0);
    EXPECT_NE(api.Dial(params, handle), 0);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(rasc.ErrorText(api.Dial(params, handle)),
              "Dial-up networking is not available on this system.");
}

}  // namespace
