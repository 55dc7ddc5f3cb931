// Where an HTTP address points: host, port and path.
#pragma once

#include <string>

namespace vexil {

struct THttpTarget {
    std::string Host;  // "" when the address names none (the download fails)
    int Port = 80;
    std::string Path;  // from its "/" on
};

// The address with or without "http://": the host is what comes before the
// first "/", the path the rest from that "/" on; an address without "/" has
// no host and is all path.  A host may end in ":port" (1 to 65535); any
// other text after its colon leaves no host.
THttpTarget SplitHttpUrl(const std::string& url);

}  // namespace vexil
