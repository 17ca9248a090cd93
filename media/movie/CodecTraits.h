#pragma once
// What the movie reader needs to know of a codec or a stream beyond what FFmpeg
// says: which decoders can be trusted about key pictures, whose pictures stand alone,
// and how a stream asks to be shown.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace media {

// Decoders of these codecs say truly whether a picture is a key frame; for the
// others (Cinepak, MS Video 1, TSCC ...) every picture claims to be one, so a seek
// cannot be verified and the movie is decoded from its start instead.
bool TrustsKeyFrames(AVCodecID id);

// Codecs whose every key picture decodes the same with a fresh decoder, whatever it
// decoded before (no carried tables, no palette sent once).
bool PicturesStandAlone(AVCodecID id);

// Decoders that keep the parameter sets found in the packets across a flush.
bool KeepsParameterSets(AVCodecID id);

// How a stream's display matrix asks for its pictures to be shown (phones write one),
// as an EXIF orientation (1 as stored .. 8).
int DisplayOrientation(const AVStream* stream);

} // namespace media
