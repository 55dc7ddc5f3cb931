// One full mail check as the main window does it (connect, secure the
// connection as asked, "User", "Pass", "UIDL", "Quit"; over IMAP the login,
// "STATUS" and "LOGOUT"), repeated in one process, with the first check and
// the median of the others in milliseconds.
//
//   pop3_check HOST PORT USER PASSWORD [RUNS [SECURITY [ids|count [pop3|imap]]]]
//
// SECURITY is auto (default), tls, starttls or none.  "ids" keeps the
// listing's unique ids as the new-mail rule does (the default), "count"
// only counts the lines.  Prints "median_ms=… min_ms=… max_ms=… first_ms=…
// runs=… count=…" on one line; the median is of every run after the first
// (of the only one with a single run).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "imap/WireIMAP.h"
#include "pop3/WirePOP3.h"

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s HOST PORT USER PASSWORD [RUNS [SECURITY [ids|count]]]\n",
                     argv[0]);
        return 2;
    }
    const int runs = argc > 5 ? std::max(1, std::atoi(argv[5])) : 20;
    vexil::TSecurity security = vexil::TSecurity::Auto;
    if (argc > 6 && !vexil::ParseSecurity(argv[6], security)) {
        std::fprintf(stderr, "unknown security %s\n", argv[6]);
        return 2;
    }
    const bool keepIds = argc <= 7 || std::string(argv[7]) != "count";
    vexil::TProtocol protocol = vexil::TProtocol::Pop3;
    if (argc > 8 && !vexil::ParseProtocol(argv[8], protocol)) {
        std::fprintf(stderr, "unknown protocol %s\n", argv[8]);
        return 2;
    }
    // One session for the whole run, as the running program keeps its own.
    vexil::TWirePOP3 pop;
    vexil::TWireIMAP imap;
    vexil::IMailbox& mailbox = protocol == vexil::TProtocol::Imap ? static_cast<vexil::IMailbox&>(imap)
                                                                   : static_cast<vexil::IMailbox&>(pop);
    mailbox.SetServer({argv[1], std::atoi(argv[2]), argv[3], argv[4], security});
    std::vector<double> times;
    int count = -1;
    vexil::TUniqueIds ids;
    try {
        for (int i = 0; i < runs; ++i) {
            const auto start = std::chrono::steady_clock::now();
            mailbox.Connect();
            count = mailbox.CheckMessages(keepIds ? &ids : nullptr);
            mailbox.Disconnect();
            times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
            if (keepIds && !ids.Known()) {
                std::fprintf(stderr, "the listing gave no usable ids\n");
                return 1;
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "check failed: %s\n", e.what());
        return 1;
    }
    const double first = times.front();
    std::vector<double> later(times.size() > 1 ? times.begin() + 1 : times.begin(), times.end());
    std::sort(later.begin(), later.end());
    const size_t n = later.size();
    const double median = n % 2 ? later[n / 2] : (later[n / 2 - 1] + later[n / 2]) / 2;
    std::printf("median_ms=%.2f min_ms=%.2f max_ms=%.2f first_ms=%.2f runs=%zu count=%d\n", median,
                later.front(), later.back(), first, times.size(), count);
    return 0;
}
