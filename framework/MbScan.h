#pragma once
// Character scanning over UTF-8 byte strings. Every routine that walks text
// character by character goes through here, so a multi-byte character is never
// split and nothing reads past the end of the buffer.
#include <cstddef>
#include <string_view>

namespace fw {

// Length in bytes of the character starting at byte `pos` of `text`: 1 to 4 for a
// well-formed UTF-8 sequence, 1 for a stray or truncated byte. 0 at or past the end.
std::size_t CharLength(std::string_view text, std::size_t pos);

// Start of the last character of `text` (text.size() when empty).
std::size_t LastCharStart(std::string_view text);

// The longest prefix of `text` of at most `maxBytes` bytes that ends on a
// character boundary.
std::string_view CutAtCharBoundary(std::string_view text, std::size_t maxBytes);

// Calls f(start, length) for each character in order.
template <class F>
void ForEachChar(std::string_view text, F&& f)
{
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = CharLength(text, i);
        f(i, n);
        i += n;
    }
}

} // namespace fw
