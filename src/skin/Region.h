// Window shapes cut from a picture: every pixel of the transparent colour is
// left out of the region.  The region itself belongs to the platform; the
// builder only hands it lists of rectangles through IRegionOps.
#pragma once

#include <cstdint>

#include "skin/Image.h"

namespace vexil {

// Left, top, right, bottom; right and bottom exclusive (the layout of a
// Windows RECT).
struct TRegionRect {
    std::int32_t Left, Top, Right, Bottom;
};

// The platform's regions.  Handles are owned by whoever holds them; a handle
// given to CombineOr as src stays the caller's.
class IRegionOps {
public:
    using Handle = void*;
    virtual ~IRegionOps() = default;
    // A region made of count rectangles inside bounds.  May throw when the
    // platform refuses.
    virtual Handle CreateFromRects(const TRegionRect* rects, int count,
                                   const TRegionRect& bounds) = 0;
    // dst := dst OR src.  May throw when the platform refuses.
    virtual void CombineOr(Handle dst, Handle src) = 0;
    virtual void Delete(Handle h) = 0;
};

// The region of bitmap's pixels whose RGB differs from colour's (alpha is
// ignored), built from one rectangle per horizontal run of such pixels, in
// batches of kRegionBatch rectangles joined by OR.  Returns nullptr for no
// bitmap or an empty one; the caller owns the result.  Errors of the platform
// propagate, with nothing left allocated.
IRegionOps::Handle RegionFromBitmap(const TImage32* bitmap, TColor32 colour, IRegionOps& ops);

// Rectangles per region creation.
constexpr int kRegionBatch = 2000;

}  // namespace vexil
