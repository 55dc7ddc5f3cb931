// The byte transport under the line client: a TCP connection today, a TLS one
// later.  The POP3 and message code never sees sockets.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vexil {

// How a blocking call waits: never longer than TimeoutMs in all, in slices of
// at most SliceMs, calling Idle (when set) between slices so that the owner can
// keep its windows alive.  A wait that runs out raises EWireSocketError 10060.
struct TWaitControl {
    int TimeoutMs = 60000;
    int SliceMs = 50;
    std::function<void()> Idle;
};

class ITransport {
public:
    virtual ~ITransport() = default;
    // Name lookup through the platform's resolver: the IPv4 address in
    // network byte order.  Raises EWireSocketError (11001 "Host not found." …).
    virtual std::uint32_t Resolve(const std::string& host) = 0;
    // Opens a TCP connection to address:port; raises EWireSocketError.
    virtual void Connect(std::uint32_t address, int port, bool noDelay, const TWaitControl& wait) = 0;
    // Sends up to size bytes; returns the count sent (0: the peer closed).
    // Raises EWireSocketError on failure or time-out.
    virtual int Send(const char* data, int size, const TWaitControl& wait) = 0;
    // Receives up to size bytes; returns the count (0: the peer closed).
    // Raises EWireSocketError on failure or time-out.
    virtual int Receive(char* data, int size, const TWaitControl& wait) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
};

// The platform's TCP transport (POSIX sockets natively, Windows Sockets 1.1
// in the Windows program).
std::unique_ptr<ITransport> CreateSocketTransport();

}  // namespace vexil
