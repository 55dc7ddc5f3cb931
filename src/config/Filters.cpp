// The filters' matching rule.
#include "config/Filters.h"

#include "base/Text.h"

namespace vexil {

namespace {

bool Matches(const std::string& lowerText, const std::string& filter) {
    const std::string lower = LowerCase(filter);
    size_t start = 0;
    while (true) {
        const size_t blank = lower.find(' ', start);
        const std::string word = lower.substr(start, blank == std::string::npos ? blank : blank - start);
        if (word.empty() || lowerText.find(word) == std::string::npos) return false;
        if (blank == std::string::npos) return true;
        start = blank + 1;
    }
}

}  // namespace

bool PassesFilters(const std::string& text, const TFilterTable& filters) {
    const std::string lower = LowerCase(text);
    for (int i = 0; i < filters.FilterCount && i < kMaxFilters; ++i)
        if (Matches(lower, filters.Filters[static_cast<size_t>(i)])) return false;
    return true;
}

}  // namespace vexil
