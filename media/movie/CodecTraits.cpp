#include "media/movie/CodecTraits.h"

extern "C" {
#include <libavutil/display.h>
}

#include <cmath>
#include <cstdint>

namespace media {

bool TrustsKeyFrames(AVCodecID id)
{
    const AVCodecDescriptor* d = avcodec_descriptor_get(id);
    if (d && (d->props & AV_CODEC_PROP_INTRA_ONLY))
        return true;
    switch (id) {
    case AV_CODEC_ID_MPEG4:
    case AV_CODEC_ID_H264:
    case AV_CODEC_ID_HEVC:
    case AV_CODEC_ID_MPEG1VIDEO:
    case AV_CODEC_ID_MPEG2VIDEO:
    case AV_CODEC_ID_MSMPEG4V1:
    case AV_CODEC_ID_MSMPEG4V2:
    case AV_CODEC_ID_MSMPEG4V3:
    case AV_CODEC_ID_WMV1:
    case AV_CODEC_ID_WMV2:
    case AV_CODEC_ID_H263:
    case AV_CODEC_ID_H263P:
    case AV_CODEC_ID_FLV1:
    case AV_CODEC_ID_VP8:
    case AV_CODEC_ID_VP9:
    case AV_CODEC_ID_AV1:
        return true;
    default:
        return false;
    }
}

bool PicturesStandAlone(AVCodecID id)
{
    switch (id) {
    case AV_CODEC_ID_MJPEG:
    case AV_CODEC_ID_MJPEGB:
    case AV_CODEC_ID_DVVIDEO:
    case AV_CODEC_ID_RAWVIDEO:
    case AV_CODEC_ID_UTVIDEO:
    case AV_CODEC_ID_HUFFYUV: // its adaptive tables travel in every picture
    case AV_CODEC_ID_FFVHUFF:
    case AV_CODEC_ID_FFV1:
    case AV_CODEC_ID_PRORES:
    case AV_CODEC_ID_DNXHD:
    case AV_CODEC_ID_MAGICYUV:
    case AV_CODEC_ID_PNG:
    case AV_CODEC_ID_JPEGLS:
    case AV_CODEC_ID_LJPEG:
        return true;
    default:
        return false;
    }
}

bool KeepsParameterSets(AVCodecID id) { return id == AV_CODEC_ID_H264 || id == AV_CODEC_ID_HEVC; }

// The matrix's scale and offset do not matter here. A matrix that turns by other than
// quarter turns is taken for its nearest quarter turn.
int DisplayOrientation(const AVStream* st)
{
    const auto* m =
        reinterpret_cast<const std::int32_t*>(av_stream_get_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, nullptr));
    if (!m)
        return 1;
    // A stored pixel (p, q) shows at (a p + c q, b p + d q), y pointing down.
    const auto sign = [](std::int32_t v) { return (v > 0) - (v < 0); };
    const int a = sign(m[0]), b = sign(m[1]), c = sign(m[3]), d = sign(m[4]);
    if (b == 0 && c == 0 && a != 0 && d != 0)
        return a > 0 ? (d > 0 ? 1 : 4) : (d > 0 ? 2 : 3);
    if (a == 0 && d == 0 && b != 0 && c != 0)
        return b > 0 ? (c > 0 ? 5 : 6) : (c > 0 ? 8 : 7);
    const double counterClockwise = av_display_rotation_get(m);
    if (std::isnan(counterClockwise))
        return 1;
    const long quarter = std::lround(-counterClockwise / 90);
    static const int kTurned[] = {1, 6, 3, 8};
    return kTurned[((quarter % 4) + 4) % 4];
}

} // namespace media
