// TIFF through libtiff, read and written in memory: strips and tiles, every
// compression libtiff has, palette/grey/bilevel kept as such, CIE L*a*b* converted
// here, the layouts libtiff's RGBA reader refuses or gets wrong read sample by
// sample (TiffSamples), everything else (colour, CMYK, YCbCr, 16-bit ...) through
// that reader. Out: palette, grey, colour or colour with alpha, LZW-compressed.
#include "media/codecs/Claims.h"
#include "media/codecs/Codecs.h"
#include "media/codecs/Metadata.h"
#include "media/codecs/TiffSamples.h"
#include "media/image/Processing.h"

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace media {

namespace {

struct MemoryFile {
    const std::uint8_t* data = nullptr; // reading
    std::vector<std::uint8_t>* out = nullptr; // writing
    std::size_t size = 0;
    toff_t pos = 0;
};

tsize_t Read(thandle_t h, tdata_t buf, tsize_t n)
{
    auto* f = static_cast<MemoryFile*>(h);
    const std::size_t size = f->out ? f->out->size() : f->size;
    if (n < 0 || f->pos >= size)
        return 0;
    const std::size_t count = std::min<std::size_t>(std::size_t(n), size - f->pos);
    std::memcpy(buf, (f->out ? f->out->data() : f->data) + f->pos, count);
    f->pos += count;
    return tsize_t(count);
}

tsize_t Write(thandle_t h, tdata_t buf, tsize_t n)
{
    auto* f = static_cast<MemoryFile*>(h);
    if (!f->out || n < 0)
        return 0;
    if (f->pos + std::size_t(n) > f->out->size())
        f->out->resize(f->pos + std::size_t(n));
    std::memcpy(f->out->data() + f->pos, buf, std::size_t(n));
    f->pos += std::size_t(n);
    return n;
}

toff_t Seek(thandle_t h, toff_t off, int whence)
{
    auto* f = static_cast<MemoryFile*>(h);
    const std::size_t size = f->out ? f->out->size() : f->size;
    toff_t base = whence == SEEK_CUR ? f->pos : whence == SEEK_END ? size : 0;
    f->pos = base + off;
    return f->pos;
}

int Close(thandle_t) { return 0; }
toff_t Size(thandle_t h)
{
    auto* f = static_cast<MemoryFile*>(h);
    return f->out ? f->out->size() : f->size;
}
int Map(thandle_t, tdata_t*, toff_t*) { return 0; }
void Unmap(thandle_t, tdata_t, toff_t) {}

// Errors are kept per open file; warnings of damaged files are not printed.
int OnError(TIFF*, void* user, const char*, const char* fmt, va_list args)
{
    char buf[256];
    std::vsnprintf(buf, sizeof buf, fmt, args);
    *static_cast<std::string*>(user) = buf;
    return 1;
}
int OnWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// No single allocation inside libtiff may exceed what our largest picture needs:
// a damaged header must not make it ask for gigabytes.
constexpr tmsize_t kMaxTiffAllocation = tmsize_t(kMaxImagePixels) * 4;

// A libtiff handle closed on every way out of the function that opened it.
struct TiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

TiffHandle OpenMemory(MemoryFile& file, const char* mode, std::string& lastError)
{
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxTiffAllocation);
    TIFFOpenOptionsSetErrorHandlerExtR(options, OnError, &lastError);
    TIFFOpenOptionsSetWarningHandlerExtR(options, OnWarning, nullptr);
    TiffHandle tif(TIFFClientOpenExt("memory", mode, &file, Read, Write, Seek, Close, Size, Map, Unmap, options));
    TIFFOpenOptionsFree(options);
    return tif;
}

Failure Invalid(const std::string& why) { return InvalidImage(ImageFormat::Tiff, why.empty() ? "unreadable" : why); }

// Palette, grey and bilevel pictures in strips are read line by line to keep their depth.
bool ReadIndexedOrGrey(TIFF* tif, std::uint16_t photometric, std::uint16_t bits, Image& img)
{
    const bool palette = photometric == PHOTOMETRIC_PALETTE;
    const bool whiteIsZero = photometric == PHOTOMETRIC_MINISWHITE;
    if (palette || bits == 1) {
        img.format = PixelFormat::Indexed;
        img.indexBits = bits == 1 ? 1 : bits <= 4 ? 4 : 8;
        img.palette.assign(std::size_t(1) << img.indexBits, Rgb{});
        if (palette) {
            std::uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
            if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b))
                return false;
            // Some writers store 8-bit values in the 16-bit map.
            bool eightBit = true;
            for (int i = 0; i < (1 << bits); ++i)
                eightBit &= r[i] < 256 && g[i] < 256 && b[i] < 256;
            for (int i = 0; i < (1 << bits); ++i)
                img.palette[i] = eightBit ? Rgb{std::uint8_t(r[i]), std::uint8_t(g[i]), std::uint8_t(b[i])}
                                          : Rgb{std::uint8_t(r[i] >> 8), std::uint8_t(g[i] >> 8), std::uint8_t(b[i] >> 8)};
        } else {
            img.palette[0] = whiteIsZero ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
            img.palette[1] = whiteIsZero ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
        }
    } else {
        img.format = PixelFormat::Gray8;
    }
    const tmsize_t scanline = TIFFScanlineSize(tif);
    if (scanline <= 0 || std::size_t(scanline) * 8 < std::size_t(img.width) * bits)
        return false;
    std::vector<std::uint8_t> line(static_cast<std::size_t>(scanline));
    img.pixels.assign(img.RowBytes() * img.height, 0);
    for (int y = 0; y < img.height; ++y) {
        if (TIFFReadScanline(tif, line.data(), std::uint32_t(y), 0) < 0)
            return y > 0; // a damaged tail: the lines read so far
        std::uint8_t* dst = img.Row(y);
        const int perByte = 8 / bits;
        for (int x = 0; x < img.width; ++x) {
            int v = bits == 8 ? line[x] : (line[x / perByte] >> ((perByte - 1 - x % perByte) * bits)) & ((1 << bits) - 1);
            if (img.format == PixelFormat::Gray8 && whiteIsZero)
                v = 255 - v;
            dst[x] = std::uint8_t(v);
        }
    }
    return true;
}

// 8-bit RGB or RGBA in strips, read line by line so that alpha stays exact; colours
// stored premultiplied (associated alpha) are divided out, since pictures here are
// straight.
bool ReadColour(TIFF* tif, int samples, bool premultiplied, Image& img)
{
    img.format = samples == 4 ? PixelFormat::Rgba32 : PixelFormat::Rgb24;
    const tmsize_t scanline = TIFFScanlineSize(tif);
    if (scanline < tmsize_t(img.RowBytes()))
        return false;
    std::vector<std::uint8_t> line(static_cast<std::size_t>(scanline));
    img.pixels.assign(img.RowBytes() * img.height, 0);
    for (int y = 0; y < img.height; ++y) {
        if (TIFFReadScanline(tif, line.data(), std::uint32_t(y), 0) < 0)
            return y > 0;
        std::uint8_t* row = img.Row(y);
        std::copy_n(line.data(), img.RowBytes(), row);
        if (premultiplied)
            for (int x = 0; x < img.width; ++x) {
                std::uint8_t* p = row + x * 4;
                for (int c = 0; c < 3 && p[3] > 0; ++c)
                    p[c] = std::uint8_t(std::min(255, (p[c] * 255 + p[3] / 2) / p[3]));
            }
    }
    return true;
}

// One CIE L*a*b* colour (D50, as TIFF and ICC take it) in sRGB: to XYZ, adapted to
// D65 (Bradford) and to sRGB's primaries in one matrix, then sRGB's curve.
void LabToRgb(double L, double a, double b, std::uint8_t* rgb)
{
    const auto finv = [](double t) { return t > 6.0 / 29 ? t * t * t : 3 * (6.0 / 29) * (6.0 / 29) * (t - 4.0 / 29); };
    const double fy = (L + 16) / 116;
    const double X = 0.9642 * finv(fy + a / 500), Y = finv(fy), Z = 0.8249 * finv(fy - b / 200);
    const double linear[3] = {3.1338561 * X - 1.6168667 * Y - 0.4906146 * Z,
                              -0.9787684 * X + 1.9161415 * Y + 0.0334540 * Z,
                              0.0719453 * X - 0.2289914 * Y + 1.4052427 * Z};
    for (int c = 0; c < 3; ++c) {
        const double v = std::clamp(linear[c], 0.0, 1.0);
        const double encoded = v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
        rgb[c] = std::uint8_t(std::lround(encoded * 255));
    }
}

// 8-bit CIE L*a*b* (a and b signed) or ICC L*a*b* (a and b offset by 128) in strips,
// as sRGB colour. libtiff's own conversion takes its white for a display's, which
// gives a warm cast.
bool ReadLab(TIFF* tif, std::uint16_t photometric, int samples, Image& img)
{
    img.format = PixelFormat::Rgb24;
    const tmsize_t scanline = TIFFScanlineSize(tif);
    if (scanline < tmsize_t(std::size_t(img.width) * samples))
        return false;
    std::vector<std::uint8_t> line(static_cast<std::size_t>(scanline));
    img.pixels.assign(img.RowBytes() * img.height, 0);
    const bool signedAb = photometric == PHOTOMETRIC_CIELAB;
    for (int y = 0; y < img.height; ++y) {
        if (TIFFReadScanline(tif, line.data(), std::uint32_t(y), 0) < 0)
            return y > 0;
        for (int x = 0; x < img.width; ++x) {
            const std::uint8_t* p = line.data() + std::size_t(x) * samples;
            const double a = signedAb ? std::int8_t(p[1]) : p[1] - 128.0;
            const double b = signedAb ? std::int8_t(p[2]) : p[2] - 128.0;
            LabToRgb(p[0] * 100.0 / 255, a, b, img.Row(y) + x * 3);
        }
    }
    return true;
}

// The most decoded bytes one stored byte gives under each compression.
double TiffDensity(std::uint16_t compression, std::uint32_t width)
{
    switch (compression) {
    case COMPRESSION_NONE:
        return density::kUncompressed;
    case COMPRESSION_PACKBITS:
        return 64;
    case COMPRESSION_LZW:
        return 4096; // a 12-bit code stands for at most 4096 bytes
    case COMPRESSION_DEFLATE:
    case COMPRESSION_ADOBE_DEFLATE:
        return density::kDeflate;
    case COMPRESSION_CCITTRLE:
    case COMPRESSION_CCITTRLEW:
    case COMPRESSION_CCITTFAX3:
    case COMPRESSION_CCITTFAX4:
        return std::max(1032.0, double(width)); // a blank row may take a single bit
    case COMPRESSION_JPEG:
    case COMPRESSION_OJPEG:
        return density::kJpegPixelsPerByte * 3;
    default:
        return 65536; // LZMA, ZSTD, JBIG ...: generous, and the pixel limit still holds
    }
}

// What the header claims: the strips or tiles the file really holds must be able to
// decode to the picture.
Claim TiffClaim(TIFF* tif, std::uint32_t w, std::uint32_t h, double bytesPerPixel, std::size_t fileSize)
{
    std::uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    std::uint64_t* counts = nullptr;
    const bool tiled = TIFFIsTiled(tif);
    const std::uint32_t pieces = tiled ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
    double stored = 0;
    if (TIFFGetField(tif, tiled ? TIFFTAG_TILEBYTECOUNTS : TIFFTAG_STRIPBYTECOUNTS, &counts) && counts)
        for (std::uint32_t i = 0; i < pieces; ++i)
            stored += double(counts[i]);
    const std::size_t held = std::size_t(std::min(stored, double(fileSize)));
    return {w, h, double(w) * h * std::max(bytesPerPixel, 1.0 / 8), held, TiffDensity(compression, w)};
}

// An open libtiff handle over the file's bytes, with the last error it gave, at one
// address from the header step to the end of the pixel step.
struct TiffReading {
    MemoryFile file;
    std::string lastError;
    TiffHandle handle;
};

struct TiffHeader {
    Claim claim;
    std::unique_ptr<TiffReading> reading;
    TiffLayout layout;
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    bool tiled = false;
};

Result<TiffHeader> ReadHeader(const std::uint8_t* data, std::size_t size)
{
    TiffHeader h;
    h.reading = std::make_unique<TiffReading>();
    TiffReading& r = *h.reading;
    r.file.data = data;
    r.file.size = size;
    r.handle = OpenMemory(r.file, "rm", r.lastError);
    TIFF* tif = r.handle.get();
    if (!tif)
        return Invalid(r.lastError);
    TiffLayout& l = h.layout;
    l.bits = 1, l.samples = 1;
    std::uint16_t* extraTypes = nullptr;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &h.orientation);
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &l.width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &l.height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &l.bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &l.samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &l.planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &l.extra, &extraTypes);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &l.photometric))
        l.photometric = l.samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &l.sampleFormat);
    l.alphaType = l.extra > 0 && extraTypes ? extraTypes[0] : std::uint16_t(EXTRASAMPLE_UNSPECIFIED);
    h.tiled = TIFFIsTiled(tif);
    // The claim is only asked of a plausible size (a huge one could overflow its sum).
    if (!PlausibleSize(l.width, l.height))
        return Invalid(ImplausibleSizeText(l.width, l.height));
    h.claim = TiffClaim(tif, l.width, l.height, double(l.bits) * l.samples / 8, size);
    return h;
}

// Everything the sample-exact readers do not take, through libtiff's own conversion
// to 8-bit RGBA; where even that refuses, the sample reader has the last word.
Result<void> ReadThroughRgba(TIFF* tif, const TiffHeader& h, Image& img)
{
    const TiffLayout& l = h.layout;
    std::vector<std::uint32_t> rgba(std::size_t(l.width) * l.height);
    // Asked for the file's own orientation, libtiff leaves the rows as stored; the
    // turn for viewing is made by the caller, the same for every path.
    if (!TIFFReadRGBAImageOriented(tif, l.width, l.height, rgba.data(), h.orientation, 0)) {
        const std::string why = h.reading->lastError;
        if (!SamplesReadable(l) || !ReadSamples(tif, l, img))
            return Invalid(why);
        return {};
    }
    const bool alpha = l.extra > 0;
    // libtiff hands alpha back premultiplied: associated alpha as stored, and
    // unassociated alpha multiplied in; undo that, since pictures here are straight.
    const bool unpremultiply = alpha && l.alphaType != EXTRASAMPLE_UNSPECIFIED;
    img.Allocate(int(l.width), int(l.height), alpha ? PixelFormat::Rgba32 : PixelFormat::Rgb24);
    const int channels = img.Channels();
    for (std::size_t i = 0; i < rgba.size(); ++i) {
        std::uint8_t* p = img.pixels.data() + i * channels;
        const unsigned a = TIFFGetA(rgba[i]);
        const auto channel = [&](unsigned v) {
            return std::uint8_t(unpremultiply && a > 0 ? std::min(255u, (v * 255 + a / 2) / a) : v);
        };
        p[0] = channel(TIFFGetR(rgba[i])), p[1] = channel(TIFFGetG(rgba[i])), p[2] = channel(TIFFGetB(rgba[i]));
        if (alpha)
            p[3] = std::uint8_t(a);
    }
    return {};
}

Result<Image> ReadPixels(const TiffHeader& h)
{
    TIFF* tif = h.reading->handle.get();
    const TiffLayout& l = h.layout;
    const bool contiguous = !h.tiled && l.planar == PLANARCONFIG_CONTIG;
    Image img;
    img.width = int(l.width);
    img.height = int(l.height);
    const bool simple = contiguous && l.samples == 1 && (l.bits == 1 || l.bits == 2 || l.bits == 4 || l.bits == 8) &&
                        (l.photometric == PHOTOMETRIC_PALETTE ||
                         ((l.photometric == PHOTOMETRIC_MINISBLACK || l.photometric == PHOTOMETRIC_MINISWHITE) &&
                          (l.bits == 1 || l.bits == 8)));
    bool ok = simple && ReadIndexedOrGrey(tif, l.photometric, l.bits, img);
    // Layouts libtiff's RGBA reader refuses or gets wrong (signed, floating point,
    // odd depths, CMYK with alpha ...): every sample read as it is.
    if (!ok && SamplesPreferred(l))
        ok = ReadSamples(tif, l, img);
    const bool plainColour = contiguous && l.bits == 8 && l.photometric == PHOTOMETRIC_RGB &&
                             (l.samples == 3 || l.samples == 4);
    const bool lab = contiguous && l.bits == 8 && l.samples >= 3 &&
                     (l.photometric == PHOTOMETRIC_CIELAB || l.photometric == PHOTOMETRIC_ICCLAB);
    if (!ok && lab)
        ok = ReadLab(tif, l.photometric, l.samples, img);
    if (!ok && plainColour)
        ok = ReadColour(tif, l.samples, l.samples == 4 && l.extra > 0 && l.alphaType == EXTRASAMPLE_ASSOCALPHA, img);
    if (!ok)
        MEDIA_TRY(ReadThroughRgba(tif, h, img));
    Orient(img, h.orientation);
    return img;
}

} // namespace

bool SniffTiff(const std::uint8_t* d, std::size_t n)
{
    // Classic TIFF (42) and BigTIFF (43), either byte order.
    return n >= 4 && ((d[0] == 'I' && d[1] == 'I' && (d[2] == 42 || d[2] == 43) && d[3] == 0) ||
                      (d[0] == 'M' && d[1] == 'M' && d[2] == 0 && (d[3] == 42 || d[3] == 43)));
}

Result<ImageHeader> ReadTiffHeader(const std::uint8_t* data, std::size_t size)
{
    return HeaderOf(ImageFormat::Tiff, size, ReadHeader(data, size), [](const TiffHeader& t, ImageHeader& h) {
        h.bitsPerPixel = t.layout.bits * t.layout.samples;
        h.alpha = t.layout.extra > 0;
        h.orientation = t.orientation;
    });
}

Result<Image> DecodeTiff(const std::uint8_t* data, std::size_t size, const Reduction&)
{
    return DecodeInPhases(
        ImageFormat::Tiff, size, [&] { return ReadHeader(data, size); },
        [&](const TiffHeader& header) { return ReadPixels(header); });
}

namespace {

// The IPTC records are bytes that some versions of libtiff declare as 32-bit numbers,
// others as bytes; whichever it is, the file holds the records' bytes as they stand.
bool IptcInWords(TIFF* tif)
{
    const TIFFField* field = TIFFFieldWithTag(tif, TIFFTAG_RICHTIFFIPTC);
    return field && TIFFFieldDataType(field) == TIFF_LONG;
}

} // namespace

Metadata ReadTiffMetadata(const std::uint8_t* data, std::size_t size)
{
    MemoryFile file;
    file.data = data;
    file.size = size;
    std::string lastError;
    const TiffHandle tif = OpenMemory(file, "r", lastError);
    Metadata m;
    if (!tif)
        return m;
    const auto field = [&](ttag_t tag, std::size_t unit) {
        std::uint32_t count = 0;
        void* values = nullptr;
        if (!TIFFGetField(tif.get(), tag, &count, &values) || !values)
            return Bytes{};
        const auto* bytes = static_cast<const std::uint8_t*>(values);
        return Bytes(bytes, bytes + std::size_t(count) * unit);
    };
    m.icc = field(TIFFTAG_ICCPROFILE, 1);
    m.xmp = field(TIFFTAG_XMLPACKET, 1);
    if (IptcInWords(tif.get())) { // handed over in this machine's order: put back in the file's
        m.iptc = field(TIFFTAG_RICHTIFFIPTC, 4);
        if (TIFFIsByteSwapped(tif.get()))
            TIFFSwabArrayOfLong(reinterpret_cast<std::uint32_t*>(m.iptc.data()), tmsize_t(m.iptc.size() / 4));
    } else {
        m.iptc = field(TIFFTAG_RICHTIFFIPTC, 1);
    }
    return m;
}

namespace {

// The profile, XMP and IPTC in their tags (EXIF joins the file once it is written).
void SetMetadataTags(TIFF* tif, const Metadata& meta)
{
    if (!meta.icc.empty())
        TIFFSetField(tif, TIFFTAG_ICCPROFILE, std::uint32_t(meta.icc.size()), meta.icc.data());
    if (!meta.xmp.empty())
        TIFFSetField(tif, TIFFTAG_XMLPACKET, std::uint32_t(meta.xmp.size()), meta.xmp.data());
    if (!meta.iptc.empty() && IptcInWords(tif)) { // zeros after the records fill the last number
        std::vector<std::uint32_t> words((meta.iptc.size() + 3) / 4, 0);
        std::memcpy(words.data(), meta.iptc.data(), meta.iptc.size());
        if (TIFFIsByteSwapped(tif))
            TIFFSwabArrayOfLong(words.data(), tmsize_t(words.size()));
        TIFFSetField(tif, TIFFTAG_RICHTIFFIPTC, std::uint32_t(words.size()), words.data());
    } else if (!meta.iptc.empty()) {
        TIFFSetField(tif, TIFFTAG_RICHTIFFIPTC, std::uint32_t(meta.iptc.size()), meta.iptc.data());
    }
}

} // namespace

Result<Bytes> EncodeTiff(const Image& img, const SaveOptions& options)
{
    Bytes out;
    MemoryFile file;
    file.out = &out;
    std::string lastError;
    // Written in the byte order of the EXIF that joins it, whose values are copied as they are.
    const Metadata* meta = options.metadata;
    const bool bigEndian = meta && meta->exif.size() >= 2 && meta->exif[0] == 'M';
    TiffHandle handle = OpenMemory(file, bigEndian ? "wb" : "wl", lastError);
    TIFF* tif = handle.get();
    if (!tif)
        return Invalid(lastError);
    const bool indexed = img.format == PixelFormat::Indexed;
    const int bits = indexed ? img.indexBits : 8;
    const int samples = img.Channels();
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, std::uint32_t(img.width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, std::uint32_t(img.height));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, std::uint16_t(bits));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, std::uint16_t(samples));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, 72.0f);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, 72.0f);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    std::vector<std::uint16_t> map;
    if (indexed) {
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
        const std::size_t n = std::size_t(1) << bits;
        map.assign(n * 3, 0);
        for (std::size_t i = 0; i < n && i < img.palette.size(); ++i) {
            map[i] = std::uint16_t(img.palette[i].r * 257);
            map[n + i] = std::uint16_t(img.palette[i].g * 257);
            map[2 * n + i] = std::uint16_t(img.palette[i].b * 257);
        }
        TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + n, map.data() + 2 * n);
    } else {
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, samples == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
        TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
        if (samples == 4) {
            const std::uint16_t alpha = EXTRASAMPLE_UNASSALPHA;
            TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &alpha);
        }
    }
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    if (meta)
        SetMetadataTags(tif, *meta);
    std::vector<std::uint8_t> line(std::size_t(TIFFScanlineSize(tif)));
    bool ok = true;
    for (int y = 0; ok && y < img.height; ++y) {
        const std::uint8_t* src = img.Row(y);
        if (indexed && bits < 8) {
            std::fill(line.begin(), line.end(), 0);
            const int perByte = 8 / bits;
            for (int x = 0; x < img.width; ++x)
                line[x / perByte] |= std::uint8_t(src[x] << ((perByte - 1 - x % perByte) * bits));
        } else {
            std::memcpy(line.data(), src, img.RowBytes());
        }
        ok = TIFFWriteScanline(tif, line.data(), std::uint32_t(y), 0) >= 0;
    }
    handle.reset(); // closing writes the directory into `out`
    if (!ok)
        return Fail(FailureKind::StepFailed, "TIFF encoding failed: " + lastError);
    if (meta && !meta->exif.empty())
        return TiffWithExif(std::move(out), meta->exif);
    return out;
}

} // namespace media
