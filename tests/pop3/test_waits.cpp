// The waits of the line client: a send or receive on a socket that looks
// ready but gives nothing, and name lookups off the window's thread.  None
// may outlast its time-out, and the owner's windows stay alive all through.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "pop3/MemoryTransport.h"
#include "pop3/Wire.h"

namespace vexil {
namespace {

using TClock = std::chrono::steady_clock;

long long MillisecondsSince(TClock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - start).count();
}

std::uint32_t Loopback() {
    const unsigned char bytes[4] = {127, 0, 0, 1};
    std::uint32_t address;
    std::memcpy(&address, bytes, sizeof address);
    return address;
}

// A resolver that answers only when released: a name server that is down.
// The gate is shared, so a lookup still blocked when the test ends is let go
// and ends on its own.
struct TGate {
    std::mutex Mutex;
    std::condition_variable Opened;
    bool Open = false;
};
class TSilentResolver {
public:
    TSilentResolver() : gate_(std::make_shared<TGate>()) {}
    ~TSilentResolver() { Release(); }
    void Release() {
        std::lock_guard<std::mutex> lock(gate_->Mutex);
        gate_->Open = true;
        gate_->Opened.notify_all();
    }
    TBlockingResolver Resolver() const {
        std::shared_ptr<TGate> gate = gate_;
        return [gate](const std::string&) {
            std::unique_lock<std::mutex> lock(gate->Mutex);
            gate->Opened.wait(lock, [&] { return gate->Open; });
            return Loopback();
        };
    }

private:
    std::shared_ptr<TGate> gate_;
};

// A socket that reports itself ready on every wait yet never gives a byte
// (what urgent data does to a select on the exception set): the call still
// ends at its time-out, and the idle hook runs on every pass.
TEST(BlockingTransfer, ReadinessWithoutDataNeitherSpinsNorStarvesTheOwner) {
    TWaitControl wait;
    wait.TimeoutMs = 300;
    int idles = 0, attempts = 0;
    wait.Idle = [&idles] { ++idles; };
    const auto start = TClock::now();
    try {
        BlockingTransfer(
            wait, [&] { return ++attempts, kWouldBlock; }, [](int) { return true; },
            [] { return false; });
        FAIL() << "no time-out";
    } catch (const EWireSocketError& e) {
        EXPECT_EQ(e.LastError, 10060);
    }
    EXPECT_GE(MillisecondsSince(start), 290);
    EXPECT_LT(MillisecondsSince(start), 2000);
    EXPECT_EQ(idles, attempts - 1);  // every pass after the first ran the hook
}

TEST(BlockingTransfer, EndsWithTheBytesOrWhenTheOwnerCloses) {
    TWaitControl wait;
    int idles = 0;
    bool closed = false;
    wait.Idle = [&] { closed = ++idles == 3; };
    int waits = 0;
    // Nothing for two slices, then ready with 5 bytes.
    EXPECT_EQ(BlockingTransfer(
                  wait, [&] { return waits >= 3 ? 5 : kWouldBlock; },
                  [&](int) { return ++waits >= 3; }, [] { return false; }),
              5);
    EXPECT_EQ(idles, 2);
    // Closed from the idle hook: 10057 at once.
    idles = 0;
    try {
        BlockingTransfer(
            wait, [] { return kWouldBlock; }, [](int) { return false; }, [&] { return closed; });
        FAIL() << "went on after the close";
    } catch (const EWireSocketError& e) {
        EXPECT_EQ(e.LastError, 10057);
    }
    EXPECT_EQ(idles, 3);
}

TEST(ResolveOffThread, AnswersAndErrorsComeBackAsTheResolverGaveThem) {
    TWaitControl wait;
    EXPECT_EQ(ResolveOffThread([](const std::string&) { return Loopback(); }, "mail", wait),
              Loopback());
    try {
        ResolveOffThread([](const std::string&) -> std::uint32_t { throw EWireSocketError(11001); },
                         "no-such-host", wait);
        FAIL() << "no error";
    } catch (const EWireSocketError& e) {
        EXPECT_EQ(e.LastError, 11001);
        EXPECT_STREQ(e.what(), "Socket Error #11001\r\nHost not found.");
    }
}

TEST(ResolveOffThread, SilentResolverTimesOutWhileTheIdleHookRuns) {
    TSilentResolver resolver;
    TWaitControl wait;
    wait.TimeoutMs = 400;
    int idles = 0;
    wait.Idle = [&idles] { ++idles; };
    const auto start = TClock::now();
    try {
        ResolveOffThread(resolver.Resolver(), "mail.example.org", wait);
        FAIL() << "answered";
    } catch (const EWireSocketError& e) {
        EXPECT_EQ(e.LastError, 11002);
        EXPECT_STREQ(e.what(),
                     "Socket Error #11002\r\nNon-authoritative response (try again or check DNS setup).");
    }
    const long long elapsed = MillisecondsSince(start);
    EXPECT_GE(elapsed, 380);
    EXPECT_LT(elapsed, 2000);
    EXPECT_GE(idles, 6);  // slices of at most 50 ms
}

// The transport that the POP3 client gets in tests, with the platform's way
// of resolving: off the thread, through a resolver that never answers.
class TSilentDnsTransport : public TMemoryTransport {
public:
    explicit TSilentDnsTransport(TBlockingResolver resolver) : resolver_(std::move(resolver)) {}
    std::uint32_t Resolve(const std::string& host, const TWaitControl& wait) override {
        return ResolveOffThread(resolver_, host, wait);
    }

private:
    TBlockingResolver resolver_;
};

class TClient : public TWireClient {
public:
    explicit TClient(std::unique_ptr<ITransport> transport) : TWireClient(std::move(transport)) {}
};

// Disconnect pressed while the name is looked up: the connect ends at once
// instead of waiting for the resolver.
TEST(ResolveOffThread, ClosingTheClientEndsALookupInProgress) {
    TSilentResolver resolver;
    TClient client(std::make_unique<TSilentDnsTransport>(resolver.Resolver()));
    client.Host = "mail.example.org";
    client.Port = 110;
    client.TimeoutMs = 20000;
    int idles = 0;
    client.OnIdle = [&] {
        if (++idles == 3) client.CloseSocket();
    };
    const auto start = TClock::now();
    try {
        client.Connect();
        FAIL() << "connected";
    } catch (const EWireSocketError& e) {
        EXPECT_EQ(e.LastError, 10057);
    }
    EXPECT_LT(MillisecondsSince(start), 2000);
    EXPECT_EQ(idles, 3);
    EXPECT_FALSE(client.Connected());

    // The next connect starts afresh.
    resolver.Release();
    idles = 0;
    client.OnIdle = nullptr;
    client.Connect();
    EXPECT_TRUE(client.Connected());
    EXPECT_EQ(client.ResolvedAddress, "127.0.0.1");
}

}  // namespace
}  // namespace vexil
