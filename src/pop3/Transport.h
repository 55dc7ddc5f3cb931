// The byte transport under the line client: a TCP connection that can turn
// into a TLS one.  The POP3 and message code never sees sockets.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "pop3/Security.h"

namespace vexil {

// How a blocking call waits: never longer than TimeoutMs in all, in slices of
// at most SliceMs, calling Idle (when set) on every pass so that the owner can
// keep its windows alive.  A wait that runs out raises EWireSocketError 10060.
// After each Idle, Abandoned (when set) tells whether the owner gave the
// operation up meanwhile (it closed the connection from its idle hook); the
// wait then raises 10057 at once.
struct TWaitControl {
    int TimeoutMs = 60000;
    int SliceMs = 50;
    std::function<void()> Idle;
    std::function<bool()> Abandoned;
};

// The clock of one blocking call.  Every pass of a wait asks NextSlice for
// how long it may wait now (raising 10060 once the time-out has run out) and,
// when the pass ended without what it waited for, calls Pass: the idle hook,
// then 10057 if the owner abandoned the call meanwhile.  Keeping both on every
// pass means that nothing a peer does (urgent data, a readiness that yields no
// bytes) can make a wait spin without end or starve the owner's windows.
class TWaitClock {
public:
    explicit TWaitClock(const TWaitControl& wait);
    int NextSlice() const;
    void Pass() const;

private:
    const TWaitControl& wait_;
    std::chrono::steady_clock::time_point deadline_;
};

// One send or receive of a transport, the same loop on every platform.
// attempt() moves what it can: a count (0 included) ends the call, or
// kWouldBlock when nothing could move yet.  waitReady(ms) waits at most ms
// for the socket to be ready (true when it is).  closed() tells whether the
// owner closed the connection from its idle hook (then 10057).  A readiness
// after which attempt() still moves nothing counts as a pass like any other:
// the deadline holds and the idle hook runs, whatever the socket reports.
constexpr int kWouldBlock = -1;
int BlockingTransfer(const TWaitControl& wait, const std::function<int()>& attempt,
                     const std::function<bool(int ms)>& waitReady,
                     const std::function<bool()>& closed);

// A blocking name lookup: the IPv4 address in network byte order, or
// EWireSocketError with the resolver's code.
using TBlockingResolver = std::function<std::uint32_t(const std::string& host)>;

// Runs a blocking lookup on a thread of its own (RunOffThread, OffThread.h)
// and waits for it as every other wait does: in slices with the idle hook,
// never longer than the time-out.  A resolver that does not answer in time gives EWireSocketError
// 11002, the code of a name server that did not answer.  The worker may
// outlive the call (a lookup cannot be cancelled); it then ends on its own and
// its answer is dropped, so `resolve` must not refer to anything shorter-lived
// than itself.
std::uint32_t ResolveOffThread(const TBlockingResolver& resolve, const std::string& host,
                               const TWaitControl& wait);

class ITransport {
public:
    virtual ~ITransport() = default;
    // Name lookup through the platform's resolver: the IPv4 address in
    // network byte order.  Raises EWireSocketError (11001 "Host not found." …).
    // Waits as wait says: a slow resolver never blocks the owner's windows.
    virtual std::uint32_t Resolve(const std::string& host, const TWaitControl& wait) = 0;
    // Opens a TCP connection to address:port; raises EWireSocketError.
    virtual void Connect(std::uint32_t address, int port, bool noDelay, const TWaitControl& wait) = 0;
    // Sends up to size bytes; returns the count sent (0: the peer closed).
    // Raises EWireSocketError on failure or time-out.
    virtual int Send(const char* data, int size, const TWaitControl& wait) = 0;
    // Receives up to size bytes; returns the count (0: the peer closed).
    // Raises EWireSocketError on failure or time-out.
    virtual int Receive(char* data, int size, const TWaitControl& wait) = 0;
    // Closes at once, without any goodbye; never blocks, so the idle hook
    // may call it.
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    // Turns the open connection into a TLS one: the handshake, then the
    // check of the server's certificate for host (chain to a trusted root
    // for server use, host name, dates).  From then on Send and Receive
    // carry plain text over the secure channel.  Raises ETlsError with the
    // reason (the connection is closed then), or EWireSocketError for the
    // socket's own failures and time-outs.  Transports without TLS raise
    // ETlsError(kTlsNotAvailable).
    virtual void StartTls(const std::string& host, const TWaitControl& wait) {
        (void)host;
        (void)wait;
        throw ETlsError(kTlsNotAvailable);
    }
    // The orderly end of a secure channel (TLS close_notify), before Close;
    // nothing on a plain connection.  Raises like Send.
    virtual void EndTls(const TWaitControl& wait) { (void)wait; }
    virtual bool Secure() const { return false; }
};

// The platform's TCP transport (POSIX sockets natively, Windows Sockets 1.1
// in the Windows program).
std::unique_ptr<ITransport> CreateSocketTransport();

}  // namespace vexil
