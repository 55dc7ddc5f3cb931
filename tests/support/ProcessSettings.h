// Settings of the test process that a test changes for its own length and
// puts back: an environment variable, and the largest file the process may
// write (which plays a full disk: writes past it fail).  POSIX only.
#pragma once

#ifndef _WIN32

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <string>

namespace vexil::test {

class TEnvironmentVariable {
public:
    TEnvironmentVariable(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old, had_ = true;
        setenv(name, value.c_str(), 1);
    }
    ~TEnvironmentVariable() {
        if (had_)
            setenv(name_, old_.c_str(), 1);
        else
            unsetenv(name_);
    }
    TEnvironmentVariable(const TEnvironmentVariable&) = delete;
    TEnvironmentVariable& operator=(const TEnvironmentVariable&) = delete;

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        // A write past the limit fails with EFBIG instead of ending the process.
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*oldHandler_)(int) = SIG_DFL;
};

}  // namespace vexil::test

#endif
