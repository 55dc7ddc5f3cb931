// Wide text conversions.
#include "win32/WideText.h"

#include <climits>

namespace vexil {

std::wstring ToWide(const std::string& bytes, UINT codePage) {
    if (bytes.empty() || bytes.size() > static_cast<size_t>(INT_MAX)) return std::wstring();
    const int size = static_cast<int>(bytes.size());
    const int n = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), size, &wide[0], n);
    return wide;
}

std::string FromWide(const std::wstring& wide, UINT codePage) {
    if (wide.empty() || wide.size() > static_cast<size_t>(INT_MAX)) return std::string();
    const int size = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(codePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), size, &out[0], n, nullptr, nullptr);
    return out;
}

}  // namespace vexil
