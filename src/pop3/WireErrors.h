// Exceptions of the socket and POP3 library, with the system's fixed texts.
#pragma once

#include <stdexcept>
#include <string>

namespace vexil {

class EWireException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A failed socket call; LastError is the Windows Sockets error number (also on
// platforms with other numbers: they are mapped, so the texts stay the same).
class EWireSocketError : public EWireException {
public:
    explicit EWireSocketError(int code);
    // The same error under another message (a status handler's failure).
    EWireSocketError(int code, const std::string& message);
    int LastError;
};

class EWireResponseError : public EWireException {  // message: the reply line
public:
    using EWireException::EWireException;
};
class EWireClosedSocket : public EWireException {  // "Socket is closed, cannot write"
public:
    EWireClosedSocket() : EWireException("Socket is closed, cannot write") {}
    explicit EWireClosedSocket(const std::string& message) : EWireException(message) {}
};
class EWireInvalidSocket : public EWireException {  // "Cannot allocate socket."
public:
    EWireInvalidSocket() : EWireException("Cannot allocate socket.") {}
    explicit EWireInvalidSocket(const std::string& message) : EWireException(message) {}
};
class EWireConnectRefused : public EWireException {  // message: the greeting line
public:
    using EWireException::EWireException;
};
class EWireAlreadyConnected : public EWireException {
public:
    EWireAlreadyConnected() : EWireException("Already connected.") {}
    explicit EWireAlreadyConnected(const std::string& message) : EWireException(message) {}
};
class EWireSilentException : public EWireException {
public:
    using EWireException::EWireException;
};
class EWireConnClosedGraceful : public EWireSilentException {
public:
    EWireConnClosedGraceful() : EWireSilentException("Connection Closed Gracefully.") {}
    explicit EWireConnClosedGraceful(const std::string& message) : EWireSilentException(message) {}
};

// A peer that sent more than the client will hold: a line without end, or a
// reply whose lines kept in memory pass the bound.  The connection is dropped
// before it is raised.
class EWireReplyTooLong : public EWireException {
public:
    using EWireException::EWireException;
};

// The text of a Windows Sockets error number ("" for numbers without one).
std::string SocketErrorText(int code);

// Windows Sockets numbers used by the library itself.
constexpr int kWsaTimedOut = 10060;
constexpr int kWsaConnRefused = 10061;
constexpr int kWsaNotConnected = 10057;
constexpr int kWsaShutdown = 10058;
constexpr int kWsaHostNotFound = 11001;

}  // namespace vexil
