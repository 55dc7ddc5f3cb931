// News source lines.
#include "config/NewsSource.h"

#include "base/Text.h"

namespace vexil {

std::array<std::string, 4> SplitNewsSource(const std::string& line) {
    std::array<std::string, 4> fields;
    std::string rest = line;
    for (int i = 0; i < 3; ++i) {
        const size_t bar = rest.find('|');
        if (bar == std::string::npos) continue;
        fields[i] = Trim(rest.substr(0, bar));
        rest = rest.substr(bar + 1);
    }
    fields[3] = Trim(rest);
    return fields;
}

}  // namespace vexil
