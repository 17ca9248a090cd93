#include "framework/MbScan.h"

namespace fw {

namespace {
bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }
}

std::size_t CharLength(std::string_view text, std::size_t pos)
{
    if (pos >= text.size())
        return 0;
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t need;
    if (lead < 0x80)
        return 1;
    else if (lead >= 0xC2 && lead <= 0xDF)
        need = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        need = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        need = 4;
    else
        return 1; // continuation byte or invalid lead: a character of its own
    if (pos + need > text.size())
        return 1;
    const auto second = static_cast<unsigned char>(text[pos + 1]);
    // Reject overlongs, surrogates and values above U+10FFFF at the second byte.
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F)
        || (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
        return 1;
    for (std::size_t k = 1; k < need; ++k)
        if (!IsContinuation(static_cast<unsigned char>(text[pos + k])))
            return 1;
    return need;
}

std::size_t LastCharStart(std::string_view text)
{
    std::size_t last = text.size();
    ForEachChar(text, [&](std::size_t start, std::size_t) { last = start; });
    return last;
}

std::string_view CutAtCharBoundary(std::string_view text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t n = CharLength(text, end);
        if (end + n > maxBytes)
            break;
        end += n;
    }
    return text.substr(0, end);
}

} // namespace fw
