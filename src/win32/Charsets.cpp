// Charset conversion of the Windows program: the system's code pages.
#include <windows.h>

#include "base/Charsets.h"
#include "win32/WideText.h"

namespace vexil {

namespace {

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
