// Win32 message boxes, program directory, metafile rendering, host name and
// address, date and time, the shell and the registered mail program.
#include "win32/Win32Services.h"

#include <mmsystem.h>

#include "base/Charsets.h"
#include "base/Product.h"
#include "skin/Picture.h"
#include "win32/RasApi.h"
#include "win32/Win32Draw.h"
#include "win32/WinInetRequest.h"
#include "win32/WideText.h"

#include <winsock2.h>
#include <shellapi.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

namespace vexil {

std::string MessageBoxText(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')) out += '\n';
    }
    return out;
}

// The box's owner: the window of ours the user is in (a dialog, the message
// window), else the main window.
HWND TWin32Messages::BoxOwner() const {
    HWND active = GetActiveWindow();
    if (active && IsWindowVisible(active)) return active;
    return Owner && IsWindow(Owner) ? Owner : active;
}

namespace {

// A message may name a file (UTF-8) or quote a setting in the code page: each
// reads right when taken as UTF-8 where it is that and as the code page
// otherwise.
int ShowBox(HWND owner, const std::string& text, UINT style) {
    return MessageBoxW(owner, ToWide(RawToUtf8(MessageBoxText(text))).c_str(), L"Vexil", style);
}

}  // namespace

void TWin32Messages::ShowMessage(const std::string& text) {
    ShowBox(BoxOwner(), text,
                MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
}

void TWin32Messages::ReportError(const std::string& text) {
    ShowBox(BoxOwner(), text,
                MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND);
}

void TWin32Messages::EndProgram(int code) {
    if (BeforeHalt) BeforeHalt();
    ExitProcess(static_cast<UINT>(code));
}

std::string TWin32System::ExeDir() {
    // Wide and grown as needed: the folder may be named in any script and
    // lie deeper than MAX_PATH.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (n == 0) return std::string();
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        if (path.size() >= 32768) return std::string();
        path.resize(path.size() * 2);
    }
    const std::string full = FromWide(path);
    size_t cut = full.find_last_of("\\:");
    return cut == std::string::npos ? std::string() : full.substr(0, cut + 1);
}

namespace {

// Plays an enhanced metafile into a 32-bit picture of its own size on white.
TPicture RenderEnhMetafile(HENHMETAFILE emf) {
    ENHMETAHEADER header{};
    GetEnhMetaFileHeader(emf, sizeof header, &header);
    int width = header.rclBounds.right - header.rclBounds.left + 1;
    int height = header.rclBounds.bottom - header.rclBounds.top + 1;
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
        DeleteEnhMetaFile(emf);
        throw EPictureError("Metafile is not valid.");
    }
    BITMAPINFO bi = TopDownBitmapInfo(width, height);
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP dib = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!dib) {
        DeleteDC(dc);
        DeleteEnhMetaFile(emf);
        throw EPictureError("Out of system resources.");
    }
    HGDIOBJ old = SelectObject(dc, dib);
    RECT r{0, 0, width, height};
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    PlayEnhMetaFile(dc, emf, &r);
    GdiFlush();
    TImage32 image(width, height);
    const auto* src = static_cast<const std::uint32_t*>(bits);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.SetPixel(x, y, src[y * width + x] | kOpaque);
    SelectObject(dc, old);
    DeleteObject(dib);
    DeleteDC(dc);
    DeleteEnhMetaFile(emf);
    TPicture picture;
    picture.Format = TPictureFormat::Metafile;
    picture.Frames.push_back(std::move(image));
    picture.DelaysMs.push_back(0);
    return picture;
}

}  // namespace

TPicture TWin32System::LoadMetafile(const std::string& path) {
    // Bounded far below what the system's 32-bit sizes hold.
    const std::vector<std::uint8_t> data = ReadPictureFile(path);
    HENHMETAFILE emf = nullptr;
    if (data.size() >= 44 && data[40] == ' ' && data[41] == 'E' && data[42] == 'M' &&
        data[43] == 'F') {
        emf = SetEnhMetaFileBits(static_cast<UINT>(data.size()), data.data());
    } else {
        // Windows metafile, with or without the placeable header.
        size_t skip = 0;
        METAFILEPICT mfp{MM_ANISOTROPIC, 0, 0, nullptr};
        if (data.size() >= 22 && data[0] == 0xD7 && data[1] == 0xCD && data[2] == 0xC6 &&
            data[3] == 0x9A) {
            const auto word = [&](size_t at) {
                return static_cast<short>(data[at] | (data[at + 1] << 8));
            };
            const int inch = static_cast<unsigned short>(word(14));
            if (inch > 0) {
                mfp.xExt = (word(10) - word(6)) * 2540 / inch;
                mfp.yExt = (word(12) - word(8)) * 2540 / inch;
            }
            skip = 22;
        }
        if (data.size() > skip)
            emf = SetWinMetaFileBits(static_cast<UINT>(data.size() - skip), data.data() + skip,
                                     nullptr, mfp.xExt ? &mfp : nullptr);
    }
    if (!emf) throw EPictureError("Metafile is not valid.");
    return RenderEnhMetafile(emf);
}

std::string TWin32System::HostNameAndAddress() {
    char name[256] = {};
    if (gethostname(name, sizeof name) != 0) return std::string();
    std::string result = name;
    std::string address;
    if (hostent* host = gethostbyname(name)) {
        for (int i = 0; host->h_addr_list[i]; ++i) {
            in_addr a;
            memcpy(&a, host->h_addr_list[i], sizeof a);
            address = inet_ntoa(a);  // the last address wins
        }
    }
    return result + " " + address;
}

std::string TWin32System::NowDateTime() {
    char date[128] = {}, time[128] = {};
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, sizeof date);
    GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, time, sizeof time);
    return std::string(date) + " " + time;
}

void TWin32System::ShellOpen(const std::string& target) {
    ShellExecuteW(GetDesktopWindow(), L"open", ToWide(target).c_str(), nullptr, nullptr,
                  SW_SHOWNORMAL);
}

}  // namespace vexil

namespace vexil {

void TWin32System::ShellRun(const std::string& verb, const std::string& file,
                            const std::string& parameters) {
    ShellExecuteW(nullptr, ToWide(verb).c_str(), ToWide(file).c_str(), ToWide(parameters).c_str(),
                  nullptr, SW_SHOWNORMAL);
}

void TWin32System::RunProgram(const std::string& program, const std::string& parameters) {
    const std::wstring file = ToWide(program), arguments = ToWide(parameters);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.lpFile = file.c_str();
    info.lpParameters = arguments.c_str();
    info.nShow = SW_SHOWNORMAL;
    ShellExecuteExW(&info);
}

std::string TWin32System::ReadMailtoCommand() {
    HKEY key = nullptr;
    // Read-only: a missing key is not created.
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"mailto\\shell\\open\\command", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return std::string();
    // Wide, as the mail program's folder may be named in any script; a
    // command line longer than the system's own limit is nobody's.
    constexpr DWORD kMaxBytes = 32768 * sizeof(wchar_t);
    std::wstring value;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ) && size > 0 && size <= kMaxBytes) {
        std::vector<wchar_t> data(size / sizeof(wchar_t) + 2, L'\0');
        if (RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()),
                             &size) == ERROR_SUCCESS)
            value = data.data();
    }
    RegCloseKey(key);
    return FromWide(value);
}

void TWin32System::PlayWave(const std::string& path) {
    // A file that cannot be played gives the system's default sound.
    PlaySoundW(ToWide(path).c_str(), nullptr, SND_FILENAME | SND_ASYNC);
}

IRasApi& TWin32System::RasApi() {
    if (!ras_) ras_ = CreateWin32RasApi();
    return *ras_;
}

std::unique_ptr<IHttpRequest> TWin32System::NewHttpRequest() { return CreateWinInetRequest(); }

// The product's news host; the tests point the program at a server of their
// own with VEXIL_TEST_NEWS_HOST ("127.0.0.1:8080"), a name no user sets by
// accident.
std::string TWin32System::NewsHost() {
    char value[256];
    const DWORD n = GetEnvironmentVariableA("VEXIL_TEST_NEWS_HOST", value, sizeof value);
    if (n > 0 && n < sizeof value) return value;
    std::string site = kProductSite;
    const size_t scheme = site.find("://");
    return scheme == std::string::npos ? site : site.substr(scheme + 3);
}

}  // namespace vexil
