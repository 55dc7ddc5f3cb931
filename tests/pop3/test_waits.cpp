// The waits of the line client: a send or receive on a socket that looks
// ready but gives nothing, jobs off the window's thread and the name lookups
// that run as such.  None may outlast its time-out, and the owner's windows
// stay alive all through.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <typeinfo>

#include "pop3/MemoryTransport.h"
#include "pop3/OffThread.h"
#include "pop3/Security.h"
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

// What a blocked worker waits for.  Shared, so that a worker still blocked
// when its test ends is let go and ends on its own.
struct TGate {
    std::mutex Mutex;
    std::condition_variable Opened;
    bool Open = false;
    void Release() {
        std::lock_guard<std::mutex> lock(Mutex);
        Open = true;
        Opened.notify_all();
    }
    void Pass() {
        std::unique_lock<std::mutex> lock(Mutex);
        Opened.wait(lock, [&] { return Open; });
    }
};

// A resolver that answers only when released: a name server that is down.
class TSilentResolver {
public:
    TSilentResolver() : gate_(std::make_shared<TGate>()) {}
    ~TSilentResolver() { Release(); }
    void Release() { gate_->Release(); }
    TBlockingResolver Resolver() const {
        std::shared_ptr<TGate> gate = gate_;
        return [gate](const std::string&) {
            gate->Pass();
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

// A job that runs until the owner's third idle call, so that it ends only if
// the windows are served while it runs: its answer or its error comes back
// as the job gave it.
TEST(RunOffThread, OutcomeComesBackAsTheJobGaveItWhileTheIdleHookRuns) {
    const struct {
        const char* name;
        std::function<int()> job;
        int answer;
        const std::type_info* error;  // null: the answer
        const char* text;
    } cases[] = {
        {"an answer", [] { return 42; }, 42, nullptr, ""},
        {"the certificate check's reason", []() -> int { throw ETlsError(kCertNotTrusted); }, 0,
         &typeid(ETlsError), kCertNotTrusted},
        {"a socket error", []() -> int { throw EWireSocketError(11001); }, 0,
         &typeid(EWireSocketError), "Socket Error #11001\r\nHost not found."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto gate = std::make_shared<TGate>();
        TWaitControl wait;
        wait.TimeoutMs = 5000;
        int idles = 0;
        wait.Idle = [&] {
            if (++idles == 3) gate->Release();
        };
        try {
            const int answer = RunOffThread(
                [gate, job = c.job] {
                    gate->Pass();
                    return job();
                },
                wait);
            EXPECT_EQ(c.error, nullptr) << "answered";
            EXPECT_EQ(answer, c.answer);
        } catch (const std::exception& e) {
            ASSERT_NE(c.error, nullptr) << e.what();
            EXPECT_TRUE(typeid(e) == *c.error) << typeid(e).name();
            EXPECT_STREQ(e.what(), c.text);
        }
    }
}

// A job that never ends: the wait ends at its time-out with the error the
// caller chose, or at once when the owner gives the call up.
TEST(RunOffThread, JobThatNeverEndsIsLeftAtTheTimeOutOrWhenAbandoned) {
    const struct {
        const char* name;
        int timeoutMs;
        int timeoutError;  // 0: the wait's own
        int abandonAfter;  // idle calls; 0: never
        int error;
    } cases[] = {
        {"time-out", 300, 0, 0, 10060},
        {"time-out with the caller's error", 300, 11002, 0, 11002},
        {"abandoned", 20000, 0, 2, 10057},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto gate = std::make_shared<TGate>();
        TWaitControl wait;
        wait.TimeoutMs = c.timeoutMs;
        int idles = 0;
        wait.Idle = [&idles] { ++idles; };
        wait.Abandoned = [&] { return c.abandonAfter > 0 && idles >= c.abandonAfter; };
        const auto job = [gate] {
            gate->Pass();
            return 1;
        };
        const auto start = TClock::now();
        try {
            if (c.timeoutError)
                RunOffThread(job, wait, c.timeoutError);
            else
                RunOffThread(job, wait);
            ADD_FAILURE() << "answered";
        } catch (const EWireSocketError& e) {
            EXPECT_EQ(e.LastError, c.error);
        }
        const long long elapsed = MillisecondsSince(start);
        gate->Release();
        EXPECT_LT(elapsed, 2000);
        if (c.abandonAfter) {
            EXPECT_EQ(idles, c.abandonAfter);
        } else {
            EXPECT_GE(elapsed, c.timeoutMs - 10);
            EXPECT_GE(idles, 5);  // slices of at most 50 ms
        }
    }
}

// What a job holds (a certificate, say) is the worker's to let go, on its
// own thread: before the answer comes back, or, when the caller stopped
// waiting, once the job has ended.
struct TBelongings {
    std::mutex Mutex;
    std::condition_variable Changed;
    bool Gone = false;
    std::thread::id FreedOn;
};
class TBelonging {
public:
    explicit TBelonging(std::shared_ptr<TBelongings> record) : record_(std::move(record)) {}
    // Letting go takes a while (as closing a store may), time enough for a
    // caller that was told of the end too early to notice.
    ~TBelonging() {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::lock_guard<std::mutex> lock(record_->Mutex);
        record_->Gone = true;
        record_->FreedOn = std::this_thread::get_id();
        record_->Changed.notify_all();
    }
    TBelonging(const TBelonging&) = delete;
    TBelonging& operator=(const TBelonging&) = delete;

private:
    std::shared_ptr<TBelongings> record_;
};

TEST(RunOffThread, TheWorkerLetsGoOfWhatTheJobHolds) {
    for (const bool answered : {true, false}) {
        SCOPED_TRACE(answered ? "answered" : "left at the time-out");
        auto record = std::make_shared<TBelongings>();
        auto gate = std::make_shared<TGate>();
        if (answered) gate->Release();
        TWaitControl wait;
        wait.TimeoutMs = 200;
        bool answer = false;
        try {
            answer = RunOffThread(
                [gate, held = std::make_shared<TBelonging>(record)] {
                    gate->Pass();
                    return held != nullptr;
                },
                wait);
        } catch (const EWireSocketError& e) {
            EXPECT_EQ(e.LastError, 10060);
        }
        EXPECT_EQ(answer, answered);
        std::unique_lock<std::mutex> lock(record->Mutex);
        // Gone before the answer came back; kept while the job still runs.
        EXPECT_EQ(record->Gone, answered);
        if (!answered) {
            lock.unlock();
            gate->Release();
            lock.lock();
            ASSERT_TRUE(record->Changed.wait_for(lock, std::chrono::seconds(5),
                                                 [&] { return record->Gone; }));
        }
        EXPECT_NE(record->FreedOn, std::this_thread::get_id());
    }
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
