// The retrieval and decoding of one message as the message window does it
// (64 KB receives, attachments decoded into temporary files), natively:
// the same code without the window and without Wine, for
// bench/open_message.sh.
//
//   vexil_retrieve HOST PORT USER PASSWORD MESSAGE [RUNS]
//
// Prints "median_ms=… runs=…" on one line.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <vector>

#include "pop3/WireMessage.h"
#include "pop3/WirePOP3.h"

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr, "usage: %s HOST PORT USER PASSWORD MESSAGE [RUNS]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 6 ? std::max(1, std::atoi(argv[6])) : 5;
    std::vector<double> times;
    try {
        vexil::TWirePOP3 pop;
        pop.Host = argv[1];
        pop.Port = std::atoi(argv[2]);
        pop.UserID = argv[3];
        pop.Password = argv[4];
        pop.BufferChunk = 65536;
        pop.Connect();
        pop.CheckMessages();
        for (int i = 0; i < runs; ++i) {
            vexil::TWireMessage msg;
            msg.ExtractAttachments = true;
            const auto start = std::chrono::steady_clock::now();
            pop.Retrieve(std::atoi(argv[5]), msg, 0);
            times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
        pop.Disconnect();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "retrieve failed: %s\n", e.what());
        return 1;
    }
    std::sort(times.begin(), times.end());
    const size_t n = times.size();
    std::printf("median_ms=%.1f runs=%zu\n", n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2, n);
    return 0;
}
