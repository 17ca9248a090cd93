#pragma once
// What each fuzz target does with one input, in one place: the libFuzzer targets call
// it, and the test suite replays every kept finding through the same code. A body
// that finds our code saying something false traps, as a crash would.
#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

using Body = void (*)(const std::uint8_t* data, std::size_t size);

// The body of the target named so ("fuzz_bmp", "fuzz_metadata", …); null for none.
Body BodyOf(const std::string& target);

} // namespace fuzz

// A target's whole source: libFuzzer's entry calling the body.
#define POMI_FUZZ_TARGET(name)                                                                                         \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)                                   \
    {                                                                                                                  \
        static const fuzz::Body body = fuzz::BodyOf(name);                                                             \
        body(data, size);                                                                                              \
        return 0;                                                                                                      \
    }
