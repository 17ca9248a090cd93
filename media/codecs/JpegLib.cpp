#include "media/codecs/JpegLib.h"

#include "media/codecs/Metadata.h"

#include <algorithm>
#include <iterator>

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

// One APP1 segment holds at most 65533 bytes, "Exif\0\0" among them.
constexpr std::size_t kMaxExifBytes = 65533 - 6;

} // namespace

void Attach(j_common_ptr cinfo, ErrorManager& err)
{
    cinfo->err = jpeg_std_error(&err.base);
    err.base.error_exit = OnError;
    err.base.emit_message = OnMessage;
}

bool WritesExif(const Metadata* meta) { return meta && !meta->exif.empty() && meta->exif.size() <= kMaxExifBytes; }

Bytes ExifSegmentBody(const Metadata& meta)
{
    static constexpr std::uint8_t kName[] = {'E', 'x', 'i', 'f', 0, 0};
    Bytes body(sizeof kName + meta.exif.size());
    std::copy(std::begin(kName), std::end(kName), body.begin());
    std::copy(meta.exif.begin(), meta.exif.end(), body.begin() + sizeof kName);
    return body;
}

void WriteMarkers(jpeg_compress_struct& cinfo, const Metadata* meta)
{
    if (WritesExif(meta)) {
        const Bytes app1 = ExifSegmentBody(*meta);
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, app1.data(), unsigned(app1.size()));
    }
    if (meta && !meta->icc.empty())
        jpeg_write_icc_profile(&cinfo, meta->icc.data(), unsigned(meta->icc.size()));
}

} // namespace media::jpeg
