// BMP: Windows and OS/2 headers (12 to 124 bytes), 1/2/4/8-bit palettes, 16/24/32-bit
// colour with or without bit fields, RLE4/RLE8, bottom-up and top-down rows.
#include "media/codecs/ByteReader.h"
#include "media/codecs/Claims.h"
#include "media/codecs/Codecs.h"

#include <bit>

namespace media {

namespace {

constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;

bool Fail(std::string& error, const char* why)
{
    error = std::string("Invalid BMP image: ") + why;
    return false;
}

// Extracts a channel through its mask and scales it to 8 bits: the field's value
// over its largest value, however wide the field (a 17-bit field is no 16-bit one).
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint64_t max = 0;
    explicit Channel(std::uint32_t m = 0) : mask(m)
    {
        if (m) {
            shift = std::countr_zero(m);
            max = (std::uint64_t(1) << std::popcount(m >> shift)) - 1;
        }
    }
    std::uint8_t Get(std::uint32_t v) const
    {
        if (!mask)
            return 0;
        const std::uint64_t x = (v & mask) >> shift;
        return std::uint8_t((x * 255 + max / 2) / max);
    }
};

bool DecodeRle(const ByteReader& in, std::size_t at, int bpp, Image& img)
{
    int x = 0, y = img.height - 1; // rows run bottom-up
    const auto put = [&](int index) {
        if (x < img.width && y >= 0)
            img.Row(y)[x] = std::uint8_t(index);
        ++x;
    };
    while (in.Has(at, 2) && y >= 0) {
        const int count = in.U8(at), value = in.U8(at + 1);
        at += 2;
        if (count > 0) {
            for (int i = 0; i < count; ++i)
                put(bpp == 8 ? value : (i & 1) ? (value & 0x0F) : (value >> 4));
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            --y;
        } else if (value == 1) { // end of bitmap
            return true;
        } else if (value == 2) { // delta
            if (!in.Has(at, 2))
                return false;
            x += in.U8(at);
            y -= in.U8(at + 1);
            at += 2;
        } else { // a literal run, padded to a whole 16-bit word
            const int bytes = bpp == 8 ? value : (value + 1) / 2;
            if (!in.Has(at, bytes))
                return false;
            for (int i = 0; i < value; ++i) {
                const int b = in.U8(at + (bpp == 8 ? i : i / 2));
                put(bpp == 8 ? b : (i & 1) ? (b & 0x0F) : (b >> 4));
            }
            at += (bytes + 1) & ~1;
        }
    }
    return true; // a stream that just stops leaves the rest at index 0
}

} // namespace

bool DecodeBmp(const std::uint8_t* data, std::size_t size, Image& out, std::string& error)
{
    const ByteReader in(data, size);
    if (!in.Has(0, 18) || in.U8(0) != 'B' || in.U8(1) != 'M')
        return Fail(error, "file header missing");
    const std::uint32_t pixelOffset = in.U32(10);
    const std::uint32_t headerSize = in.U32(14);
    if (headerSize < 12 || !in.Has(14, headerSize))
        return Fail(error, "info header cut short");
    const bool core = headerSize == 12;
    std::int64_t width, height;
    int planes, bpp;
    std::uint32_t compression = kRgb, colours = 0;
    if (core) {
        width = in.U16(18);
        height = std::int16_t(in.U16(20));
        planes = in.U16(22);
        bpp = in.U16(24);
    } else {
        if (headerSize < 16)
            return Fail(error, "info header too short");
        width = in.I32(18);
        height = in.I32(22);
        planes = in.U16(26);
        bpp = in.U16(28);
        if (headerSize >= 20)
            compression = in.U32(30);
        if (headerSize >= 36)
            colours = in.U32(46);
    }
    const bool topDown = height < 0;
    if (topDown)
        height = -height;
    if (planes != 1)
        return Fail(error, "plane count is not 1");
    if (!PlausibleSize(width, height))
        return Fail(error, "impossible picture size");
    constexpr std::uint32_t kJpeg = 4, kPng = 5;
    if (bpp == 0 && (compression == kJpeg || compression == kPng))
        return Fail(error, "a JPEG or PNG picture inside a BMP is not read");
    if (bpp != 1 && bpp != 2 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return Fail(error, "unsupported bits per pixel");
    if ((compression == kRle8 && bpp != 8) || (compression == kRle4 && bpp != 4))
        return Fail(error, "run-length coding does not match the depth");
    if (compression != kRgb && compression != kRle8 && compression != kRle4 && compression != kBitFields &&
        compression != kAlphaBitFields)
        return Fail(error, "unsupported compression");
    if ((compression == kRle8 || compression == kRle4) && topDown)
        return Fail(error, "run-length coded rows cannot run top-down");

    // Colour masks: inside a V2+ header, or just after a 40-byte one.
    std::uint32_t masks[4] = {0, 0, 0, 0};
    bool hasMasks = false;
    if (compression == kBitFields || compression == kAlphaBitFields) {
        const std::size_t at = headerSize >= 52 ? 54 : 14 + headerSize;
        const int count = compression == kAlphaBitFields || headerSize >= 56 ? 4 : 3;
        if (!in.Has(at, 4 * count))
            return Fail(error, "colour masks missing");
        for (int i = 0; i < count; ++i)
            masks[i] = in.U32(at + 4 * i);
        hasMasks = true;
    } else if (bpp == 16) {
        masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    } else if (bpp == 32) {
        masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
        if (headerSize >= 56)
            masks[3] = in.U32(66); // a V3+ header may name an alpha channel
    }
    if (hasMasks && headerSize >= 56 && compression == kBitFields)
        masks[3] = in.U32(66);
    if (hasMasks && bpp != 16 && bpp != 32)
        return Fail(error, "bit fields on a depth that has none");

    Image img;
    if (bpp <= 8) {
        const std::size_t entry = core ? 3 : 4;
        std::size_t paletteAt = 14 + headerSize + (compression == kBitFields && headerSize == 40 ? 12 : 0);
        std::size_t count = colours ? colours : (std::size_t(1) << bpp);
        // A palette said to hold more than the depth can index: the rest is never used.
        count = std::min(count, std::size_t(1) << bpp);
        count = std::min(count, in.Has(paletteAt, 0) ? (size - paletteAt) / entry : 0);
        if (count == 0)
            return Fail(error, "palette missing");
        img.format = PixelFormat::Indexed;
        img.indexBits = bpp == 1 ? 1 : bpp <= 4 ? 4 : 8;
        img.palette.assign(std::size_t(1) << img.indexBits, Rgb{});
        for (std::size_t i = 0; i < count && i < img.palette.size(); ++i) {
            const std::size_t at = paletteAt + i * entry;
            img.palette[i] = Rgb{in.U8(at + 2), in.U8(at + 1), in.U8(at)};
        }
    }
    // A file far too short for the picture its header claims is mostly missing; it
    // must not make us allocate for nothing. (RLE: two bytes stand for up to 255 pixels.)
    const bool rle = compression == kRle8 || compression == kRle4;
    const double claimed = rle ? double(width) * double(height)
                               : double((std::size_t(width) * bpp + 31) / 32 * 4) * double(height);
    std::string why;
    if (pixelOffset >= size)
        return Fail(error, "pixel data missing");
    if (!FileCanHold(width, height, claimed, size - pixelOffset, rle ? 127.5 : density::kUncompressed, size, why))
        return Fail(error, why.c_str());
    const bool alpha = masks[3] != 0;
    if (!img.Allocate(int(width), int(height), bpp <= 8 ? PixelFormat::Indexed : alpha ? PixelFormat::Rgba32 : PixelFormat::Rgb24))
        return Fail(error, "impossible picture size");
    if (pixelOffset >= size)
        return Fail(error, "pixel data missing");

    if (compression == kRle8 || compression == kRle4) {
        if (!DecodeRle(in, pixelOffset, bpp, img))
            return Fail(error, "run-length data cut short");
        out = std::move(img);
        return true;
    }

    const std::size_t stride = ((std::size_t(width) * bpp + 31) / 32) * 4;
    const Channel r(masks[0]), g(masks[1]), b(masks[2]), a(masks[3]);
    bool anyAlpha = false;
    for (int row = 0; row < img.height; ++row) {
        const std::size_t at = pixelOffset + stride * row;
        const int y = topDown ? row : img.height - 1 - row;
        if (!in.Has(at, stride)) {
            if (row == 0)
                return Fail(error, "pixel data cut short");
            break; // a short file: the rows that are there
        }
        const std::uint8_t* src = data + at;
        std::uint8_t* dst = img.Row(y);
        for (int x = 0; x < img.width; ++x) {
            if (bpp <= 8) {
                const int perByte = 8 / bpp;
                const int shift = (perByte - 1 - x % perByte) * bpp;
                dst[x] = std::uint8_t((src[x / perByte] >> shift) & ((1 << bpp) - 1));
                continue;
            }
            std::uint32_t v;
            std::uint8_t* p = dst + x * img.Channels();
            if (bpp == 24) {
                p[0] = src[x * 3 + 2], p[1] = src[x * 3 + 1], p[2] = src[x * 3];
                continue;
            }
            v = bpp == 16 ? std::uint32_t(src[x * 2] | (src[x * 2 + 1] << 8))
                          : std::uint32_t(src[x * 4]) | (std::uint32_t(src[x * 4 + 1]) << 8) |
                                (std::uint32_t(src[x * 4 + 2]) << 16) | (std::uint32_t(src[x * 4 + 3]) << 24);
            p[0] = r.Get(v), p[1] = g.Get(v), p[2] = b.Get(v);
            if (alpha) {
                p[3] = a.Get(v);
                anyAlpha |= p[3] != 0;
            }
        }
    }
    // An alpha channel that is zero everywhere is an unused byte, not a transparent picture.
    if (alpha && !anyAlpha)
        for (std::size_t i = 3; i < img.pixels.size(); i += 4)
            img.pixels[i] = 255;
    out = std::move(img);
    return true;
}

bool EncodeBmp(const Image& source, std::vector<std::uint8_t>& out, std::string& error)
{
    Image scratch;
    const Image& img = AsIndexedOrRgb24(source, scratch);
    if (img.Empty()) {
        error = "there is no picture to save";
        return false;
    }
    const int bpp = img.format == PixelFormat::Indexed ? img.indexBits : 24;
    const std::size_t stride = ((std::size_t(img.width) * bpp + 31) / 32) * 4;
    const std::size_t paletteEntries = bpp <= 8 ? (std::size_t(1) << bpp) : 0;
    const std::size_t offset = 14 + 40 + paletteEntries * 4;
    const std::size_t total = offset + stride * img.height;
    out.clear();
    out.reserve(total);
    out.push_back('B');
    out.push_back('M');
    PutU32(out, std::uint32_t(total));
    PutU32(out, 0);
    PutU32(out, std::uint32_t(offset));
    PutU32(out, 40);
    PutU32(out, std::uint32_t(img.width));
    PutU32(out, std::uint32_t(img.height));
    PutU16(out, 1);
    PutU16(out, bpp);
    PutU32(out, 0);
    PutU32(out, std::uint32_t(stride * img.height));
    PutU32(out, 2835); // 72 dpi
    PutU32(out, 2835);
    PutU32(out, std::uint32_t(paletteEntries));
    PutU32(out, 0);
    for (std::size_t i = 0; i < paletteEntries; ++i) {
        const Rgb c = i < img.palette.size() ? img.palette[i] : Rgb{};
        out.push_back(c.b), out.push_back(c.g), out.push_back(c.r), out.push_back(0);
    }
    std::vector<std::uint8_t> row(stride);
    for (int y = img.height - 1; y >= 0; --y) {
        std::fill(row.begin(), row.end(), 0);
        const std::uint8_t* src = img.Row(y);
        if (bpp == 24) {
            for (int x = 0; x < img.width; ++x)
                row[x * 3] = src[x * 3 + 2], row[x * 3 + 1] = src[x * 3 + 1], row[x * 3 + 2] = src[x * 3];
        } else {
            const int perByte = 8 / bpp;
            for (int x = 0; x < img.width; ++x)
                row[x / perByte] |= std::uint8_t((src[x] & ((1 << bpp) - 1)) << ((perByte - 1 - x % perByte) * bpp));
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return true;
}

} // namespace media
