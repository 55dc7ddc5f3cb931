// The region builder against a recording fake of the platform's regions: the
// union of what it builds is compared pixel by pixel with the bitmap, and its
// rectangle lists with the runs found by a plain per-pixel walk.
#include "skin/Region.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace vexil {

// Static, not in the unnamed namespace: argument-dependent lookup from
// std::vector's == must find them.
static bool operator==(const TRegionRect& a, const TRegionRect& b) {
    return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
}
static std::ostream& operator<<(std::ostream& os, const TRegionRect& r) {
    return os << '(' << r.Left << ',' << r.Top << ',' << r.Right << ',' << r.Bottom << ')';
}

namespace {

constexpr std::int32_t kBig = std::numeric_limits<std::int32_t>::max();
const TRegionRect kEmptyBounds{kBig, kBig, 0, 0};

// Regions as plain lists of rectangles.  Every creation is kept as a batch;
// handles are 1-based indexes into the region table.
class TRecordingRegions : public IRegionOps {
public:
    struct TBatch {
        std::vector<TRegionRect> Rects;
        TRegionRect Bounds;
    };
    std::vector<TBatch> Batches;
    int Combines = 0;
    int RefuseCreation = -1;  // the index of the creation that throws

    Handle CreateFromRects(const TRegionRect* rects, int count,
                           const TRegionRect& bounds) override {
        if (static_cast<int>(Batches.size()) == RefuseCreation)
            throw std::runtime_error("refused");
        Batches.push_back(TBatch{std::vector<TRegionRect>(rects, rects + count), bounds});
        regions_.push_back(TRegion{Batches.back().Rects, true});
        return reinterpret_cast<Handle>(regions_.size());
    }
    void CombineOr(Handle dst, Handle src) override {
        const std::vector<TRegionRect> add = At(src).Rects;
        At(dst).Rects.insert(At(dst).Rects.end(), add.begin(), add.end());
        ++Combines;
    }
    void Delete(Handle h) override { At(h).Live = false; }

    int LiveCount() const {
        int n = 0;
        for (const TRegion& r : regions_) n += r.Live;
        return n;
    }
    // How many of the region's rectangles cover each pixel of a w x h area.
    std::vector<int> Coverage(Handle h, int w, int height) {
        std::vector<int> cover(static_cast<size_t>(w) * height, 0);
        for (const TRegionRect& r : At(h).Rects) {
            EXPECT_TRUE(r.Left >= 0 && r.Top >= 0 && r.Right <= w && r.Bottom <= height) << r;
            for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, height); ++y)
                for (int x = std::max(r.Left, 0); x < std::min(r.Right, w); ++x)
                    ++cover[static_cast<size_t>(y) * w + x];
        }
        return cover;
    }
    std::vector<TRegionRect> AllBatchRects() const {
        std::vector<TRegionRect> all;
        for (const TBatch& b : Batches) all.insert(all.end(), b.Rects.begin(), b.Rects.end());
        return all;
    }

private:
    struct TRegion {
        std::vector<TRegionRect> Rects;
        bool Live;
    };
    TRegion& At(Handle h) {
        const size_t i = reinterpret_cast<size_t>(h);
        if (i == 0 || i > regions_.size()) throw std::logic_error("unknown region handle");
        if (!regions_[i - 1].Live) throw std::logic_error("region used after Delete");
        return regions_[i - 1];
    }
    std::vector<TRegion> regions_;
};

// The runs of non-key pixels, found pixel by pixel.
std::vector<TRegionRect> ReferenceRuns(const TImage32& image, TColor32 key) {
    std::vector<TRegionRect> runs;
    auto solid = [&](int x, int y) { return (image.Pixel(x, y) & 0xFFFFFFu) != (key & 0xFFFFFFu); };
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            if (!solid(x, y)) continue;
            if (x == 0 || !solid(x - 1, y)) runs.push_back(TRegionRect{x, y, 0, y + 1});
            if (x == image.Width() - 1 || !solid(x + 1, y)) runs.back().Right = x + 1;
        }
    return runs;
}

TRegionRect BoundsOf(const std::vector<TRegionRect>& rects) {
    TRegionRect b = kEmptyBounds;
    for (const TRegionRect& r : rects) {
        b.Left = std::min(b.Left, r.Left);
        b.Top = std::min(b.Top, r.Top);
        b.Right = std::max(b.Right, r.Right);
        b.Bottom = std::max(b.Bottom, r.Bottom);
    }
    return b;
}

// Builds the region and checks everything that must hold whatever the bitmap:
// the pixels inside are exactly the non-key ones, each covered once; the
// rectangles are the runs in scan order; batches are full but the last; each
// batch's bounds fit its rectangles; only the result is left alive.
void CheckRegion(const TImage32& image, TColor32 key, const std::string& what) {
    SCOPED_TRACE(what);
    TRecordingRegions ops;
    IRegionOps::Handle region = RegionFromBitmap(&image, key, ops);
    ASSERT_NE(region, nullptr);
    EXPECT_EQ(ops.LiveCount(), 1);

    const std::vector<int> cover = ops.Coverage(region, image.Width(), image.Height());
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const int expected = RgbOf(image.Pixel(x, y)) != RgbOf(key) ? 1 : 0;
            ASSERT_EQ(cover[static_cast<size_t>(y) * image.Width() + x], expected)
                << "pixel " << x << ',' << y;
        }

    const std::vector<TRegionRect> runs = ReferenceRuns(image, key);
    EXPECT_EQ(ops.AllBatchRects(), runs);
    ASSERT_EQ(ops.Batches.size(), runs.size() / kRegionBatch + 1);
    EXPECT_EQ(ops.Combines, static_cast<int>(ops.Batches.size()) - 1);
    for (size_t i = 0; i < ops.Batches.size(); ++i) {
        const auto& batch = ops.Batches[i];
        if (i + 1 < ops.Batches.size()) {
            EXPECT_EQ(batch.Rects.size(), size_t(kRegionBatch)) << "batch " << i;
        }
        EXPECT_EQ(batch.Bounds, BoundsOf(batch.Rects)) << "batch " << i;
    }
}

// Random pictures with a given share of key-coloured pixels; the rest are
// random colours, often one step away from magenta.  Key pixels get a random
// alpha: only RGB counts.
TImage32 RandomImage(std::mt19937& rng, int w, int h, double keyShare, TColor32 key) {
    std::bernoulli_distribution isKey(keyShare);
    std::uniform_int_distribution<std::uint32_t> any(0, 0xFFFFFFFFu);
    const TColor32 nearMagenta[] = {Rgb(255, 1, 255), Rgb(254, 0, 255), Rgb(255, 0, 254),
                                    Rgb(0, 0, 0)};
    TImage32 image(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::uint32_t r = any(rng);
            const bool keyPixel = isKey(rng);
            TColor32 c;
            if (keyPixel)
                c = RgbOf(key) | (r & 0xFF000000u);
            else if (r % 3 == 0)
                c = nearMagenta[(r >> 8) % 4];
            else
                c = r | kOpaque;
            if (!keyPixel && RgbOf(c) == RgbOf(key)) c ^= 1;
            image.SetPixel(x, y, c);
        }
    return image;
}

TEST(RegionFromBitmap, MatchesAPixelByPixelReferenceOnRandomBitmaps) {
    std::mt19937 rng(20240611);
    struct Size { int W, H; };
    for (const Size s : {Size{1, 1}, Size{1, 9}, Size{9, 1}, Size{37, 23}, Size{200, 150}})
        for (const double share : {0.0, 0.1, 0.5, 0.9, 1.0}) {
            const TImage32 image = RandomImage(rng, s.W, s.H, share, kMagenta);
            CheckRegion(image, kMagenta,
                        std::to_string(s.W) + "x" + std::to_string(s.H) + " share " +
                            std::to_string(share));
        }
}

TEST(RegionFromBitmap, AnyKeyColourAndItsAlphaIsIgnored) {
    std::mt19937 rng(7);
    const TImage32 image = RandomImage(rng, 64, 40, 0.4, Rgb(0, 0, 0));
    CheckRegion(image, Rgb(0, 0, 0), "black key");
    const TImage32 magenta = RandomImage(rng, 64, 40, 0.4, kMagenta);
    CheckRegion(magenta, 0x00FF00FFu, "magenta key with alpha 0");
}

struct EdgeCase {
    const char* Name;
    std::vector<std::string> Rows;  // '#' opaque grey, '.' magenta, 'n' (255,1,255)
    std::vector<TRegionRect> Rects;
    TRegionRect Bounds;
};

TImage32 FromRows(const std::vector<std::string>& rows) {
    TImage32 image(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const char c = rows[y][x];
            image.SetPixel(x, y, c == '.' ? kMagenta : c == 'n' ? Rgb(255, 1, 255)
                                                                : Rgb(128, 128, 128));
        }
    return image;
}

class RegionEdgeCases : public ::testing::TestWithParam<EdgeCase> {};

TEST_P(RegionEdgeCases, GivesTheRectanglesOfTheScan) {
    const EdgeCase& c = GetParam();
    const TImage32 image = FromRows(c.Rows);
    TRecordingRegions ops;
    IRegionOps::Handle region = RegionFromBitmap(&image, kMagenta, ops);
    ASSERT_NE(region, nullptr);
    ASSERT_EQ(ops.Batches.size(), 1u);
    EXPECT_EQ(ops.Batches[0].Rects, c.Rects);
    EXPECT_EQ(ops.Batches[0].Bounds, c.Bounds);
    EXPECT_EQ(ops.Combines, 0);
}

INSTANTIATE_TEST_SUITE_P(Region, RegionEdgeCases, ::testing::Values(
    EdgeCase{"NoMagentaIsTheWholeRectangle", {"###", "###"},
             {{0, 0, 3, 1}, {0, 1, 3, 2}}, {0, 0, 3, 2}},
    EdgeCase{"AllMagentaIsEmpty", {"....", "...."}, {}, kEmptyBounds},
    EdgeCase{"SinglePixelAtOrigin", {"#...", "....", "...."}, {{0, 0, 1, 1}}, {0, 0, 1, 1}},
    EdgeCase{"GreenOneIsNotTransparent", {".n."}, {{1, 0, 2, 1}}, {1, 0, 2, 1}},
    EdgeCase{"AlternatingRowOneRectPerPixel", {"#.#.#"},
             {{0, 0, 1, 1}, {2, 0, 3, 1}, {4, 0, 5, 1}}, {0, 0, 5, 1}},
    EdgeCase{"RunsEndingAtTheRightEdge", {"..##", "#..#", "...."},
             {{2, 0, 4, 1}, {0, 1, 1, 2}, {3, 1, 4, 2}}, {0, 0, 4, 2}}),
    [](const auto& info) { return std::string(info.param.Name); });

// Alternate opaque and magenta pixels: width / 2 rectangles per row.
TImage32 Stripes(int w, int h) {
    TImage32 image(w, h, Rgb(10, 20, 30));
    for (int y = 0; y < h; ++y)
        for (int x = (y % 2); x < w; x += 2) image.SetPixel(x, y, kMagenta);
    return image;
}

TEST(RegionBatches, ManyRectanglesAreJoinedInBatchesOf2000) {
    const TImage32 image = Stripes(100, 100);  // 5000 rectangles
    TRecordingRegions ops;
    IRegionOps::Handle region = RegionFromBitmap(&image, kMagenta, ops);
    ASSERT_EQ(ops.Batches.size(), 3u);
    EXPECT_EQ(ops.Batches[0].Rects.size(), 2000u);
    EXPECT_EQ(ops.Batches[1].Rects.size(), 2000u);
    EXPECT_EQ(ops.Batches[2].Rects.size(), 1000u);
    EXPECT_EQ(ops.Combines, 2);
    EXPECT_EQ(ops.Batches[0].Bounds, (TRegionRect{0, 0, 100, 40}));  // rows 0 to 39
    EXPECT_EQ(ops.Batches[1].Bounds, (TRegionRect{0, 40, 100, 80}));
    CheckRegion(image, kMagenta, "stripes");
    (void)region;
}

TEST(RegionBatches, AnExactMultipleEndsWithAnEmptyBatch) {
    const TImage32 image = Stripes(80, 50);  // 40 x 50 = 2000 rectangles
    TRecordingRegions ops;
    RegionFromBitmap(&image, kMagenta, ops);
    ASSERT_EQ(ops.Batches.size(), 2u);
    EXPECT_EQ(ops.Batches[0].Rects.size(), 2000u);
    EXPECT_TRUE(ops.Batches[1].Rects.empty());
    EXPECT_EQ(ops.Batches[1].Bounds, kEmptyBounds);
    EXPECT_EQ(ops.Combines, 1);
}

TEST(RegionFromBitmap, NoBitmapGivesNoRegion) {
    TRecordingRegions ops;
    const TImage32 empty;
    EXPECT_EQ(RegionFromBitmap(nullptr, kMagenta, ops), nullptr);
    EXPECT_EQ(RegionFromBitmap(&empty, kMagenta, ops), nullptr);
    EXPECT_TRUE(ops.Batches.empty());
}

TEST(RegionFromBitmap, RefusedCreationPropagatesAndFreesThePartialResult) {
    const TImage32 image = Stripes(100, 100);
    for (int refused : {0, 1, 2}) {
        TRecordingRegions ops;
        ops.RefuseCreation = refused;
        EXPECT_THROW(RegionFromBitmap(&image, kMagenta, ops), std::runtime_error);
        EXPECT_EQ(ops.LiveCount(), 0) << "refused creation " << refused;
    }
}

}  // namespace
}  // namespace vexil
