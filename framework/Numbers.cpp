#include "framework/Numbers.h"

namespace fw {

std::optional<std::int32_t> ParseInteger(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size())
        return std::nullopt;
    // Hexadecimal may fill all 32 bits ("$FFFFFFFF" is -1), as colour values do.
    const std::uint64_t limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = value * base + digit;
        if (value > limit)
            return std::nullopt;
    }
    const auto bits = static_cast<std::uint32_t>(value);
    const auto result = static_cast<std::int32_t>(bits);
    return negative ? static_cast<std::int32_t>(0u - bits) : result;
}

std::optional<std::int32_t> ParseDecimalInteger(std::string_view text)
{
    if (text.find_first_of("$xX") != std::string_view::npos)
        return std::nullopt;
    return ParseInteger(text);
}

std::string NotAnIntegerMessage(std::string_view text)
{
    // Appended piece by piece: GCC 12's -Wrestrict misjudges "literal" + std::string
    // at -O2 (a false alarm about overlapping copies).
    std::string message = "'";
    message.append(text).append("' は整数ではありません");
    return message;
}

} // namespace fw
