// IDLE against scripted servers, for what Dovecot will not do on demand: a
// server that never answers DONE, BYE in the middle of IDLE, a renewal, no
// IDLE at all, and a connection that drops and is opened again.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "imap/IdleWatch.h"
#include "imap/WireIMAP.h"
#include "support/FakeHttp.h"
#include "support/ScriptedServer.h"

namespace vexil {
namespace {

using test::TScript;
using test::TScriptedServer;

// Greeting and login of a server that offers IDLE; the IDLE goes ahead.
TScript IdlingSession() {
    TScript s;
    s.Send("* OK [CAPABILITY IMAP4rev1 AUTH=PLAIN SASL-IR IDLE] ready\r\n")
        .Expect()
        .Send("V1 OK [CAPABILITY IMAP4rev1 IDLE] in\r\n")
        .Expect()
        .Send("* 3 EXISTS\r\nV2 OK [READ-ONLY] examined\r\n")
        .Expect()
        .Send("+ idling\r\n");
    return s;
}

std::unique_ptr<TWireIMAP> Session(int port) {
    auto imap = std::make_unique<TWireIMAP>();
    imap->SetServer({"127.0.0.1", port, "joe", "secret", TSecurity::None});
    imap->TimeoutMs = 5000;
    return imap;
}

TEST(ImapIdle, NewsThenAStopEndsWithDoneAndLogoutWithoutWaitingForTheServer) {
    TScript script = IdlingSession();
    script.Pause(100).Send("* 4 EXISTS\r\n").StaySilent();  // never answers DONE
    TScriptedServer server({script});
    auto imap = Session(server.Port());
    imap->Connect();
    int changes = 0;
    imap->Idle(60000, [&] { return changes > 0; }, [&] { ++changes; });
    EXPECT_EQ(changes, 1);
    imap->Disconnect();
    const std::vector<std::string> lines = server.Lines(0, 5);
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[2], "V3 IDLE");
    EXPECT_EQ(lines[3], "DONE");
    EXPECT_EQ(lines[4], "V4 LOGOUT");
}

TEST(ImapIdle, ARenewalEndsTheRoundAndAnotherBegins) {
    TScript script = IdlingSession();
    script.Expect().Send("V3 OK idle done\r\n").Expect().Send("+ again\r\n").Expect().Send(
        "V4 OK idle done\r\n");
    TScriptedServer server({script});
    auto imap = Session(server.Port());
    imap->Connect();
    int changes = 0, starts = 0;
    for (int round = 0; round < 2; ++round)
        imap->Idle(150, [] { return false; }, [&] { ++changes; }, [&] { ++starts; });
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(starts, 2);
    const std::vector<std::string> lines = server.Lines(0, 6);
    EXPECT_EQ(lines, (std::vector<std::string>{"V1 AUTHENTICATE PLAIN AGpvZQBzZWNyZXQ=", "V2 EXAMINE INBOX",
                                               "V3 IDLE", "DONE", "V4 IDLE", "DONE"}));
}

TEST(ImapIdle, ByeWhileIdlingEndsTheRoundWithTheServersWords) {
    TScript script = IdlingSession();
    script.Pause(50).Send("* BYE shutting down\r\n").Close();
    TScriptedServer server({script});
    auto imap = Session(server.Port());
    imap->Connect();
    try {
        imap->Idle(60000, [] { return false; }, [] {});
        ADD_FAILURE() << "no error";
    } catch (const EWireResponseError& e) {
        EXPECT_STREQ(e.what(), "shutting down");
    }
}

// The watch: a server without IDLE ends it (the timer keeps the account); a
// connection that drops is said so and opened again, and the new one's first
// round checks the account.
TEST(ImapIdle, TheWatchSaysNoIdleOrRetriesADroppedConnection) {
    test::TFakeUiThread ui;
    {
        TScript noIdle;
        noIdle.Send("* OK [CAPABILITY IMAP4rev1 AUTH=PLAIN SASL-IR] ready\r\n")
            .Expect()
            .Send("V1 OK [CAPABILITY IMAP4rev1] in\r\n");
        TScriptedServer server({noIdle});
        bool ended = false, idling = false;
        TIdleEvents events;
        events.NoIdle = [&] { ended = true; };
        events.Idling = [&](bool on) { idling = on; };
        TIdleWatch watch({"127.0.0.1", server.Port(), "joe", "secret", TSecurity::None},
                         [] { return std::make_unique<TWireIMAP>(); }, ui, events);
        ASSERT_TRUE(ui.PumpUntil([&] { return ended; }));
        EXPECT_FALSE(idling);
    }
    {
        TScript dropped = IdlingSession();
        dropped.Pause(50).Reset();
        TScript second = IdlingSession();
        TScriptedServer server({dropped, second});
        std::vector<std::string> said;
        int changes = 0;
        std::vector<bool> idling;
        TIdleEvents events;
        events.Dropped = [&](const std::string& text) { said.push_back(text); };
        events.Changed = [&] { ++changes; };
        events.Idling = [&](bool on) { idling.push_back(on); };
        TIdleTiming timing;
        timing.FirstRetryMs = 200;
        TIdleWatch watch({"127.0.0.1", server.Port(), "joe", "secret", TSecurity::None},
                         [] { return std::make_unique<TWireIMAP>(); }, ui, events, timing);
        ASSERT_TRUE(ui.PumpUntil([&] { return server.Accepted() == 2 && changes == 2; }));
        EXPECT_EQ(said, std::vector<std::string>{"connection lost, trying again in 1 s"});
        EXPECT_EQ(idling, (std::vector<bool>{true, false, true}));
        watch.Stop();
        ASSERT_TRUE(server.Ended(1));
        const std::vector<std::string> lines = server.Lines(1, 5);
        ASSERT_GE(lines.size(), 5u);
        EXPECT_EQ(lines[3], "DONE");
        EXPECT_EQ(lines[4], "V4 LOGOUT");
    }
}

}  // namespace
}  // namespace vexil
