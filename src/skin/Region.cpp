// Region builder for the shaped windows.  The scan runs over the picture's own
// 32-bit pixels, one load per pixel and no call per pixel: a 1920x1080
// background must shape its window without a visible pause.
#include "skin/Region.h"

#include <limits>
#include <vector>

namespace vexil {

namespace {

constexpr int kRoomStep = 100;  // the rectangle list grows by this much when full

// The rectangles of the batch being gathered and their bounding rectangle.
class TRectBatch {
public:
    TRectBatch() : rects_(kRoomStep) { ResetBounds(); }

    void Add(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
        if (count_ == static_cast<int>(rects_.size())) rects_.resize(rects_.size() + kRoomStep);
        rects_[count_++] = TRegionRect{left, top, right, bottom};
        if (left < bounds_.Left) bounds_.Left = left;
        if (top < bounds_.Top) bounds_.Top = top;
        if (right > bounds_.Right) bounds_.Right = right;
        if (bottom > bounds_.Bottom) bounds_.Bottom = bottom;
    }
    bool Full() const { return count_ >= kRegionBatch; }

    // Turns the batch (even an empty one) into a region joined to result, and
    // starts an empty batch.
    void FlushInto(IRegionOps::Handle& result, IRegionOps& ops) {
        IRegionOps::Handle part = ops.CreateFromRects(rects_.data(), count_, bounds_);
        count_ = 0;
        ResetBounds();
        if (!result) {
            result = part;
            return;
        }
        try {
            ops.CombineOr(result, part);
        } catch (...) {
            ops.Delete(part);
            throw;
        }
        ops.Delete(part);
    }

private:
    // The empty bounding rectangle: any rectangle added widens it to itself.
    void ResetBounds() {
        const std::int32_t big = std::numeric_limits<std::int32_t>::max();
        bounds_ = TRegionRect{big, big, 0, 0};
    }

    std::vector<TRegionRect> rects_;
    int count_ = 0;
    TRegionRect bounds_;
};

}  // namespace

IRegionOps::Handle RegionFromBitmap(const TImage32* bitmap, TColor32 colour, IRegionOps& ops) {
    if (!bitmap || bitmap->Empty()) return nullptr;

    const int width = bitmap->Width(), height = bitmap->Height();
    const std::uint32_t key = RgbOf(colour);
    IRegionOps::Handle result = nullptr;
    try {
        TRectBatch batch;
        for (int y = 0; y < height; ++y) {
            const TColor32* row = bitmap->Row(y);
            int x = 0;
            while (x < width) {
                const int x0 = x;
                while (x < width && RgbOf(row[x]) != key) ++x;
                if (x > x0) {
                    batch.Add(x0, y, x, y + 1);
                    if (batch.Full()) batch.FlushInto(result, ops);
                }
                ++x;  // the transparent pixel that ended the run
            }
        }
        batch.FlushInto(result, ops);
    } catch (...) {
        if (result) ops.Delete(result);
        throw;
    }
    return result;
}

}  // namespace vexil
