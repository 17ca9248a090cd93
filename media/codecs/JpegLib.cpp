#include "media/codecs/JpegLib.h"

#include "media/codecs/Metadata.h"
#include "media/codecs/XmpIptc.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace media::jpeg {

namespace {

void OnError(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void OnMessage(j_common_ptr cinfo, int level)
{
    if (level < 0) // a warning: counted, as libjpeg's own handler counts it
        ++cinfo->err->num_warnings;
}

// A marker segment holds at most 65533 bytes; an APP1's EXIF has "Exif\0\0" among them.
constexpr std::size_t kMaxSegmentBytes = 65533;
constexpr std::string_view kExifName{"Exif\0\0", 6};
constexpr std::size_t kMaxExifBytes = kMaxSegmentBytes - kExifName.size();

} // namespace

void Attach(j_common_ptr cinfo, ErrorManager& err)
{
    cinfo->err = jpeg_std_error(&err.base);
    err.base.error_exit = OnError;
    err.base.emit_message = OnMessage;
}

bool WritesExif(const Metadata* meta) { return meta && !meta->exif.empty() && meta->exif.size() <= kMaxExifBytes; }

Bytes ExifSegmentBody(const Metadata& meta) { return SegmentBody(kExifName, meta.exif); }

Bytes SegmentBody(std::string_view name, const Bytes& bytes)
{
    Bytes body(name.begin(), name.end());
    body.insert(body.end(), bytes.begin(), bytes.end());
    return body;
}

void WriteMarkers(jpeg_compress_struct& cinfo, const Metadata* meta)
{
    if (!meta)
        return;
    // Each where it fits in one segment, as nearly every photo's XMP and IPTC do.
    const auto segment = [&](int marker, std::string_view name, const Bytes& bytes) {
        if (!bytes.empty() && bytes.size() <= kMaxSegmentBytes - name.size()) {
            const Bytes body = SegmentBody(name, bytes);
            jpeg_write_marker(&cinfo, marker, body.data(), unsigned(body.size()));
        }
    };
    segment(JPEG_APP0 + 1, kExifName, meta->exif);
    segment(JPEG_APP0 + 1, kJpegXmpName, meta->xmp);
    if (!meta->icc.empty())
        jpeg_write_icc_profile(&cinfo, meta->icc.data(), unsigned(meta->icc.size()));
    if (!meta->iptc.empty())
        segment(JPEG_APP0 + 13, kJpegPhotoshopName, PhotoshopOfIptc(meta->iptc));
}

void StartCompress(jpeg_compress_struct& cinfo, OutputBuffer& buffer, int width, int height, J_COLOR_SPACE space,
                   const SaveOptions& options, bool raw)
{
    jpeg_mem_dest(&cinfo, &buffer.data, &buffer.length);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = space == JCS_GRAYSCALE ? 1 : 3;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    const QualityEncoding encoding = EncodingOf(options.quality);
    jpeg_set_quality(&cinfo, encoding.quality, TRUE);
    if (encoding.fullChroma && space != JCS_GRAYSCALE)
        cinfo.comp_info[0].h_samp_factor = cinfo.comp_info[0].v_samp_factor = 1;
    cinfo.raw_data_in = raw ? TRUE : FALSE;
    cinfo.optimize_coding = FALSE;
    if (options.interlaced)
        jpeg_simple_progression(&cinfo);
    const Metadata* meta = options.metadata;
    cinfo.write_JFIF_header = !WritesExif(meta); // EXIF comes first where it is, as cameras write it
    jpeg_start_compress(&cinfo, TRUE);
    WriteMarkers(cinfo, meta);
}

} // namespace media::jpeg
