#pragma once
// What passes between a reader's run and its frame developers (inside the movie
// engine only).
#include "media/movie/AvHandles.h"
#include "media/movie/MovieFile.h"
#include "media/image/Image.h"

#include <memory>
#include <string>

namespace media {

// What a developer needs of its reader, fixed when the reader opens.
struct DevelopSetup {
    std::shared_ptr<const MovieFile> file;
    std::shared_ptr<const AVCodecParameters> codec;
    bool decodes = false;     // the developers decode packets (every picture stands alone)
    bool jpegPackets = false; // the packets are JPEGs for libjpeg-turbo (Motion JPEG)
    int width = 0, height = 0; // as coded
    int shownWidth = 0;        // the width players show for the coded height (non-square pixels)
    bool toneMaps = true;      // HDR pictures made SDR (else read as if SDR)
    double statedPeakNits = 0; // the brightest light an HDR stream says it holds (0: unsaid)
    int orientation = 1;       // how the stream's display matrix shows it, as an EXIF orientation (turns and mirrors)
    // A view's box, as stored (before turning): pictures made no larger; 0: whole size.
    int fitWidth = 0, fitHeight = 0;
};

// Turns (and mirrors) a picture as the stream's display matrix says players show it
// (phones record upright videos as turned frames and say so).
void TurnUpright(const DevelopSetup& setup, Image& picture);

// What an UndevelopedFrame holds.
struct UndevelopedFrameData {
    int position = 0;
    av::Packet packet;  // to decode, when the developers decode
    bool alone = false; // the packet is a key picture's, decoded by itself
    av::Frame frame;    // decoded, to convert
    bool failed = false; // the reader found no picture: nothing to develop
};

// A Motion JPEG packet decoded by libjpeg-turbo (damaged data decoded as far as it
// goes, the rest grey, the same whatever was decoded before); false unless it is a
// JPEG of the movie's size (one field of an interlaced pair is left to the movie's
// own decoder).
bool DecodeJpegPacket(const DevelopSetup& setup, const AVPacket* packet, Image& out);

// Converts a decoded picture to 24-bit RGB of the size players show (the setup's
// shown width and height), making or reusing `scaler` as needed; HDR pictures are
// tone mapped to SDR. A stream whose pictures change size midway gives every picture
// the movie's size, as the window and the names of its files promise one.
bool ToRgb(av::Scaler& scaler, const AVFrame* frame, const DevelopSetup& setup, Image& out);

// The width players show for a picture of `width` × `height` whose pixels have the
// shape `sampleAspect` (unknown or square: the width itself).
int ShownWidth(int width, int height, AVRational sampleAspect);

// The size pictures are made: as players show them, or fitted into a view's box.
struct PictureSize {
    int width, height;
    bool fitted; // smaller than shown, for a view
};
PictureSize MadeSize(const DevelopSetup& setup);

// A 24-bit picture scaled to `width` × `height` (non-square pixels made square, a
// view's picture made smaller).
bool ScaleTo(Image& picture, int width, int height);

} // namespace media
