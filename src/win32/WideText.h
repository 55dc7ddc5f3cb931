// Text between the program's 8-bit strings (UTF-8 or a code page) and the
// system's wide strings.
#pragma once

#include <windows.h>

#include <climits>
#include <cstddef>
#include <string>

namespace vexil {

// bytes in codePage as wide text ("" when the system cannot convert, or the
// text is longer than the system's int lengths: it is never cut short).
std::wstring ToWide(const std::string& bytes, UINT codePage = CP_UTF8);
// Wide text in codePage (characters it lacks become the code page's default).
std::string FromWide(const std::wstring& wide, UINT codePage = CP_UTF8);

// The length of a text handed to a drawing or measuring call, which take
// int: a longer text is drawn as far as an int reaches, never wrapped to a
// negative length (which those calls read as "up to the first zero").
inline int DrawnLength(const std::string& text) {
    return text.size() > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(text.size());
}

}  // namespace vexil
