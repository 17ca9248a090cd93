// PNG in through libpng: every colour type and bit depth (16-bit is rounded to 8,
// transparency becomes alpha). Writing is PngWriter.cpp's.
#include "media/codecs/Claims.h"
#include "media/codecs/Codecs.h"
#include "media/codecs/Exif.h"
#include "media/image/Processing.h"

#include <algorithm>
#include <cmath>

#include <png.h>

#include <cstring>

// libpng reports errors by longjmp. The strings changed between setjmp and a jump
// have their addresses taken, so they live in memory, not in registers the jump could
// restore stale; GCC's warning about clobbered values (seen at -O1) does not apply.
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

// libpng's reading objects, destroyed on every way out of the function that made
// them: a return, an error's jump back to it (they are made before the jump target),
// or an exception (a picture too large for memory).
struct ReadObjects {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ReadObjects() = default;
    ReadObjects(const ReadObjects&) = delete;
    ReadObjects& operator=(const ReadObjects&) = delete;
    ~ReadObjects()
    {
        if (png)
            png_destroy_read_struct(&png, &info, nullptr);
    }
};

} // namespace

bool DecodePng(const std::uint8_t* data, std::size_t size, Image& out, std::string& error)
{
    std::string message;
    ReadObjects objects;
    objects.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &message, OnError, OnWarning);
    objects.info = objects.png ? png_create_info_struct(objects.png) : nullptr;
    if (!objects.info) {
        error = "PNG decoder unavailable";
        return false;
    }
    png_structp png = objects.png;
    png_infop info = objects.info;
    ReadState state{data, size, 0};
    Image img;
    std::vector<png_bytep> rows;
    // Everything that owns memory lives before the jump target: libpng's errors jump
    // over the rest of the function, and nothing declared after it would be freed.
    std::string why;
    if (setjmp(png_jmpbuf(png))) {
        error = "Invalid PNG image: " + message;
        return false;
    }
    png_set_read_fn(png, &state, ReadBytes);
    png_set_user_limits(png, 1u << 20, 1u << 20);
    // No chunk (text, profiles, the compressed data's buffers) bigger than the file
    // could inflate to.
    png_set_chunk_malloc_max(png, png_alloc_size_t(std::min<double>(double(size) * density::kDeflate, 64u << 20)));
    png_read_info(png, info);
    const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    if (!PlausibleSize(w, h))
        png_error(png, "impossible picture size");
    const int colourType = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    // The filtered rows, deflated, cannot come out of fewer bytes than this.
    const double rowBytes = std::ceil(double(w) * depth * png_get_channels(png, info) / 8) + 1;
    if (!FileCanHold(w, h, rowBytes * h, size, density::kDeflate, size, why))
        png_error(png, why.c_str());
    const bool trns = png_get_valid(png, info, PNG_INFO_tRNS);
    if (depth == 16)
        png_set_scale_16(png); // rounded to the nearest 8-bit value, not cut
    PixelFormat format;
    if (colourType == PNG_COLOR_TYPE_PALETTE && !trns) {
        png_set_packing(png); // one index a byte
        format = PixelFormat::Indexed;
        png_colorp palette = nullptr;
        int count = 0;
        png_get_PLTE(png, info, &palette, &count);
        img.indexBits = depth == 1 ? 1 : depth <= 4 ? 4 : 8;
        img.palette.assign(std::size_t(1) << img.indexBits, Rgb{});
        for (int i = 0; i < count && i < int(img.palette.size()); ++i)
            img.palette[i] = Rgb{palette[i].red, palette[i].green, palette[i].blue};
    } else if (colourType == PNG_COLOR_TYPE_GRAY && !trns) {
        png_set_expand_gray_1_2_4_to_8(png);
        format = PixelFormat::Gray8;
    } else {
        png_set_expand(png); // palette to colour, low grey depths to 8, tRNS to alpha
        png_set_gray_to_rgb(png);
        if (colourType & PNG_COLOR_MASK_ALPHA || trns)
            format = PixelFormat::Rgba32;
        else
            format = PixelFormat::Rgb24;
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    img.Allocate(int(w), int(h), format);
    if (png_get_rowbytes(png, info) != img.RowBytes())
        png_error(png, "unexpected row layout");
    rows.resize(h);
    for (png_uint_32 y = 0; y < h; ++y)
        rows[y] = img.Row(int(y));
    png_read_image(png, rows.data());
    png_read_end(png, info); // an eXIf chunk may follow the image data
    png_uint_32 exifBytes = 0;
    png_bytep exif = nullptr;
    const int orientation =
        png_get_eXIf_1(png, info, &exifBytes, &exif) & PNG_INFO_eXIf ? ExifOrientation(exif, exifBytes) : 1;
    Orient(img, orientation);
    out = std::move(img);
    return true;
}

} // namespace media
