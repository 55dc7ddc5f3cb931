// The blocking line client: receive buffer, line reads, coded replies,
// captures up to a terminator line, progress and status events.
#include "pop3/Wire.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

#include "base/FileNames.h"
#include "base/Text.h"
#include "pop3/Decoders.h"

namespace vexil {

namespace {


// The reply code of a numeric reply: its first three characters as a decimal
// number (an optional sign, then digits only), 0 when they are not one.
std::int16_t NumericCode(const std::string& line) {
    const std::string head = line.substr(0, 3);
    size_t i = 0;
    bool negative = false;
    if (i < head.size() && (head[i] == '+' || head[i] == '-')) negative = head[i++] == '-';
    if (i == head.size()) return 0;
    int value = 0;
    for (; i < head.size(); ++i) {
        if (head[i] < '0' || head[i] > '9') return 0;
        value = value * 10 + (head[i] - '0');
    }
    return static_cast<std::int16_t>(negative ? -value : value);
}

std::uint32_t AddressFromBytes(const unsigned char bytes[4]) {
    std::uint32_t address;
    std::memcpy(&address, bytes, sizeof address);
    return address;
}

std::string DottedText(std::uint32_t address) {
    unsigned char bytes[4];
    std::memcpy(bytes, &address, sizeof bytes);
    return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." +
           std::to_string(bytes[2]) + "." + std::to_string(bytes[3]);
}

// Four decimal numbers 0..255 joined by dots, nothing else.  Leading zeros are
// refused: the C library would read them as octal, and a name the user wrote
// must not silently mean two different hosts on the two builds.
bool ParseDottedAddress(const std::string& text, std::uint32_t& address) {
    unsigned char bytes[4];
    size_t pos = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (pos >= text.size() || text[pos] != '.') return false;
            ++pos;
        }
        const size_t start = pos;
        int value = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < 3)
            value = value * 10 + (text[pos++] - '0');
        const size_t digits = pos - start;
        if (digits == 0 || value > 255 || (digits > 1 && text[start] == '0')) return false;
        if (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') return false;
        bytes[part] = static_cast<unsigned char>(value);
    }
    if (pos != text.size()) return false;
    address = AddressFromBytes(bytes);
    return true;
}

}  // namespace

// ---------------------------------------------------------------- TWireSocket

TWireSocket::TWireSocket(std::unique_ptr<ITransport> transport)
    : transport_(std::move(transport)) {}

TWireSocket::~TWireSocket() {
    // No status event may reach an owner that is itself being torn down.
    OnStatus = nullptr;
    if (TWireSocket::Connected()) TWireSocket::Disconnect();
}

TWaitControl TWireSocket::Wait() const {
    TWaitControl wait;
    wait.TimeoutMs = TimeoutMs;
    wait.SliceMs = SliceMs;
    wait.Idle = OnIdle;
    wait.Abandoned = [this] { return closeRequested_; };
    return wait;
}

bool TWireSocket::Connected() const { return transport_ && transport_->IsOpen(); }

void TWireSocket::CloseSocket() {
    established_ = false;
    closeRequested_ = true;
    if (transport_) transport_->Close();
}

// Every step on its own: a status handler that raises must not keep the
// socket or the log open.
void TWireSocket::Disconnect() {
    try {
        DoStatus("Disconnecting");
    } catch (...) {
    }
    try {
        CloseLog();
    } catch (...) {
    }
    buffer_.clear();
    buffer_.shrink_to_fit();
    readPos_ = fillPos_ = 0;
    ResolvedAddress.clear();
    established_ = false;
    try {
        if (Connected()) CloseSocket();
    } catch (...) {
    }
    try {
        DoStatus("Disconnected");
    } catch (...) {
    }
}

// The connection is of no more use (peer close, time-out, closed socket):
// mark it so, so that no goodbye is attempted on it, and disconnect.
void TWireSocket::DropConnection() {
    established_ = false;
    Disconnect();
}

void TWireSocket::SecureConnection(const std::string& host) {
    try {
        if (!Connected()) throw EWireClosedSocket();
        if (readPos_ != fillPos_) throw ETlsError(kTlsHandshakeFailed);
        transport_->StartTls(host, Wait());
    } catch (...) {
        DropConnection();
        throw;
    }
}

void TWireSocket::EndSecureChannel() {
    if (!established_ || !Secure()) return;
    try {
        transport_->EndTls(Wait());
    } catch (...) {
    }
}

void TWireSocket::ResetBuffer(int capacity) {
    chunk_ = static_cast<size_t>(std::max(capacity, 2));
    buffer_.assign(chunk_, '\0');
    readPos_ = fillPos_ = 0;
}

void TWireSocket::ChargeReply(std::size_t bytes) {
    replyBytes_ += bytes;
    if (replyBytes_ <= MaxReplyBytes) return;
    DropConnection();
    throw EWireReplyTooLong("Reply too long.");
}

void TWireSocket::SkipToReplyEnd() {
    if (lastLineWasDot_ || !Connected()) return;
    try {
        for (;;) {
            const std::string line = ReadLn();
            if (line == ".") return;
            ChargeReply(line.size() + 2);
        }
    } catch (...) {
        // The reply cannot be finished: the connection is of no more use.
        DropConnection();
    }
}

void TWireSocket::OpenLog() {
    CloseLog();
    auto stream = std::make_unique<std::ofstream>(FilePath(LogFile), std::ios::binary | std::ios::trunc);
    if (!*stream) throw std::runtime_error("Cannot create file \"" + LogFile + "\"");
    log_ = std::move(stream);
}

void TWireSocket::CloseLog() { log_.reset(); }

void TWireSocket::Log(const std::string& text) {
    if (log_) log_->write(text.data(), static_cast<std::streamsize>(text.size()));
}

// One receive.  The buffer keeps its grow and shrink steps of BufferChunk,
// judged on the bytes still held; consumed bytes are only cut off the front
// when the free room before them is at least the room behind them, or when the
// size changes, so a long listing costs a move of each byte at most a few
// times instead of once per line.
void TWireSocket::FillBuffer() {
    if (!Connected()) throw EWireSocketError(kWsaNotConnected);
    if (readPos_ == fillPos_) readPos_ = fillPos_ = 0;
    const size_t held = fillPos_ - readPos_;
    const size_t capacity = buffer_.size();
    const size_t fill = held + 1;  // as a 1-based position
    size_t wanted = capacity;
    if (capacity - fill < fill / 2)
        wanted = capacity + chunk_;
    else if (capacity - fill > 2 * chunk_ && capacity - chunk_ > chunk_)
        wanted = capacity - chunk_;
    const size_t roomBehind = capacity - fillPos_ - 1;
    if (readPos_ > 0 && (wanted != capacity || readPos_ >= roomBehind)) {
        std::memmove(&buffer_[0], &buffer_[readPos_], held);
        readPos_ = 0;
        fillPos_ = held;
    }
    if (wanted < fillPos_ + 2) wanted = fillPos_ + 2;  // room for one byte at least
    if (wanted != capacity) buffer_.resize(wanted);

    const size_t room = std::min<size_t>(buffer_.size() - fillPos_ - 1, INT_MAX);
    int received;
    try {
        received = transport_->Receive(&buffer_[fillPos_], static_cast<int>(room), Wait());
    } catch (const EWireSocketError& e) {
        if (e.LastError == kWsaShutdown || e.LastError == kWsaTimedOut) DropConnection();
        throw;
    }
    GracefulClose = received == 0;
    if (received > 0) {
        const long long total = static_cast<long long>(workBytes_) + received;
        DoWork(total > INT_MAX ? INT_MAX : static_cast<int>(total));
        if (ASCIIFilter)
            for (size_t i = fillPos_; i < fillPos_ + static_cast<size_t>(received); ++i)
                buffer_[i] = static_cast<char>(buffer_[i] & 0x7F);
        fillPos_ += static_cast<size_t>(received);
    }
    if (GracefulClose) {
        DropConnection();
        throw EWireConnClosedGraceful();
    }
}

std::string TWireSocket::ExtractFromBuffer(size_t count) {
    if (count > fillPos_ - readPos_) throw std::runtime_error("Not enough data in buffer.");
    std::string result(buffer_, readPos_, count);
    readPos_ += count;
    if (readPos_ == fillPos_) readPos_ = fillPos_ = 0;
    return result;
}

void TWireSocket::Write(const std::string& data) {
    if (data.empty()) return;
    if (!Connected()) throw EWireClosedSocket();
    size_t pos = 0;
    while (pos < data.size()) {
        const int size = static_cast<int>(std::min<size_t>(data.size() - pos, INT_MAX));
        int sent;
        try {
            sent = transport_->Send(data.data() + pos, size, Wait());
        } catch (const EWireSocketError& e) {
            if (e.LastError == kWsaShutdown || e.LastError == kWsaTimedOut) DropConnection();
            throw;
        }
        GracefulClose = sent == 0;
        if (OnDebugWrite) OnDebugWrite(*this);
        if (GracefulClose) {
            DropConnection();
            throw EWireConnClosedGraceful();
        }
        pos += static_cast<size_t>(sent);
    }
}

void TWireSocket::WriteLn(const std::string& line) { Write(line + LineTerminator); }

std::string TWireSocket::ReadLn() {
    size_t scanned = 0;  // bytes already searched, counted from the read position
    for (;;) {
        const size_t held = fillPos_ - readPos_;
        if (held >= 2) {
            const char* base = buffer_.data() + readPos_;
            // A CR at the end of the last search may have got its LF since.
            size_t from = scanned > 0 ? scanned - 1 : 0;
            while (from + 1 < held) {
                const void* cr = std::memchr(base + from, '\r', held - 1 - from);
                if (!cr) break;
                const size_t p = static_cast<size_t>(static_cast<const char*>(cr) - base);
                if (base[p + 1] == '\n') {
                    std::string line = ExtractFromBuffer(p + 2);
                    line.resize(p);
                    lastLineWasDot_ = line == ".";
                    return line;
                }
                from = p + 1;
            }
        }
        if (held > MaxLineBytes) {
            DropConnection();
            throw EWireReplyTooLong("Reply line too long.");
        }
        scanned = held;
        FillBuffer();
        if (OnDebugRead) OnDebugRead(*this);
    }
}

std::string TWireSocket::ReadNonBlankLn() {
    for (;;) {
        std::string raw = ReadLn();
        ChargeReply(raw.size() + 2);  // blank lines too: they could come without end
        std::string line = Trim(raw);
        if (!line.empty()) return line;
    }
}

std::string TWireSocket::ReadBuffer(int count) {
    if (count <= 0) {
        FillBuffer();
        if (OnDebugRead) OnDebugRead(*this);
        return std::string();
    }
    while (fillPos_ - readPos_ < static_cast<size_t>(count)) {
        FillBuffer();
        if (OnDebugRead) OnDebugRead(*this);
    }
    return ExtractFromBuffer(static_cast<size_t>(count));
}

std::int16_t TWireSocket::GetResponse() {
    ReplyLines.clear();
    std::string line = ReadNonBlankLn();
    Log("I: " + line + "\r\n\r\n");
    if (line.size() > 3 && line[3] == '-') {
        const std::string prefix = line.substr(0, 3) + " ";
        ReplyLines.push_back(line);
        do {
            line = ReadNonBlankLn();
            Log("I: " + line + "\r\n\r\n");
            ReplyLines.push_back(line);
        } while (line.compare(0, 4, prefix) != 0);
    }
    ReplyText = line;
    if (StartsWith(line, "+OK"))
        ReplyCode = 1;
    else if (StartsWith(line, "-ERR"))
        ReplyCode = 0;
    else
        ReplyCode = NumericCode(line);
    return ReplyCode;
}

std::int16_t TWireSocket::SendCmd(const std::string& command, std::int16_t expected,
                                  const std::string& status, std::uint8_t indent) {
    if (!(command.size() == 1 && command[0] == '\0')) {
        Log("O: " + command + "\r\n");
        WriteLn(command);
    }
    BeginReply();
    GetResponse();
    if (expected >= 0 && ReplyCode != expected) throw EWireResponseError(ReplyText);
    const std::string margin(2u * indent, ' ');
    if (status == "*")
        DoStatus(margin + ReplyText);
    else if (!status.empty())
        DoStatus(margin + status);
    return ReplyCode;
}

namespace {

TTerminatorTest ListedTerminators(const std::vector<std::string>& terminators) {
    return [&terminators](const std::string& line) {
        for (size_t i = 0; i < terminators.size(); ++i)
            if (line == terminators[i]) return static_cast<int>(i + 1);
        return 0;
    };
}

bool IsDotStuffed(const std::vector<std::string>& terminators) {
    return !terminators.empty() && terminators[0] == ".";
}

}  // namespace

// The terminator is looked for in the line as it came off the wire, and the
// dot-stuffing is undone before any decoding: a decoded line may look like a
// terminator ("=2E" is a dot) and a terminator may not survive decoding
// (boundaries such as "====1234==" lose their last "=").
int TWireSocket::CaptureInto(const std::function<void(const std::string&)>& deliver,
                             const TTerminatorTest& isTerminator, bool dotStuffed,
                             const std::function<std::string(std::string)>& decode) {
    BeginWork(-1);
    for (;;) {
        std::string line = ReadLn();
        if (const int which = isTerminator(line)) {
            EndWork();
            return which;
        }
        if (dotStuffed && StartsWith(line, "..")) line.erase(0, 1);
        if (decode) line = decode(std::move(line));
        deliver(line);
    }
}

// Lines kept in memory count against the reply's bound.
std::function<void(const std::string&)> TWireSocket::Deliverer(std::vector<std::string>* list) {
    if (list)
        return [this, list](const std::string& line) {
            ChargeReply(line.size() + 2);
            list->push_back(line);
        };
    return [this](const std::string& line) {
        if (OnCaptureLine) OnCaptureLine(line);
    };
}

int TWireSocket::Capture(std::vector<std::string>* list,
                         const std::vector<std::string>& terminators) {
    return Capture(list, ListedTerminators(terminators), IsDotStuffed(terminators));
}

int TWireSocket::Capture(std::vector<std::string>* list, const TTerminatorTest& isTerminator,
                         bool dotStuffed) {
    return CaptureInto(Deliverer(list), isTerminator, dotStuffed, nullptr);
}

int TWireSocket::Capture(std::ostream& stream, const std::vector<std::string>& terminators) {
    return Capture(stream, ListedTerminators(terminators), IsDotStuffed(terminators));
}

int TWireSocket::Capture(std::ostream& stream, const TTerminatorTest& isTerminator,
                         bool dotStuffed) {
    return CaptureInto(
        [&stream, this](const std::string& line) {
            stream.write(line.data(), static_cast<std::streamsize>(line.size()));
            stream.write(LineTerminator.data(),
                         static_cast<std::streamsize>(LineTerminator.size()));
        },
        isTerminator, dotStuffed, nullptr);
}

int TWireSocket::CaptureDecoded(std::vector<std::string>* list,
                                const std::vector<std::string>& terminators,
                                const std::string& encoding) {
    return CaptureDecoded(list, ListedTerminators(terminators), IsDotStuffed(terminators),
                          encoding);
}

int TWireSocket::CaptureDecoded(std::vector<std::string>* list,
                                const TTerminatorTest& isTerminator, bool dotStuffed,
                                const std::string& encoding) {
    const std::string kind = LowerCase(encoding);
    auto decode = [kind](std::string line) {
        if (kind == "quoted-printable" || kind == "7bit")
            line = QPDecode(line);
        else if (kind == "uucode")
            line = UUDecodeLine(Trim(line));
        // Soft line breaks do not join lines: each received line stays a line.
        if (EndsWith(line, "="))
            line.pop_back();
        else if (EndsWith(line, "=20"))
            line.resize(line.size() - 3);
        return line;
    };
    return CaptureInto(Deliverer(list), isTerminator, dotStuffed, decode);
}

void TWireSocket::BeginWork(int size) {
    workBytes_ = 0;
    workSize_ = size;
}

void TWireSocket::EndWork() {
    workSize_ = -1;
    DoWork(-1);
    workSize_ = -2;
}

void TWireSocket::DoWork(int bytes) {
    workBytes_ = bytes;
    if (workSize_ == -2) return;
    if (bytes == -1 || bytes / 1024 > lastKilobyte_) {
        lastKilobyte_ = bytes / 1024;
        if (OnWork) OnWork(*this, bytes, workSize_);
    }
}

void TWireSocket::DoStatus(const std::string& text) {
    if (!OnStatus) return;
    const std::string suffix = " occurred in user's OnStatus Event.";
    try {
        OnStatus(*this, text);
    } catch (const EWireConnClosedGraceful& e) {
        throw EWireConnClosedGraceful(e.what() + suffix);
    } catch (const EWireSilentException& e) {
        throw EWireSilentException(e.what() + suffix);
    } catch (const EWireSocketError& e) {
        throw EWireSocketError(e.LastError, e.what() + suffix);
    } catch (const EWireResponseError& e) {
        throw EWireResponseError(e.what() + suffix);
    } catch (const EWireClosedSocket& e) {
        throw EWireClosedSocket(e.what() + suffix);
    } catch (const EWireInvalidSocket& e) {
        throw EWireInvalidSocket(e.what() + suffix);
    } catch (const EWireConnectRefused& e) {
        throw EWireConnectRefused(e.what() + suffix);
    } catch (const EWireAlreadyConnected& e) {
        throw EWireAlreadyConnected(e.what() + suffix);
    } catch (const EWireException& e) {
        throw EWireException(e.what() + suffix);
    } catch (const std::exception& e) {
        throw std::runtime_error(e.what() + suffix);
    }
}

// ---------------------------------------------------------------- TWireClient

std::uint32_t TWireClient::ResolveHost(const std::string& host) {
    if (SameText(host, "localhost")) {
        const unsigned char loopback[4] = {127, 0, 0, 1};
        ResolvedAddress = "127.0.0.1";
        return AddressFromBytes(loopback);
    }
    std::uint32_t address;
    if (ParseDottedAddress(host, address)) {
        ResolvedAddress = host;
        return address;
    }
    address = Transport().Resolve(host, Wait());
    ResolvedAddress = DottedText(address);
    return address;
}

void TWireClient::Connect() {
    if (Connected()) throw EWireAlreadyConnected();
    closeRequested_ = false;
    lastLineWasDot_ = false;
    BeginReply();
    DoStatus("Connecting to " + Host);
    // Closed from the status handler: no connection is wanted any more.
    if (closeRequested_) throw EWireSocketError(kWsaNotConnected);
    ResetBuffer(BufferChunk);
    try {
        const std::uint32_t address = ResolveHost(Host);
        Transport().Connect(address, Port, !UseNagle, Wait());
        established_ = true;
        if (!LogFile.empty()) OpenLog();
        DoStatus("Socket Connected");
    } catch (...) {
        // A subclass's goodbye sees Established() false for a connection that
        // never came up, so the caller gets the connect's own error.
        Disconnect();
        throw;
    }
    GracefulClose = false;
}

void TWireClient::Disconnect() { TWireSocket::Disconnect(); }

}  // namespace vexil
