// PNG in through libpng: every colour type and bit depth (16-bit is rounded to 8,
// transparency becomes alpha). Writing is PngWriter.cpp's.
#include "media/codecs/Claims.h"
#include "media/codecs/Codecs.h"
#include "media/codecs/Exif.h"
#include "media/codecs/Metadata.h"
#include "media/image/Processing.h"

#include <algorithm>
#include <cmath>

#include <png.h>

#include <cstdlib>
#include <cstring>
#include <memory>

// libpng reports errors by longjmp. What is changed between setjmp and a jump lives in
// memory (on the heap, or objects whose addresses are taken), not in registers the
// jump could restore stale; GCC's warning about clobbered values (seen at -O1) does
// not apply.
#pragma GCC diagnostic ignored "-Wclobbered"

namespace media {

namespace {

struct ReadState {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos;
};

void ReadBytes(png_structp png, png_bytep dst, png_size_t count)
{
    auto* s = static_cast<ReadState*>(png_get_io_ptr(png));
    if (count > s->size - s->pos)
        png_error(png, "file cut short");
    std::memcpy(dst, s->data + s->pos, count);
    s->pos += count;
}

void OnError(png_structp png, png_const_charp message)
{
    auto* error = static_cast<std::string*>(png_get_error_ptr(png));
    *error = message;
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// The widest row libpng buffers: the width limit set below at 16-bit RGBA, plus its
// filter byte and slack.
constexpr png_alloc_size_t kWidestRowBytes = (png_alloc_size_t(1) << 20) * 8 + 1024;

// libpng only warns about a chunk longer than the chunk limit, and then allocates the
// length the chunk claims (and clears it). An allocation above the cap is refused here
// instead: libpng skips the chunk, and a length the file does not hold ends the read.
png_voidp AllocateCapped(png_structp png, png_alloc_size_t bytes)
{
    const auto* cap = static_cast<const png_alloc_size_t*>(png_get_mem_ptr(png));
    return bytes > *cap ? nullptr : std::malloc(bytes);
}

void Release(png_structp, png_voidp p) { std::free(p); }

// libpng's reading objects and the bytes they read, at one address from the header
// step to the end of the pixel step, destroyed on every way out: a return, an error's
// jump, or an exception (a picture too large for memory).
struct PngReading {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ReadState state{};
    std::string message; // the last error libpng gave
    png_alloc_size_t largestAllocation = 0;
    PngReading() = default;
    PngReading(const PngReading&) = delete;
    PngReading& operator=(const PngReading&) = delete;
    ~PngReading()
    {
        if (png)
            png_destroy_read_struct(&png, &info, nullptr);
    }
};

struct PngHeader {
    Claim claim;
    std::unique_ptr<PngReading> reading;
};

Failure Invalid(const std::string& why) { return InvalidImage(ImageFormat::Png, why); }

Result<PngHeader> ReadHeader(const std::uint8_t* data, std::size_t size)
{
    PngHeader h;
    h.reading = std::make_unique<PngReading>();
    PngReading& r = *h.reading;
    // No chunk (text, profiles, the compressed data's buffers) bigger than the file
    // could inflate to.
    const auto chunkLimit = png_alloc_size_t(std::min<double>(double(size) * density::kDeflate, 64u << 20));
    r.largestAllocation = std::max(chunkLimit, kWidestRowBytes);
    r.png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &r.message, OnError, OnWarning, &r.largestAllocation,
                                     AllocateCapped, Release);
    r.info = r.png ? png_create_info_struct(r.png) : nullptr;
    if (!r.info)
        return Fail(FailureKind::StepFailed, "PNG decoder unavailable");
    r.state = {data, size, 0};
    if (setjmp(png_jmpbuf(r.png)))
        return Invalid(r.message);
    png_set_read_fn(r.png, &r.state, ReadBytes);
    png_set_user_limits(r.png, 1u << 20, 1u << 20);
    png_set_chunk_malloc_max(r.png, chunkLimit);
    png_read_info(r.png, r.info);
    const png_uint_32 w = png_get_image_width(r.png, r.info), h2 = png_get_image_height(r.png, r.info);
    // The filtered rows, deflated, cannot come out of fewer bytes than this.
    const double rowBytes =
        std::ceil(double(w) * png_get_bit_depth(r.png, r.info) * png_get_channels(r.png, r.info) / 8) + 1;
    h.claim = {w, h2, rowBytes * h2, size, density::kDeflate};
    return h;
}

// Asks libpng for one of our layouts: indices, grey, colour or colour with alpha.
PixelFormat ChooseLayout(png_structp png, png_infop info, Image& img)
{
    const int colourType = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    const bool trns = png_get_valid(png, info, PNG_INFO_tRNS);
    if (depth == 16)
        png_set_scale_16(png); // rounded to the nearest 8-bit value, not cut
    if (colourType == PNG_COLOR_TYPE_PALETTE && !trns) {
        png_set_packing(png); // one index a byte
        png_colorp palette = nullptr;
        int count = 0;
        png_get_PLTE(png, info, &palette, &count);
        img.indexBits = depth == 1 ? 1 : depth <= 4 ? 4 : 8;
        img.palette.assign(std::size_t(1) << img.indexBits, Rgb{});
        for (int i = 0; i < count && i < int(img.palette.size()); ++i)
            img.palette[i] = Rgb{palette[i].red, palette[i].green, palette[i].blue};
        return PixelFormat::Indexed;
    }
    if (colourType == PNG_COLOR_TYPE_GRAY && !trns) {
        png_set_expand_gray_1_2_4_to_8(png);
        return PixelFormat::Gray8;
    }
    png_set_expand(png); // palette to colour, low grey depths to 8, tRNS to alpha
    png_set_gray_to_rgb(png);
    return colourType & PNG_COLOR_MASK_ALPHA || trns ? PixelFormat::Rgba32 : PixelFormat::Rgb24;
}

Result<Image> ReadPixels(PngHeader& h)
{
    PngReading& r = *h.reading;
    png_structp png = r.png;
    png_infop info = r.info;
    // Everything that owns memory lives before the jump target: libpng's errors jump
    // over the rest of the function, and nothing declared after it would be freed.
    Image img;
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png)))
        return Invalid(r.message);
    const PixelFormat format = ChooseLayout(png, info, img);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    img.Allocate(int(h.claim.width), int(h.claim.height), format);
    if (png_get_rowbytes(png, info) != img.RowBytes())
        png_error(png, "unexpected row layout");
    rows.resize(std::size_t(img.height));
    for (int y = 0; y < img.height; ++y)
        rows[y] = img.Row(y);
    png_read_image(png, rows.data());
    png_read_end(png, info); // an eXIf chunk may follow the image data
    png_uint_32 exifBytes = 0;
    png_bytep exif = nullptr;
    const int orientation =
        png_get_eXIf_1(png, info, &exifBytes, &exif) & PNG_INFO_eXIf ? ExifOrientation(exif, exifBytes) : 1;
    Orient(img, orientation);
    return img;
}

} // namespace

bool SniffPng(const std::uint8_t* d, std::size_t n) { return n >= 8 && std::memcmp(d, "\x89PNG\r\n\x1a\n", 8) == 0; }

Result<ImageHeader> ReadPngHeader(const std::uint8_t* data, std::size_t size)
{
    return HeaderOf(ImageFormat::Png, size, ReadHeader(data, size), [&](const PngHeader& p, ImageHeader& h) {
        const PngReading& r = *p.reading;
        const int type = png_get_color_type(r.png, r.info);
        h.bitsPerPixel = png_get_bit_depth(r.png, r.info) * png_get_channels(r.png, r.info);
        h.alpha = (type & PNG_COLOR_MASK_ALPHA) || png_get_valid(r.png, r.info, PNG_INFO_tRNS);
        // An eXIf chunk may come after the picture data: the metadata reader walks the chunks.
        const Bytes exif = ReadPngMetadata(data, size).exif;
        h.orientation = ExifOrientation(exif.data(), exif.size());
    });
}

Result<Image> DecodePng(const std::uint8_t* data, std::size_t size, const Reduction&)
{
    return DecodeInPhases(
        ImageFormat::Png, size, [&] { return ReadHeader(data, size); },
        [&](PngHeader& header) { return ReadPixels(header); });
}

} // namespace media
