// PCX: 1-bit, 2- and 4-bit packed, 1-bit planar (up to 16 colours), 8-bit with the
// 256-colour palette at the end, and 24/32-bit as three or four 8-bit planes.
#include "media/codecs/ByteReader.h"
#include "media/codecs/Claims.h"
#include "media/codecs/Codecs.h"

namespace media {

namespace {

bool Fail(std::string& error, const char* why)
{
    error = std::string("Invalid PCX image: ") + why;
    return false;
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

} // namespace

bool DecodePcx(const std::uint8_t* data, std::size_t size, Image& out, std::string& error)
{
    const ByteReader in(data, size);
    if (!in.Has(0, 128) || in.U8(0) != 0x0A)
        return Fail(error, "header missing");
    const int encoding = in.U8(2), bpp = in.U8(3), planes = in.U8(65);
    const std::int64_t width = std::int64_t(in.U16(8)) - in.U16(4) + 1;
    const std::int64_t height = std::int64_t(in.U16(10)) - in.U16(6) + 1;
    const std::size_t bytesPerLine = in.U16(66);
    if (encoding > 1)
        return Fail(error, "unknown encoding");
    if (!PlausibleSize(width, height))
        return Fail(error, "impossible picture size");
    const bool packedIndex = planes == 1 && (bpp == 1 || bpp == 2 || bpp == 4 || bpp == 8);
    const bool planarIndex = bpp == 1 && planes >= 2 && planes <= 4;
    const bool trueColour = bpp == 8 && (planes == 3 || planes == 4);
    if (!packedIndex && !planarIndex && !trueColour)
        return Fail(error, "unsupported combination of depth and planes");
    if (bytesPerLine == 0 || bytesPerLine * 8 < std::size_t(width) * bpp)
        return Fail(error, "line length too short for the width");

    // The whole picture's scan lines, run-length decoded in one stream.
    const std::size_t lineBytes = bytesPerLine * planes;
    const std::size_t total = lineBytes * std::size_t(height);
    if (total > std::size_t(kMaxImagePixels) * 4)
        return Fail(error, "impossible picture size");
    // A file too short for its picture even at the densest is mostly missing, or
    // hostile: refused before anything is allocated.
    std::string why;
    if (!FileCanHold(width, height, double(total), size - 128,
                     encoding == 1 ? density::kPcxRle : density::kUncompressed, size, why))
        return Fail(error, why.c_str());
    const std::size_t dataEnd = bpp == 8 && planes == 1 && size >= 769 + 128 ? size - 769 : size;
    std::vector<std::uint8_t> lines;
    lines.reserve(std::min(total, size * 64));
    std::size_t at = 128;
    if (encoding == 0) {
        lines.assign(data + 128, data + std::min(size, 128 + total));
    } else {
        while (lines.size() < total && at < dataEnd) {
            const std::uint8_t c = data[at++];
            if ((c & 0xC0) == 0xC0) {
                if (at >= size)
                    break;
                lines.insert(lines.end(), std::min<std::size_t>(c & 0x3F, total - lines.size()), data[at++]);
            } else {
                lines.push_back(c);
            }
        }
    }
    if (lines.empty())
        return Fail(error, "pixel data missing");
    lines.resize(total, 0); // a short file: the missing rest stays at index 0

    Image img;
    if (trueColour) {
        img.Allocate(int(width), int(height), planes == 4 ? PixelFormat::Rgba32 : PixelFormat::Rgb24);
        const int channels = img.Channels();
        for (int y = 0; y < img.height; ++y) {
            const std::uint8_t* line = lines.data() + lineBytes * y;
            std::uint8_t* dst = img.Row(y);
            for (int x = 0; x < img.width; ++x)
                for (int c = 0; c < channels; ++c)
                    dst[x * channels + c] = line[bytesPerLine * c + x];
        }
        out = std::move(img);
        return true;
    }

    img.Allocate(int(width), int(height), PixelFormat::Indexed);
    const int bits = packedIndex ? bpp : planes;
    img.indexBits = bits == 1 ? 1 : bits <= 4 ? 4 : 8;
    img.palette.assign(std::size_t(1) << img.indexBits, Rgb{});
    for (int y = 0; y < img.height; ++y) {
        const std::uint8_t* line = lines.data() + lineBytes * y;
        std::uint8_t* dst = img.Row(y);
        for (int x = 0; x < img.width; ++x) {
            int index = 0;
            if (packedIndex) {
                const int perByte = 8 / bpp;
                index = (line[x / perByte] >> ((perByte - 1 - x % perByte) * bpp)) & ((1 << bpp) - 1);
            } else {
                for (int p = 0; p < planes; ++p)
                    index |= ((line[bytesPerLine * p + x / 8] >> (7 - x % 8)) & 1) << p;
            }
            dst[x] = std::uint8_t(index);
        }
    }
    if (bpp == 8) {
        if (size < 769 + 128 || data[size - 769] != 0x0C)
            return Fail(error, "palette marker missing");
        for (int i = 0; i < 256; ++i)
            img.palette[i] = Rgb{data[size - 768 + i * 3], data[size - 768 + i * 3 + 1], data[size - 768 + i * 3 + 2]};
    } else if (bits == 1) {
        // One bit is black and white, whatever the header's palette holds (a CGA
        // painting program leaves its own colours there).
        img.palette[0] = Rgb{0, 0, 0};
        img.palette[1] = Rgb{255, 255, 255};
    } else {
        for (int i = 0; i < 16; ++i)
            img.palette[i] = Rgb{in.U8(16 + i * 3), in.U8(17 + i * 3), in.U8(18 + i * 3)};
    }
    out = std::move(img);
    return true;
}

bool EncodePcx(const Image& source, std::vector<std::uint8_t>& out, std::string& error)
{
    Image scratch;
    const Image& img = AsIndexedOrRgb24(source, scratch);
    if (img.Empty() || img.width > 65535 || img.height > 65535) {
        error = "Invalid PCX image: size out of range";
        return false;
    }
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
    out.assign(128, 0);
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
    return true;
}

} // namespace media
