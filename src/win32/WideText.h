// Text between the program's 8-bit strings (UTF-8 or a code page) and the
// system's wide strings.
#pragma once

#include <windows.h>

#include <string>

namespace vexil {

// bytes in codePage as wide text ("" when the system cannot convert).
std::wstring ToWide(const std::string& bytes, UINT codePage = CP_UTF8);
// Wide text in codePage (characters it lacks become the code page's default).
std::string FromWide(const std::wstring& wide, UINT codePage = CP_UTF8);

}  // namespace vexil
