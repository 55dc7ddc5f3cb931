// A transport over a byte string held in memory.
#include "pop3/MemoryTransport.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "pop3/WireErrors.h"

namespace vexil {

TMemoryTransport::TMemoryTransport(std::string incoming, int chunk)
    : Incoming(std::move(incoming)), Chunk(chunk < 1 ? 1 : chunk) {}

std::uint32_t TMemoryTransport::Resolve(const std::string& host, const TWaitControl&) {
    ResolvedHosts.push_back(host);
    if (ResolveError != 0) throw EWireSocketError(ResolveError);
    const unsigned char loopback[4] = {127, 0, 0, 1};
    std::uint32_t address;
    std::memcpy(&address, loopback, sizeof address);
    return address;
}

void TMemoryTransport::Connect(std::uint32_t address, int port, bool noDelay, const TWaitControl&) {
    ++ConnectCount;
    if (ConnectError != 0) throw EWireSocketError(ConnectError);
    ConnectedAddress = address;
    ConnectedPort = port;
    NoDelay = noDelay;
    open_ = true;
    secure_ = false;
}

int TMemoryTransport::Send(const char* data, int size, const TWaitControl&) {
    if (!open_) throw EWireSocketError(kWsaNotConnected);
    if (SendError != 0) throw EWireSocketError(SendError);
    const int count = SendChunk > 0 ? std::min(size, SendChunk) : size;
    Sent.append(data, static_cast<std::size_t>(count));
    return count;
}

int TMemoryTransport::Receive(char* data, int size, const TWaitControl&) {
    if (!open_) throw EWireSocketError(kWsaNotConnected);
    ++ReceiveCount;
    LargestReceive = std::max(LargestReceive, size);
    const std::size_t left = Incoming.size() - ReadPos;
    if (left == 0 && EndError != 0) throw EWireSocketError(EndError);
    const std::size_t count = std::min(
        {left, static_cast<std::size_t>(Chunk), static_cast<std::size_t>(std::max(size, 0))});
    std::memcpy(data, Incoming.data() + ReadPos, count);
    ReadPos += count;
    return static_cast<int>(count);
}

void TMemoryTransport::Close() {
    open_ = false;
    secure_ = false;
}

void TMemoryTransport::StartTls(const std::string& host, const TWaitControl&) {
    if (!open_) throw EWireSocketError(kWsaNotConnected);
    ++TlsStarts;
    TlsHost = host;
    SentBeforeTls = Sent.size();
    ReadBeforeTls = ReadPos;
    if (!TlsError.empty()) {
        Close();
        throw ETlsError(TlsError);
    }
    secure_ = true;
    Incoming += IncomingAfterTls;
    IncomingAfterTls.clear();
}

void TMemoryTransport::EndTls(const TWaitControl&) {
    if (secure_) ++TlsEnds;
}

}  // namespace vexil
