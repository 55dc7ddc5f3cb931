// Opening a message in the message window as a double click does it: the
// real window, "Retr" from a server, decoding, the text area showing the
// message's first screens and taking the skin's look; then the window on
// screen while the rest of a long text fills its text area.  Run by
// bench/open_message.sh under Wine.
//
//   open_message HOST PORT USER PASSWORD MESSAGE [RUNS]
//
// Prints "median_ms=… min_ms=… runs=… text_area_ms=… whole_ms=…
// longest_turn_ms=… text_chars=… attachment_bytes=… bare_edit_ms=…
// peak_mb=…" on one line.  median_ms is the opening (until the window can
// show the message), text_area_ms the text area's share of it (the message
// put in again); whole_ms the median time from the opening's start until
// the whole text is in the text area; longest_turn_ms the longest the
// window's thread took over one message meanwhile (the longest the window
// could not answer).
// bare_edit_ms is the time a bare edit control of the same style takes to
// take the whole text at once; peak_mb is the process's peak working set
// above what it held before the first message was opened (attachments are
// decoded into temporary files, as in the program).
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "msgwin/MsgList.h"
#include "pop3/WirePOP3.h"
#include "win32/MsgListWindow.h"
#include "win32/Win32Services.h"

using namespace vexil;

namespace {

class TNoAlert : public IFilterAlert {
public:
    TAlertAnswer Ask(const std::string&, const std::string&, const std::string&, int) override {
        return TAlertAnswer::Ignore;
    }
};

class THost : public IMsgListHost {
public:
    int Count = 0;
    int MsgCount() override { return Count; }
    bool NotepadMode() override { return false; }
    bool OnTopChecked() override { return false; }
    void CountAndClose() override {}
    void ShellOpen(const std::string&) override {}
};

size_t WorkingSet(bool peak) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return peak ? counters.PeakWorkingSetSize : counters.WorkingSetSize;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr, "usage: %s HOST PORT USER PASSWORD MESSAGE [RUNS]\n", argv[0]);
        return 2;
    }
    const int number = std::atoi(argv[5]);
    const int runs = argc > 6 ? std::max(1, std::atoi(argv[6])) : 5;
    TMsgListWindow window(GetModuleHandleA(nullptr), nullptr);
    TNoAlert alert;
    THost host;
    TWin32Messages messages;
    TWirePOP3 pop;
    TWireMessage msg;
    TSettings settings;
    settings.header_only = false;
    settings.filter = false;
    TFilterTable filters;
    TMsgList logic(window, alert, host, messages, pop, msg, settings, filters);
    window.Bind(logic);
    TTextAreaStyle style;
    style.Bounds = TRect{16, 37, 344, 215};
    style.FontName = "Tahoma";
    style.FontSize = 8;
    window.SetTextArea(style);

    pop.Host = argv[1];
    pop.Port = std::atoi(argv[2]);
    pop.UserID = argv[3];
    pop.Password = argv[4];
    // As the main window has it: its buffer, and the windows kept alive on
    // every received kilobyte.
    pop.BufferChunk = 65536;
    pop.OnWork = [&window](TWireSocket&, int, int) { window.ProcessMessages(); };
    std::vector<double> times, wholeTimes;
    double longestTurn = 0;
    size_t textChars = 0;
    unsigned long long attachmentBytes = 0;
    const size_t before = WorkingSet(false);
    try {
        pop.Connect();
        host.Count = pop.CheckMessages();
        for (int i = 0; i < runs; ++i) {
            const auto start = std::chrono::steady_clock::now();
            logic.ShowMsg(number, 0);
            // Then the skin's look of the text area, as the window gets it
            // before it shows (its font, margins and bounds).
            window.SetTextArea(style);
            times.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
            // On screen, as the program shows it, until the text area holds
            // the whole text (a bounded wait).
            window.Show();
            while (window.TextFilling() &&
                   std::chrono::steady_clock::now() - start < std::chrono::minutes(10)) {
                MSG m;
                if (!PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
                    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
                    continue;
                }
                const auto turn = std::chrono::steady_clock::now();
                TranslateMessage(&m);
                DispatchMessageA(&m);
                longestTurn = std::max(longestTurn, std::chrono::duration<double, std::milli>(
                                                        std::chrono::steady_clock::now() - turn).count());
            }
            wholeTimes.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
            window.Hide();
        }
        pop.Disconnect();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "open failed: %s\n", e.what());
        return 1;
    }
    HWND edit = FindWindowExW(window.Handle(), nullptr, L"EDIT", nullptr);
    textChars = static_cast<size_t>(GetWindowTextLengthW(edit));

    // The floor: the same text put into a bare edit control of the same
    // size, style and font.
    std::wstring text(textChars + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(edit, &text[0], static_cast<int>(textChars + 1))));
    RECT bounds;
    GetClientRect(edit, &bounds);
    HWND bare = CreateWindowExW(0, L"EDIT", L"", GetWindowLongW(edit, GWL_STYLE) & ~WS_VISIBLE, 0, 0,
                                bounds.right, bounds.bottom, window.Handle(), nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    SendMessageW(bare, WM_SETFONT, SendMessageW(edit, WM_GETFONT, 0, 0), FALSE);
    SendMessageW(bare, EM_SETLIMITTEXT, 0, 0);
    const auto floorStart = std::chrono::steady_clock::now();
    SetWindowTextW(bare, text.c_str());
    const double floorMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - floorStart).count();
    DestroyWindow(bare);

    // The text area's share of the opening: the message's lines put in
    // again as the opening puts them (the window hidden, the rest to come).
    std::vector<double> areaTimes;
    const std::vector<std::string> lines = window.Lines();
    for (int i = 0; i < runs; ++i) {
        window.SetLines({kMsgReading});
        const auto areaStart = std::chrono::steady_clock::now();
        window.SetLines(lines);
        areaTimes.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - areaStart).count());
    }

    for (const TAttachment& a : msg.Attachments) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (GetFileAttributesExA(a.StoredPathName.c_str(), GetFileExInfoStandard, &data))
            attachmentBytes += (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    const size_t peak = WorkingSet(true);
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        const size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    };
    std::printf("median_ms=%.1f min_ms=%.1f runs=%zu text_area_ms=%.1f whole_ms=%.1f longest_turn_ms=%.1f "
                "text_chars=%zu attachment_bytes=%llu bare_edit_ms=%.1f peak_mb=%.1f\n",
                median(times), *std::min_element(times.begin(), times.end()), times.size(),
                median(areaTimes), median(wholeTimes), longestTurn, textChars, attachmentBytes, floorMs,
                (peak > before ? peak - before : 0) / 1048576.0);
    return 0;
}
