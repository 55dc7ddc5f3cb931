// GDI implementation of the region operations used by the shaped windows.
#include "win32/Win32Region.h"

#include <windows.h>

#include <cstring>
#include <stdexcept>
#include <vector>

namespace vexil {

static_assert(sizeof(RGNDATAHEADER) == 32, "region data header layout");
static_assert(sizeof(RECT) == sizeof(TRegionRect), "a TRegionRect is laid out as a RECT");

IRegionOps::Handle TWin32RegionOps::CreateFromRects(const TRegionRect* rects, int count,
                                                    const TRegionRect& bounds) {
    const size_t rectBytes = static_cast<size_t>(count) * sizeof(RECT);
    // DWORD elements keep the header and the rectangles suitably aligned.
    std::vector<DWORD> block((sizeof(RGNDATAHEADER) + rectBytes + sizeof(DWORD) - 1) /
                             sizeof(DWORD));
    RGNDATA* data = reinterpret_cast<RGNDATA*>(block.data());
    data->rdh.dwSize = sizeof(RGNDATAHEADER);
    data->rdh.iType = RDH_RECTANGLES;
    data->rdh.nCount = static_cast<DWORD>(count);
    data->rdh.nRgnSize = 0;
    data->rdh.rcBound = RECT{bounds.Left, bounds.Top, bounds.Right, bounds.Bottom};
    if (count > 0) std::memcpy(data->Buffer, rects, rectBytes);

    HRGN region = ExtCreateRegion(nullptr, static_cast<DWORD>(sizeof(RGNDATAHEADER) + rectBytes),
                                  data);
    if (!region) throw std::runtime_error("Cannot create the window region");
    return region;
}

void TWin32RegionOps::CombineOr(Handle dst, Handle src) {
    if (CombineRgn(static_cast<HRGN>(dst), static_cast<HRGN>(dst), static_cast<HRGN>(src),
                   RGN_OR) == ERROR)
        throw std::runtime_error("Cannot combine the window region");
}

void TWin32RegionOps::Delete(Handle h) { DeleteObject(static_cast<HGDIOBJ>(h)); }

}  // namespace vexil
