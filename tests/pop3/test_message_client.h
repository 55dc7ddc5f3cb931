// Drives the message receiver over a reply held in memory, the way a POP3
// server would send it: CR LF line ends, dot-stuffed, ended by ".".
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "pop3/MemoryTransport.h"
#include "pop3/WireMessage.h"
#include "support/TempDir.h"

namespace vexil::test {

class TMessageTestClient : public TWireMessageClient {
public:
    TMessageTestClient(std::string incoming, int chunk) : TMessageTestClient(new TMemoryTransport(std::move(incoming), chunk)) {}

    TMemoryTransport& Wire() { return *wire_; }

private:
    explicit TMessageTestClient(TMemoryTransport* wire)
        : TWireMessageClient(std::unique_ptr<ITransport>(wire)), wire_(wire) {
        Host = "localhost";
        Port = 110;
        Connect();
    }
    TMemoryTransport* wire_;
};

// A message as stored (lines ended by LF or CR LF) turned into the body of a
// RETR reply: CR LF everywhere, a leading dot doubled, the final ".".
inline std::string AsReply(const std::string& message) {
    std::string reply;
    reply.reserve(message.size() + message.size() / 32 + 8);
    bool lineStart = true;
    for (std::size_t i = 0; i < message.size(); ++i) {
        const char c = message[i];
        if (lineStart && c == '.') reply += '.';
        lineStart = false;
        if (c == '\n') {
            if (reply.empty() || reply.back() != '\r') reply += '\r';
            lineStart = true;
        }
        reply += c;
    }
    if (!lineStart) reply += "\r\n";
    return reply + ".\r\n";
}

// What one reception produced; the attachments' temporary files are read
// and deleted.
struct TReceived {
    TWireMessage Msg;
    bool HeaderEndedAtDot = false;
    std::vector<std::string> Status;
    std::vector<std::string> AttachmentBytes;
    std::string NextLine;  // the line after the reply: nothing may eat it
};

// Receives header and body of `reply` (which ends with its "." line) handed
// out `chunk` bytes at a time; `after` follows the reply on the wire.
inline TReceived ReceiveReply(const std::string& reply, int chunk, bool extract = true,
                              const std::string& after = "+OK next\r\n", bool unicode = false) {
    TReceived r;
    TMessageTestClient client(reply + after, chunk);
    client.OnStatus = [&r](TWireSocket&, const std::string& text) { r.Status.push_back(text); };
    r.Msg.ExtractAttachments = extract;
    r.Msg.UnicodeText = unicode;
    client.ReceiveHeader(r.Msg, "");
    r.HeaderEndedAtDot = client.HeaderEndedAtDot();
    if (!r.HeaderEndedAtDot) client.ReceiveBody(r.Msg, static_cast<int>(reply.size()));
    for (const TAttachment& a : r.Msg.Attachments) {
        r.AttachmentBytes.push_back(ReadFileBytes(a.StoredPathName));
        std::remove(a.StoredPathName.c_str());
    }
    r.NextLine = client.ReadLn();
    return r;
}

// Received whole and byte by byte; the two must be the same.
inline TReceived ReceiveBoth(const std::string& message, bool extract = true,
                             bool unicode = false) {
    const std::string reply = AsReply(message);
    TReceived whole = ReceiveReply(reply, 65536, extract, "+OK next\r\n", unicode);
    const TReceived trickled = ReceiveReply(reply, 1, extract, "+OK next\r\n", unicode);
    EXPECT_EQ(whole.Msg.Headers, trickled.Msg.Headers);
    EXPECT_EQ(whole.Msg.Text, trickled.Msg.Text);
    EXPECT_EQ(whole.Msg.MessageParts.size(), trickled.Msg.MessageParts.size());
    EXPECT_EQ(whole.Msg.Attachments.size(), trickled.Msg.Attachments.size());
    EXPECT_EQ(whole.AttachmentBytes, trickled.AttachmentBytes);
    EXPECT_EQ(whole.Status, trickled.Status);
    EXPECT_EQ(whole.HeaderEndedAtDot, trickled.HeaderEndedAtDot);
    EXPECT_EQ(whole.NextLine, "+OK next");
    EXPECT_EQ(trickled.NextLine, "+OK next");
    return whole;
}

}  // namespace vexil::test
