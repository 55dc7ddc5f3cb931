// Splitting an HTTP address.
#include "news/HttpUrl.h"

#include "base/Text.h"

namespace vexil {

THttpTarget SplitHttpUrl(const std::string& url) {
    std::string rest = url;
    // The prefix is expected first; only its presence is looked for, as the
    // addresses of the source lists have always been read.
    if (LowerCase(rest).find("http://") != std::string::npos) rest = rest.size() > 7 ? rest.substr(7) : "";
    THttpTarget target;
    const size_t slash = rest.find('/');
    if (slash == std::string::npos) {
        target.Path = rest;
        return target;
    }
    target.Host = rest.substr(0, slash);
    target.Path = rest.substr(slash);
    const size_t colon = target.Host.find(':');
    if (colon != std::string::npos) {
        const std::string port = target.Host.substr(colon + 1);
        target.Host.resize(colon);
        int number = 0;
        bool ok = !port.empty() && port.size() <= 5 &&
                  port.find_first_not_of("0123456789") == std::string::npos;
        if (ok) number = std::stoi(port);
        if (!ok || number < 1 || number > 65535) target.Host.clear();
        else target.Port = number;
    }
    return target;
}

}  // namespace vexil
