#pragma once
#include <stdexcept>
#include <string>

namespace fw {

// The error the framework raises; its message (UTF-8) is what the standard error
// display shows.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

} // namespace fw
