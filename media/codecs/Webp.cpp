// WebP through libwebp: still pictures (lossy or lossless, with or without alpha),
// the first picture of an animation as its canvas shows it, and lossy writing.
#include "media/codecs/Claims.h"
#include "media/codecs/Codecs.h"
#include "media/codecs/Metadata.h"

#include <webp/decode.h>
#include <webp/demux.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <cstring>
#include <memory>

namespace media {

namespace {

Failure Invalid(const std::string& why) { return InvalidImage(ImageFormat::Webp, why); }

struct WebpHeader {
    Claim claim;
    bool alpha = false;
    bool animated = false;
};

Result<WebpHeader> ReadHeader(const std::uint8_t* data, std::size_t size)
{
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(data, size, &features) != VP8_STATUS_OK)
        return Invalid("no readable header");
    WebpHeader h;
    h.alpha = features.has_alpha;
    h.animated = features.has_animation;
    const int channels = h.alpha ? 4 : 3;
    h.claim = {features.width, features.height, double(features.width) * features.height * channels, size,
               density::kEntropyCodedPixelsPerByte * channels};
    return h;
}

struct AnimDecoderFree {
    void operator()(WebPAnimDecoder* d) const { WebPAnimDecoderDelete(d); }
};

// An animation's first picture, as its canvas shows it (a first frame may cover only
// part of the canvas).
Result<void> ReadFirstFrame(const std::uint8_t* data, std::size_t size, Image& img)
{
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        return Invalid("cannot set up the animation decoder");
    options.color_mode = MODE_RGBA;
    options.use_threads = 0;
    const WebPData whole{data, size};
    const std::unique_ptr<WebPAnimDecoder, AnimDecoderFree> decoder(WebPAnimDecoderNew(&whole, &options));
    WebPAnimInfo info;
    if (!decoder || !WebPAnimDecoderGetInfo(decoder.get(), &info))
        return Invalid("damaged animation");
    if (int(info.canvas_width) != img.width || int(info.canvas_height) != img.height)
        return Invalid("the animation's canvas is not the picture's size");
    std::uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp))
        return Invalid("damaged first frame");
    const int channels = img.Channels();
    for (int y = 0; y < img.height; ++y) {
        const std::uint8_t* from = canvas + std::size_t(y) * img.width * 4;
        std::uint8_t* to = img.Row(y);
        if (channels == 4)
            std::memcpy(to, from, std::size_t(img.width) * 4);
        else
            for (int x = 0; x < img.width; ++x)
                std::memcpy(to + x * 3, from + x * 4, 3);
    }
    return {};
}

Result<Image> ReadPixels(const std::uint8_t* data, std::size_t size, const WebpHeader& h)
{
    Image img;
    if (!img.Allocate(int(h.claim.width), int(h.claim.height), h.alpha ? PixelFormat::Rgba32 : PixelFormat::Rgb24))
        return Invalid("cannot hold " + std::to_string(h.claim.width) + " x " + std::to_string(h.claim.height) +
                       " pixels");
    if (h.animated) {
        MEDIA_TRY(ReadFirstFrame(data, size, img));
        return img;
    }
    const auto decode = h.alpha ? WebPDecodeRGBAInto : WebPDecodeRGBInto;
    if (!decode(data, size, img.pixels.data(), img.pixels.size(), int(img.RowBytes())))
        return Invalid("damaged or cut short picture data");
    return img;
}

// The encoded picture with the photo's profile, EXIF and XMP in chunks of their own
// (WebP has no place for IPTC).
Result<Bytes> WithMetadata(const Bytes& picture, const Metadata& meta)
{
    const WebPData bitstream{picture.data(), picture.size()};
    const std::unique_ptr<WebPMux, void (*)(WebPMux*)> mux(WebPMuxCreate(&bitstream, 1), WebPMuxDelete);
    bool ok = bool(mux);
    for (const auto& [fourcc, bytes] : {std::pair{"ICCP", &meta.icc}, {"EXIF", &meta.exif}, {"XMP ", &meta.xmp}})
        if (ok && !bytes->empty()) {
            const WebPData chunk{bytes->data(), bytes->size()};
            ok = WebPMuxSetChunk(mux.get(), fourcc, &chunk, 1) == WEBP_MUX_OK;
        }
    WebPData assembled{nullptr, 0};
    if (!ok || WebPMuxAssemble(mux.get(), &assembled) != WEBP_MUX_OK)
        return Fail(FailureKind::StepFailed, "cannot add the photo's metadata to the WebP file");
    Bytes out(assembled.bytes, assembled.bytes + assembled.size);
    WebPDataClear(&assembled);
    return out;
}

} // namespace

bool SniffWebp(const std::uint8_t* d, std::size_t n)
{
    return n >= 12 && std::memcmp(d, "RIFF", 4) == 0 && std::memcmp(d + 8, "WEBP", 4) == 0;
}

Result<ImageHeader> ReadWebpHeader(const std::uint8_t* data, std::size_t size)
{
    return HeaderOf(ImageFormat::Webp, size, ReadHeader(data, size), [](const WebpHeader& w, ImageHeader& h) {
        h.alpha = w.alpha;
        h.bitsPerPixel = w.alpha ? 32 : 24;
    });
}

Result<Image> DecodeWebp(const std::uint8_t* data, std::size_t size, const Reduction&)
{
    return DecodeInPhases(
        ImageFormat::Webp, size, [&] { return ReadHeader(data, size); },
        [&](const WebpHeader& header) { return ReadPixels(data, size, header); });
}

Result<Bytes> EncodeWebp(const Image& img, const SaveOptions& options)
{
    // Lossy, on the one quality scale JPEG uses; where that keeps colour whole, libwebp's
    // sharper (slower) colour conversion stands in, its colour being always halved.
    const QualityEncoding encoding = EncodingOf(options.quality);
    WebPConfig config;
    WebPPicture picture;
    if (!WebPConfigInit(&config) || !WebPPictureInit(&picture))
        return Fail(FailureKind::StepFailed, "cannot set up the WebP encoder");
    config.quality = float(encoding.quality);
    config.use_sharp_yuv = encoding.fullChroma;
    Image scratch;
    const Image& source = img.HasAlpha() ? img : AsRgb24(img, scratch);
    picture.width = source.width;
    picture.height = source.height;
    picture.use_argb = 1;
    WebPMemoryWriter writer;
    WebPMemoryWriterInit(&writer);
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &writer;
    const int stride = int(source.RowBytes());
    const bool imported = source.HasAlpha() ? WebPPictureImportRGBA(&picture, source.pixels.data(), stride)
                                            : WebPPictureImportRGB(&picture, source.pixels.data(), stride);
    const bool encoded = imported && WebPEncode(&config, &picture);
    const WebPEncodingError error = picture.error_code;
    WebPPictureFree(&picture);
    Bytes bytes(writer.mem, writer.mem + (encoded ? writer.size : 0));
    WebPMemoryWriterClear(&writer);
    if (encoded && options.metadata && !options.metadata->Empty())
        return WithMetadata(bytes, *options.metadata);
    if (!encoded) {
        if (error == VP8_ENC_ERROR_BAD_DIMENSION) // libwebp's own limit: 16383 pixels a side
            return Fail(FailureKind::Unsupported, "WebP cannot hold a picture of " + std::to_string(img.width) +
                                                      " x " + std::to_string(img.height) + " pixels");
        return Fail(FailureKind::StepFailed, "WebP encoding failed (libwebp error " + std::to_string(int(error)) + ")");
    }
    return bytes;
}

} // namespace media
