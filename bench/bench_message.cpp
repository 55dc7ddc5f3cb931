// Receiving one message with a text part and a 20 MiB base64 attachment, fed
// from memory in 64 KiB reads: header, multipart split, base64 decoding and
// writing the attachment to its temporary file.  Bytes/s counts wire bytes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

#include "native/BigMessage.h"
#include "pop3/Decoders.h"
#include "pop3/MemoryTransport.h"
#include "pop3/WireMessage.h"

namespace vexil {
namespace {

class TBenchClient : public TWireMessageClient {
public:
    TBenchClient(std::string reply, int chunk)
        : TWireMessageClient(std::make_unique<TMemoryTransport>(std::move(reply), chunk)) {
        Host = "localhost";
        Connect();
    }
};

void BM_ReceiveBase64Attachment(benchmark::State& state) {
    const std::string attachment = bench::AttachmentBytes(static_cast<std::size_t>(state.range(0)));
    const std::string reply = bench::BigMessage(attachment) + ".\r\n";
    for (auto _ : state) {
        state.PauseTiming();
        auto client = std::make_unique<TBenchClient>(reply, 1 << 16);
        TWireMessage msg;
        state.ResumeTiming();

        client->ReceiveHeader(msg, "");
        client->ReceiveBody(msg, static_cast<int>(reply.size()));

        state.PauseTiming();
        if (msg.Attachments.size() != 1 || msg.Text.size() != 6) state.SkipWithError("message not received whole");
        for (const TAttachment& a : msg.Attachments) std::remove(a.StoredPathName.c_str());
        client.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * reply.size()));
    state.counters["wire_MB"] = static_cast<double>(reply.size()) / 1e6;
}
BENCHMARK(BM_ReceiveBase64Attachment)->Arg(20 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: the same bytes decoded from one string into one, no lines, no file.
void BM_Base64DecodeOnly(benchmark::State& state) {
    const std::string attachment = bench::AttachmentBytes(static_cast<std::size_t>(state.range(0)));
    const std::string message = bench::BigMessage(attachment);
    const TWireDecoder decoder;
    for (auto _ : state) {
        std::size_t total = 0;
        for (std::size_t start = 0, end; (end = message.find("\r\n", start)) != std::string::npos; start = end + 2)
            total += decoder.DecodeLine(message.substr(start, end - start)).size();
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * message.size()));
}
BENCHMARK(BM_Base64DecodeOnly)->Arg(20 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace vexil
