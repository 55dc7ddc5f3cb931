// Temporary files for received attachments, Windows side: the system's
// temporary directory and its unique name service with the prefix "PBE"
// (which creates the file).  Wide, as the temporary directory lies below the
// user's profile, which may be named in any script; the name comes back in
// UTF-8 like every file name inside.
#include <windows.h>

#include <stdexcept>
#include <string>

#include "pop3/WireMessage.h"
#include "win32/WideText.h"

namespace vexil {

std::string MakeTemporaryFile() {
    wchar_t dir[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, dir);
    std::wstring path = (length > 0 && length <= MAX_PATH) ? std::wstring(dir, length) : std::wstring(L".");
    if (path.back() != L'\\') path += L'\\';
    // GetTempFileName's buffer is MAX_PATH by its contract.
    wchar_t name[MAX_PATH + 1] = {};
    if (GetTempFileNameW(path.c_str(), L"PBE", 0, name) == 0)
        throw std::runtime_error("Cannot create file " + FromWide(path) + "PBE*.tmp");
    return FromWide(name);
}

}  // namespace vexil
