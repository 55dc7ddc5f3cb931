// Receives a message file through the message receiver, as if a POP3 server
// had sent it (CR LF line ends, dot-stuffed, ended by "."), and reports how
// long that took.  With --make it writes the benchmark message instead.
//   vexil_decode_file --make FILE [MiB]   the message of bench_message.cpp
//   vexil_decode_file FILE [DIR]          receive it; attachments are removed,
//                                         after a copy into DIR when given
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "BigMessage.h"
#include "pop3/MemoryTransport.h"
#include "pop3/WireMessage.h"

namespace {

using namespace vexil;

class TFileClient : public TWireMessageClient {
public:
    explicit TFileClient(std::string reply)
        : TWireMessageClient(std::make_unique<TMemoryTransport>(std::move(reply), 1 << 16)) {
        Host = "localhost";
        Connect();
    }
};

// A line at a time (the message is large): LF line ends become CR LF, a
// leading dot is doubled.
std::string AsReply(const std::string& message) {
    std::string reply;
    reply.reserve(message.size() + message.size() / 64 + 8);
    std::size_t start = 0;
    while (start < message.size()) {
        std::size_t end = message.find('\n', start);
        if (end == std::string::npos) end = message.size();
        std::size_t stop = end;
        if (stop > start && message[stop - 1] == '\r') --stop;
        if (message[start] == '.') reply += '.';
        reply.append(message, start, stop - start);
        reply += "\r\n";
        start = end + 1;
    }
    reply += ".\r\n";
    return reply;
}

std::string ReadWholeFile(const char* path, bool& ok) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    ok = static_cast<bool>(in);
    std::string bytes(ok ? static_cast<std::size_t>(in.tellg()) : 0, '\0');
    in.seekg(0);
    in.read(&bytes[0], static_cast<std::streamsize>(bytes.size()));
    ok = ok && in.gcount() == static_cast<std::streamsize>(bytes.size());
    return bytes;
}

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
    bool ok = false;
    std::string reply = AsReply(ReadWholeFile(argv[1], ok));
    if (!ok) {
        std::cerr << "cannot read " << argv[1] << "\n";
        return 1;
    }
    const std::size_t replySize = reply.size();

    const auto start = std::chrono::steady_clock::now();
    TFileClient client(std::move(reply));
    TWireMessage msg;
    client.ReceiveHeader(msg, "");
    if (!client.HeaderEndedAtDot()) client.ReceiveBody(msg, static_cast<int>(replySize));
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();

    std::cout << "received " << replySize << " bytes in " << ms << " ms (" << replySize / ms / 1000.0
              << " MB/s), " << msg.Text.size() << " text lines, " << msg.Attachments.size() << " attachments\n";
    int status = 0;
    for (const TAttachment& a : msg.Attachments) {
        if (argc == 3 && !a.SaveToFile(std::string(argv[2]) + "/" + a.FileName)) status = 1;
        std::remove(a.StoredPathName.c_str());
    }
    return status;
}
