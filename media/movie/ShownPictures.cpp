#include "media/movie/ShownPictures.h"

namespace media {

namespace {

// Whether a VP8 frame (`data` its whole packet) is to be shown: the frame tag's fifth
// bit is show_frame.
bool Vp8Shown(const std::uint8_t* data, int size) { return size < 1 || (data[0] & 0x10) != 0; }

// A VP9 frame's uncompressed header up to show_frame: frame marker (2 bits), profile
// (2, and a reserved bit for profile 3), then show_existing_frame, or frame type and
// show_frame.
bool Vp9FrameShown(const std::uint8_t* data, int size)
{
    if (size < 1)
        return true;
    int bit = 0;
    const auto next = [&] {
        const int byte = bit / 8;
        const int v = byte < size ? (data[byte] >> (7 - bit % 8)) & 1 : 0;
        ++bit;
        return v;
    };
    if (next() != 1 || next() != 0)
        return true; // not a frame header we know: counted as shown, as the decoder would try it
    const int low = next(), high = next();
    if (high && low)
        next(); // reserved
    if (next())
        return true; // show_existing_frame
    next();          // frame_type
    return next() != 0;
}

// Whether a VP9 packet (one frame, or a superframe of several) shows a picture.
bool Vp9Shown(const std::uint8_t* data, int size)
{
    if (size < 1)
        return true;
    // A superframe ends with an index: a marker byte, the frames' sizes, the marker again.
    const std::uint8_t marker = data[size - 1];
    if ((marker & 0xe0) == 0xc0) {
        const int frames = (marker & 7) + 1, sizeBytes = ((marker >> 3) & 3) + 1;
        const int indexBytes = 2 + sizeBytes * frames;
        if (indexBytes <= size && data[size - indexBytes] == marker) {
            const std::uint8_t* entry = data + size - indexBytes + 1;
            int offset = 0;
            for (int f = 0; f < frames; ++f) {
                int frameSize = 0;
                for (int b = 0; b < sizeBytes; ++b)
                    frameSize |= int(*entry++) << (8 * b);
                if (frameSize > size - indexBytes - offset)
                    return true;
                if (Vp9FrameShown(data + offset, frameSize))
                    return true;
                offset += frameSize;
            }
            return false;
        }
    }
    return Vp9FrameShown(data, size);
}

} // namespace

// H.264 fields, told apart by the library's parser (it reads the parameter sets
// and slice headers, nothing more).
struct ShownPictures::Fields {
    av::Codec context;
    AVCodecParserContext* parser = nullptr;
    int open = 0; // the parity of a first field still waiting for its second, 0 for none

    ~Fields()
    {
        if (parser)
            av_parser_close(parser);
    }
};

ShownPictures::ShownPictures(const AVCodecParameters* codec) : m_codec(codec->codec_id)
{
    if (m_codec != AV_CODEC_ID_H264)
        return;
    auto fields = std::make_unique<Fields>();
    fields->context.reset(avcodec_alloc_context3(nullptr));
    fields->parser = av_parser_init(m_codec);
    if (!fields->context || !fields->parser || avcodec_parameters_to_context(fields->context.get(), codec) < 0)
        return;
    fields->parser->flags |= PARSER_FLAG_COMPLETE_FRAMES;
    m_fields = std::move(fields);
}

ShownPictures::~ShownPictures() = default;

void ShownPictures::Restart()
{
    if (m_fields)
        m_fields->open = 0;
}

ShownPictures::Kind ShownPictures::Next(const AVPacket* packet)
{
    if (m_codec == AV_CODEC_ID_VP8)
        return Vp8Shown(packet->data, packet->size) ? Kind::Shown : Kind::Hidden;
    if (m_codec == AV_CODEC_ID_VP9)
        return Vp9Shown(packet->data, packet->size) ? Kind::Shown : Kind::Hidden;
    if (!m_fields || packet->size <= 0)
        return Kind::Shown;
    std::uint8_t* out = nullptr;
    int outSize = 0;
    av_parser_parse2(m_fields->parser, m_fields->context.get(), &out, &outSize, packet->data, packet->size,
                     packet->pts, packet->dts, packet->pos);
    const int structure = m_fields->parser->picture_structure;
    if (structure != AV_PICTURE_STRUCTURE_TOP_FIELD && structure != AV_PICTURE_STRUCTURE_BOTTOM_FIELD) {
        m_fields->open = 0;
        return Kind::Shown;
    }
    if (m_fields->open != 0 && m_fields->open != structure) {
        m_fields->open = 0;
        return Kind::SecondField;
    }
    m_fields->open = structure;
    return Kind::Shown;
}

} // namespace media
