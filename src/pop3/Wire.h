// The program's blocking TCP line client: a growable receive buffer, line
// reads, coded command/reply exchanges, and status and progress events.
// TWirePOP3 and the message receiver build on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "pop3/Transport.h"
#include "pop3/WireErrors.h"

namespace vexil {

// Tells whether a line ends a capture: the number of the terminator it is
// (1-based), 0 for an ordinary line.
using TTerminatorTest = std::function<int(const std::string& line)>;

class TWire {
public:
    virtual ~TWire() = default;
    int Port = 0;
    std::string BoundIP;  // stored only
    std::string Version() const { return "1.0"; }
};

class TWireSocket : public TWire {
public:
    ~TWireSocket() override;

    // Published properties.
    int BufferChunk = 8192;  // taken at the next Connect
    bool UseNagle = true;
    bool ASCIIFilter = false;
    std::string LogFile;
    int TimeoutMs = 60000;  // name lookup, connect, every receive and every send
    // How long one slice of a wait lasts before the idle hook runs again.
    int SliceMs = 50;
    // Bounds of what a peer can make the client hold: one line (the receive
    // buffer), and the lines of one reply kept in memory (a multi-line reply,
    // a capture into a list, a listing).  Past either the connection is
    // dropped with EWireReplyTooLong.
    std::size_t MaxLineBytes = std::size_t(64) << 20;
    std::size_t MaxReplyBytes = std::size_t(64) << 20;

    // Events.
    std::function<void(TWireSocket& sender, const std::string& text)> OnStatus;
    std::function<void(TWireSocket& sender, int work, int workSize)> OnWork;
    std::function<void(TWireSocket& sender)> OnDebugRead, OnDebugWrite;
    // Raised between the slices of every wait (at most every SliceMs).
    std::function<void()> OnIdle;
    // Lines of a Capture without destination.
    std::function<void(const std::string& line)> OnCaptureLine;

    virtual bool Connected() const;
    // Closes the socket at once, without any goodbye.  Called from the idle
    // hook, it also ends a name lookup that is still waiting.
    virtual void CloseSocket();
    virtual void Disconnect();  // never raises

    void Write(const std::string& data);
    void WriteLn(const std::string& line);
    std::string ReadLn();
    std::string ReadNonBlankLn();
    std::string ReadBuffer(int count);

    std::int16_t GetResponse();
    // The marker command: a string holding the single byte 0 reads a reply
    // without sending anything.  expected -1 accepts any reply.
    virtual std::int16_t SendCmd(const std::string& command, std::int16_t expected,
                                 const std::string& status = "", std::uint8_t indent = 0);

    // Reads lines until one equals a terminator; returns its 1-based index.
    // With "." as the first terminator, lines are dot-unstuffed.
    int Capture(std::vector<std::string>* list, const std::vector<std::string>& terminators);
    int Capture(std::ostream& stream, const std::vector<std::string>& terminators);
    int CaptureDecoded(std::vector<std::string>* list, const std::vector<std::string>& terminators,
                       const std::string& encoding);
    // The same with a terminator test of the caller's, for a set of
    // terminators too large to compare one by one; dotStuffed says whether
    // lines are dot-unstuffed.
    int Capture(std::vector<std::string>* list, const TTerminatorTest& isTerminator,
                bool dotStuffed);
    int Capture(std::ostream& stream, const TTerminatorTest& isTerminator, bool dotStuffed);
    int CaptureDecoded(std::vector<std::string>* list, const TTerminatorTest& isTerminator,
                       bool dotStuffed, const std::string& encoding);

    void BeginWork(int size);
    void EndWork();
    virtual void DoWork(int bytes);
    void DoStatus(const std::string& text);

    std::int16_t ReplyCode = 0;
    std::string ReplyText;
    std::vector<std::string> ReplyLines;
    std::string ResolvedAddress;
    bool GracefulClose = false;
    const std::string LineTerminator = "\r\n";

    // The receive buffer's current size (it grows and shrinks by BufferChunk).
    std::size_t BufferCapacity() const { return buffer_.size(); }
    // The connection runs over TLS.
    bool Secure() const { return transport_ && transport_->Secure(); }

protected:
    explicit TWireSocket(std::unique_ptr<ITransport> transport);
    TWaitControl Wait() const;
    ITransport& Transport() { return *transport_; }
    // True from a successful connect until the connection is closed or found
    // broken (peer close, time-out, 10058): only then is a goodbye worth sending.
    bool Established() const { return established_; }
    void ResetBuffer(int capacity);
    // Turns the connection into a TLS one, the server's certificate checked
    // for host.  Bytes that came before the handshake and were not read are
    // a peer (or someone on the path) talking out of turn: refused.  Any
    // failure drops the connection, so no goodbye goes out in the clear.
    void SecureConnection(const std::string& host);
    // Says the secure channel's goodbye (close_notify); nothing on a plain
    // connection.  Never raises.
    void EndSecureChannel();
    // A new reply starts: its lines are counted against MaxReplyBytes afresh.
    void BeginReply() { replyBytes_ = 0; }
    // Counts bytes of the current reply; past MaxReplyBytes the connection is
    // dropped and EWireReplyTooLong raised.
    void ChargeReply(std::size_t bytes);
    // After an error inside a multi-line reply: reads on to its final "." so
    // that the next command reads its own reply, not the rest of this one.
    // Nothing to do when the "." was the last line read or the connection is
    // gone; a connection that fails meanwhile is dropped.
    void SkipToReplyEnd();
    void OpenLog();
    void CloseLog();
    void Log(const std::string& text);

private:
    friend class TWireClient;  // marks the connection established
    void FillBuffer();
    std::string ExtractFromBuffer(size_t count);
    void DropConnection();
    int CaptureInto(const std::function<void(const std::string&)>& deliver,
                    const TTerminatorTest& isTerminator, bool dotStuffed,
                    const std::function<std::string(std::string)>& decode);
    std::function<void(const std::string&)> Deliverer(std::vector<std::string>* list);

    std::unique_ptr<ITransport> transport_;
    std::string buffer_;  // the receive buffer, its size being the capacity
    size_t readPos_ = 0;  // first byte not yet consumed
    size_t fillPos_ = 0;  // first free byte
    size_t chunk_ = 8192;  // BufferChunk as taken at connect
    bool established_ = false;
    bool closeRequested_ = false;  // CloseSocket since the last Connect
    bool lastLineWasDot_ = false;  // the last line read was a reply's final "."
    std::size_t replyBytes_ = 0;
    int workBytes_ = 0, workSize_ = 0, lastKilobyte_ = 0;
    std::unique_ptr<std::ofstream> log_;
};

class TWireClient : public TWireSocket {
public:
    std::string Host;
    virtual void Connect();
    void Disconnect() override;

protected:
    using TWireSocket::TWireSocket;
    // "LOCALHOST" (any case) and dotted addresses without a lookup, any other
    // name through the transport's resolver; sets ResolvedAddress.
    std::uint32_t ResolveHost(const std::string& host);
};

}  // namespace vexil
