// Charset conversion of the Windows program: the system's code pages.
#include <windows.h>

#include "base/Charsets.h"

namespace vexil {

namespace {

std::wstring ToWide(const std::string& bytes, UINT codePage) {
    if (bytes.empty()) return std::wstring();
    const int size = static_cast<int>(bytes.size());
    const int n = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), size, &wide[0], n);
    return wide;
}

std::string FromWide(const std::wstring& wide, UINT codePage) {
    if (wide.empty()) return std::string();
    const int size = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(codePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), size, &out[0], n, nullptr, nullptr);
    return out;
}

bool Supported(UINT codePage) {
    CPINFO info;
    return codePage == CP_UTF8 || codePage >= 50000 || GetCPInfo(codePage, &info);
}

}  // namespace

std::string ToUtf8(const std::string& bytes, const std::string& charset) {
    if (bytes.empty()) return std::string();
    UINT cp = static_cast<UINT>(CodePageOf(charset));
    if (cp == 50220) return ToUtf8(Iso2022JpToEucJp(bytes), "euc-jp");
    if (cp == 0 || !Supported(cp)) cp = CP_ACP;
    std::wstring wide = ToWide(bytes, cp);
    // A code page the system cannot convert from after all: the system's own.
    if (wide.empty() && cp != CP_ACP) wide = ToWide(bytes, CP_ACP);
    return FromWide(wide, CP_UTF8);
}

std::string FromUtf8(const std::string& text) { return FromWide(ToWide(text, CP_UTF8), CP_ACP); }

}  // namespace vexil
