// The operations the program's logic asks of the operating system.  The Win32
// front end implements them for the real program; tests use fakes.
#pragma once

#include <cstdlib>
#include <string>

namespace vexil {

#ifdef _WIN32
constexpr char kPathDelim = '\\';
#else
constexpr char kPathDelim = '/';
#endif

// Thrown by a test double of IMessages::Halt, so that a test can watch the
// program end without ending the test runner.
struct TProgramHalted {
    int Code;
};

// Message boxes and the end of the program.
class IMessages {
public:
    virtual ~IMessages() = default;
    // A modal box with an OK button; a carriage return in the text breaks the line.
    virtual void ShowMessage(const std::string& text) = 0;
    // The application's general error report: an error nobody handled.
    virtual void ReportError(const std::string& text) = 0;
    // Ends the program at once (after a fatal message).
    [[noreturn]] void Halt(int code) {
        EndProgram(code);
        std::abort();  // EndProgram never comes back; nothing may go on if it did
    }

protected:
    // Ends the program, or (a test double) leaves by an exception.
    virtual void EndProgram(int code) = 0;
};

}  // namespace vexil
