// JPEG through libjpeg-turbo: baseline and progressive, grey, colour and CMYK in;
// grey or colour out, baseline or progressive.
#include "media/codecs/Claims.h"
#include "media/codecs/Codecs.h"
#include "media/codecs/Exif.h"
#include "media/codecs/JpegLib.h"
#include "media/codecs/JpegLibavcodec.h"
#include "media/codecs/Metadata.h"
#include "media/image/Processing.h"

#include <algorithm>
#include <csetjmp>
#include <iterator>
#include <cstdio>
#include <cstdlib>
#include <memory>

extern "C" {
#include <jpeglib.h>
}

// libjpeg reports errors by longjmp; nothing that is read after the jump is changed
// between setjmp and the jump, so the compiler's warning about it does not apply.
#pragma GCC diagnostic ignored "-Wclobbered"

namespace media {

namespace {

using jpeg::CompressOwner;
using jpeg::ErrorManager;
using jpeg::OutputBuffer;

} // namespace

// The EXIF orientation of the first APP1 block that is EXIF (1 without one).
static int OrientationOf(const jpeg_decompress_struct& cinfo)
{
    static constexpr std::uint8_t kExif[] = {'E', 'x', 'i', 'f', 0, 0};
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next)
        if (m->marker == JPEG_APP0 + 1 && m->data_length > sizeof kExif &&
            std::equal(std::begin(kExif), std::end(kExif), m->data))
            return ExifOrientation(m->data + sizeof kExif, m->data_length - sizeof kExif);
    return 1;
}

// The reduction asked for, as libjpeg can decode it.
static unsigned ReductionFor(const Reduction& reduction, const jpeg_decompress_struct& cinfo, int orientation)
{
    if (!reduction)
        return 1;
    const bool turned = orientation >= 5 && orientation <= 8; // EXIF 5..8 swap the sides
    const int w = int(turned ? cinfo.image_height : cinfo.image_width);
    const int h = int(turned ? cinfo.image_width : cinfo.image_height);
    const int asked = reduction(w, h);
    return asked >= 8 ? 8 : asked >= 4 ? 4 : asked >= 2 ? 2 : 1;
}

namespace {

Failure Invalid(const char* why) { return InvalidImage(ImageFormat::Jpeg, why); }

// A decompress object and its error manager, at one address from the header step to
// the end of the pixel step; destroyed however the decoder leaves.
struct JpegReading {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    JpegReading()
    {
        jpeg::Attach(reinterpret_cast<j_common_ptr>(&cinfo), err);
    }
    ~JpegReading() { jpeg_destroy_decompress(&cinfo); }
    JpegReading(const JpegReading&) = delete;
    JpegReading& operator=(const JpegReading&) = delete;
};

struct JpegHeader {
    Claim claim;
    std::unique_ptr<JpegReading> reading;
    int orientation = 1;
};

Result<JpegHeader> ReadHeader(const std::uint8_t* data, std::size_t size)
{
    JpegHeader h;
    h.reading = std::make_unique<JpegReading>();
    jpeg_decompress_struct& cinfo = h.reading->cinfo;
    if (setjmp(h.reading->err.jump))
        return Invalid(h.reading->err.message);
    jpeg_create_decompress(&cinfo);
    // Progressive pictures keep every coefficient in memory: bound that, so a small
    // damaged file cannot claim gigabytes.
    cinfo.mem->max_memory_to_use = long(kMaxImagePixels) * 4;
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_save_markers(&cinfo, JPEG_APP0 + 14, 0xFFFF);
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF); // EXIF: the orientation
    jpeg_read_header(&cinfo, TRUE);
    h.orientation = OrientationOf(cinfo);
    h.claim = {cinfo.image_width, cinfo.image_height, double(cinfo.image_width) * cinfo.image_height, size,
               cinfo.arith_code ? density::kJpegArithmeticPixelsPerByte : density::kJpegPixelsPerByte};
    return h;
}

// Photoshop writes CMYK inverted (the Adobe marker says so); so do nearly all.
void CmykToRgb(const std::uint8_t* cmyk, unsigned width, std::uint8_t* rgb)
{
    for (unsigned x = 0; x < width; ++x) {
        const int c = cmyk[x * 4], m = cmyk[x * 4 + 1], y = cmyk[x * 4 + 2], k = cmyk[x * 4 + 3];
        rgb[x * 3] = std::uint8_t((c * k + 127) / 255);
        rgb[x * 3 + 1] = std::uint8_t((m * k + 127) / 255);
        rgb[x * 3 + 2] = std::uint8_t((y * k + 127) / 255);
    }
}

Result<Image> ReadPixels(JpegHeader& h, const Reduction& reduction)
{
    jpeg_decompress_struct& cinfo = h.reading->cinfo;
    Image img; // before the jump point, so a longjmp leaves nothing to destroy by hand
    std::vector<std::uint8_t> cmyk;
    if (setjmp(h.reading->err.jump))
        return Invalid(h.reading->err.message);
    const bool isCmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    const bool isGrey = cinfo.jpeg_color_space == JCS_GRAYSCALE;
    cinfo.out_color_space = isCmyk ? JCS_CMYK : isGrey ? JCS_GRAYSCALE : JCS_RGB;
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.scale_num = 1;
    cinfo.scale_denom = ReductionFor(reduction, cinfo, h.orientation);
    jpeg_start_decompress(&cinfo);
    img.Allocate(int(cinfo.output_width), int(cinfo.output_height), isGrey ? PixelFormat::Gray8 : PixelFormat::Rgb24);
    if (isCmyk)
        cmyk.resize(std::size_t(cinfo.output_width) * 4);
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = int(cinfo.output_scanline);
        JSAMPROW row = isCmyk ? cmyk.data() : img.Row(y);
        jpeg_read_scanlines(&cinfo, &row, 1);
        if (isCmyk)
            CmykToRgb(cmyk.data(), cinfo.output_width, img.Row(y));
    }
    jpeg_finish_decompress(&cinfo);
    // Cameras store the picture as the sensor saw it and say how to turn it.
    Orient(img, h.orientation);
    return img;
}

// The header of a frame libjpeg cannot decode (lossless, deeper than 8 bits): its
// claim, and the turn its EXIF asks for.
struct OthersHeader {
    Claim claim;
    JpegFrameHeader frame;
    int orientation = 1;
};

Result<OthersHeader> ReadOthersHeader(const JpegFrameHeader& frame, const std::uint8_t* data, std::size_t size)
{
    const Bytes exif = ReadJpegMetadata(data, size).exif;
    return OthersHeader{{frame.width, frame.height, double(frame.width) * frame.height, size, density::kJpegPixelsPerByte},
                        frame,
                        ExifOrientation(exif.data(), exif.size())};
}

// Such a frame through FFmpeg's decoder, turned as its EXIF says.
Result<Image> DecodeOthersJpeg(const JpegFrameHeader& frame, const std::uint8_t* data, std::size_t size)
{
    return DecodeInPhases(
        ImageFormat::Jpeg, size, [&] { return ReadOthersHeader(frame, data, size); },
        [&](const OthersHeader& header) -> Result<Image> {
            Result<Image> img = DecodeJpegThroughLibavcodec(data, size);
            if (img)
                Orient(*img, header.orientation);
            return img;
        });
}

} // namespace

// The start marker alone: libjpeg passes over stray bytes between it and the next marker.
bool SniffJpeg(const std::uint8_t* d, std::size_t n) { return n >= 2 && d[0] == 0xFF && d[1] == 0xD8; }

Result<Image> DecodeJpeg(const std::uint8_t* data, std::size_t size, const Reduction& reduction)
{
    if (const JpegFrameHeader frame = ReadJpegFrameHeader(data, size); ReadThroughLibavcodec(frame))
        return DecodeOthersJpeg(frame, data, size);
    return DecodeInPhases(
        ImageFormat::Jpeg, size, [&] { return ReadHeader(data, size); },
        [&](JpegHeader& header) { return ReadPixels(header, reduction); });
}

Result<ImageHeader> ReadJpegHeader(const std::uint8_t* data, std::size_t size)
{
    if (const JpegFrameHeader frame = ReadJpegFrameHeader(data, size); ReadThroughLibavcodec(frame))
        return HeaderOf(ImageFormat::Jpeg, size, ReadOthersHeader(frame, data, size),
                        [](const OthersHeader& o, ImageHeader& h) {
                            h.bitsPerPixel = o.frame.precision * o.frame.components;
                            h.orientation = o.orientation;
                        });
    return HeaderOf(ImageFormat::Jpeg, size, ReadHeader(data, size), [](const JpegHeader& j, ImageHeader& h) {
        const jpeg_decompress_struct& cinfo = j.reading->cinfo;
        h.bitsPerPixel = cinfo.data_precision * cinfo.num_components;
        h.orientation = j.orientation;
    });
}

Result<Bytes> EncodeJpeg(const Image& source, const SaveOptions& options)
{
    // JPEG holds grey or colour: palettes are expanded, alpha composited over white.
    const bool grey = source.format == PixelFormat::Gray8;
    Image scratch;
    const Image& img = grey ? source : AsRgb24(source, scratch);
    OutputBuffer buffer; // before the object that writes into it, so freed after it
    jpeg_compress_struct cinfo{};
    const CompressOwner owner(cinfo);
    ErrorManager err{};
    jpeg::Attach(reinterpret_cast<j_common_ptr>(&cinfo), err);
    if (setjmp(err.jump))
        return Fail(FailureKind::StepFailed, std::string("JPEG encoding failed: ") + err.message);
    jpeg_create_compress(&cinfo);
    jpeg::StartCompress(cinfo, buffer, img.width, img.height, grey ? JCS_GRAYSCALE : JCS_RGB, options);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(img.Row(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    return Bytes(buffer.data, buffer.data + buffer.length);
}

} // namespace media
