// A scripted TCP server on a free loopback port, for the faults a real mail
// server will not produce on demand: a bad greeting, a close in the middle of
// a listing, bytes trickling one at a time, a megabyte line, silence.  Each
// accepted connection plays the next script; what the client sends is
// recorded line by line so tests can check the exact commands.
//
// Every wait is bounded: the server gives up after its time limit, and the
// destructor stops it at once, so a faulty client fails a test instead of
// hanging it.  Builds over POSIX sockets and over Windows Sockets.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vexil::test {

class TScript {
public:
    TScript& Send(const std::string& bytes);
    // Bytes of urgent (out-of-band) data, which a reader of the ordinary
    // stream never receives.
    TScript& SendUrgent(const std::string& bytes);
    // One byte per send, with a pause between them.
    TScript& SendSlowly(const std::string& bytes, int gapMs = 2);
    // Reads the client's next line and records it.
    TScript& Expect();
    TScript& Pause(int ms);
    // Pseudo-random bytes (the same for the same seed), CR LF pairs included.
    TScript& Garbage(std::size_t count, unsigned seed = 1);
    // A line of count letters followed by CR LF.
    TScript& LongLine(std::size_t count);
    // An orderly close (FIN); the client's further lines are still recorded.
    TScript& Close();
    // An abortive close (RST).
    TScript& Reset();
    // Never answers again; records what comes until the client closes or the
    // server stops.  The end of every script does the same.
    TScript& StaySilent();

    enum class TKind { Send, SendUrgent, SendSlowly, Expect, Pause, Close, Reset, Silent };
    struct TStep {
        TKind Kind;
        std::string Bytes;
        int Ms;
    };
    std::vector<TStep> Steps;
};

class TScriptedServer {
public:
    // One script per connection, in the order of the connections.
    explicit TScriptedServer(std::vector<TScript> scripts, int limitMs = 15000);
    ~TScriptedServer();
    TScriptedServer(const TScriptedServer&) = delete;
    TScriptedServer& operator=(const TScriptedServer&) = delete;

    int Port() const { return port_; }
    int Accepted() const { return accepted_; }

    // The lines a connection received so far; waits up to waitMs for at least
    // atLeast of them (or for that connection to end).
    std::vector<std::string> Lines(std::size_t connection, std::size_t atLeast = 0,
                                   int waitMs = 3000);

    // Whether a connection has been closed (by either side), waiting up to waitMs.
    bool Ended(std::size_t connection, int waitMs = 3000);

    // A loopback port on which nothing listens (bound, then released).
    static int UnusedPort();

private:
    struct TConnection {
        std::vector<std::string> Lines;  // a last line without CR LF included
        bool Ended = false;
    };
    void Run();

    std::vector<TScript> scripts_;
    int limitMs_;
    int port_ = 0;
    std::uintptr_t listener_;
    std::atomic<bool> stop_{false};
    std::atomic<int> accepted_{0};
    std::mutex mutex_;
    std::vector<TConnection> connections_;
    std::thread thread_;
};

}  // namespace vexil::test
