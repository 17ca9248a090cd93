// PNG output: each row filtered with the filter that leaves the smallest sum of
// absolute differences (the choice libpng makes), the whole picture deflated in one
// piece by libdeflate, which compresses smaller than zlib in a fraction of the time.
#include "media/codecs/Codecs.h"
#include "media/codecs/Metadata.h"
#include "media/codecs/XmpIptc.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>

namespace media {

namespace {

constexpr std::uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
// Chunk lengths are 31-bit; image data longer than this goes into several IDATs.
constexpr std::size_t kMaxChunk = std::size_t(1) << 30;

void PutBe32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    const std::uint8_t bytes[4] = {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)};
    out.insert(out.end(), bytes, bytes + 4);
}

void PutChunk(std::vector<std::uint8_t>& out, const char (&type)[5], const std::uint8_t* data, std::size_t size)
{
    PutBe32(out, std::uint32_t(size));
    const auto* name = reinterpret_cast<const std::uint8_t*>(type);
    out.insert(out.end(), name, name + 4);
    if (size)
        out.insert(out.end(), data, data + size);
    std::uint32_t crc = libdeflate_crc32(0, name, 4);
    if (size) // a null buffer would start the sum again
        crc = libdeflate_crc32(crc, data, size);
    PutBe32(out, crc);
}

// The row filters (PNG's filter method 0). `a` is the byte one pixel to the left,
// `b` the byte above, `c` the byte above and to the left; all 0 outside the picture.
enum Filter : std::uint8_t { kNone, kSub, kUp, kAverage, kPaeth };

// The filtered byte `i` of a row, for i at least one pixel (`bpp` bytes) in.
template <Filter F>
inline std::uint8_t Filtered(const std::uint8_t* row, const std::uint8_t* prior, std::size_t i, std::size_t bpp)
{
    const int x = row[i];
    if constexpr (F == kNone)
        return std::uint8_t(x);
    else if constexpr (F == kSub)
        return std::uint8_t(x - row[i - bpp]);
    else if constexpr (F == kUp)
        return std::uint8_t(x - prior[i]);
    else if constexpr (F == kAverage)
        return std::uint8_t(x - ((row[i - bpp] + prior[i]) >> 1));
    else {
        const int a = row[i - bpp], b = prior[i], c = prior[i - bpp];
        const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
        return std::uint8_t(x - (pa <= pb && pa <= pc ? a : pb <= pc ? b : c));
    }
}

// The same for the row's first pixel, where a and c are 0.
template <Filter F>
inline std::uint8_t FilteredLead(const std::uint8_t* row, const std::uint8_t* prior, std::size_t i)
{
    if constexpr (F == kUp || F == kPaeth) // Paeth predicts b when a = c = 0
        return std::uint8_t(row[i] - prior[i]);
    else if constexpr (F == kAverage)
        return std::uint8_t(row[i] - (prior[i] >> 1));
    else
        return row[i];
}

// libpng's measure of a filtered row, the sum of each byte taken as a signed
// distance from zero; one straight loop a filter, which the compiler vectorizes.
template <Filter F>
std::uint32_t Cost(const std::uint8_t* row, const std::uint8_t* prior, std::size_t n, std::size_t bpp)
{
    const auto magnitude = [](std::uint8_t v) { return std::uint32_t(std::min<std::uint8_t>(v, std::uint8_t(-v))); };
    const std::size_t lead = std::min(bpp, n);
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < lead; ++i)
        sum += magnitude(FilteredLead<F>(row, prior, i));
    for (std::size_t i = lead; i < n; ++i)
        sum += magnitude(Filtered<F>(row, prior, i, bpp));
    return sum;
}

template <Filter F>
void Write(const std::uint8_t* row, const std::uint8_t* prior, std::size_t n, std::size_t bpp, std::uint8_t* dst)
{
    const std::size_t lead = std::min(bpp, n);
    for (std::size_t i = 0; i < lead; ++i)
        dst[i] = FilteredLead<F>(row, prior, i);
    for (std::size_t i = lead; i < n; ++i)
        dst[i] = Filtered<F>(row, prior, i, bpp);
}

// The filter whose row costs least (the first of equals, None first).
Filter BestFilter(const std::uint8_t* row, const std::uint8_t* prior, std::size_t n, std::size_t bpp)
{
    const std::uint32_t costs[] = {Cost<kNone>(row, prior, n, bpp), Cost<kSub>(row, prior, n, bpp),
                                   Cost<kUp>(row, prior, n, bpp), Cost<kAverage>(row, prior, n, bpp),
                                   Cost<kPaeth>(row, prior, n, bpp)};
    return Filter(std::min_element(std::begin(costs), std::end(costs)) - std::begin(costs));
}

void WriteFiltered(Filter f, const std::uint8_t* row, const std::uint8_t* prior, std::size_t n, std::size_t bpp,
                   std::uint8_t* dst)
{
    switch (f) {
    case kNone: return Write<kNone>(row, prior, n, bpp, dst);
    case kSub: return Write<kSub>(row, prior, n, bpp, dst);
    case kUp: return Write<kUp>(row, prior, n, bpp, dst);
    case kAverage: return Write<kAverage>(row, prior, n, bpp, dst);
    case kPaeth: return Write<kPaeth>(row, prior, n, bpp, dst);
    }
}

// The picture's rows as PNG stores them (packed below 8 bits a sample), one pass of
// the interlace at a time.
class RowSource {
public:
    RowSource(const Image& img, int depth) : m_img(img), m_depth(depth)
    {
        m_pixelBytes = img.format == PixelFormat::Rgba32 ? 4 : img.format == PixelFormat::Rgb24 ? 3 : 1;
    }
    std::size_t BytesPerPixelForFilter() const { return m_pixelBytes; }
    std::size_t RowBytes(std::int64_t width) const
    {
        return m_depth < 8 ? std::size_t((width * m_depth + 7) / 8) : std::size_t(width) * m_pixelBytes;
    }
    // Pixels x0, x0 + dx, ... of row y, `width` of them, into `dst`.
    void Row(int y, int x0, int dx, int width, std::uint8_t* dst) const
    {
        const std::uint8_t* src = m_img.Row(y);
        if (m_depth < 8) {
            std::memset(dst, 0, RowBytes(width));
            const int perByte = 8 / m_depth;
            for (int i = 0; i < width; ++i) {
                const int shift = 8 - m_depth * (i % perByte + 1);
                dst[i / perByte] |= std::uint8_t((src[x0 + i * dx] & ((1 << m_depth) - 1)) << shift);
            }
        } else if (dx == 1) {
            std::memcpy(dst, src + std::size_t(x0) * m_pixelBytes, RowBytes(width));
        } else {
            for (int i = 0; i < width; ++i)
                std::memcpy(dst + std::size_t(i) * m_pixelBytes, src + std::size_t(x0 + i * dx) * m_pixelBytes,
                            m_pixelBytes);
        }
    }

private:
    const Image& m_img;
    int m_depth;
    std::size_t m_pixelBytes = 1;
};

struct Pass {
    int x0, y0, dx, dy;
    // Its pixels across and rows down in a picture of w × h (0 when it has none).
    int Width(int w) const { return w > x0 ? (w - x0 + dx - 1) / dx : 0; }
    int Height(int h) const { return h > y0 ? (h - y0 + dy - 1) / dy : 0; }
};
constexpr Pass kWhole[] = {{0, 0, 1, 1}};
constexpr Pass kAdam7[] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                           {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

// Every row of every pass, each behind its filter byte: what PNG deflates.
std::vector<std::uint8_t> FilteredData(const Image& img, int depth, bool interlaced, bool chooseFilters)
{
    const RowSource source(img, depth);
    const std::size_t bpp = source.BytesPerPixelForFilter();
    std::vector<std::uint8_t> data;
    std::size_t total = 0;
    const auto passes = interlaced ? std::span<const Pass>(kAdam7) : std::span<const Pass>(kWhole);
    for (const Pass& p : passes)
        if (const int w = p.Width(img.width), h = p.Height(img.height); w > 0 && h > 0)
            total += std::size_t(h) * (1 + source.RowBytes(w));
    data.resize(total);
    std::uint8_t* at = data.data();
    for (const Pass& p : passes) {
        const int w = p.Width(img.width), h = p.Height(img.height);
        if (w <= 0 || h <= 0)
            continue;
        const std::size_t n = source.RowBytes(w);
        std::vector<std::uint8_t> row(n), prior(n, 0);
        for (int r = 0; r < h; ++r) {
            source.Row(p.y0 + r * p.dy, p.x0, p.dx, w, row.data());
            const Filter best = chooseFilters ? BestFilter(row.data(), prior.data(), n, bpp) : kNone;
            *at++ = best;
            WriteFiltered(best, row.data(), prior.data(), n, bpp, at);
            at += n;
            row.swap(prior);
        }
    }
    return data;
}

struct CompressorFree {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

// The photo's profile (iCCP), EXIF (eXIf), XMP (iTXt "XML:com.adobe.xmp") and IPTC
// (tEXt "Raw profile type iptc", the one place PNG readers look for it).
void PutMetadataChunks(std::vector<std::uint8_t>& out, const Metadata& meta, libdeflate_compressor* compressor)
{
    if (!meta.icc.empty()) {
        std::vector<std::uint8_t> iccp = {'I', 'C', 'C', ' ', 'P', 'r', 'o', 'f', 'i', 'l', 'e', 0, 0};
        const std::size_t start = iccp.size();
        iccp.resize(start + libdeflate_zlib_compress_bound(compressor, meta.icc.size()));
        const std::size_t packed = libdeflate_zlib_compress(compressor, meta.icc.data(), meta.icc.size(),
                                                            iccp.data() + start, iccp.size() - start);
        if (packed) {
            iccp.resize(start + packed);
            PutChunk(out, "iCCP", iccp.data(), iccp.size());
        }
    }
    if (!meta.exif.empty())
        PutChunk(out, "eXIf", meta.exif.data(), meta.exif.size());
    const auto text = [&](const char (&type)[5], std::string_view head, const auto& body) {
        std::vector<std::uint8_t> chunk(head.begin(), head.end());
        chunk.insert(chunk.end(), body.begin(), body.end());
        PutChunk(out, type, chunk.data(), chunk.size());
    };
    // keyword, no compression (flag and method), no language, no translated keyword
    if (!meta.xmp.empty())
        text("iTXt", {"XML:com.adobe.xmp\0\0\0\0\0", 22}, meta.xmp);
    if (!meta.iptc.empty())
        text("tEXt", {"Raw profile type iptc\0", 22}, RawProfileText("iptc", meta.iptc));
}

} // namespace

Result<Bytes> EncodePng(const Image& img, const SaveOptions& options)
{
    const auto failed = [](const char* why) {
        return Fail(FailureKind::StepFailed, std::string("PNG encoding failed: ") + why);
    };
    if (img.width <= 0 || img.height <= 0 || !PlausibleSize(img.width, img.height))
        return failed("no picture to write");
    if (img.format == PixelFormat::Indexed && img.palette.empty())
        return failed("a palette picture without a palette");
    std::uint8_t colourType = 2, depth = 8;
    switch (img.format) {
    case PixelFormat::Indexed:
        colourType = 3;
        depth = std::uint8_t(img.indexBits);
        break;
    case PixelFormat::Gray8:
        colourType = 0;
        break;
    case PixelFormat::Rgb24:
        break;
    case PixelFormat::Rgba32:
        colourType = 6;
        break;
    }
    // Palette pictures compress best unfiltered; the others with the filter chosen per row.
    const std::vector<std::uint8_t> filtered =
        FilteredData(img, depth, options.interlaced, img.format != PixelFormat::Indexed);

    thread_local std::unique_ptr<libdeflate_compressor, CompressorFree> compressor(
        libdeflate_alloc_compressor(kPngDeflateLevel));
    if (!compressor)
        return failed("no memory for the compressor");
    std::vector<std::uint8_t> deflated(libdeflate_zlib_compress_bound(compressor.get(), filtered.size()));
    const std::size_t deflatedSize =
        libdeflate_zlib_compress(compressor.get(), filtered.data(), filtered.size(), deflated.data(), deflated.size());
    if (deflatedSize == 0)
        return failed("the compressor ran out of room");

    Bytes out;
    out.reserve(deflatedSize + 1024);
    out.insert(out.end(), kSignature, kSignature + 8);
    std::vector<std::uint8_t> header;
    PutBe32(header, std::uint32_t(img.width));
    PutBe32(header, std::uint32_t(img.height));
    header.insert(header.end(), {depth, colourType, 0, 0, std::uint8_t(options.interlaced ? 1 : 0)});
    PutChunk(out, "IHDR", header.data(), header.size());
    if (options.metadata)
        PutMetadataChunks(out, *options.metadata, compressor.get());
    if (img.format == PixelFormat::Indexed) {
        std::vector<std::uint8_t> palette;
        for (std::size_t i = 0; i < img.palette.size() && i < (std::size_t(1) << depth); ++i)
            palette.insert(palette.end(), {img.palette[i].r, img.palette[i].g, img.palette[i].b});
        PutChunk(out, "PLTE", palette.data(), palette.size());
    }
    for (std::size_t at = 0; at < deflatedSize; at += kMaxChunk)
        PutChunk(out, "IDAT", deflated.data() + at, std::min(kMaxChunk, deflatedSize - at));
    PutChunk(out, "IEND", nullptr, 0);
    return out;
}

} // namespace media
