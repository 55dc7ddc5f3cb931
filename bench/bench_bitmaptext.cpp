// One frame of the news ticker: a 60-character line drawn with a 6x9 status
// font over the window background, cut to 40 characters, at a scroll offset.
// The ticker redraws every few milliseconds, so a frame has to cost far less.
#include <benchmark/benchmark.h>

#include <string>

#include "app/BitmapText.h"

namespace vexil {
namespace {

constexpr int kW = 6, kH = 9;

// Glyph-like cells: strokes on magenta, as skin fonts are drawn.
TImage32 MakeFont() {
    TImage32 font(26 * kW, 3 * kH + 1, kMagenta);
    for (int y = 0; y < font.Height(); ++y)
        for (int x = 0; x < font.Width(); ++x)
            if ((x * 7 + y * 3) % 5 < 2) font.SetPixel(x, y, Rgb(250, 240, 200));
    return font;
}

TImage32 MakeGround() {
    TImage32 ground(320, 60);
    for (int y = 0; y < ground.Height(); ++y)
        for (int x = 0; x < ground.Width(); ++x) ground.SetPixel(x, y, Rgb(x, y * 4, 90));
    return ground;
}

const std::string kNewsLine =
    " Vexil 2.1 is out: faster checks, new skins & fixes (see site) ";

void BM_TickerFrame(benchmark::State& state) {
    const TImage32 font = MakeFont();
    const TImage32 ground = MakeGround();
    const std::string line = kNewsLine.substr(0, 60);
    const int offset = static_cast<int>(state.range(0));
    TBitmapTextResult out;
    for (auto _ : state) {
        RenderBitmapTextInto(out, line, offset, font, kH, kW, TFontLayout::Status, 40, &ground,
                             30, 40);
        benchmark::DoNotOptimize(out.Picture.Row(0));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_TickerFrame)->Arg(0)->Arg(137)->Unit(benchmark::kMicrosecond);

// The same frame with a fresh picture each time (what a non-ticker caller pays).
void BM_FreshPicture(benchmark::State& state) {
    const TImage32 font = MakeFont();
    const TImage32 ground = MakeGround();
    const std::string line = kNewsLine.substr(0, 60);
    for (auto _ : state) {
        TBitmapTextResult r = RenderBitmapText(line, 137, font, kH, kW, TFontLayout::Status, 40,
                                               &ground, 30, 40);
        benchmark::DoNotOptimize(r.Picture.Row(0));
    }
}
BENCHMARK(BM_FreshPicture)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vexil
