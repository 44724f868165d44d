// A request that the program refuses: malformed input or an unsafe request. Raised where the
// fault is found, before anything has been started or changed; the dispatcher logs the reason
// and ends the process with exit code 2.
#pragma once

#include <stdexcept>
#include <string>

inline constexpr int kExitRefused = 2;

class Refusal : public std::runtime_error {
public:
    explicit Refusal(const std::string& reason) : std::runtime_error(reason) {}
};
