// One tick of the news ticker in the real main window's logic: DoScroll, the
// status line drawn again at the next offset, and the status strip composed
// for the screen, as the window does on each 5 ms tick.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "app/Vexil.h"
#include "support/FakeMainWindow.h"
#include "support/FakeMessages.h"
#include "support/TempDir.h"

namespace vexil {
namespace {

void BM_TickerTick(benchmark::State& state) {
    namespace fs = std::filesystem;
    test::TTempDir dir;
    fs::copy(fs::path(VEXIL_SOURCE_DIR) / "skins", fs::path(dir.Path()) / "skins",
             fs::copy_options::recursive);
    test::WriteFileBytes(dir.File("Vexil.ini"),
                         "current_skin = skins/Default/\r\nspeed = 2\r\nmin_scroll = 20\r\n");
    test::WriteFileBytes(dir.File("Accounts.ini"), "");
    test::WriteFileBytes(dir.File("VxFilter.ini"), "");
    test::TFakeMainWindow view;
    test::TFakeSystem system;
    system.Dir = dir.Path();
    test::TFakeMessages messages;
    TVexil vexil{view, system, messages};
    vexil.FormCreate();
    view.Visible = true;
    vexil.FormShow();
    // A line far longer than the strip, so that every tick scrolls it.
    std::string line = " ";
    for (int i = 0; i < 40; ++i) line += "Scrolling news item number " + std::to_string(i) + ". ";
    vexil.SetNewsLines({line});
    TImage32 surface;
    vexil.Paint(surface);
    for (int i = 0; i < 700; ++i) vexil.DoScroll();  // past the first pause
    const TRect strip = vexil.STATBMP().BoundsRect();
    for (auto _ : state) {
        vexil.DoScroll();
        vexil.PaintArea(surface, strip);
        benchmark::DoNotOptimize(surface.Row(strip.Top));
        view.Invalidated.clear();
    }
    state.counters["offset"] = vexil.Ticker().ScrollOffset();
}
BENCHMARK(BM_TickerTick)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vexil
