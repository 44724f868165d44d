// volkit.log beside the program: one line per action (time, operation, what was started,
// written or refused, and why). Bounded in size; failing to log never fails an operation.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "os/os.h"

class Log {
public:
    static constexpr std::int64_t kMaxBytes = 256 * 1024;

    Log(os::Files& files, os::Clock& clock) : files_(files), clock_(clock) {}

    // The log file lives in the program's directory (which ends in a backslash).
    void SetDirectory(std::string_view programDirectory);
    void SetOperation(int operation) { operation_ = operation; }
    void Write(std::string_view line);
    const std::string& Path() const { return path_; }

private:
    os::Files& files_;
    os::Clock& clock_;
    std::string path_;
    int operation_ = -1;
};
