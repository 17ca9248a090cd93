// HEIF (HEVC pictures, as phones save them) and AVIF (AV1 pictures) through libheif:
// the primary picture, whole where it is stored as a grid of tiles, turned and
// mirrored as the file's boxes say (libheif applies them; the EXIF orientation inside
// is not applied again), alpha kept, deeper samples rounded to 8 bits.
#include "media/codecs/Claims.h"
#include "media/codecs/Codecs.h"
#include "media/codecs/HeifGeometry.h"

#include <libheif/heif.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace media {

namespace {

// The brands of a file's leading file-type box ("ftyp"): the major one first.
std::vector<std::string_view> Brands(const std::uint8_t* d, std::size_t n)
{
    std::vector<std::string_view> brands;
    if (n < 16 || std::memcmp(d + 4, "ftyp", 4) != 0)
        return brands;
    const std::size_t box = std::min<std::size_t>(n, (std::size_t(d[0]) << 24) | (d[1] << 16) | (d[2] << 8) | d[3]);
    const auto brand = [d](std::size_t at) { return std::string_view(reinterpret_cast<const char*>(d) + at, 4); };
    brands.push_back(brand(8));
    for (std::size_t at = 16; at + 4 <= box; at += 4)
        brands.push_back(brand(at));
    return brands;
}

bool AnyOf(const std::vector<std::string_view>& brands, std::initializer_list<std::string_view> wanted)
{
    return std::any_of(brands.begin(), brands.end(), [&](std::string_view b) {
        return std::find(wanted.begin(), wanted.end(), b) != wanted.end();
    });
}

// AVIF by its major brand, or by a compatible one where the major brand is not HEVC's.
bool IsAvif(const std::vector<std::string_view>& brands)
{
    if (brands.empty())
        return false;
    const bool hevcMajor = AnyOf({brands[0]}, {"heic", "heix", "heim", "heis"});
    return AnyOf({brands[0]}, {"avif", "avis"}) || (AnyOf(brands, {"avif", "avis"}) && !hevcMajor);
}

ImageFormat FormatOf(const std::uint8_t* data, std::size_t size)
{
    return IsAvif(Brands(data, size)) ? ImageFormat::Avif : ImageFormat::Heif;
}

struct ContextFree {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleRelease {
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageRelease {
    void operator()(heif_image* i) const { heif_image_release(i); }
};
struct OptionsFree {
    void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};

Failure Invalid(ImageFormat format, const heif_error& error)
{
    const bool unsupported =
        error.code == heif_error_Unsupported_feature || error.code == heif_error_Unsupported_filetype ||
        error.code == heif_error_Decoder_plugin_error;
    return InvalidImage(format, error.message ? error.message : "unreadable",
                        unsupported ? FailureKind::Unsupported : FailureKind::BadData);
}

struct HeifHeader {
    Claim claim;
    ImageFormat format = ImageFormat::Heif;
    std::unique_ptr<heif_context, ContextFree> context;
    std::unique_ptr<heif_image_handle, HandleRelease> primary;
    bool alpha = false;
    int bits = 8;
};

Result<HeifHeader> ReadHeader(const std::uint8_t* data, std::size_t size)
{
    HeifHeader h;
    h.format = FormatOf(data, size);
    h.context.reset(heif_context_alloc());
    if (!h.context)
        return InvalidImage(h.format, "cannot set up the decoder", FailureKind::StepFailed);
    heif_context_set_maximum_image_size_limit(h.context.get(), int(std::min<std::int64_t>(kMaxImageSide, INT_MAX)));
    if (const heif_error e = heif_context_read_from_memory_without_copy(h.context.get(), data, size, nullptr); e.code) {
        if (e.code == heif_error_Unsupported_filetype && AnyOf(Brands(data, size), {"msf1", "avis"}))
            return InvalidImage(h.format, "a sequence of pictures without a still one", FailureKind::Unsupported);
        return Invalid(h.format, e);
    }
    heif_image_handle* primary = nullptr;
    if (const heif_error e = heif_context_get_primary_image_handle(h.context.get(), &primary); e.code)
        return Invalid(h.format, e);
    h.primary.reset(primary);
    h.alpha = heif_image_handle_has_alpha_channel(primary);
    h.bits = std::max(8, heif_image_handle_get_luma_bits_per_pixel(primary));
    const int channels = h.alpha ? 4 : 3;
    const std::int64_t width = heif_image_handle_get_width(primary), height = heif_image_handle_get_height(primary);
    h.claim = {width, height, double(width) * height * channels, size, density::kEntropyCodedPixelsPerByte * channels};
    return h;
}

Result<Image> ReadPixels(const HeifHeader& h)
{
    const std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
    const bool deep = h.bits > 8;
    const heif_chroma deepChroma = h.alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE;
    const heif_chroma chroma = deep ? deepChroma : h.alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB;
    heif_image* decoded = nullptr;
    if (const heif_error e = heif_decode_image(h.primary.get(), &decoded, heif_colorspace_RGB, chroma, options.get());
        e.code)
        return Invalid(h.format, e);
    const std::unique_ptr<heif_image, ImageRelease> picture(decoded);
    int stride = 0;
    const std::uint8_t* plane = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(decoded, heif_channel_interleaved);
    const int height = heif_image_get_height(decoded, heif_channel_interleaved);
    Image img;
    if (!plane || !PlausibleSize(width, height) ||
        !img.Allocate(width, height, h.alpha ? PixelFormat::Rgba32 : PixelFormat::Rgb24))
        return InvalidImage(h.format, "no picture came out of the decoder");
    const std::size_t samples = img.RowBytes();
    if (!deep) {
        for (int y = 0; y < height; ++y)
            std::memcpy(img.Row(y), plane + std::size_t(y) * stride, samples);
        return img;
    }
    // Each sample to the nearest 8-bit level.
    const int bits = std::clamp(heif_image_get_bits_per_pixel_range(decoded, heif_channel_interleaved), 9, 16);
    const std::uint32_t top = (1u << bits) - 1;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* from = plane + std::size_t(y) * stride;
        std::uint8_t* to = img.Row(y);
        for (std::size_t i = 0; i < samples; ++i) {
            const std::uint32_t v = std::min<std::uint32_t>(top, from[2 * i] | (from[2 * i + 1] << 8));
            to[i] = std::uint8_t((v * 255 + top / 2) / top);
        }
    }
    return img;
}

} // namespace

bool SniffHeif(const std::uint8_t* d, std::size_t n)
{
    const std::vector<std::string_view> brands = Brands(d, n);
    return !IsAvif(brands) && AnyOf(brands, {"heic", "heix", "heim", "heis", "hevc", "hevx", "hevm", "hevs", "mif1",
                                             "msf1", "miaf"});
}

bool SniffAvif(const std::uint8_t* d, std::size_t n) { return IsAvif(Brands(d, n)); }

Result<ImageHeader> ReadHeifHeader(const std::uint8_t* data, std::size_t size)
{
    return HeaderOf(FormatOf(data, size), size, ReadHeader(data, size), [&](const HeifHeader& f, ImageHeader& h) {
        // The size it is shown at: libheif crops and turns it as it decodes.
        if (const std::optional<Size> shown = HeifShownSize(data, size, {h.width, h.height}))
            h.width = shown->width, h.height = shown->height;
        h.alpha = f.alpha;
        h.bitsPerPixel = f.bits * (f.alpha ? 4 : 3);
    });
}

Result<Image> DecodeHeif(const std::uint8_t* data, std::size_t size, const Reduction&)
{
    return DecodeInPhases(
        FormatOf(data, size), size, [&] { return ReadHeader(data, size); },
        [&](const HeifHeader& header) { return ReadPixels(header); });
}

} // namespace media
