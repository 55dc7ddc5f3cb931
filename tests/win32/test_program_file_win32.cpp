// The program file a user downloads: built for the width of this build (the
// machine field of its header), carrying the version resource whose version
// the About page shows, and the manifest Windows reads before it starts it.
// VEXIL_PROGRAM names the file (the ready-to-run folder's vexil.exe).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/Version.h"
#include "config/ConfigView.h"
#include "win32/ConfigDialog.h"
#include "win32/WideText.h"

using namespace vexil;

namespace {

std::string ProgramPath() {
    const char* path = std::getenv("VEXIL_PROGRAM");
    return path ? path : "";
}

std::vector<unsigned char> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

template <typename T>
bool ReadAt(const std::vector<unsigned char>& bytes, size_t at, T& out) {
    if (at > bytes.size() || bytes.size() - at < sizeof out) return false;
    memcpy(&out, bytes.data() + at, sizeof out);
    return true;
}

// The version resource's string VALUE of the first translation it lists.
std::wstring VersionString(const std::vector<BYTE>& info, const wchar_t* name) {
    struct Translation {
        WORD language, codepage;
    }* tr = nullptr;
    UINT size = 0;
    if (!VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&tr),
                        &size) ||
        size < sizeof *tr)
        return L"(no translation)";
    wchar_t key[128];
    wsprintfW(key, L"\\StringFileInfo\\%04x%04x\\%s", tr->language, tr->codepage, name);
    wchar_t* value = nullptr;
    if (!VerQueryValueW(info.data(), key, reinterpret_cast<void**>(&value), &size) || !value)
        return L"(missing)";
    return value;
}

BOOL CALLBACK CollectTexts(HWND w, LPARAM out) {
    char text[256] = {};
    GetWindowTextA(w, text, sizeof text);
    reinterpret_cast<std::vector<std::string>*>(out)->push_back(text);
    return TRUE;
}

class ProgramFile : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = ProgramPath();
        ASSERT_FALSE(path_.empty()) << "VEXIL_PROGRAM is not set";
        bytes_ = ReadAll(path_);
        ASSERT_GT(bytes_.size(), 4096u) << path_;
    }
    std::string path_;
    std::vector<unsigned char> bytes_;
};

TEST_F(ProgramFile, HeaderNamesTheWidthOfThisBuild) {
    uint16_t mz = 0;
    uint32_t pe_at = 0, signature = 0;
    uint16_t machine = 0, magic = 0, subsystem = 0;
    ASSERT_TRUE(ReadAt(bytes_, 0, mz));
    EXPECT_EQ(mz, IMAGE_DOS_SIGNATURE);
    ASSERT_TRUE(ReadAt(bytes_, 0x3c, pe_at));
    ASSERT_TRUE(ReadAt(bytes_, pe_at, signature));
    EXPECT_EQ(signature, IMAGE_NT_SIGNATURE);
    ASSERT_TRUE(ReadAt(bytes_, pe_at + 4, machine));
    ASSERT_TRUE(ReadAt(bytes_, pe_at + 4 + sizeof(IMAGE_FILE_HEADER), magic));
    // Subsystem sits at the same offset in both optional headers.
    ASSERT_TRUE(ReadAt(bytes_, pe_at + 4 + sizeof(IMAGE_FILE_HEADER) + 68, subsystem));
    if (sizeof(void*) == 8) {
        EXPECT_EQ(machine, IMAGE_FILE_MACHINE_AMD64);
        EXPECT_EQ(magic, 0x20b);  // PE32+
    } else {
        EXPECT_EQ(machine, IMAGE_FILE_MACHINE_I386);
        EXPECT_EQ(magic, 0x10b);  // PE32
    }
    EXPECT_EQ(subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
}

TEST_F(ProgramFile, VersionResourceIsTheVersionTheAboutPageShows) {
    const std::wstring wide = ToWide(path_);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(wide.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version resource in " << path_;
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(wide.c_str(), 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixed_size = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixed_size));
    ASSERT_GE(fixed_size, sizeof *fixed);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    const DWORD major = HIWORD(fixed->dwFileVersionMS), minor = LOWORD(fixed->dwFileVersionMS);
    const DWORD patch = HIWORD(fixed->dwFileVersionLS);
    EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS);
    EXPECT_EQ(fixed->dwFileVersionLS, fixed->dwProductVersionLS);

    const std::wstring dotted = std::to_wstring(major) + L"." + std::to_wstring(minor) + L"." +
                                std::to_wstring(patch);
    EXPECT_EQ(VersionString(info, L"FileVersion"), dotted);
    EXPECT_EQ(VersionString(info, L"ProductVersion"), dotted);
    EXPECT_EQ(VersionString(info, L"ProductName"), L"Vexil");
    EXPECT_EQ(VersionString(info, L"FileDescription"), L"Vexil mail checker");
    EXPECT_EQ(FromWide(dotted), VEXIL_VERSION_STRING);

    // The About page of the real settings dialog names the same version.
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    std::vector<std::string> texts;
    {
        TConfigDialog dialog(GetModuleHandleA(nullptr), owner);
        dialog.ShowPage(TConfigPage::About);
        EnumChildWindows(dialog.Handle(), CollectTexts, reinterpret_cast<LPARAM>(&texts));
    }
    DestroyWindow(owner);
    const std::string shown = "v" + std::to_string(major) + "." + std::to_string(minor);
    EXPECT_NE(std::find(texts.begin(), texts.end(), shown), texts.end())
        << "the About page does not show " << shown;
}

TEST_F(ProgramFile, ManifestAsksForCommonControls6DpiAwarenessAndNoElevation) {
    const std::wstring wide = ToWide(path_);
    HMODULE image = LoadLibraryExW(wide.c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(image, nullptr) << GetLastError();
    HRSRC res = FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(res, nullptr);
    const char* data = static_cast<const char*>(LockResource(LoadResource(image, res)));
    ASSERT_NE(data, nullptr);
    const std::string manifest(data, SizeofResource(image, res));
    FreeLibrary(image);

    const std::string arch = sizeof(void*) == 8 ? "amd64" : "x86";
    for (const std::string& wanted :
         {std::string("processorArchitecture=\"") + arch + "\"",
          std::string("version=\"") + VEXIL_VERSION_STRING + ".0\"",
          std::string("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
          std::string("level=\"asInvoker\""), std::string("PerMonitorV2"),
          std::string("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}")}) {
        EXPECT_NE(manifest.find(wanted), std::string::npos) << "the manifest lacks " << wanted;
    }
}

}  // namespace
