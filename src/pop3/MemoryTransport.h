// A transport that plays a fixed byte string instead of a server: the line
// client, the POP3 session and the message receiver run over it in tests and
// in the fuzz target, with no socket and no timing involved.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pop3/Transport.h"

namespace vexil {

class TMemoryTransport : public ITransport {
public:
    // chunk: the most bytes one Receive hands out (1 plays the server one byte
    // at a time).
    explicit TMemoryTransport(std::string incoming = std::string(), int chunk = 65536);

    // What the "server" says, and how far the client has read it.
    std::string Incoming;
    std::size_t ReadPos = 0;
    int Chunk;

    // Everything the client sent, in order, byte for byte.
    std::string Sent;
    // The most bytes one Send takes (0: no limit), to exercise partial sends.
    int SendChunk = 0;

    // Failures to play: a non-zero code makes that call raise EWireSocketError
    // with it.  EndError is raised by a Receive at the end of Incoming in
    // place of the peer's close (e.g. 10060 for a server that falls silent).
    int ResolveError = 0;
    int ConnectError = 0;
    int SendError = 0;
    int EndError = 0;

    // What the client asked for.
    std::vector<std::string> ResolvedHosts;
    std::uint32_t ConnectedAddress = 0;  // network byte order
    int ConnectedPort = 0;
    bool NoDelay = false;
    int ConnectCount = 0;
    int ReceiveCount = 0;
    int LargestReceive = 0;  // the largest size a Receive asked for

    // TLS as a switch: StartTls records the host and, unless TlsError names a
    // reason to raise as ETlsError, makes the transport Secure.  The bytes
    // stay as they are, so a test reads the conversation either side of it.
    std::string TlsError;
    // What the "server" says once TLS is on: added to Incoming by StartTls.
    std::string IncomingAfterTls;
    std::string TlsHost;
    std::size_t SentBeforeTls = 0;  // Sent's size when the TLS started
    std::size_t ReadBeforeTls = 0;  // ReadPos when the TLS started
    int TlsStarts = 0;
    int TlsEnds = 0;  // close_notify sent

    // Resolve answers every name with 127.0.0.1, at once.
    std::uint32_t Resolve(const std::string& host, const TWaitControl& wait) override;
    void Connect(std::uint32_t address, int port, bool noDelay, const TWaitControl& wait) override;
    int Send(const char* data, int size, const TWaitControl& wait) override;
    int Receive(char* data, int size, const TWaitControl& wait) override;
    void Close() override;
    bool IsOpen() const override { return open_; }
    void StartTls(const std::string& host, const TWaitControl& wait) override;
    void EndTls(const TWaitControl& wait) override;
    bool Secure() const override { return secure_; }

private:
    bool open_ = false;
    bool secure_ = false;
};

}  // namespace vexil
