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
    int TimeoutMs = 60000;  // connect, every receive and every send

    // Events.
    std::function<void(TWireSocket& sender, const std::string& text)> OnStatus;
    std::function<void(TWireSocket& sender, int work, int workSize)> OnWork;
    std::function<void(TWireSocket& sender)> OnDebugRead, OnDebugWrite;
    // Raised between the slices of every wait (at most every 50 ms).
    std::function<void()> OnIdle;
    // Lines of a Capture without destination.
    std::function<void(const std::string& line)> OnCaptureLine;

    virtual bool Connected() const;
    // Closes the socket at once, without any goodbye.
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
    int Capture(std::vector<std::string>* list, const std::vector<std::string>& terminators);
    int Capture(std::ostream& stream, const std::vector<std::string>& terminators);
    int CaptureDecoded(std::vector<std::string>* list, const std::vector<std::string>& terminators,
                       const std::string& encoding);

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

protected:
    explicit TWireSocket(std::unique_ptr<ITransport> transport);
    TWaitControl Wait() const;
    ITransport& Transport() { return *transport_; }
    // True from a successful connect until the connection is closed or found
    // broken (peer close, time-out, 10058): only then is a goodbye worth sending.
    bool Established() const { return established_; }
    void ResetBuffer(int capacity);
    void OpenLog();
    void CloseLog();
    void Log(const std::string& text);

private:
    friend class TWireClient;  // marks the connection established
    void FillBuffer();
    std::string ExtractFromBuffer(size_t count);
    void DropConnection();
    int CaptureInto(const std::function<void(const std::string&)>& deliver,
                    const std::vector<std::string>& terminators,
                    const std::function<std::string(std::string)>& decode);

    std::unique_ptr<ITransport> transport_;
    std::string buffer_;  // the receive buffer, its size being the capacity
    size_t readPos_ = 0;  // first byte not yet consumed
    size_t fillPos_ = 0;  // first free byte
    size_t chunk_ = 8192;  // BufferChunk as taken at connect
    bool established_ = false;
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
