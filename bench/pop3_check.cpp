// One full mail check as the main window does it (connect, "User", "Pass",
// "UIDL" count, "Quit"), repeated, with the median time in milliseconds.
//
//   pop3_check HOST PORT USER PASSWORD [RUNS]
//
// Prints "median_ms=… min_ms=… max_ms=… runs=… count=…" on one line.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "pop3/WirePOP3.h"

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s HOST PORT USER PASSWORD [RUNS]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 5 ? std::max(1, std::atoi(argv[5])) : 20;
    std::vector<double> times;
    int count = -1;
    try {
        for (int i = 0; i < runs; ++i) {
            const auto start = std::chrono::steady_clock::now();
            vexil::TWirePOP3 pop;
            pop.Host = argv[1];
            pop.Port = std::atoi(argv[2]);
            pop.UserID = argv[3];
            pop.Password = argv[4];
            pop.Connect();
            count = pop.CheckMessages();
            pop.Disconnect();
            times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "check failed: %s\n", e.what());
        return 1;
    }
    std::sort(times.begin(), times.end());
    const size_t n = times.size();
    const double median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
    std::printf("median_ms=%.2f min_ms=%.2f max_ms=%.2f runs=%zu count=%d\n", median, times.front(),
                times.back(), n, count);
    return 0;
}
