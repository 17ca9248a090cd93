// A JPEG written from YCbCr planes (libjpeg's raw data input): no colour conversion
// and no chroma downsampling, the two steps a picture that was YCbCr already would
// otherwise go through twice, there and back.
#include "media/codecs/Codecs.h"
#include "media/codecs/JpegLib.h"

#include <algorithm>
#include <cstring>
#include <vector>

// libjpeg reports errors by longjmp; nothing that is read after the jump is changed
// between setjmp and the jump, so the compiler's warning about it does not apply.
#pragma GCC diagnostic ignored "-Wclobbered"

namespace media {

namespace {

// One call's rows of one plane (an iMCU row), each widened to whole blocks by
// repeating its last sample, and rows below the picture repeating its last row:
// libjpeg reads whole blocks, and what pads them should not cost bits or ring.
struct PlaneRows {
    const std::uint8_t* plane;
    int stride, width, height, paddedWidth, rowsPerCall;
    std::vector<std::uint8_t> samples;
    std::vector<JSAMPROW> rows;

    PlaneRows(const std::uint8_t* p, int s, int w, int h, int padded, int perCall)
        : plane(p), stride(s), width(w), height(h), paddedWidth(padded), rowsPerCall(perCall),
          samples(std::size_t(padded) * perCall), rows(std::size_t(perCall))
    {
        for (int r = 0; r < perCall; ++r)
            rows[std::size_t(r)] = samples.data() + std::size_t(r) * padded;
    }
    JSAMPARRAY Fill(int firstRow)
    {
        for (int r = 0; r < rowsPerCall; ++r) {
            const std::uint8_t* from = plane + std::size_t(std::min(firstRow + r, height - 1)) * stride;
            std::uint8_t* to = rows[std::size_t(r)];
            std::memcpy(to, from, std::size_t(width));
            std::fill(to + width, to + paddedWidth, from[width - 1]);
        }
        return rows.data();
    }
};

} // namespace

Result<Bytes> EncodeJpegPlanes(const YCbCrPlanes& planes, const SaveOptions& options)
{
    if (planes.halvedChroma == EncodingOf(options.quality).fullChroma)
        return Fail(FailureKind::StepFailed, "JPEG encoding failed: the planes' sampling is not the quality's");
    if (!PlausibleSize(planes.width, planes.height))
        return Fail(FailureKind::StepFailed, "JPEG encoding failed: " + ImplausibleSizeText(planes.width, planes.height));
    // Whole MCUs: 16 × 16 luma samples at 4:2:0, 8 × 8 at 4:4:4.
    const int shift = planes.halvedChroma ? 1 : 0;
    const int mcu = 8 << shift;
    const int mcuColumns = (planes.width + mcu - 1) / mcu;
    const int chromaWidth = (planes.width + shift) >> shift, chromaHeight = (planes.height + shift) >> shift;
    PlaneRows y(planes.plane[0], planes.stride[0], planes.width, planes.height, mcuColumns * mcu, mcu);
    PlaneRows cb(planes.plane[1], planes.stride[1], chromaWidth, chromaHeight, mcuColumns * 8, 8);
    PlaneRows cr(planes.plane[2], planes.stride[2], chromaWidth, chromaHeight, mcuColumns * 8, 8);
    jpeg::OutputBuffer buffer; // before the object that writes into it, so freed after it
    jpeg_compress_struct cinfo{};
    const jpeg::CompressOwner owner(cinfo);
    jpeg::ErrorManager err{};
    jpeg::Attach(reinterpret_cast<j_common_ptr>(&cinfo), err);
    if (setjmp(err.jump))
        return Fail(FailureKind::StepFailed, std::string("JPEG encoding failed: ") + err.message);
    jpeg_create_compress(&cinfo);
    jpeg::StartCompress(cinfo, buffer, planes.width, planes.height, JCS_YCbCr, options, true);
    for (int row = 0; cinfo.next_scanline < cinfo.image_height; row += mcu) {
        JSAMPARRAY call[3] = {y.Fill(row), cb.Fill(row >> shift), cr.Fill(row >> shift)};
        jpeg_write_raw_data(&cinfo, call, JDIMENSION(mcu));
    }
    jpeg_finish_compress(&cinfo);
    return Bytes(buffer.data, buffer.data + buffer.length);
}

} // namespace media
