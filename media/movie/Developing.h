#pragma once
// What passes between a reader's run and its frame developers (inside the movie
// engine only).
#include "media/movie/AvHandles.h"
#include "media/movie/MovieReader.h"

#include <memory>
#include <string>

namespace media {

// What a developer needs of its reader, fixed when the reader opens.
struct DevelopSetup {
    std::string path;
    std::shared_ptr<const AVCodecParameters> codec;
    bool decodes = false; // the developers decode packets (every picture stands alone)
};

struct UndevelopedFrame::Data {
    int position = 0;
    av::Packet packet;  // to decode, when the developers decode
    av::Frame frame;    // decoded, to convert
    bool failed = false; // the reader found no picture: nothing to develop
};

// Converts a decoded picture to 24-bit RGB, making or reusing `scaler` as needed.
bool ToRgb(av::Scaler& scaler, const AVFrame* frame, Image& out);

} // namespace media
