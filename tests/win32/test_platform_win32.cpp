// The Win32 side of the main window's platform, observed on a real window:
// bounds, visibility, the topmost band, regions, the check timer, and picture
// loading through the system (metafiles; BMP decoding compared with GDI's).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "skin/Picture.h"
#include "support/FakeMessages.h"
#include "win32/MainWindow.h"
#include "win32/Win32Services.h"

using namespace vexil;

namespace {

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

class MainWindowWin32 : public ::testing::Test {
protected:
    test::TFakeMessages messages;
    TWin32System system;
    TMainWindow window{GetModuleHandleA(nullptr), nullptr, system, messages};
};

TEST_F(MainWindowWin32, BoundsVisibilityAndTopmost) {
    window.SetBounds(40, 30, 120, 50);
    int left = 0, top = 0;
    window.GetPosition(left, top);
    EXPECT_EQ(left, 40);
    EXPECT_EQ(top, 30);
    RECT r;
    GetWindowRect(window.Handle(), &r);
    EXPECT_EQ(r.right - r.left, 120);
    EXPECT_EQ(r.bottom - r.top, 50);
    // Borderless: the client area is the whole window.
    GetClientRect(window.Handle(), &r);
    EXPECT_EQ(r.right, 120);
    EXPECT_EQ(r.bottom, 50);

    EXPECT_FALSE(window.IsVisible());
    window.ShowWindow();
    EXPECT_TRUE(window.IsVisible());
    window.HideWindow();
    EXPECT_FALSE(window.IsVisible());

    // The band is set before the window is first shown (at start-up) and
    // must hold once it shows.
    window.SetTopmost(true);
    window.ShowWindow();
    EXPECT_TRUE(GetWindowLongA(window.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    window.SetTopmost(false);
    EXPECT_FALSE(GetWindowLongA(window.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    window.GetPosition(left, top);
    EXPECT_EQ(left, 40);  // the band changes without a move
}

TEST_F(MainWindowWin32, RegionFromBitmapShapesTheWindow) {
    // A 20x10 bitmap with a magenta left half in the top row and a magenta
    // hole at (15,5).
    TImage32 bmp(20, 10, Rgb(10, 20, 30));
    for (int x = 0; x < 10; ++x) bmp.SetPixel(x, 0, kMagenta);
    bmp.SetPixel(15, 5, kMagenta);
    window.SetBounds(0, 0, 20, 10);
    window.SetWindowRegion(RegionFromBitmap(&bmp, kMagenta, window.RegionOps()));
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(window.Handle(), rgn), ERROR);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            EXPECT_EQ(PtInRegion(rgn, x, y) != FALSE, !SameRgb(bmp.Pixel(x, y), kMagenta))
                << x << "," << y;
    DeleteObject(rgn);
}

TEST_F(MainWindowWin32, CheckTimerTicksOnlyWhileEnabled) {
    window.SetCheckTimer(true, 10);
    Sleep(60);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, window.Handle(), WM_TIMER, WM_TIMER, PM_REMOVE));
    window.SetCheckTimer(false, 10);
    Pump();
    Sleep(60);
    EXPECT_FALSE(PeekMessageA(&msg, window.Handle(), WM_TIMER, WM_TIMER, PM_REMOVE));
    // An interval of 0 never ticks.
    window.SetCheckTimer(true, 0);
    Sleep(60);
    EXPECT_FALSE(PeekMessageA(&msg, window.Handle(), WM_TIMER, WM_TIMER, PM_REMOVE));
}

std::string TempFile(const char* name) {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}

TEST(PicturesWin32, EnhancedMetafileRendersAtItsOwnSize) {
    const std::string path = TempFile("vexil-test.emf");
    HDC ref = GetDC(nullptr);
    HDC mf = CreateEnhMetaFileA(ref, path.c_str(), nullptr, nullptr);
    ReleaseDC(nullptr, ref);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT r{0, 0, 30, 20};
    FillRect(mf, &r, red);
    DeleteObject(red);
    DeleteEnhMetaFile(CloseEnhMetaFile(mf));

    TWin32System system;
    TPicture pic = LoadPictureFile(path, [&](const std::string& p) { return system.LoadMetafile(p); });
    EXPECT_EQ(pic.Format, TPictureFormat::Metafile);
    ASSERT_GE(pic.Width(), 29);
    ASSERT_GE(pic.Height(), 19);
    EXPECT_EQ(RgbOf(pic.First().Pixel(10, 10)), 0xFF0000u);
    DeleteFileA(path.c_str());

    EXPECT_THROW(system.LoadMetafile(TempFile("vexil-missing.wmf")), EPictureError);
}

// Our decoder must read the shipped skin's bitmaps exactly as GDI does.
TEST(PicturesWin32, BmpDecoderAgreesWithGdi) {
    const std::string dir = std::string(VEXIL_SOURCE_DIR) + "/skins/Default/";
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((dir + "*.bmp").c_str(), &fd);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    int compared = 0;
    do {
        const std::string path = dir + fd.cFileName;
        HBITMAP bmp = static_cast<HBITMAP>(
            LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
        ASSERT_NE(bmp, nullptr) << path;
        BITMAP info;
        GetObjectA(bmp, sizeof info, &info);
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = info.bmWidth;
        bi.bmiHeader.biHeight = -info.bmHeight;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        std::vector<std::uint32_t> gdi(static_cast<size_t>(info.bmWidth) * info.bmHeight);
        HDC dc = GetDC(nullptr);
        GetDIBits(dc, bmp, 0, info.bmHeight, gdi.data(), &bi, DIB_RGB_COLORS);
        ReleaseDC(nullptr, dc);
        DeleteObject(bmp);

        TPicture ours = LoadBitmapFile(path);
        ASSERT_EQ(ours.Width(), info.bmWidth) << path;
        ASSERT_EQ(ours.Height(), info.bmHeight) << path;
        for (int y = 0; y < info.bmHeight; ++y)
            for (int x = 0; x < info.bmWidth; ++x)
                ASSERT_EQ(RgbOf(ours.First().Pixel(x, y)), gdi[y * info.bmWidth + x] & 0xFFFFFF)
                    << path << " at " << x << "," << y;
        ++compared;
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    EXPECT_GT(compared, 5);
}

TEST(MessagesWin32, CarriageReturnBreaksTheLine) {
    EXPECT_EQ(MessageBoxText("a\rb"), "a\r\nb");
    EXPECT_EQ(MessageBoxText("a\r\nb"), "a\r\nb");
}

}  // namespace
