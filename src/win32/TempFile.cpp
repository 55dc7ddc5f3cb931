// Temporary files for received attachments, Windows side: the system's
// temporary directory and its unique name service with the prefix "PBE"
// (which creates the file).
#include <windows.h>

#include <stdexcept>
#include <string>

#include "pop3/WireMessage.h"

namespace vexil {

std::string MakeTemporaryFile() {
    char dir[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof dir, dir);
    std::string path = (length > 0 && length < sizeof dir) ? std::string(dir, length) : std::string(".");
    if (path.back() != '\\') path += '\\';
    char name[MAX_PATH + 1] = {};
    if (GetTempFileNameA(path.c_str(), "PBE", 0, name) == 0)
        throw std::runtime_error("Cannot create file " + path + "PBE*.tmp");
    return name;
}

}  // namespace vexil
