// The TCP transport of the native build: POSIX sockets, non-blocking, every
// wait cut into slices with the owner's idle hook between them.  Error numbers
// and resolver failures are turned into the Windows Sockets numbers, so the
// texts the user sees are those of the Windows program.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "pop3/Transport.h"
#include "pop3/WireErrors.h"

namespace vexil {

namespace {

// errno onto the Windows Sockets numbers (WSABASEERR + the BSD number there).
int WsaCodeOf(int error) {
    switch (error) {
        case EINTR: return 10004;
        case EBADF: return 10009;
        case EACCES:
        case EPERM: return 10013;
        case EFAULT: return 10014;
        case EINVAL: return 10022;
        case EMFILE:
        case ENFILE: return 10024;
        case EWOULDBLOCK: return 10035;
#if EAGAIN != EWOULDBLOCK
        case EAGAIN: return 10035;
#endif
        case EINPROGRESS: return 10036;
        case EALREADY: return 10037;
        case ENOTSOCK: return 10038;
        case EDESTADDRREQ: return 10039;
        case EMSGSIZE: return 10040;
        case EPROTOTYPE: return 10041;
        case ENOPROTOOPT: return 10042;
        case EPROTONOSUPPORT: return 10043;
        case ESOCKTNOSUPPORT: return 10044;
        case EOPNOTSUPP: return 10045;
#if ENOTSUP != EOPNOTSUPP
        case ENOTSUP: return 10045;
#endif
        case EPFNOSUPPORT: return 10046;
        case EAFNOSUPPORT: return 10047;
        case EADDRINUSE: return 10048;
        case EADDRNOTAVAIL: return 10049;
        case ENETDOWN: return 10050;
        case ENETUNREACH: return 10051;
        case ENETRESET: return 10052;
        case ECONNABORTED: return 10053;
        case ECONNRESET: return 10054;
        case ENOBUFS:
        case ENOMEM: return 10055;
        case EISCONN: return 10056;
        case ENOTCONN: return 10057;
        case ESHUTDOWN:
        case EPIPE: return 10058;
        case ETOOMANYREFS: return 10059;
        case ETIMEDOUT: return 10060;
        case ECONNREFUSED: return 10061;
        case ELOOP: return 10062;
        case ENAMETOOLONG: return 10063;
        case EHOSTDOWN: return 10064;
        case EHOSTUNREACH: return 10065;
        case ENOTEMPTY: return 10066;
        case EUSERS: return 10068;
        case EDQUOT: return 10069;
        case ESTALE: return 10070;
        case EREMOTE: return 10071;
        default: return error;  // no Windows Sockets number: shown as it is
    }
}

int ResolverCodeOf(int status) {
    switch (status) {
        case EAI_NONAME: return 11001;
        case EAI_AGAIN: return 11002;
        case EAI_FAIL: return 11003;
#ifdef EAI_NODATA
        case EAI_NODATA: return 11004;
#endif
#ifdef EAI_ADDRFAMILY
        case EAI_ADDRFAMILY: return 11004;
#endif
        case EAI_MEMORY: return 10055;
        case EAI_FAMILY: return 10047;
        case EAI_SYSTEM: return WsaCodeOf(errno);
        default: return 11003;
    }
}

[[noreturn]] void RaiseErrno(int error) { throw EWireSocketError(WsaCodeOf(error)); }

// The resolver proper; blocking, so it runs on a thread of its own.
std::uint32_t LookUp(const std::string& host) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* answer = nullptr;
    const int status = getaddrinfo(host.c_str(), nullptr, &hints, &answer);
    if (status != 0) throw EWireSocketError(ResolverCodeOf(status));
    std::uint32_t address = 0;
    bool found = false;
    for (addrinfo* entry = answer; entry && !found; entry = entry->ai_next) {
        if (entry->ai_family == AF_INET && entry->ai_addr) {
            sockaddr_in in;
            std::memcpy(&in, entry->ai_addr, sizeof in);
            address = in.sin_addr.s_addr;
            found = true;
        }
    }
    freeaddrinfo(answer);
    if (!found) throw EWireSocketError(11004);
    return address;
}


class TPosixSocketTransport : public ITransport {
public:
    ~TPosixSocketTransport() override { Close(); }

    std::uint32_t Resolve(const std::string& host, const TWaitControl& wait) override {
        return ResolveOffThread(&LookUp, host, wait);
    }

    void Connect(std::uint32_t address, int port, bool noDelay, const TWaitControl& wait) override {
        Close();
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd_ < 0) throw EWireInvalidSocket();
        try {
            const int flags = fcntl(fd_, F_GETFL, 0);
            if (flags < 0 || fcntl(fd_, F_SETFL, flags | O_NONBLOCK) < 0) RaiseErrno(errno);
            if (noDelay) {
                const int on = 1;
                if (setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) < 0)
                    RaiseErrno(errno);
            }
            sockaddr_in to{};
            to.sin_family = AF_INET;
            to.sin_port = htons(static_cast<std::uint16_t>(port));
            to.sin_addr.s_addr = address;
            if (connect(fd_, reinterpret_cast<const sockaddr*>(&to), sizeof to) < 0) {
                if (errno != EINPROGRESS && errno != EINTR) RaiseErrno(errno);
                WaitConnected(wait);
                int error = 0;
                socklen_t length = sizeof error;
                if (getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) < 0) RaiseErrno(errno);
                if (error != 0) RaiseErrno(error);
            }
        } catch (...) {
            Close();
            throw;
        }
    }

    int Send(const char* data, int size, const TWaitControl& wait) override {
        if (fd_ < 0) throw EWireSocketError(kWsaNotConnected);
        return BlockingTransfer(
            wait,
            [&] { return Moved(send(fd_, data, static_cast<size_t>(size), MSG_NOSIGNAL)); },
            [&](int ms) { return Ready(POLLOUT, ms); }, [&] { return fd_ < 0; });
    }

    int Receive(char* data, int size, const TWaitControl& wait) override {
        if (fd_ < 0) throw EWireSocketError(kWsaNotConnected);
        return BlockingTransfer(
            wait, [&] { return Moved(recv(fd_, data, static_cast<size_t>(size), 0)); },
            [&](int ms) { return Ready(POLLIN, ms); }, [&] { return fd_ < 0; });
    }

    void Close() override {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

    bool IsOpen() const override { return fd_ >= 0; }

private:
    // The count a send or receive moved, or kWouldBlock; raises on errors.
    static int Moved(ssize_t result) {
        if (result >= 0) return static_cast<int>(result);
        if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) RaiseErrno(errno);
        return kWouldBlock;
    }

    // Waits up to ms for the socket to be ready for events (or to report an
    // error or a hang-up, which the next call tells apart).
    bool Ready(short events, int ms) {
        pollfd entry{fd_, events, 0};
        const int ready = poll(&entry, 1, ms);
        if (ready < 0 && errno != EINTR) RaiseErrno(errno);
        return ready > 0;
    }

    // The wait of a connect: until the socket is writable.
    void WaitConnected(const TWaitControl& wait) {
        const TWaitClock clock(wait);
        while (!Ready(POLLOUT, clock.NextSlice())) {
            clock.Pass();
            if (fd_ < 0) throw EWireSocketError(kWsaNotConnected);  // closed from the idle hook
        }
    }

    int fd_ = -1;
};

}  // namespace

std::unique_ptr<ITransport> CreateSocketTransport() {
    return std::make_unique<TPosixSocketTransport>();
}

}  // namespace vexil
