// The window shape of a full-screen background: the region builder's scan on a
// 1920x1080 picture with rounded corners, holes and a magenta margin, next to
// a plain pass that only reads every pixel once (the floor for any scan).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "skin/Region.h"

namespace vexil {
namespace {

constexpr int kWidth = 1920, kHeight = 1080;
constexpr int kMargin = 6, kRadius = 40;

bool InEllipse(int x, int y, int cx, int cy, int rx, int ry) {
    const double dx = double(x - cx) / rx, dy = double(y - cy) / ry;
    return dx * dx + dy * dy <= 1.0;
}

// A skin-like background: a gradient inside a rounded rectangle, magenta
// outside it and in a few elliptical holes.
TImage32 MakeBackground() {
    TImage32 image(kWidth, kHeight, kMagenta);
    const int left = kMargin, top = kMargin, right = kWidth - kMargin, bottom = kHeight - kMargin;
    struct Hole { int Cx, Cy, Rx, Ry; };
    const Hole holes[] = {{300, 250, 120, 70}, {1500, 300, 60, 160}, {960, 800, 300, 90},
                          {200, 900, 45, 45}, {1700, 950, 90, 40}};
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            // Corner arcs: distance from the corner's centre of curvature.
            const int cx = x < left + kRadius ? left + kRadius
                         : x >= right - kRadius ? right - kRadius - 1 : x;
            const int cy = y < top + kRadius ? top + kRadius
                         : y >= bottom - kRadius ? bottom - kRadius - 1 : y;
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) > kRadius * kRadius) continue;
            bool hole = false;
            for (const Hole& h : holes) hole = hole || InEllipse(x, y, h.Cx, h.Cy, h.Rx, h.Ry);
            if (!hole) image.SetPixel(x, y, Rgb(x / 8, y / 5, (x + y) / 12));
        }
    return image;
}

const TImage32& Background() {
    static const TImage32 image = MakeBackground();
    return image;
}

// Keeps the rectangles and nothing else, so the figure is the scan's.
class TKeepRects : public IRegionOps {
public:
    std::vector<TRegionRect> Rects;
    Handle CreateFromRects(const TRegionRect* rects, int count, const TRegionRect&) override {
        Rects.insert(Rects.end(), rects, rects + count);
        return this;
    }
    void CombineOr(Handle, Handle) override {}
    void Delete(Handle) override {}
};

void BM_RegionFromBitmap(benchmark::State& state) {
    const TImage32& image = Background();
    TKeepRects ops;
    ops.Rects.reserve(4 * kHeight);
    for (auto _ : state) {
        ops.Rects.clear();
        benchmark::DoNotOptimize(RegionFromBitmap(&image, kMagenta, ops));
        benchmark::ClobberMemory();
    }
    state.counters["rects"] = static_cast<double>(ops.Rects.size());
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_RegionFromBitmap)->Unit(benchmark::kMillisecond);

// Reads every pixel once: the sum of the RGB parts.
void BM_PlainPixelPass(benchmark::State& state) {
    const TImage32& image = Background();
    for (auto _ : state) {
        std::uint64_t sum = 0;
        for (int y = 0; y < image.Height(); ++y) {
            const TColor32* row = image.Row(y);
            for (int x = 0; x < image.Width(); ++x) sum += RgbOf(row[x]);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_PlainPixelPass)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vexil
