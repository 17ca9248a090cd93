// BMP: Windows and OS/2 headers (12 to 124 bytes), 1/2/4/8-bit palettes, 16/24/32-bit
// colour with or without bit fields, RLE4/RLE8 and OS/2's RLE24, bottom-up and top-down
// rows; the first picture of an OS/2 bitmap array.
#include "media/codecs/ByteReader.h"
#include "media/codecs/Claims.h"
#include "media/codecs/Codecs.h"

#include <bit>

namespace media {

namespace {

constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kJpeg = 4, kPng = 5, kAlphaBitFields = 6;
// OS/2 2.x spells 3 and 4 as Huffman 1D and RLE24; they are kept apart from Windows' codes.
constexpr std::uint32_t kOs2Huffman = 0x100 + 3, kOs2Rle24 = 0x100 + 4;

// An OS/2 bitmap array ("BA") holds its first picture's file header 14 bytes in.
constexpr std::size_t kArrayHeader = 14;
bool IsBitmapArray(const std::uint8_t* d, std::size_t n)
{
    return n >= kArrayHeader + 2 && d[0] == 'B' && d[1] == 'A' && d[kArrayHeader] == 'B' && d[kArrayHeader + 1] == 'M';
}

Failure Invalid(const std::string& why, FailureKind kind = FailureKind::BadData)
{
    return InvalidImage(ImageFormat::Bmp, why, kind);
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

// What the file and info headers say, with the masks and palette that follow them.
struct BmpHeader {
    Claim claim;
    std::size_t at = 0; // where the file header starts; every offset but the pixels' counts from it
    std::uint32_t pixelOffset = 0, headerSize = 0, compression = kRgb, colours = 0;
    bool core = false, topDown = false;
    int planes = 1, bpp = 0;
    std::uint32_t masks[4] = {0, 0, 0, 0};
    std::vector<Rgb> palette; // for depths up to 8, as many entries as the depth indexes
    int indexBits = 0;
    bool Rle() const { return compression == kRle8 || compression == kRle4 || compression == kOs2Rle24; }
    std::size_t Stride() const { return (std::size_t(claim.width) * bpp + 31) / 32 * 4; }
};

// The info header's fields (the old OS/2 core header, an OS/2 2.x one of 16 to 64 bytes,
// or a Windows one of 40 to 124 bytes).
Result<void> ReadInfoHeader(const ByteReader& in, BmpHeader& h)
{
    h.at = IsBitmapArray(in.Data(), in.Size()) ? kArrayHeader : 0;
    const std::size_t at = h.at;
    if (!in.Has(at, 18) || in.U8(at) != 'B' || in.U8(at + 1) != 'M')
        return Invalid("file header missing");
    h.pixelOffset = *in.U32(at + 10); // from the start of the file, in an array too
    h.headerSize = *in.U32(at + 14);  // both inside the 18 bytes just checked
    if (h.headerSize < 12 || !in.Has(at + 14, h.headerSize))
        return Invalid("info header cut short");
    h.core = h.headerSize == 12;
    if (!h.core && h.headerSize < 16)
        return Invalid("info header too short");
    // Every field below lies inside the info header just checked.
    std::int64_t height;
    if (h.core) {
        h.claim.width = *in.U16(at + 18);
        height = std::int16_t(*in.U16(at + 20));
        h.planes = *in.U16(at + 22);
        h.bpp = *in.U16(at + 24);
    } else {
        h.claim.width = *in.I32(at + 18);
        height = *in.I32(at + 22);
        h.planes = *in.U16(at + 26);
        h.bpp = *in.U16(at + 28);
        if (h.headerSize >= 20)
            h.compression = *in.U32(at + 30);
        if (h.headerSize >= 36)
            h.colours = *in.U32(at + 46);
    }
    // Windows' headers are 40, 52, 56, 108 and 124 bytes; the sizes between are OS/2's.
    const bool os2 = h.headerSize >= 16 && h.headerSize <= 64 && h.headerSize != 40 && h.headerSize != 52 &&
                     h.headerSize != 56;
    if (os2 && (h.compression == kBitFields || h.compression == kJpeg))
        h.compression += 0x100;
    h.topDown = height < 0;
    h.claim.height = h.topDown ? -height : height;
    return {};
}

Result<void> CheckLayout(const BmpHeader& h)
{
    if (h.planes != 1)
        return Invalid("plane count is not 1");
    if (!PlausibleSize(h.claim.width, h.claim.height))
        return Invalid(ImplausibleSizeText(h.claim.width, h.claim.height));
    if (h.bpp == 0 && (h.compression == kJpeg || h.compression == kPng))
        return Invalid("a JPEG or PNG picture inside a BMP is not read", FailureKind::Unsupported);
    if (h.compression == kOs2Huffman)
        return Invalid("OS/2 Huffman-coded pictures are not read", FailureKind::Unsupported);
    const int bpp = h.bpp;
    if (bpp != 1 && bpp != 2 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return Invalid("unsupported bits per pixel", FailureKind::Unsupported);
    if ((h.compression == kRle8 && bpp != 8) || (h.compression == kRle4 && bpp != 4) ||
        (h.compression == kOs2Rle24 && bpp != 24))
        return Invalid("run-length coding does not match the depth");
    const std::uint32_t c = h.compression;
    if (c != kRgb && !h.Rle() && c != kBitFields && c != kAlphaBitFields)
        return Invalid("unsupported compression", FailureKind::Unsupported);
    return {};
}

// Colour masks: inside a V2+ header, or just after a 40-byte one; the usual ones otherwise.
Result<void> ReadMasks(const ByteReader& in, BmpHeader& h)
{
    const bool v3 = h.headerSize >= 56; // names an alpha mask at offset 66, inside the header
    if (h.compression == kBitFields || h.compression == kAlphaBitFields) {
        const std::size_t at = h.at + (h.headerSize >= 52 ? 54 : 14 + h.headerSize);
        const int count = h.compression == kAlphaBitFields || v3 ? 4 : 3;
        if (!in.Has(at, 4 * count))
            return Invalid("colour masks missing");
        for (int i = 0; i < count; ++i)
            h.masks[i] = *in.U32(at + 4 * i);
        if (v3 && h.compression == kBitFields)
            h.masks[3] = *in.U32(h.at + 66);
        if (h.bpp != 16 && h.bpp != 32)
            return Invalid("bit fields on a depth that has none");
    } else if (h.bpp == 16) {
        h.masks[0] = 0x7C00, h.masks[1] = 0x03E0, h.masks[2] = 0x001F;
    } else if (h.bpp == 32) {
        h.masks[0] = 0xFF0000, h.masks[1] = 0xFF00, h.masks[2] = 0xFF;
        if (v3)
            h.masks[3] = *in.U32(h.at + 66);
    }
    return {};
}

Result<void> ReadPalette(const ByteReader& in, BmpHeader& h)
{
    if (h.bpp > 8)
        return {};
    const std::size_t entry = h.core ? 3 : 4;
    const std::size_t paletteAt =
        h.at + 14 + h.headerSize + (h.compression == kBitFields && h.headerSize == 40 ? 12 : 0);
    std::size_t count = h.colours ? h.colours : (std::size_t(1) << h.bpp);
    // A palette said to hold more than the depth can index: the rest is never used.
    count = std::min(count, std::size_t(1) << h.bpp);
    count = std::min(count, in.Has(paletteAt, 0) ? (in.Size() - paletteAt) / entry : 0);
    if (count == 0)
        return Invalid("palette missing");
    h.indexBits = h.bpp == 1 ? 1 : h.bpp <= 4 ? 4 : 8;
    h.palette.assign(std::size_t(1) << h.indexBits, Rgb{});
    for (std::size_t i = 0; i < count && i < h.palette.size(); ++i) {
        const std::size_t at = paletteAt + i * entry; // whole entries only, counted above
        h.palette[i] = Rgb{*in.U8(at + 2), *in.U8(at + 1), *in.U8(at)};
    }
    return {};
}

Result<BmpHeader> ReadHeader(const ByteReader& in)
{
    BmpHeader h;
    MEDIA_TRY(ReadInfoHeader(in, h));
    MEDIA_TRY(CheckLayout(h));
    MEDIA_TRY(ReadMasks(in, h));
    MEDIA_TRY(ReadPalette(in, h));
    if (h.pixelOffset >= in.Size())
        return Invalid("pixel data missing");
    // A file far too short for the picture its header claims is mostly missing; it
    // must not make us allocate for nothing. (RLE: two bytes stand for up to 255 pixels.)
    h.claim.dataBytes = h.Rle() ? double(h.claim.width) * double(h.claim.height)
                                : double(h.Stride()) * double(h.claim.height);
    h.claim.available = in.Size() - h.pixelOffset;
    h.claim.maxRatio = h.Rle() ? 127.5 : density::kUncompressed;
    return h;
}

// RLE8, RLE4 and RLE24: runs, literal runs, line ends and jumps, rows bottom-up unless
// the header says top-down; what the stream never reaches stays at index 0 (black).
bool DecodeRle(const ByteReader& in, std::size_t at, const BmpHeader& h, Image& img)
{
    const int bpp = h.bpp;
    const int step = h.topDown ? 1 : -1;
    int x = 0, y = h.topDown ? 0 : img.height - 1;
    const auto inside = [&] { return y >= 0 && y < img.height; };
    // One pixel from `p`: an index (its high or low nibble for RLE4) or a BGR triple.
    const auto put = [&](const std::uint8_t* p, bool lowNibble) {
        if (x < img.width && inside()) {
            std::uint8_t* row = img.Row(y);
            if (bpp == 24)
                row[x * 3] = p[2], row[x * 3 + 1] = p[1], row[x * 3 + 2] = p[0];
            else
                row[x] = bpp == 8 ? p[0] : lowNibble ? (p[0] & 0x0F) : (p[0] >> 4);
        }
        ++x;
    };
    const std::size_t pixelBytes = bpp == 24 ? 3 : 1;
    while (in.Has(at, 2) && inside()) {
        const int count = *in.U8(at);
        if (count > 0) {
            if (!in.Has(at + 1, pixelBytes))
                return false;
            for (int i = 0; i < count; ++i)
                put(in.Data() + at + 1, i & 1);
            at += 1 + pixelBytes;
            continue;
        }
        const int value = *in.U8(at + 1);
        at += 2;
        if (value == 0) { // end of line
            x = 0;
            y += step;
        } else if (value == 1) { // end of bitmap
            return true;
        } else if (value == 2) { // delta
            if (!in.Has(at, 2))
                return false;
            x += *in.U8(at);
            y += step * *in.U8(at + 1);
            at += 2;
        } else { // a literal run, padded to a whole 16-bit word
            const std::size_t bytes = bpp == 4 ? (value + 1) / 2 : value * pixelBytes;
            if (!in.Has(at, bytes))
                return false;
            for (int i = 0; i < value; ++i)
                put(in.Data() + at + (bpp == 4 ? i / 2 : i * pixelBytes), i & 1);
            at += (bytes + 1) & ~std::size_t(1);
        }
    }
    return true; // a stream that just stops leaves the rest unset
}

// One stored row into the picture's row: indices unpacked, colours through their masks.
void UnpackRow(const BmpHeader& h, const Channel (&channels)[4], const std::uint8_t* src, Image& img, int y,
               bool& anyAlpha)
{
    const int bpp = h.bpp;
    const bool alpha = h.masks[3] != 0;
    std::uint8_t* dst = img.Row(y);
    for (int x = 0; x < img.width; ++x) {
        if (bpp <= 8) {
            const int perByte = 8 / bpp;
            const int shift = (perByte - 1 - x % perByte) * bpp;
            dst[x] = std::uint8_t((src[x / perByte] >> shift) & ((1 << bpp) - 1));
            continue;
        }
        std::uint8_t* p = dst + x * img.Channels();
        if (bpp == 24) {
            p[0] = src[x * 3 + 2], p[1] = src[x * 3 + 1], p[2] = src[x * 3];
            continue;
        }
        const std::uint32_t v = bpp == 16 ? std::uint32_t(src[x * 2] | (src[x * 2 + 1] << 8))
                                          : std::uint32_t(src[x * 4]) | (std::uint32_t(src[x * 4 + 1]) << 8) |
                                                (std::uint32_t(src[x * 4 + 2]) << 16) |
                                                (std::uint32_t(src[x * 4 + 3]) << 24);
        p[0] = channels[0].Get(v), p[1] = channels[1].Get(v), p[2] = channels[2].Get(v);
        if (alpha) {
            p[3] = channels[3].Get(v);
            anyAlpha |= p[3] != 0;
        }
    }
}

Result<Image> ReadPixels(const ByteReader& in, const BmpHeader& h)
{
    Image img;
    const bool alpha = h.masks[3] != 0;
    const PixelFormat format = h.bpp <= 8 ? PixelFormat::Indexed : alpha ? PixelFormat::Rgba32 : PixelFormat::Rgb24;
    if (!img.Allocate(int(h.claim.width), int(h.claim.height), format))
        return Invalid("impossible picture size");
    if (h.bpp <= 8) {
        img.indexBits = h.indexBits;
        img.palette = h.palette;
    }
    if (h.Rle()) {
        if (!DecodeRle(in, h.pixelOffset, h, img))
            return Invalid("run-length data cut short");
        return img;
    }
    const std::size_t stride = h.Stride();
    const Channel channels[4] = {Channel(h.masks[0]), Channel(h.masks[1]), Channel(h.masks[2]), Channel(h.masks[3])};
    bool anyAlpha = false;
    for (int row = 0; row < img.height; ++row) {
        const std::size_t at = h.pixelOffset + stride * row;
        if (!in.Has(at, stride)) {
            if (row == 0)
                return Invalid("pixel data cut short");
            break; // a short file: the rows that are there
        }
        UnpackRow(h, channels, in.Data() + at, img, h.topDown ? row : img.height - 1 - row, anyAlpha);
    }
    // An alpha channel that is zero everywhere is an unused byte, not a transparent picture.
    if (alpha && !anyAlpha)
        for (std::size_t i = 3; i < img.pixels.size(); i += 4)
            img.pixels[i] = 255;
    return img;
}

} // namespace

bool SniffBmp(const std::uint8_t* data, std::size_t size)
{
    return (size >= 2 && data[0] == 'B' && data[1] == 'M') || IsBitmapArray(data, size);
}

Result<Image> DecodeBmp(const std::uint8_t* data, std::size_t size, const Reduction&)
{
    return DecodeBytesInPhases(ImageFormat::Bmp, data, size, ReadHeader, ReadPixels);
}

Result<ImageHeader> ReadBmpHeader(const std::uint8_t* data, std::size_t size)
{
    return HeaderOf(ImageFormat::Bmp, size, ReadHeader(ByteReader(data, size)), [](const BmpHeader& b, ImageHeader& h) {
        h.bitsPerPixel = b.bpp;
        h.alpha = b.masks[3] != 0;
    });
}

Result<Bytes> EncodeBmp(const Image& source, const SaveOptions&)
{
    Image scratch;
    const Image& img = AsIndexedOrRgb24(source, scratch);
    if (img.Empty())
        return Fail(FailureKind::NoPicture, "there is no picture to save");
    const int bpp = img.format == PixelFormat::Indexed ? img.indexBits : 24;
    const std::size_t stride = ((std::size_t(img.width) * bpp + 31) / 32) * 4;
    const std::size_t paletteEntries = bpp <= 8 ? (std::size_t(1) << bpp) : 0;
    const std::size_t offset = 14 + 40 + paletteEntries * 4;
    const std::size_t total = offset + stride * img.height;
    Bytes out;
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
    return out;
}

} // namespace media
