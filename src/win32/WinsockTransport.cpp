// The TCP transport of the Windows program: Windows Sockets 1.1, a
// non-blocking socket and select in short slices, so that the owner's idle
// hook keeps the windows alive while a server is slow.  TLS is laid over it
// (TlsTransport.cpp).
#include <winsock2.h>
#include <windows.h>

#include <cstring>

#include "pop3/Transport.h"
#include "pop3/WireErrors.h"
#include "win32/TlsTransport.h"

namespace vexil {

namespace {

// Windows Sockets 1.1, started once on first use and shut down at exit.
class TWinsockSession {
public:
    TWinsockSession() {
        WSADATA data;
        started_ = WSAStartup(MAKEWORD(1, 1), &data) == 0;
    }
    ~TWinsockSession() {
        if (started_) WSACleanup();
    }
    bool Started() const { return started_; }

private:
    bool started_ = false;
};

void StartWinsock() {
    static TWinsockSession session;
    if (!session.Started()) throw EWireException("Winsock Initialization Error.");
}

[[noreturn]] void RaiseLastError() { throw EWireSocketError(WSAGetLastError()); }

// The resolver proper; blocking, so it runs on a thread of its own (Windows
// Sockets keeps gethostbyname's answer per thread).
std::uint32_t LookUp(const std::string& host) {
    const hostent* entry = gethostbyname(host.c_str());
    if (!entry) RaiseLastError();
    if (entry->h_addrtype != AF_INET || entry->h_length != 4 || !entry->h_addr_list ||
        !entry->h_addr_list[0])
        throw EWireSocketError(WSANO_DATA);
    std::uint32_t address;
    std::memcpy(&address, entry->h_addr_list[0], sizeof address);
    return address;
}

class TWinsockTransport : public ITransport {
public:
    ~TWinsockTransport() override { Close(); }

    std::uint32_t Resolve(const std::string& host, const TWaitControl& wait) override {
        return ResolveOffThread(&LookUp, host, wait);
    }

    void Connect(std::uint32_t address, int port, bool noDelay, const TWaitControl& wait) override {
        Close();
        socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (socket_ == INVALID_SOCKET) throw EWireInvalidSocket();
        try {
            u_long nonBlocking = 1;
            if (ioctlsocket(socket_, FIONBIO, &nonBlocking) == SOCKET_ERROR) RaiseLastError();
            if (noDelay) {
                const int on = 1;
                if (setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY,
                               reinterpret_cast<const char*>(&on), sizeof on) == SOCKET_ERROR)
                    RaiseLastError();
            }
            sockaddr_in to;
            std::memset(&to, 0, sizeof to);
            to.sin_family = AF_INET;
            to.sin_port = htons(static_cast<u_short>(port));
            to.sin_addr.s_addr = address;
            if (connect(socket_, reinterpret_cast<const sockaddr*>(&to), sizeof to) ==
                SOCKET_ERROR) {
                if (WSAGetLastError() != WSAEWOULDBLOCK) RaiseLastError();
                // A refused connect shows in the exception set, not as writable.
                if (WaitConnected(wait)) {
                    int error = 0;
                    int length = sizeof error;
                    if (getsockopt(socket_, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error),
                                   &length) == SOCKET_ERROR)
                        RaiseLastError();
                    throw EWireSocketError(error != 0 ? error : WSAECONNREFUSED);
                }
            }
        } catch (...) {
            Close();
            throw;
        }
    }

    int Send(const char* data, int size, const TWaitControl& wait) override {
        if (socket_ == INVALID_SOCKET) throw EWireSocketError(WSAENOTCONN);
        return BlockingTransfer(
            wait, [&] { return Moved(send(socket_, data, size, 0)); },
            [&](int ms) { return Ready(kWriting, ms); },
            [&] { return socket_ == INVALID_SOCKET; });
    }

    int Receive(char* data, int size, const TWaitControl& wait) override {
        if (socket_ == INVALID_SOCKET) throw EWireSocketError(WSAENOTCONN);
        return BlockingTransfer(
            wait, [&] { return Moved(recv(socket_, data, size, 0)); },
            [&](int ms) { return Ready(kReading, ms); },
            [&] { return socket_ == INVALID_SOCKET; });
    }

    void Close() override {
        if (socket_ != INVALID_SOCKET) {
            closesocket(socket_);
            socket_ = INVALID_SOCKET;
        }
    }

    bool IsOpen() const override { return socket_ != INVALID_SOCKET; }

private:
    enum TWaitKind { kReading, kWriting, kConnecting };

    // The count a send or receive moved, or kWouldBlock; raises on errors.
    static int Moved(int result) {
        if (result != SOCKET_ERROR) return result;
        if (WSAGetLastError() != WSAEWOULDBLOCK) RaiseLastError();
        return kWouldBlock;
    }

    // Waits up to ms for the socket to become readable or writable.  Only a
    // connect watches the exception set, where a refused connect shows: on a
    // connected socket it reports urgent data, which recv never returns.
    // failed is set when the connect failed.
    bool Ready(TWaitKind kind, int ms, bool* failed = nullptr) {
        timeval timeout;
        timeout.tv_sec = ms / 1000;
        timeout.tv_usec = (ms % 1000) * 1000;
        fd_set ready, exceptions;
        FD_ZERO(&ready);
        FD_ZERO(&exceptions);
        FD_SET(socket_, &ready);
        FD_SET(socket_, &exceptions);
        const int count = select(0, kind == kReading ? &ready : nullptr,
                                 kind == kReading ? nullptr : &ready,
                                 kind == kConnecting ? &exceptions : nullptr, &timeout);
        if (count == SOCKET_ERROR) RaiseLastError();
        if (failed) *failed = count > 0 && FD_ISSET(socket_, &exceptions) != 0;
        return count > 0;
    }

    // The wait of a connect; true when it failed.
    bool WaitConnected(const TWaitControl& wait) {
        const TWaitClock clock(wait);
        bool failed = false;
        while (!Ready(kConnecting, clock.NextSlice(), &failed)) {
            clock.Pass();
            if (socket_ == INVALID_SOCKET)
                throw EWireSocketError(WSAENOTCONN);  // closed from the idle hook
        }
        return failed;
    }

    SOCKET socket_ = INVALID_SOCKET;
};

}  // namespace

// Plain TCP that can turn into TLS.
std::unique_ptr<ITransport> CreateSocketTransport() {
    StartWinsock();
    return CreateTlsTransport(std::make_unique<TWinsockTransport>());
}

}  // namespace vexil
