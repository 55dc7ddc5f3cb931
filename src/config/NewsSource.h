// A news source line of the source list: "name|url|comment|news url".
#pragma once

#include <array>
#include <string>

namespace vexil {

// The four fields of a news source line, each trimmed; missing separators
// leave the first fields empty, the last one takes the rest of the line.
std::array<std::string, 4> SplitNewsSource(const std::string& line);

}  // namespace vexil
