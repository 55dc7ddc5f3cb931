// Temporary files for received attachments, POSIX side: a unique "PBE" file
// in $TMPDIR (or /tmp), created empty so that the name stays ours.
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "pop3/WireMessage.h"

namespace vexil {

std::string MakeTemporaryFile() {
    const char* env = std::getenv("TMPDIR");
    std::string dir = (env && *env) ? env : "/tmp";
    if (dir.back() != '/') dir += '/';
    std::string pattern = dir + "PBEXXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0) throw std::runtime_error("Cannot create file " + pattern);
    close(fd);
    return std::string(name.data());
}

}  // namespace vexil
