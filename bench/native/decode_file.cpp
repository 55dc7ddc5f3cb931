// Receives a message file through the message receiver, as if a POP3 server
// had sent it (CR LF line ends, dot-stuffed, ended by "."), and reports how
// long that took.  With --make it writes the benchmark message instead.
//   vexil_decode_file --make FILE [MiB]   the message of bench_message.cpp
//   vexil_decode_file FILE [DIR]          receive it; attachments are removed,
//                                         after a copy into DIR when given
#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "BigMessage.h"
#include "pop3/Transport.h"
#include "pop3/WireMessage.h"

namespace {

using namespace vexil;

// The message file as a POP3 server sends it, read in blocks as they are
// asked for, the way a socket delivers them: LF line ends become CR LF, a
// leading dot is doubled, and "." ends it.  Nothing is copied whole first,
// so the time measured is the receiver's.
class TFileTransport : public ITransport {
public:
    explicit TFileTransport(const char* path) : in_(path, std::ios::binary) {}
    bool Opened() const { return static_cast<bool>(in_); }
    std::size_t Delivered() const { return delivered_; }

    std::uint32_t Resolve(const std::string&, const TWaitControl&) override { return 0x0100007F; }
    void Connect(std::uint32_t, int, bool, const TWaitControl&) override { open_ = true; }
    int Send(const char*, int size, const TWaitControl&) override { return size; }
    int Receive(char* data, int size, const TWaitControl&) override {
        while (pos_ == out_.size() && !ended_) Refill();
        const std::size_t n = std::min(out_.size() - pos_, static_cast<std::size_t>(size));
        std::memcpy(data, out_.data() + pos_, n);
        pos_ += n;
        delivered_ += n;
        return static_cast<int>(n);
    }
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }

private:
    void Refill() {
        out_.clear();
        pos_ = 0;
        char block[1 << 16];
        in_.read(block, sizeof block);
        const std::streamsize got = in_.gcount();
        for (std::streamsize i = 0; i < got; ++i) {
            const char c = block[i];
            if (lineStart_ && c == '.') out_ += '.';
            if (c == '\n') {
                if (!afterCr_) out_ += '\r';
                out_ += '\n';
                lineStart_ = true;
                afterCr_ = false;
                continue;
            }
            out_ += c;
            lineStart_ = false;
            afterCr_ = c == '\r';
        }
        if (got <= 0) {
            if (!lineStart_) out_ += "\r\n";
            out_ += ".\r\n";
            ended_ = true;
        }
    }

    std::ifstream in_;
    std::string out_;
    std::size_t pos_ = 0, delivered_ = 0;
    bool lineStart_ = true, afterCr_ = false, ended_ = false, open_ = false;
};

class TFileClient : public TWireMessageClient {
public:
    explicit TFileClient(std::unique_ptr<TFileTransport> transport)
        : TWireMessageClient(std::move(transport)) {
        Host = "localhost";
        Connect();
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "--make") {
        const std::size_t mib = argc >= 4 ? std::strtoul(argv[3], nullptr, 10) : 20;
        const std::string message = bench::BigMessage(bench::AttachmentBytes(mib << 20));
        std::ofstream(argv[2], std::ios::binary).write(message.data(), static_cast<std::streamsize>(message.size()));
        return 0;
    }
    if (argc != 2 && argc != 3) {
        std::cerr << "usage: vexil_decode_file --make FILE [MiB] | vexil_decode_file FILE [DIR]\n";
        return 2;
    }
    auto transport = std::make_unique<TFileTransport>(argv[1]);
    if (!transport->Opened()) {
        std::cerr << "cannot read " << argv[1] << "\n";
        return 1;
    }
    const TFileTransport& wire = *transport;
    std::ifstream sizeOf(argv[1], std::ios::binary | std::ios::ate);
    const int expected = static_cast<int>(std::min<std::streamoff>(sizeOf.tellg(), INT_MAX));

    const auto start = std::chrono::steady_clock::now();
    TFileClient client(std::move(transport));
    TWireMessage msg;
    client.ReceiveHeader(msg, "");
    if (!client.HeaderEndedAtDot()) client.ReceiveBody(msg, expected);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const std::size_t replySize = wire.Delivered();

    std::cout << "received " << replySize << " bytes in " << ms << " ms (" << replySize / ms / 1000.0
              << " MB/s), " << msg.Text.size() << " text lines, " << msg.Attachments.size() << " attachments\n";
    int status = 0;
    for (const TAttachment& a : msg.Attachments) {
        if (argc == 3 && !a.SaveToFile(std::string(argv[2]) + "/" + a.FileName)) status = 1;
        std::remove(a.StoredPathName.c_str());
    }
    return status;
}
