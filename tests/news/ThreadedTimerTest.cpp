// The threaded timer against a window thread the test pumps: ticks run on
// that thread, never pile up, stop when switched off, and a new interval
// switches the timer off.
#include "news/ThreadedTimer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "support/FakeHttp.h"

namespace vexil {
namespace {

using namespace std::chrono_literals;

void PumpFor(test::TFakeUiThread& ui, std::chrono::milliseconds span) {
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end) ui.WaitAndProcess(2);
}

TEST(ThreadedTimer, TicksRunOnTheWindowsThreadAndNeverPileUp) {
    test::TFakeUiThread ui;
    TThreadedTimer timer(ui);
    int ticks = 0;
    bool onWindowThread = true;
    const auto windowThread = std::this_thread::get_id();
    timer.OnTimer = [&] {
        ++ticks;
        onWindowThread = onWindowThread && std::this_thread::get_id() == windowThread;
    };
    EXPECT_FALSE(timer.Enabled());
    timer.SetInterval(5);
    timer.SetEnabled(true);
    PumpFor(ui, 300ms);
    EXPECT_GT(ticks, 10);  // about 60
    EXPECT_LE(ticks, 61);
    EXPECT_TRUE(onWindowThread);
    EXPECT_EQ(timer.Ticks(), ticks);

    // A window busy for 200 ms gets one wake's ticks afterwards, not forty.
    std::this_thread::sleep_for(200ms);
    const int before = ticks;
    ui.ProcessMessages();
    EXPECT_LE(ticks - before, 3);
}

TEST(ThreadedTimer, TicksFasterThanAFrameComeInRunsOfAFrame) {
    const struct {
        unsigned interval, perWake;
    } cases[] = {{0, 1}, {1, 15}, {2, 8}, {5, 3}, {7, 3}, {14, 2}, {15, 1}, {30, 1}, {1000, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(TThreadedTimer::TicksPerWake(c.interval), c.perWake) << c.interval;

    test::TFakeUiThread ui;
    TThreadedTimer timer(ui);
    std::vector<int> runs;  // the ticks before each AfterTicks
    int ticks = 0;
    timer.OnTimer = [&] { ++ticks; };
    timer.AfterTicks = [&] {
        runs.push_back(ticks);
        ticks = 0;
    };
    timer.SetInterval(5);
    timer.SetEnabled(true);
    PumpFor(ui, 200ms);
    ASSERT_GE(runs.size(), 5u);  // about 13
    for (int run : runs) EXPECT_EQ(run, 3);
    EXPECT_EQ(timer.Ticks(), 3 * timer.Wakes());

    // A tick that switches the timer off ends its run; what ran is shown.
    runs.clear();
    timer.OnTimer = [&] {
        ++ticks;
        timer.SetEnabled(false);
    };
    timer.SetEnabled(true);
    PumpFor(ui, 100ms);
    EXPECT_EQ(runs, std::vector<int>{1});
}

TEST(ThreadedTimer, OffMeansNoTickAndANewIntervalSwitchesOff) {
    test::TFakeUiThread ui;
    TThreadedTimer timer(ui);
    int ticks = 0;
    timer.OnTimer = [&] { ++ticks; };
    timer.SetInterval(5);
    timer.SetEnabled(true);
    PumpFor(ui, 50ms);
    timer.SetEnabled(false);
    std::this_thread::sleep_for(20ms);  // a tick may be queued by now
    const int atOff = ticks;
    PumpFor(ui, 100ms);
    EXPECT_EQ(ticks, atOff);

    timer.SetEnabled(true);
    timer.SetInterval(5);  // the same value: still on
    EXPECT_TRUE(timer.Enabled());
    timer.SetInterval(7);
    EXPECT_FALSE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 7u);
    const int atNewInterval = ticks;
    PumpFor(ui, 60ms);
    EXPECT_EQ(ticks, atNewInterval);

    timer.SetInterval(0);
    timer.SetEnabled(true);  // 0 never ticks
    PumpFor(ui, 60ms);
    EXPECT_EQ(ticks, atNewInterval);
}

// A tick still queued when the timer goes does nothing when it runs.
TEST(ThreadedTimer, ATickQueuedWhenTheTimerGoesDoesNothing) {
    test::TFakeUiThread ui;
    int ticks = 0;
    {
        TThreadedTimer timer(ui);
        timer.OnTimer = [&] { ++ticks; };
        timer.SetInterval(2);
        timer.SetEnabled(true);
        std::this_thread::sleep_for(30ms);  // one is queued, the worker waits for it
    }
    ui.ProcessMessages();
    EXPECT_EQ(ticks, 0);
}

}  // namespace
}  // namespace vexil
