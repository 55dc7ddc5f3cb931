// The scripted server: one thread, non-blocking sockets, every wait in short
// slices that look at the stop flag and the time limit.
#include "support/ScriptedServer.h"

#include <cerrno>
#include <chrono>
#include <functional>
#include <cstring>
#include <stdexcept>

#ifdef _WIN32
#include <winsock2.h>
#include <windows.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace vexil::test {

namespace {

#ifdef _WIN32
using TSocket = SOCKET;
const TSocket kNoSocket = INVALID_SOCKET;
void CloseSocket(TSocket s) { closesocket(s); }
void SetNonBlocking(TSocket s) {
    u_long on = 1;
    ioctlsocket(s, FIONBIO, &on);
}
bool WouldBlock() { return WSAGetLastError() == WSAEWOULDBLOCK; }
using TLength = int;
const int kShutdownSend = SD_SEND;
const int kNoSignal = 0;
struct TWinsockUser {
    TWinsockUser() {
        WSADATA data;
        if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup failed");
    }
    ~TWinsockUser() { WSACleanup(); }
};
#else
using TSocket = int;
const TSocket kNoSocket = -1;
void CloseSocket(TSocket s) { ::close(s); }
void SetNonBlocking(TSocket s) { fcntl(s, F_SETFL, fcntl(s, F_GETFL, 0) | O_NONBLOCK); }
bool WouldBlock() { return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR; }
using TLength = socklen_t;
const int kShutdownSend = SHUT_WR;
// A client that went away is an answer like any other, not a signal that
// ends the test program.
const int kNoSignal = MSG_NOSIGNAL;
struct TWinsockUser {};
#endif

constexpr int kSliceMs = 20;

// Waits up to ms for the socket to be readable (or writable); true when ready.
bool WaitReady(TSocket s, bool forReading, int ms) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval timeout;
    timeout.tv_sec = ms / 1000;
    timeout.tv_usec = (ms % 1000) * 1000;
    const int count = select(static_cast<int>(s) + 1, forReading ? &set : nullptr,
                             forReading ? nullptr : &set, nullptr, &timeout);
    return count > 0;
}

TSocket ListenOnLoopback(int& port) {
    const TSocket s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == kNoSocket) throw std::runtime_error("scripted server: no socket");
    sockaddr_in address;
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    TLength length = sizeof address;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        CloseSocket(s);
        throw std::runtime_error("scripted server: cannot bind");
    }
    port = ntohs(address.sin_port);
    return s;
}

}  // namespace

// -------------------------------------------------------------------- script

TScript& TScript::Send(const std::string& bytes) {
    Steps.push_back({TKind::Send, bytes, 0});
    return *this;
}
TScript& TScript::SendUrgent(const std::string& bytes) {
    Steps.push_back({TKind::SendUrgent, bytes, 0});
    return *this;
}

TScript& TScript::SendSlowly(const std::string& bytes, int gapMs) {
    Steps.push_back({TKind::SendSlowly, bytes, gapMs});
    return *this;
}
TScript& TScript::Expect() {
    Steps.push_back({TKind::Expect, std::string(), 0});
    return *this;
}
TScript& TScript::Pause(int ms) {
    Steps.push_back({TKind::Pause, std::string(), ms});
    return *this;
}
TScript& TScript::Garbage(std::size_t count, unsigned seed) {
    std::string bytes(count, '\0');
    unsigned state = seed ? seed : 1;
    for (char& c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 16);
    }
    return Send(bytes);
}
TScript& TScript::LongLine(std::size_t count) {
    std::string line(count, 'x');
    for (std::size_t i = 0; i < count; ++i) line[i] = static_cast<char>('a' + i % 26);
    return Send(line + "\r\n");
}
TScript& TScript::Close() {
    Steps.push_back({TKind::Close, std::string(), 0});
    return *this;
}
TScript& TScript::Reset() {
    Steps.push_back({TKind::Reset, std::string(), 0});
    return *this;
}
TScript& TScript::StaySilent() {
    Steps.push_back({TKind::Silent, std::string(), 0});
    return *this;
}

// -------------------------------------------------------------------- server

namespace {

// One accepted connection while its script plays.
class TPeer {
public:
    TPeer(TSocket s, const std::function<bool()>& alive,
          const std::function<void(const std::string&)>& record)
        : socket_(s), alive_(alive), record_(record) {}
    ~TPeer() {
        if (socket_ != kNoSocket) CloseSocket(socket_);
    }

    bool Send(const char* data, std::size_t size, int flags = 0) {
        std::size_t done = 0;
        while (done < size) {
            if (!alive_()) return false;
            const int chunk = static_cast<int>(size - done < 65536 ? size - done : 65536);
            const auto sent = ::send(socket_, data + done, chunk, flags | kNoSignal);
            if (sent > 0) {
                done += static_cast<std::size_t>(sent);
                continue;
            }
            if (sent < 0 && WouldBlock()) {
                WaitReady(socket_, false, kSliceMs);
                continue;
            }
            return false;  // the client went away
        }
        return true;
    }

    // Reads and records one line; false when the client closed or time ran out.
    bool ReadLine() {
        for (;;) {
            const std::size_t end = pending_.find("\r\n");
            if (end != std::string::npos) {
                record_(pending_.substr(0, end));
                pending_.erase(0, end + 2);
                return true;
            }
            if (!Receive()) return false;
        }
    }

    // Records lines until the client closes or time runs out.
    void Drain() {
        while (ReadLine()) {
        }
        if (!pending_.empty()) record_(pending_);
        pending_.clear();
    }

    void ShutdownSend() { shutdown(socket_, kShutdownSend); }

    void Abort() {
        linger option;
        option.l_onoff = 1;
        option.l_linger = 0;
        setsockopt(socket_, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&option),
                   sizeof option);
        CloseSocket(socket_);
        socket_ = kNoSocket;
    }

private:
    bool Receive() {
        char chunk[4096];
        while (alive_()) {
            if (!WaitReady(socket_, true, kSliceMs)) continue;
            const auto got = ::recv(socket_, chunk, sizeof chunk, 0);
            if (got > 0) {
                pending_.append(chunk, static_cast<std::size_t>(got));
                return true;
            }
            if (got < 0 && WouldBlock()) continue;
            return false;
        }
        return false;
    }

    TSocket socket_;
    std::function<bool()> alive_;
    std::function<void(const std::string&)> record_;
    std::string pending_;
};

TWinsockUser& WinsockUser() {
    static TWinsockUser user;
    return user;
}

}  // namespace

TScriptedServer::TScriptedServer(std::vector<TScript> scripts, int limitMs)
    : scripts_(std::move(scripts)), limitMs_(limitMs), connections_(scripts_.size()) {
    WinsockUser();
    const TSocket s = ListenOnLoopback(port_);
    if (listen(s, 8) != 0) {
        CloseSocket(s);
        throw std::runtime_error("scripted server: cannot listen");
    }
    SetNonBlocking(s);
    listener_ = static_cast<std::uintptr_t>(s);
    thread_ = std::thread([this] { Run(); });
}

TScriptedServer::~TScriptedServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    CloseSocket(static_cast<TSocket>(listener_));
}

void TScriptedServer::Run() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs_);
    const std::function<bool()> alive = [this, deadline] {
        return !stop_ && std::chrono::steady_clock::now() < deadline;
    };
    const TSocket listener = static_cast<TSocket>(listener_);
    for (std::size_t index = 0; index < scripts_.size(); ++index) {
        TSocket s = kNoSocket;
        while (alive() && s == kNoSocket) {
            if (WaitReady(listener, true, kSliceMs)) s = accept(listener, nullptr, nullptr);
        }
        if (s == kNoSocket) break;
        ++accepted_;
        SetNonBlocking(s);
        const int on = 1;
        setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
        const auto record = [this, index](const std::string& line) {
            std::lock_guard<std::mutex> lock(mutex_);
            connections_[index].Lines.push_back(line);
        };
        TPeer peer(s, alive, record);
        bool open = true;
        for (const TScript::TStep& step : scripts_[index].Steps) {
            if (!open || !alive()) break;
            switch (step.Kind) {
                case TScript::TKind::Send:
                    open = peer.Send(step.Bytes.data(), step.Bytes.size());
                    break;
                case TScript::TKind::SendUrgent:
                    open = peer.Send(step.Bytes.data(), step.Bytes.size(), MSG_OOB);
                    break;
                case TScript::TKind::SendSlowly:
                    for (std::size_t i = 0; open && i < step.Bytes.size(); ++i) {
                        open = peer.Send(step.Bytes.data() + i, 1);
                        std::this_thread::sleep_for(std::chrono::milliseconds(step.Ms));
                    }
                    break;
                case TScript::TKind::Expect: open = peer.ReadLine(); break;
                case TScript::TKind::Pause:
                    std::this_thread::sleep_for(std::chrono::milliseconds(step.Ms));
                    break;
                case TScript::TKind::Close:
                    peer.ShutdownSend();
                    peer.Drain();
                    open = false;
                    break;
                case TScript::TKind::Reset:
                    peer.Abort();
                    open = false;
                    break;
                case TScript::TKind::Silent:
                    peer.Drain();
                    open = false;
                    break;
            }
        }
        if (open) peer.Drain();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            connections_[index].Ended = true;
        }
    }
}

std::vector<std::string> TScriptedServer::Lines(std::size_t connection, std::size_t atLeast,
                                                int waitMs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (connection >= connections_.size()) return {};
            const TConnection& c = connections_[connection];
            if (c.Lines.size() >= atLeast || c.Ended || std::chrono::steady_clock::now() >= until)
                return c.Lines;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

bool TScriptedServer::Ended(std::size_t connection, int waitMs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (connection >= connections_.size()) return false;
            if (connections_[connection].Ended) return true;
        }
        if (std::chrono::steady_clock::now() >= until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

int TScriptedServer::UnusedPort() {
    WinsockUser();
    int port = 0;
    CloseSocket(ListenOnLoopback(port));
    return port;
}

}  // namespace vexil::test
