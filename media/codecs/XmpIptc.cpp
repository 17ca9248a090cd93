#include "media/codecs/XmpIptc.h"

#include "media/codecs/ByteReader.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace media {

namespace {

constexpr std::uint16_t kIptcResource = 0x0404;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The value of the property `name` at `at` in an XMP packet, as an attribute
// (name="6") or an element (<name>6</name>): where its text starts and how long it
// is; nothing when `at` is not such a property.
std::optional<std::pair<std::size_t, std::size_t>> ValueAt(const std::string& x, std::size_t at, std::size_t length)
{
    const bool element = at > 0 && x[at - 1] == '<';
    if (at > 0 && !element && !IsSpace(x[at - 1]))
        return std::nullopt; // part of a longer name, or a closing tag
    std::size_t i = at + length;
    if (element) {
        if (i >= x.size() || x[i] != '>')
            return std::nullopt;
        const std::size_t end = x.find('<', i + 1);
        return end == std::string::npos ? std::nullopt : std::optional(std::pair(i + 1, end - i - 1));
    }
    while (i < x.size() && IsSpace(x[i]))
        ++i;
    if (i >= x.size() || x[i] != '=')
        return std::nullopt;
    for (++i; i < x.size() && IsSpace(x[i]);)
        ++i;
    if (i >= x.size() || (x[i] != '"' && x[i] != '\''))
        return std::nullopt;
    const std::size_t end = x.find(x[i], i + 1);
    return end == std::string::npos ? std::nullopt : std::optional(std::pair(i + 1, end - i - 1));
}

// Every whole-number value of the property `name` set to `value`.
void SetNumber(std::string& x, std::string_view name, const std::string& value)
{
    for (std::size_t at = x.find(name); at != std::string::npos; at = x.find(name, at + 1)) {
        const auto found = ValueAt(x, at, name.size());
        if (!found)
            continue;
        const auto [start, length] = *found;
        std::size_t first = start, last = start + length; // inside blanks around the number
        while (first < last && IsSpace(x[first]))
            ++first;
        while (last > first && IsSpace(x[last - 1]))
            --last;
        const bool number = first < last && std::all_of(x.begin() + std::ptrdiff_t(first), x.begin() + std::ptrdiff_t(last),
                                                         [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
        if (number)
            x.replace(first, last - first, value);
    }
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = char(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

} // namespace

Bytes IptcOfPhotoshop(const std::uint8_t* data, std::size_t size)
{
    // Each resource: "8BIM", its id, a Pascal name padded to even length, its size and
    // its bytes padded to even length.
    const ByteReader in(data, size);
    for (std::size_t at = 0; in.Has(at, 8) && std::memcmp(data + at, "8BIM", 4) == 0;) {
        const std::uint16_t id = *in.U16(at + 4, ByteOrder::Big);
        const std::size_t nameBytes = (std::size_t(data[at + 6]) + 2) & ~std::size_t(1);
        const std::optional<std::uint32_t> length = in.U32(at + 6 + nameBytes, ByteOrder::Big);
        const std::size_t start = at + 10 + nameBytes;
        if (!length || !in.Has(start, *length))
            return {};
        if (id == kIptcResource)
            return Bytes(data + start, data + start + *length);
        at = start + *length + (*length & 1);
    }
    return {};
}

Bytes PhotoshopOfIptc(const Bytes& iptc)
{
    Bytes out{'8', 'B', 'I', 'M', kIptcResource >> 8, kIptcResource & 0xFF, 0, 0};
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(std::uint8_t(iptc.size() >> shift));
    out.insert(out.end(), iptc.begin(), iptc.end());
    if (out.size() % 2)
        out.push_back(0);
    return out;
}

std::string RawProfileText(std::string_view name, const Bytes& bytes)
{
    static constexpr char kHex[] = "0123456789abcdef";
    char count[16];
    std::snprintf(count, sizeof count, "%8zu", bytes.size());
    std::string text;
    text.reserve(name.size() + sizeof count + bytes.size() * 2 + bytes.size() / 36 + 4);
    text.append("\n").append(name).append("\n").append(count);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i % 36 == 0)
            text += '\n';
        text += kHex[bytes[i] >> 4];
        text += kHex[bytes[i] & 15];
    }
    return text + "\n";
}

Bytes BytesOfRawProfile(std::string_view text)
{
    std::size_t i = 0;
    const auto skipSpace = [&] {
        while (i < text.size() && IsSpace(text[i]))
            ++i;
    };
    skipSpace();
    while (i < text.size() && !IsSpace(text[i])) // the profile's name
        ++i;
    skipSpace();
    std::size_t count = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        if ((count = count * 10 + std::size_t(text[i] - '0')) > text.size())
            return {};
    Bytes out;
    out.reserve(count);
    int high = -1;
    for (; i < text.size() && out.size() < count; ++i) {
        if (IsSpace(text[i]))
            continue;
        const int digit = HexDigit(text[i]);
        if (digit < 0)
            return {};
        if (high < 0)
            high = digit;
        else
            out.push_back(std::uint8_t(high << 4 | digit)), high = -1;
    }
    return out.size() == count ? out : Bytes{};
}

Bytes XmpForWriting(const Bytes& xmp, int width, int height)
{
    std::string x(xmp.begin(), xmp.end());
    SetNumber(x, "tiff:Orientation", "1");
    SetNumber(x, "tiff:ImageWidth", std::to_string(width));
    SetNumber(x, "exif:PixelXDimension", std::to_string(width));
    SetNumber(x, "tiff:ImageLength", std::to_string(height));
    SetNumber(x, "exif:PixelYDimension", std::to_string(height));
    return Bytes(x.begin(), x.end());
}

} // namespace media
