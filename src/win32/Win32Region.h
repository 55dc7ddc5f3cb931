// Regions of the Windows program: rectangle lists become GDI regions through
// a region data block (RGNDATA) and ExtCreateRegion.
#pragma once

#include "skin/Region.h"

namespace vexil {

class TWin32RegionOps : public IRegionOps {
public:
    // Handles are HRGNs.  Throws std::runtime_error when GDI refuses.
    Handle CreateFromRects(const TRegionRect* rects, int count, const TRegionRect& bounds) override;
    void CombineOr(Handle dst, Handle src) override;
    void Delete(Handle h) override;
};

}  // namespace vexil
