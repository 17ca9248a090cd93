#pragma once
// A usage error of the command line; its text names the bad option or value.
#include <stdexcept>

namespace cli {

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

} // namespace cli
