// Messages from IMAP literals through the message receiver.
#include "imap/MessageLiteral.h"

#include <memory>
#include <utility>

#include "pop3/MemoryTransport.h"

namespace vexil {

namespace {

class TLiteralReceiver : public TWireMessageClient {
public:
    explicit TLiteralReceiver(std::string reply)
        : TWireMessageClient(std::make_unique<TMemoryTransport>(std::move(reply))) {
        Host = "127.0.0.1";
    }
};

}  // namespace

std::string AsDotStuffedReply(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 64 + 8);
    bool lineStart = true;
    for (const char ch : bytes) {
        if (lineStart && ch == '.') out += '.';
        out += ch;
        lineStart = ch == '\n';
    }
    if (!lineStart) out += "\r\n";
    out += ".\r\n";
    return out;
}

void ReceiveMessageLiteral(TWireSocket& owner, const std::string& bytes, TWireMessage& msg,
                           bool whole, int size) {
    TLiteralReceiver receiver(AsDotStuffedReply(bytes));
    receiver.BufferChunk = 65536;
    receiver.MaxLineBytes = owner.MaxLineBytes;
    receiver.MaxReplyBytes = owner.MaxReplyBytes;
    receiver.OnWork = [&owner](TWireSocket&, int work, int workSize) {
        if (owner.OnWork) owner.OnWork(owner, work, workSize);
    };
    receiver.OnIdle = owner.OnIdle;
    receiver.Connect();
    receiver.ReceiveHeader(msg, "");
    if (whole && !receiver.HeaderEndedAtDot()) receiver.ReceiveBody(msg, size);
}

}  // namespace vexil
