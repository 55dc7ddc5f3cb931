// Checks a screenshot of the running program against what the window's logic
// renders for the same folder, pixel for pixel, and checks the settings file
// the program wrote at exit.
//
//   vexil_screen_check shot FOLDER SHOT.ppm ROOT_RRGGBB [STATUS COUNT [online]]
//   vexil_screen_check points FOLDER
//   vexil_screen_check ini FILE POSX POSY
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/BitmapText.h"
#include "app/Vexil.h"
#include "base/Text.h"
#include "support/FakeMainWindow.h"

using namespace vexil;

namespace {

class TPrintMessages : public IMessages {
public:
    void ShowMessage(const std::string& t) override { std::cerr << "message: " << t << "\n"; }
    void ReportError(const std::string& t) override { std::cerr << "error: " << t << "\n"; }

protected:
    void EndProgram(int code) override { std::exit(10 + code); }
};

// The window's logic started on a program folder, as vexil.exe starts on it.
struct TStartedWindow {
    explicit TStartedWindow(const std::string& folder) {
        System.Dir = folder + "/";
        Vexil.FormCreate();
        Vexil.FormShow();
    }
    test::TFakeMainWindow View;
    test::TFakeSystem System;
    TPrintMessages Messages;
    TVexil Vexil{View, System, Messages};
};

bool ReadPpm(const std::string& path, TImage32& out) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int w = 0, h = 0, maxval = 0;
    in >> magic >> w >> h >> maxval;
    in.get();
    if (!in || magic != "P6" || maxval != 255 || w <= 0 || h <= 0) return false;
    std::vector<unsigned char> data(static_cast<size_t>(w) * h * 3);
    in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
    if (!in) return false;
    out = TImage32(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned char* p = &data[(static_cast<size_t>(y) * w + x) * 3];
            out.SetPixel(x, y, Rgb(p[0], p[1], p[2]));
        }
    return true;
}

void WritePpm(const std::string& path, const TImage32& img) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << img.Width() << " " << img.Height() << "\n255\n";
    for (int y = 0; y < img.Height(); ++y)
        for (int x = 0; x < img.Width(); ++x) {
            TColor32 c = img.Pixel(x, y);
            out.put(static_cast<char>((c >> 16) & 255));
            out.put(static_cast<char>((c >> 8) & 255));
            out.put(static_cast<char>(c & 255));
        }
}

int CheckShot(const std::string& folder, const std::string& shotPath, const std::string& root,
              const std::string& status, const std::string& count, bool online) {
    TStartedWindow window(folder);
    TVexil& vexil = window.Vexil;
    test::TFakeMainWindow& view = window.View;
    // The state a check leaves on view, as the status display shows it: the
    // online picture, the mail picture when messages wait, the status text
    // and the count.  Offline it is the window as it starts.
    TStatusDisplay online_display([](const TRect&) {},
                                  [](const std::string& p) { return LoadPictureFile(p); }, nullptr);
    TImage32 expected;
    if (online) {
        online_display.UseSkin(vexil.Skin(), vexil.Background());
        online_display.ShowStatus(status);
        online_display.DrawCount(count);
        online_display.ShowMailPicture(std::stoi(count) > 0);
        online_display.ShowOnlinePicture(true);
        expected = vexil.Background();
        online_display.Paint(expected);
        for (const TImgBtn* b : {&vexil.Connect, &vexil.RefreshBtn, &vexil.Disconnect, &vexil.MAIL})
            b->Paint(expected);
    } else {
        vexil.Paint(expected);
    }
    const TStatusDisplay& shown = online ? online_display : vexil.Display();

    int failures = 0;
    // The text areas must hold exactly what the font renderer makes of the
    // expected texts (this does not go through the window's own state).
    const TSkin& s = vexil.Skin();
    const TImage32 statusFont = LoadBitmapFile(s.StatusFontPath).First();
    const TImage32 countFont = LoadBitmapFile(s.CountFontPath).First();
    const TBitmapTextResult wantStatus =
        RenderBitmapText(status, 0, statusFont, s.StatusH, s.StatusW, TFontLayout::Status,
                         s.MaxChar, &vexil.Background(), s.StatusX, s.StatusY);
    const TBitmapTextResult wantCount = RenderBitmapText(
        count, 0, countFont, s.CountH, s.CountW, TFontLayout::Count, s.MaxChar, nullptr, 0, 0);
    if (!(shown.STATBMP.Picture() == wantStatus.Picture)) {
        std::cerr << "status area is not \"" << status << "\"\n";
        ++failures;
    }
    if (!(shown.NBMSGBMP.Picture() == wantCount.Picture)) {
        std::cerr << "count area is not \"" << count << "\"\n";
        ++failures;
    }

    TImage32 shot;
    if (!ReadPpm(shotPath, shot)) {
        std::cerr << "cannot read " << shotPath << "\n";
        return 2;
    }
    const TColor32 rootColor = kOpaque | static_cast<TColor32>(std::stoul(root, nullptr, 16));
    const int px = vexil.Settings().posx, py = vexil.Settings().posy;
    const int margin = 3;
    TImage32 diff(expected.Width() + 2 * margin, expected.Height() + 2 * margin, Rgb(0, 0, 0));
    int wrong = 0;
    for (int y = -margin; y < expected.Height() + margin; ++y)
        for (int x = -margin; x < expected.Width() + margin; ++x) {
            const int sx = px + x, sy = py + y;
            if (sx < 0 || sy < 0 || sx >= shot.Width() || sy >= shot.Height()) continue;
            const bool inside = x >= 0 && y >= 0 && x < expected.Width() &&
                                y < expected.Height() &&
                                test::TMaskRegionOps::Contains(view.Region, x, y);
            const TColor32 want = inside ? expected.Pixel(x, y) : rootColor;
            const TColor32 got = shot.Pixel(sx, sy);
            if (!SameRgb(want, got)) {
                if (wrong < 10)
                    std::fprintf(stderr, "pixel (%d,%d): want %06X got %06X (%s)\n", x, y,
                                 RgbOf(want), RgbOf(got), inside ? "window" : "outside");
                ++wrong;
                diff.SetPixel(x + margin, y + margin, Rgb(255, 0, 0));
            } else {
                diff.SetPixel(x + margin, y + margin, got);
            }
        }
    if (wrong) {
        WritePpm(shotPath + ".diff.ppm", diff);
        WritePpm(shotPath + ".expected.ppm", expected);
        std::cerr << wrong << " pixels differ; see " << shotPath << ".diff.ppm\n";
        ++failures;
    }
    std::cout << "window " << expected.Width() << "x" << expected.Height() << " at (" << px
              << "," << py << "): " << (wrong ? "MISMATCH" : "pixel-exact") << "\n";
    return failures ? 1 : 0;
}

// Screen points of the buttons' centres and of a free spot of the window
// background (for a drag or the context menu), for xdotool.
int PrintPoints(const std::string& folder) {
    TStartedWindow window(folder);
    TVexil& vexil = window.Vexil;
    test::TFakeMainWindow& view = window.View;
    const int px = vexil.Settings().posx, py = vexil.Settings().posy;
    const std::pair<const char*, const TImgBtn*> buttons[] = {
        {"connect", &vexil.Connect}, {"check", &vexil.RefreshBtn},
        {"disconnect", &vexil.Disconnect}, {"mail", &vexil.MAIL}};
    for (const auto& [name, b] : buttons)
        std::cout << name << " " << px + b->Left + b->Width / 2 << " " << py + b->Top + b->Height / 2
                  << "\n";
    const TImageControl& flag = vexil.FLAG();
    std::cout << "flag " << px + flag.Left + flag.Width / 2 << " " << py + flag.Top + flag.Height / 2
              << "\n";
    // The status line: its centre, and its rectangle on screen (x y w h).
    const TImageControl& status = vexil.STATBMP();
    std::cout << "status " << px + status.Left + status.Width / 2 << " "
              << py + status.Top + status.Height / 2 << "\n";
    std::cout << "statusrect " << px + status.Left << " " << py + status.Top << " " << status.Width
              << " " << status.Height << "\n";
    // The message window's buttons, where it opens (a button's picture is
    // about 24 pixels square; its centre is a few pixels in).
    const TSkin& skin = vexil.Skin();
    const int mx = vexil.Settings().memo_posx, my = vexil.Settings().memo_posy;
    const std::pair<const char*, const TSkinButton*> msgButtons[] = {
        {"msgprev", &skin.Prev}, {"msgnext", &skin.Next}, {"msgreply", &skin.Reply},
        {"msgdelete", &skin.Delete}, {"msgclose", &skin.Close}};
    for (const auto& [name, b] : msgButtons)
        std::cout << name << " " << mx + b->X + 8 << " " << my + b->Y + 8 << "\n";
    // A spot of the message window's own background, for its context menu:
    // midway across the text area, halfway up the band above it.
    std::cout << "msgfree " << mx + skin.MemoX + skin.MemoW / 2 << " " << my + skin.MemoY / 2
              << "\n";
    // The free spot nearest the top-left corner, with a margin of 3 pixels
    // of window on every side.
    for (int y = 3; y + 3 < vexil.ClientHeight(); ++y)
        for (int x = 3; x + 3 < vexil.ClientWidth(); ++x) {
            bool free = true;
            for (int dy = -3; dy <= 3 && free; ++dy)
                for (int dx = -3; dx <= 3 && free; ++dx)
                    free = test::TMaskRegionOps::Contains(view.Region, x + dx, y + dy) &&
                           vexil.HintAt(x + dx, y + dy).empty() &&
                           !vexil.FLAG().BoundsRect().Contains(x + dx, y + dy) &&
                           !vexil.Online().BoundsRect().Contains(x + dx, y + dy) &&
                           !vexil.STATBMP().BoundsRect().Contains(x + dx, y + dy);
            if (free) {
                std::cout << "free " << px + x << " " << py + y << "\n";
                return 0;
            }
        }
    return 1;
}

int CheckIni(const std::string& path, const std::string& posx, const std::string& posy) {
    static const char* const kLines[] = {
        "current_skin = ", "autocheck =", "autoconnect =", "header_only =", "ontop =",
        "minutes = ", "posX = ", "posY = ", "memo_posX = ", "memo_posY = ", "playsnd =",
        "wavsnd = ", "icon_tray =", "run_my_client =", "my_mail_client = ", "reset =",
        "skin_dir = ", "RAS_connect =", "RAS_num = ", "filter =", "hidden =", "srv_news =",
        "speed = ", "min_scroll = "};
    std::ifstream in(path, std::ios::binary);
    std::stringstream buf;
    buf << in.rdbuf();
    const std::string text = buf.str();
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find("\r\n", at);
        if (end == std::string::npos) {
            std::cerr << "line " << lines.size() + 1 << " does not end with CR LF\n";
            return 1;
        }
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    if (lines.size() != 24) {
        std::cerr << path << " has " << lines.size() << " lines, not 24\n";
        return 1;
    }
    for (size_t i = 0; i < 24; ++i)
        if (lines[i].rfind(kLines[i], 0) != 0) {
            std::cerr << "line " << i + 1 << " is \"" << lines[i] << "\"\n";
            return 1;
        }
    if (lines[6] != "posX = " + posx || lines[7] != "posY = " + posy) {
        std::cerr << "position written as \"" << lines[6] << "\", \"" << lines[7] << "\"\n";
        return 1;
    }
    std::cout << path << ": 24 lines in order, position " << posx << "," << posy << "\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> a(argv + 1, argv + argc);
    if (a.size() >= 4 && a[0] == "shot")
        return CheckShot(a[1], a[2], a[3], a.size() > 4 ? a[4] : "DISCONNECTED",
                         a.size() > 5 ? a[5] : "0", a.size() > 6 && a[6] == "online");
    if (a.size() == 2 && a[0] == "points") return PrintPoints(a[1]);
    if (a.size() == 4 && a[0] == "ini") return CheckIni(a[1], a[2], a[3]);
    std::cerr << "usage: vexil_screen_check shot FOLDER SHOT.ppm ROOT [STATUS COUNT [online]]\n"
                 "       vexil_screen_check points FOLDER\n"
                 "       vexil_screen_check ini FILE POSX POSY\n";
    return 2;
}
