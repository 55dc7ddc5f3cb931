// An IMessages for tests: records every text, and Halt throws TProgramHalted so
// that a test can watch the program end.
#pragma once

#include <string>
#include <vector>

#include "platform/Platform.h"

namespace vexil::test {

class TFakeMessages : public IMessages {
public:
    std::vector<std::string> Shown;   // ShowMessage texts, in order
    std::vector<std::string> Errors;  // ReportError texts, in order

    void ShowMessage(const std::string& text) override { Shown.push_back(text); }
    void ReportError(const std::string& text) override { Errors.push_back(text); }

protected:
    void EndProgram(int code) override { throw TProgramHalted{code}; }
};

}  // namespace vexil::test
