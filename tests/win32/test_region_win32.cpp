// Window shapes made by GDI: regions built through TWin32RegionOps must hold
// exactly the non-magenta pixels, also across batches, and a window given one
// must report the same region back.
#include "win32/Win32Region.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexil {
namespace {

// '#' opaque, '.' magenta.
TImage32 FromRows(const std::vector<std::string>& rows) {
    TImage32 image(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            image.SetPixel(x, y, rows[y][x] == '.' ? kMagenta : Rgb(30, 60, 90));
    return image;
}

// A rounded outline with a hole and a one-pixel island.
const std::vector<std::string> kShape = {
    "..######..",
    ".########.",
    "####..####",
    "####..####",
    ".########.",
    "..######.#",
};

// Checks every pixel of the image (and a border around it) against the region.
void ExpectSamePixels(HRGN region, const TImage32& image) {
    for (int y = -2; y < image.Height() + 2; ++y)
        for (int x = -2; x < image.Width() + 2; ++x) {
            const bool inside = x >= 0 && y >= 0 && x < image.Width() && y < image.Height() &&
                                RgbOf(image.Pixel(x, y)) != RgbOf(kMagenta);
            ASSERT_EQ(PtInRegion(region, x, y) != FALSE, inside) << "pixel " << x << ',' << y;
        }
}

struct TRegionHolder {
    HRGN Handle;
    ~TRegionHolder() {
        if (Handle) DeleteObject(Handle);
    }
};

TEST(RegionWin32, HoldsExactlyTheNonMagentaPixels) {
    TWin32RegionOps ops;
    const TImage32 image = FromRows(kShape);
    TRegionHolder region{static_cast<HRGN>(RegionFromBitmap(&image, kMagenta, ops))};
    ASSERT_NE(region.Handle, nullptr);
    ExpectSamePixels(region.Handle, image);
    RECT box;
    EXPECT_EQ(GetRgnBox(region.Handle, &box), COMPLEXREGION);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.right, 10);
    EXPECT_EQ(box.bottom, 6);
}

TEST(RegionWin32, BatchesAreJoinedIntoOneRegion) {
    TImage32 image(120, 60, Rgb(1, 2, 3));  // 60 x 60 = 3600 rectangles: two batches
    for (int y = 0; y < image.Height(); ++y)
        for (int x = y % 2; x < image.Width(); x += 2) image.SetPixel(x, y, kMagenta);
    TWin32RegionOps ops;
    TRegionHolder region{static_cast<HRGN>(RegionFromBitmap(&image, kMagenta, ops))};
    ASSERT_NE(region.Handle, nullptr);
    ExpectSamePixels(region.Handle, image);
}

TEST(RegionWin32, AllMagentaGivesAnEmptyRegion) {
    TWin32RegionOps ops;
    const TImage32 image(7, 5, kMagenta);
    TRegionHolder region{static_cast<HRGN>(RegionFromBitmap(&image, kMagenta, ops))};
    ASSERT_NE(region.Handle, nullptr);
    RECT box;
    EXPECT_EQ(GetRgnBox(region.Handle, &box), NULLREGION);
}

LRESULT CALLBACK PlainWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(hwnd, msg, wp, lp);
}

TEST(RegionWin32, WindowKeepsTheRegionItIsGiven) {
    const char* const kClass = "VexilRegionTestWindow";
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PlainWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClass;
    RegisterClassA(&wc);  // may already exist from an earlier run in this process
    const TImage32 image = FromRows(kShape);
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, kClass, "", WS_POPUP, 0, 0, image.Width(),
                                  image.Height(), nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);

    TWin32RegionOps ops;
    // The window owns the region it is given; a second one is kept for comparison.
    HRGN given = static_cast<HRGN>(RegionFromBitmap(&image, kMagenta, ops));
    TRegionHolder expected{static_cast<HRGN>(RegionFromBitmap(&image, kMagenta, ops))};
    ASSERT_NE(SetWindowRgn(window, given, TRUE), 0);

    TRegionHolder got{CreateRectRgn(0, 0, 0, 0)};
    EXPECT_EQ(GetWindowRgn(window, got.Handle), COMPLEXREGION);
    EXPECT_NE(EqualRgn(got.Handle, expected.Handle), FALSE);
    ExpectSamePixels(got.Handle, image);
    DestroyWindow(window);
}

}  // namespace
}  // namespace vexil
