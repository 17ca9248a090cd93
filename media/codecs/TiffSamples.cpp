#include "media/codecs/TiffSamples.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace media {

namespace {

int ColourSamples(std::uint16_t photometric)
{
    switch (photometric) {
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_MINISWHITE:
    case PHOTOMETRIC_PALETTE:
        return 1;
    case PHOTOMETRIC_RGB:
        return 3;
    case PHOTOMETRIC_SEPARATED:
        return 4;
    default:
        return 0;
    }
}

bool IsFloat(const TiffLayout& l) { return l.sampleFormat == SAMPLEFORMAT_IEEEFP; }

// A half-precision float's value.
double HalfValue(std::uint16_t h)
{
    const int exponent = (h >> 10) & 0x1F, mantissa = h & 0x3FF;
    const double sign = (h & 0x8000) ? -1 : 1;
    if (exponent == 0)
        return sign * std::ldexp(mantissa, -24);
    if (exponent == 31)
        return mantissa ? std::nan("") : sign * INFINITY;
    return sign * std::ldexp(mantissa + 1024, exponent - 25);
}

// Reads sample `index` of a row of decoded samples as a value from 0 to 1: integers
// over their range (signed ones from their most negative value), floating point as
// 0..1.
class SampleReader {
public:
    explicit SampleReader(const TiffLayout& l) : m_bits(l.bits), m_float(IsFloat(l)), m_signed(l.sampleFormat == SAMPLEFORMAT_INT)
    {
        if (!m_float) // integers are at most 32 bits wide
            m_max = double((std::uint64_t(1) << m_bits) - 1);
    }
    // The raw integer (for palette indices).
    std::uint64_t Raw(const std::uint8_t* row, std::size_t index) const
    {
        switch (m_bits) {
        case 8:
            return row[index];
        case 16: {
            std::uint16_t v;
            std::memcpy(&v, row + index * 2, 2); // libtiff hands 16 and 32 bits in the machine's order
            return v;
        }
        case 32: {
            std::uint32_t v;
            std::memcpy(&v, row + index * 4, 4);
            return v;
        }
        default: {
            std::uint64_t v = 0;
            const std::size_t bit = index * m_bits;
            for (int b = 0; b < m_bits; ++b)
                v = v << 1 | ((row[(bit + b) / 8] >> (7 - (bit + b) % 8)) & 1);
            return v;
        }
        }
    }
    double Value(const std::uint8_t* row, std::size_t index) const
    {
        if (m_float) {
            double f = 0;
            if (m_bits == 16) {
                std::uint16_t h;
                std::memcpy(&h, row + index * 2, 2);
                f = HalfValue(h);
            } else if (m_bits == 32) {
                float v;
                std::memcpy(&v, row + index * 4, 4);
                f = v;
            } else {
                std::memcpy(&f, row + index * 8, 8);
            }
            return f > 0 ? std::min(f, 1.0) : 0.0; // NaN too
        }
        std::uint64_t v = Raw(row, index);
        if (m_signed)
            v ^= std::uint64_t(1) << (m_bits - 1); // in order: the most negative black, the most positive white
        return double(v) / m_max;
    }

private:
    int m_bits;
    bool m_float, m_signed;
    double m_max = 1;
};

std::uint8_t To8(double v) { return std::uint8_t(std::lround(std::clamp(v, 0.0, 1.0) * 255)); }

} // namespace

bool SamplesReadable(const TiffLayout& l)
{
    const int colour = ColourSamples(l.photometric);
    if (colour == 0 || l.samples < colour || l.bits == 0)
        return false;
    if (IsFloat(l))
        return l.bits == 16 || l.bits == 32 || l.bits == 64;
    if (l.sampleFormat != SAMPLEFORMAT_UINT && l.sampleFormat != SAMPLEFORMAT_INT)
        return false;
    return l.bits <= 32 && (l.photometric != PHOTOMETRIC_PALETTE || l.bits <= 16);
}

bool SamplesPreferred(const TiffLayout& l)
{
    if (!SamplesReadable(l))
        return false;
    const bool alpha = l.extra > 0 && l.alphaType != EXTRASAMPLE_UNSPECIFIED;
    return l.sampleFormat != SAMPLEFORMAT_UINT || (l.bits != 1 && l.bits != 2 && l.bits != 4 && l.bits != 8 && l.bits != 16) ||
           (l.photometric == PHOTOMETRIC_RGB && l.bits < 8) || (l.photometric == PHOTOMETRIC_PALETTE && l.bits > 8) ||
           (l.photometric == PHOTOMETRIC_SEPARATED && alpha) || (l.planar == PLANARCONFIG_SEPARATE && l.bits != 8);
}

namespace {

// How the decoded pieces (strips or tiles) lie: read a band of rows at a time, for
// every plane, each band row the picture's width.
struct Pieces {
    bool tiled = false, separate = false;
    int planes = 1;
    std::uint64_t perPixel = 1;
    std::uint32_t width = 0, height = 0, across = 1, bitsPerPixel = 0;
    std::size_t rowBytes = 0, bandRowBytes = 0;

    // The band row of plane `plane`, row `r`.
    std::size_t BandRow(int plane, std::uint32_t r) const { return (std::size_t(plane) * height + r) * bandRowBytes; }
};

bool MeasurePieces(TIFF* tif, const TiffLayout& l, Pieces& p)
{
    p.tiled = TIFFIsTiled(tif);
    p.separate = l.planar == PLANARCONFIG_SEPARATE;
    p.planes = p.separate ? l.samples : 1;
    p.perPixel = p.separate ? 1 : l.samples;
    p.width = l.width;
    if (p.tiled) {
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &p.width);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &p.height);
    } else {
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &p.height);
        p.height = std::min(p.height, l.height);
    }
    if (p.width == 0 || p.height == 0)
        return false;
    p.rowBytes = std::size_t((std::uint64_t(p.width) * p.perPixel * l.bits + 7) / 8);
    p.bandRowBytes = p.tiled ? std::size_t((std::uint64_t(l.width) * p.perPixel * l.bits + 7) / 8) : p.rowBytes;
    p.across = p.tiled ? (l.width + p.width - 1) / p.width : 1;
    p.bitsPerPixel = std::uint32_t(p.perPixel * l.bits);
    // A damaged header may claim tiles of any height: no band beyond what a picture can need.
    return std::uint64_t(p.planes) * p.height * p.bandRowBytes <= std::uint64_t(kMaxImagePixels) * 16;
}

// A tile's row into the band's row at column x0, bit-exact for any depth.
void PlaceTileRow(const Pieces& p, const std::uint8_t* src, std::uint32_t x0, std::uint32_t cols, std::uint8_t* dst)
{
    const std::uint32_t bits = p.bitsPerPixel;
    if (bits % 8 == 0) {
        std::memcpy(dst + std::size_t(x0) * bits / 8, src, std::size_t(cols) * bits / 8);
        return;
    }
    for (std::uint64_t b = 0; b < std::uint64_t(cols) * bits; ++b) {
        const std::uint64_t to = std::uint64_t(x0) * bits + b;
        if ((src[b / 8] >> (7 - b % 8)) & 1)
            dst[to / 8] |= std::uint8_t(0x80 >> (to % 8));
    }
}

// The rows from `top` on, of every plane and every piece across, into the band.
void ReadBand(TIFF* tif, const TiffLayout& l, const Pieces& p, std::uint32_t top, std::uint32_t rows,
              std::vector<std::uint8_t>& piece, std::vector<std::uint8_t>& band)
{
    std::fill(band.begin(), band.end(), 0);
    for (int plane = 0; plane < p.planes; ++plane) {
        for (std::uint32_t across = 0; across < p.across; ++across) {
            const std::uint32_t x0 = across * p.width;
            const tmsize_t got =
                p.tiled ? TIFFReadEncodedTile(tif, TIFFComputeTile(tif, x0, top, 0, std::uint16_t(plane)), piece.data(),
                                              tmsize_t(piece.size()))
                        : TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, top, std::uint16_t(plane)), piece.data(),
                                               tmsize_t(piece.size()));
            if (got < 0)
                continue; // a damaged piece stays blank, as libtiff's own reader leaves it
            for (std::uint32_t r = 0; r < rows; ++r) {
                std::uint8_t* dst = band.data() + p.BandRow(plane, r);
                const std::uint8_t* src = piece.data() + std::size_t(r) * p.rowBytes;
                if (p.tiled)
                    PlaceTileRow(p, src, x0, std::min(p.width, l.width - x0), dst);
                else
                    std::memcpy(dst, src, std::min(p.bandRowBytes, p.rowBytes));
            }
        }
    }
}

// What the band's samples stand for, and how they become 8-bit pixels.
struct SampleMeaning {
    int colour = 0;
    bool alpha = false, premultiplied = false, grey = false;
    const std::uint16_t *mapR = nullptr, *mapG = nullptr, *mapB = nullptr;
};

void ConvertBandRow(const TiffLayout& l, const Pieces& p, const SampleMeaning& m, const SampleReader& reader,
                    const std::vector<std::uint8_t>& band, std::uint32_t r, Image& img, int y)
{
    // Sample s of pixel x: in its plane's row, or interleaved in the one row.
    const auto value = [&](std::uint32_t x, int s) {
        return p.separate ? reader.Value(band.data() + p.BandRow(s, r), x)
                          : reader.Value(band.data() + p.BandRow(0, r), std::size_t(x) * l.samples + s);
    };
    std::uint8_t* dst = img.Row(y);
    const int channels = img.Channels();
    for (std::uint32_t x = 0; x < l.width; ++x, dst += channels) {
        const double a = m.alpha ? value(x, m.colour) : 1.0;
        double rgb[3];
        if (l.photometric == PHOTOMETRIC_PALETTE) {
            const std::uint8_t* row = band.data() + p.BandRow(0, r); // plane 0 when planar
            const std::uint64_t i = std::min<std::uint64_t>(reader.Raw(row, p.separate ? x : std::size_t(x) * l.samples),
                                                            (std::uint64_t(1) << l.bits) - 1);
            rgb[0] = m.mapR[i] / 65535.0, rgb[1] = m.mapG[i] / 65535.0, rgb[2] = m.mapB[i] / 65535.0;
        } else if (m.grey) {
            const double v = value(x, 0);
            rgb[0] = rgb[1] = rgb[2] = l.photometric == PHOTOMETRIC_MINISWHITE ? 1 - v : v;
        } else if (l.photometric == PHOTOMETRIC_RGB) {
            for (int c = 0; c < 3; ++c)
                rgb[c] = value(x, c);
        } else {
            const double k = value(x, 3);
            for (int c = 0; c < 3; ++c)
                rgb[c] = (1 - value(x, c)) * (1 - k);
        }
        if (m.premultiplied && a > 0)
            for (double& c : rgb)
                c /= a;
        if (img.format == PixelFormat::Gray8) {
            dst[0] = To8(rgb[0]);
            continue;
        }
        for (int c = 0; c < 3; ++c)
            dst[c] = To8(rgb[c]);
        if (m.alpha)
            dst[3] = To8(a);
    }
}

} // namespace

bool ReadSamples(TIFF* tif, const TiffLayout& l, Image& img)
{
    SampleMeaning m;
    m.colour = ColourSamples(l.photometric);
    m.alpha = l.extra > 0 && l.alphaType != EXTRASAMPLE_UNSPECIFIED && l.samples > m.colour;
    m.premultiplied = m.alpha && l.alphaType == EXTRASAMPLE_ASSOCALPHA;
    m.grey = m.colour == 1 && l.photometric != PHOTOMETRIC_PALETTE;
    std::uint16_t *mapR = nullptr, *mapG = nullptr, *mapB = nullptr;
    if (l.photometric == PHOTOMETRIC_PALETTE && !TIFFGetField(tif, TIFFTAG_COLORMAP, &mapR, &mapG, &mapB))
        return false;
    m.mapR = mapR, m.mapG = mapG, m.mapB = mapB;
    if (!img.Allocate(int(l.width), int(l.height),
                      m.alpha ? PixelFormat::Rgba32 : m.grey ? PixelFormat::Gray8 : PixelFormat::Rgb24))
        return false;
    Pieces p;
    if (!MeasurePieces(tif, l, p))
        return false;
    std::vector<std::uint8_t> band(std::size_t(p.planes) * p.height * p.bandRowBytes);
    std::vector<std::uint8_t> piece(p.tiled ? std::size_t(TIFFTileSize(tif)) : std::size_t(TIFFStripSize(tif)));
    if (piece.empty() || (p.tiled && p.rowBytes * p.height > piece.size()))
        return false;
    const SampleReader reader(l);
    for (std::uint32_t top = 0; top < l.height; top += p.height) {
        const std::uint32_t rows = std::min(p.height, l.height - top);
        ReadBand(tif, l, p, top, rows, piece, band);
        for (std::uint32_t r = 0; r < rows; ++r)
            ConvertBandRow(l, p, m, reader, band, r, img, int(top + r));
    }
    return true;
}

} // namespace media
