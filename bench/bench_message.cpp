// Receiving one message with a text part and a 20 MiB base64 attachment, fed
// from memory in 64 KiB reads: header, multipart split, base64 decoding and
// writing the attachment to its temporary file.  Bytes/s counts wire bytes.
#include <benchmark/benchmark.h>

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

// Receives reply (header and body) once per iteration, timing only the
// reception; received(msg) tells whether the message came whole.
template <class TCheck>
void ReceiveEachIteration(benchmark::State& state, const std::string& reply, TCheck received) {
    for (auto _ : state) {
        state.PauseTiming();
        auto client = std::make_unique<TBenchClient>(reply, 1 << 16);
        auto msg = std::make_unique<TWireMessage>();
        state.ResumeTiming();

        client->ReceiveHeader(*msg, "");
        client->ReceiveBody(*msg, static_cast<int>(reply.size()));

        state.PauseTiming();
        if (!received(*msg)) state.SkipWithError("message not received whole");
        msg.reset();  // its attachment files go with it
        client.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * reply.size()));
}

void BM_ReceiveBase64Attachment(benchmark::State& state) {
    const std::string attachment = bench::AttachmentBytes(static_cast<std::size_t>(state.range(0)));
    const std::string reply = bench::BigMessage(attachment) + ".\r\n";
    ReceiveEachIteration(state, reply, [](const TWireMessage& msg) {
        return msg.Attachments.size() == 1 && msg.Text.size() == 6;
    });
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

// A message built to make the receiver slow: 63 multiparts nested inside each
// other, each with a boundary of 70 characters (the most MIME allows), and
// the innermost holding range(0) empty parts.  Every line must cost the same
// however many boundaries are open and however many parts came before: the
// time per part stays flat as the count grows (the complexity fit says oN).
std::string ManyEmptyParts(int parts) {
    const int levels = 63;
    auto boundary = [](int level) {
        std::string b = "level" + std::to_string(level) + "-";
        b.resize(70, 'x');
        return b;
    };
    std::string m = "Content-Type: multipart/mixed; boundary=\"" + boundary(0) + "\"\r\n\r\n";
    for (int level = 1; level < levels; ++level)
        m += "--" + boundary(level - 1) + "\r\nContent-Type: multipart/mixed; boundary=\"" +
             boundary(level) + "\"\r\n\r\n";
    const std::string empty = "--" + boundary(levels - 1) + "\r\nContent-Type: text/plain\r\n\r\n";
    m.reserve(m.size() + empty.size() * static_cast<std::size_t>(parts) + 80 * levels);
    for (int i = 0; i < parts; ++i) m += empty;
    for (int level = levels - 1; level >= 0; --level) m += "--" + boundary(level) + "--\r\n";
    return m + ".\r\n";
}

void BM_ReceiveManyEmptyParts(benchmark::State& state) {
    const int parts = static_cast<int>(state.range(0));
    ReceiveEachIteration(state, ManyEmptyParts(parts), [parts](const TWireMessage& msg) {
        return msg.MessageParts.size() == static_cast<std::size_t>(parts);
    });
    state.SetComplexityN(parts);
}
BENCHMARK(BM_ReceiveManyEmptyParts)
    ->Arg(10000)->Arg(30000)->Arg(100000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace vexil
