#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fw {

// Reads a whole 32-bit integer: optional blanks, an optional sign, then decimal
// digits or hexadecimal digits after "$", "0x" or "0X". Anything else, an empty
// text or a value out of range gives nothing.
std::optional<std::int32_t> ParseInteger(std::string_view text);

// The same, decimal only: what a user types into a number field or option.
std::optional<std::int32_t> ParseDecimalInteger(std::string_view text);

// The conversion failure of a text that should have been a number; its message
// is "'<text>' は整数ではありません".
std::string NotAnIntegerMessage(std::string_view text);

} // namespace fw
