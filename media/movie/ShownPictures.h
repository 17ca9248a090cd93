#pragma once
// Which packets of a video stream bring a picture a player shows, told from their
// headers without decoding them. Some packets are decoded only for the pictures
// after them: a VP8 or VP9 frame marked not to be shown (an alt-ref frame, shown
// later, if at all, through another packet), and the second field of an H.264 frame
// coded as two fields in two packets (the frame is one picture, shown at its first
// field's time).
#include "media/movie/AvHandles.h"

#include <memory>

namespace media {

class ShownPictures {
public:
    // For packets of the stream `codec` describes, in decoding order.
    explicit ShownPictures(const AVCodecParameters* codec);
    ~ShownPictures();
    ShownPictures(const ShownPictures&) = delete;
    ShownPictures& operator=(const ShownPictures&) = delete;

    enum class Kind {
        Shown,       // a picture of its own
        Hidden,      // decoded, never shown through this packet
        SecondField, // completes the frame whose first field came in the packet before
    };
    // What the next packet in decoding order brings.
    Kind Next(const AVPacket* packet);
    // The next packet comes after a seek: no first field waits for its second.
    void Restart();

private:
    struct Fields;
    AVCodecID m_codec;
    std::unique_ptr<Fields> m_fields; // H.264 only
};

} // namespace media
