// PCX: 1-bit, 2- and 4-bit packed, 1-bit planar (up to 16 colours), 8-bit with the
// 256-colour palette at the end, and 24/32-bit as three or four 8-bit planes.
#include "media/codecs/ByteReader.h"
#include "media/codecs/Claims.h"
#include "media/codecs/Codecs.h"

namespace media {

namespace {

Failure Invalid(const std::string& why, FailureKind kind = FailureKind::BadData)
{
    return InvalidImage(ImageFormat::Pcx, why, kind);
}

// Runs of up to 63 equal bytes; a byte that looks like a run marker is written as a run of one.
void EncodeLine(const std::uint8_t* line, std::size_t n, std::vector<std::uint8_t>& out)
{
    for (std::size_t i = 0; i < n;) {
        std::size_t run = 1;
        while (i + run < n && run < 63 && line[i + run] == line[i])
            ++run;
        if (run > 1 || (line[i] & 0xC0) == 0xC0)
            out.push_back(std::uint8_t(0xC0 | run));
        out.push_back(line[i]);
        i += run;
    }
}

constexpr std::size_t kHeaderBytes = 128;
constexpr std::size_t kPaletteBlock = 769; // the 0x0C marker and 256 colours at the end

struct PcxHeader {
    Claim claim;
    int encoding = 0, bpp = 0, planes = 0;
    std::size_t bytesPerLine = 0;
    bool packedIndex = false, planarIndex = false, trueColour = false;
    std::size_t LineBytes() const { return bytesPerLine * planes; }
    std::size_t Total() const { return LineBytes() * std::size_t(claim.height); }
};

Result<PcxHeader> ReadHeader(const ByteReader& in)
{
    if (!in.Has(0, kHeaderBytes) || in.U8(0) != 0x0A)
        return Invalid("header missing");
    // Every field lies inside the 128 bytes just checked.
    PcxHeader h;
    h.encoding = *in.U8(2), h.bpp = *in.U8(3), h.planes = *in.U8(65);
    h.claim.width = std::int64_t(*in.U16(8)) - *in.U16(4) + 1;
    h.claim.height = std::int64_t(*in.U16(10)) - *in.U16(6) + 1;
    h.bytesPerLine = *in.U16(66);
    if (h.encoding > 1)
        return Invalid("unknown encoding", FailureKind::Unsupported);
    if (!PlausibleSize(h.claim.width, h.claim.height))
        return Invalid(ImplausibleSizeText(h.claim.width, h.claim.height));
    const int bpp = h.bpp, planes = h.planes;
    h.packedIndex = planes == 1 && (bpp == 1 || bpp == 2 || bpp == 4 || bpp == 8);
    h.planarIndex = bpp == 1 && planes >= 2 && planes <= 4;
    h.trueColour = bpp == 8 && (planes == 3 || planes == 4);
    if (!h.packedIndex && !h.planarIndex && !h.trueColour)
        return Invalid("unsupported combination of depth and planes", FailureKind::Unsupported);
    if (h.bytesPerLine == 0 || h.bytesPerLine * 8 < std::size_t(h.claim.width) * bpp)
        return Invalid("line length too short for the width");
    if (h.Total() > std::size_t(kMaxImagePixels) * 4)
        return Invalid("impossible picture size");
    // A file too short for its picture even at the densest is mostly missing, or hostile.
    h.claim.dataBytes = double(h.Total());
    h.claim.available = in.Size() - kHeaderBytes;
    h.claim.maxRatio = h.encoding == 1 ? density::kPcxRle : density::kUncompressed;
    return h;
}

// The whole picture's scan lines, run-length decoded in one stream; a short file
// leaves the missing rest at index 0.
Result<Bytes> ReadLines(const ByteReader& in, const PcxHeader& h)
{
    const std::uint8_t* data = in.Data();
    const std::size_t size = in.Size(), total = h.Total();
    const bool paletteAtEnd = h.bpp == 8 && h.planes == 1 && size >= kPaletteBlock + kHeaderBytes;
    const std::size_t dataEnd = paletteAtEnd ? size - kPaletteBlock : size;
    Bytes lines;
    lines.reserve(std::min(total, size * 64));
    if (h.encoding == 0) {
        lines.assign(data + kHeaderBytes, data + std::min(size, kHeaderBytes + total));
    } else {
        for (std::size_t at = kHeaderBytes; lines.size() < total && at < dataEnd;) {
            const std::uint8_t c = data[at++];
            if ((c & 0xC0) != 0xC0) {
                lines.push_back(c);
                continue;
            }
            if (at >= size)
                break;
            lines.insert(lines.end(), std::min<std::size_t>(c & 0x3F, total - lines.size()), data[at++]);
        }
    }
    if (lines.empty())
        return Invalid("pixel data missing");
    lines.resize(total, 0);
    return lines;
}

// Three or four 8-bit planes a line: red, green, blue (and alpha).
Image TrueColour(const PcxHeader& h, const Bytes& lines)
{
    Image img;
    img.Allocate(int(h.claim.width), int(h.claim.height), h.planes == 4 ? PixelFormat::Rgba32 : PixelFormat::Rgb24);
    const int channels = img.Channels();
    for (int y = 0; y < img.height; ++y) {
        const std::uint8_t* line = lines.data() + h.LineBytes() * y;
        std::uint8_t* dst = img.Row(y);
        for (int x = 0; x < img.width; ++x)
            for (int c = 0; c < channels; ++c)
                dst[x * channels + c] = line[h.bytesPerLine * c + x];
    }
    return img;
}

// Packed indices (1, 2, 4 or 8 bits) or up to four 1-bit planes, each a bit of the index.
Image Indexed(const PcxHeader& h, const Bytes& lines)
{
    Image img;
    img.Allocate(int(h.claim.width), int(h.claim.height), PixelFormat::Indexed);
    const int bits = h.packedIndex ? h.bpp : h.planes;
    img.indexBits = bits == 1 ? 1 : bits <= 4 ? 4 : 8;
    img.palette.assign(std::size_t(1) << img.indexBits, Rgb{});
    for (int y = 0; y < img.height; ++y) {
        const std::uint8_t* line = lines.data() + h.LineBytes() * y;
        std::uint8_t* dst = img.Row(y);
        for (int x = 0; x < img.width; ++x) {
            int index = 0;
            if (h.packedIndex) {
                const int perByte = 8 / h.bpp;
                index = (line[x / perByte] >> ((perByte - 1 - x % perByte) * h.bpp)) & ((1 << h.bpp) - 1);
            } else {
                for (int p = 0; p < h.planes; ++p)
                    index |= ((line[h.bytesPerLine * p + x / 8] >> (7 - x % 8)) & 1) << p;
            }
            dst[x] = std::uint8_t(index);
        }
    }
    return img;
}

Result<void> ReadPalette(const ByteReader& in, const PcxHeader& h, Image& img)
{
    const std::size_t size = in.Size();
    if (h.bpp == 8) {
        if (size < kPaletteBlock + kHeaderBytes || in.U8(size - kPaletteBlock) != 0x0C)
            return Invalid("palette marker missing");
        const std::uint8_t* colours = in.Data() + size - (kPaletteBlock - 1);
        for (int i = 0; i < 256; ++i)
            img.palette[i] = Rgb{colours[i * 3], colours[i * 3 + 1], colours[i * 3 + 2]};
    } else if (img.indexBits == 1) {
        // One bit is black and white, whatever the header's palette holds (a CGA
        // painting program leaves its own colours there).
        img.palette[0] = Rgb{0, 0, 0};
        img.palette[1] = Rgb{255, 255, 255};
    } else {
        for (int i = 0; i < 16; ++i) // the header's palette, inside its 128 bytes
            img.palette[i] = Rgb{*in.U8(16 + i * 3), *in.U8(17 + i * 3), *in.U8(18 + i * 3)};
    }
    return {};
}

Result<Image> ReadPixels(const ByteReader& in, const PcxHeader& h)
{
    const auto lines = ReadLines(in, h);
    if (!lines)
        return lines.Error();
    if (h.trueColour)
        return TrueColour(h, *lines);
    Image img = Indexed(h, *lines);
    MEDIA_TRY(ReadPalette(in, h, img));
    return img;
}

} // namespace

bool SniffPcx(const std::uint8_t* d, std::size_t n)
{
    // No magic number: manufacturer 10, a known version, RLE or none, a known depth.
    return n >= kHeaderBytes && d[0] == 0x0A && (d[1] <= 5 && d[1] != 1) && d[2] <= 1 &&
           (d[3] == 1 || d[3] == 2 || d[3] == 4 || d[3] == 8);
}

Result<Image> DecodePcx(const std::uint8_t* data, std::size_t size, const Reduction&)
{
    return DecodeBytesInPhases(ImageFormat::Pcx, data, size, ReadHeader, ReadPixels);
}

Result<ImageHeader> ReadPcxHeader(const std::uint8_t* data, std::size_t size)
{
    return HeaderOf(ImageFormat::Pcx, size, ReadHeader(ByteReader(data, size)),
                    [](const PcxHeader& p, ImageHeader& h) { h.bitsPerPixel = p.bpp * p.planes; });
}

Result<Bytes> EncodePcx(const Image& source, const SaveOptions&)
{
    Image scratch;
    const Image& img = AsIndexedOrRgb24(source, scratch);
    if (img.Empty() || img.width > 65535 || img.height > 65535)
        return Invalid("size out of range", FailureKind::Unsupported);
    const bool indexed = img.format == PixelFormat::Indexed;
    // One bit is read as black and white whatever the header's palette says: two
    // other colours take the 16-colour layout, whose palette readers honour.
    const bool blackAndWhite = img.palette.size() >= 2 && img.palette[0] == Rgb{0, 0, 0} &&
                               img.palette[1] == Rgb{255, 255, 255};
    const int bits = !indexed ? 8 : img.indexBits == 1 && !blackAndWhite ? 4 : img.indexBits;
    // 1 bit: one plane; 16 colours: four 1-bit planes; 256: one 8-bit plane; colour: three.
    const int bpp = indexed && bits <= 4 ? 1 : 8;
    const int planes = !indexed ? 3 : bits == 4 ? 4 : 1;
    std::size_t bytesPerLine = (std::size_t(img.width) * bpp + 7) / 8;
    bytesPerLine += bytesPerLine & 1;
    Bytes out(kHeaderBytes, 0);
    out[0] = 0x0A, out[1] = 5, out[2] = 1, out[3] = std::uint8_t(bpp);
    const auto put16 = [&](std::size_t at, unsigned v) { out[at] = std::uint8_t(v), out[at + 1] = std::uint8_t(v >> 8); };
    put16(8, unsigned(img.width - 1));
    put16(10, unsigned(img.height - 1));
    put16(12, 72);
    put16(14, 72);
    if (indexed && bits <= 4)
        for (std::size_t i = 0; i < 16 && i < img.palette.size(); ++i)
            out[16 + i * 3] = img.palette[i].r, out[17 + i * 3] = img.palette[i].g, out[18 + i * 3] = img.palette[i].b;
    out[65] = std::uint8_t(planes);
    put16(66, unsigned(bytesPerLine));
    put16(68, 1); // colour palette
    std::vector<std::uint8_t> line(bytesPerLine * planes);
    for (int y = 0; y < img.height; ++y) {
        std::fill(line.begin(), line.end(), 0);
        const std::uint8_t* src = img.Row(y);
        for (int x = 0; x < img.width; ++x) {
            if (!indexed) {
                for (int c = 0; c < 3; ++c)
                    line[bytesPerLine * c + x] = src[x * 3 + c];
            } else if (bpp == 8) {
                line[x] = src[x];
            } else {
                for (int p = 0; p < planes; ++p)
                    if ((src[x] >> p) & 1)
                        line[bytesPerLine * p + x / 8] |= std::uint8_t(0x80 >> (x % 8));
            }
        }
        // Each plane's line is coded on its own, as most readers expect.
        for (int p = 0; p < planes; ++p)
            EncodeLine(line.data() + bytesPerLine * p, bytesPerLine, out);
    }
    if (indexed && bits == 8) {
        out.push_back(0x0C);
        for (int i = 0; i < 256; ++i) {
            const Rgb c = i < int(img.palette.size()) ? img.palette[i] : Rgb{};
            out.push_back(c.r), out.push_back(c.g), out.push_back(c.b);
        }
    }
    return out;
}

} // namespace media
