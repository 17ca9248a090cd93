// A HEIF photo's HEVC pictures decoded by FFmpeg into YCbCr planes, for writing as a
// JPEG without RGB between: libheif 1.15 turns every picture it decodes into RGB
// before it hands it out, so its planes cannot be had from it. Only the plain case
// is taken here: the primary item one HEVC picture or a grid of them, neither cropped,
// turned nor mirrored, 8-bit 4:2:0 or 4:4:4 in BT.601's colours, for a JPEG at 4:2:0;
// libheif reads the rest.
#include "media/codecs/AvCodec.h"
#include "media/codecs/Codecs.h"
#include "media/codecs/IsoBoxes.h"
#include "media/image/Processing.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace media {

namespace {

using iso::Box;
using iso::Fourcc;
constexpr ByteOrder kBig = ByteOrder::Big;

// A field of 0, 4 or 8 bytes ('iloc' sizes its offsets and lengths so).
std::optional<std::uint64_t> Sized(const ByteReader& in, std::size_t at, unsigned bytes)
{
    if (bytes == 0)
        return 0;
    const auto high = in.U32(at, kBig);
    if (bytes == 4 || !high)
        return high;
    const auto low = in.U32(at + 4, kBig);
    if (bytes != 8 || !low)
        return std::nullopt;
    return std::uint64_t(*high) << 32 | *low;
}

// An item's bytes, joined from its extents in the file or in 'idat'.
std::optional<Bytes> ItemBytes(const ByteReader& in, const iso::Meta& meta, std::uint32_t item)
{
    const Box* iloc = iso::Find(meta.boxes, Fourcc("iloc"));
    const Box* idat = iso::Find(meta.boxes, Fourcc("idat"));
    const auto version = iloc ? in.U8(iloc->body) : std::nullopt;
    const auto sizes = iloc ? in.U16(iloc->body + 4, kBig) : std::nullopt;
    if (!version || !sizes)
        return std::nullopt;
    const unsigned offsetSize = *sizes >> 12, lengthSize = (*sizes >> 8) & 15, baseSize = (*sizes >> 4) & 15;
    const unsigned indexSize = *version >= 1 ? *sizes & 15 : 0;
    const auto count = iso::Number(in, iloc->body + 6, *version >= 2);
    std::size_t at = iloc->body + 6 + (*version >= 2 ? 4 : 2);
    for (std::uint32_t i = 0; count && i < *count && at < iloc->end; ++i) {
        const auto id = iso::Number(in, at, *version >= 2);
        at += *version >= 2 ? 4 : 2;
        const auto method = *version >= 1 ? in.U16(at, kBig) : std::optional<std::uint16_t>(0);
        at += (*version >= 1 ? 2 : 0) + 2; // the construction method, the data reference
        const auto base = Sized(in, at, baseSize);
        at += baseSize;
        const auto extents = in.U16(at, kBig);
        at += 2;
        if (!id || !method || !base || !extents)
            return std::nullopt;
        Bytes joined;
        for (unsigned e = 0; e < *extents; ++e) {
            at += indexSize;
            const auto offset = Sized(in, at, offsetSize), length = Sized(in, at + offsetSize, lengthSize);
            at += offsetSize + lengthSize;
            if (!offset || !length || at > iloc->end)
                return std::nullopt;
            if (*id != item)
                continue;
            // Construction method 0: offsets into the file; 1: into 'idat'.
            const unsigned construction = *method & 15;
            const bool inIdat = construction == 1;
            if (construction > 1 || (inIdat && !idat))
                return std::nullopt;
            const std::size_t from = inIdat ? idat->body : 0, to = inIdat ? idat->end : in.Size();
            if (*base > to - from || *offset > to - from - *base)
                return std::nullopt;
            const std::size_t start = from + std::size_t(*base + *offset);
            if (*length > to - start)
                return std::nullopt;
            const std::size_t bytes = *length == 0 ? to - start : std::size_t(*length); // 0: to the end
            joined.insert(joined.end(), in.Data() + start, in.Data() + start + bytes);
        }
        if (*id == item)
            return joined;
    }
    return std::nullopt;
}

// An item's type ('hvc1', 'grid' ...), from its entry in 'iinf'.
std::optional<std::uint32_t> ItemType(const ByteReader& in, const iso::Meta& meta, std::uint32_t item)
{
    const Box* iinf = iso::Find(meta.boxes, Fourcc("iinf"));
    const auto version = iinf ? in.U8(iinf->body) : std::nullopt;
    if (!version)
        return std::nullopt;
    for (const Box& infe : iso::Boxes(in, iinf->body + 4 + (*version == 0 ? 2 : 4), iinf->end)) {
        const auto v = in.U8(infe.body);
        if (infe.type != Fourcc("infe") || !v || *v < 2)
            continue;
        if (iso::Number(in, infe.body + 4, *v == 3) == item)
            return in.U32(infe.body + 4 + (*v == 3 ? 4 : 2) + 2, kBig);
    }
    return std::nullopt;
}

// The pictures a grid is made of, in reading order ('iref' of type 'dimg').
std::optional<std::vector<std::uint32_t>> Tiles(const ByteReader& in, const iso::Meta& meta, std::uint32_t grid)
{
    const Box* iref = iso::Find(meta.boxes, Fourcc("iref"));
    const auto version = iref ? in.U8(iref->body) : std::nullopt;
    if (!version)
        return std::nullopt;
    const bool wide = *version != 0;
    for (const Box& ref : iso::Boxes(in, iref->body + 4, iref->end)) {
        if (ref.type != Fourcc("dimg") || iso::Number(in, ref.body, wide) != grid)
            continue;
        const auto count = in.U16(ref.body + (wide ? 4 : 2), kBig);
        std::vector<std::uint32_t> tiles;
        for (unsigned t = 0; count && t < *count; ++t) {
            const auto id = iso::Number(in, ref.body + (wide ? 6 : 4) + t * (wide ? 4u : 2u), wide);
            if (!id)
                return std::nullopt;
            tiles.push_back(*id);
        }
        return tiles;
    }
    return std::nullopt;
}

struct Coded {
    Bytes config; // 'hvcC': the parameter sets
    Bytes data;   // the picture's NAL units, each after its length
};

// The colours an item's 'colr' box of type 'nclx' gives: its matrix and range.
struct Colours {
    int matrix = 2;
    bool fullRange = false;
};

// What the properties of an item say: false where one of them asks for a step this
// route does not take (a crop, a turn, a mirror).
bool PlainProperties(const ByteReader& in, const std::vector<Box>& properties, Coded* coded, std::optional<Colours>& colours)
{
    for (const Box& p : properties) {
        if (p.type == Fourcc("irot") || p.type == Fourcc("imir") || p.type == Fourcc("clap"))
            return false;
        if (p.type == Fourcc("hvcC") && coded)
            coded->config.assign(in.Data() + p.body, in.Data() + p.end);
        if (p.type == Fourcc("colr") && in.U32(p.body, kBig) == Fourcc("nclx")) {
            const auto matrix = in.U16(p.body + 8, kBig);
            const auto range = in.U8(p.body + 10);
            if (!matrix || !range)
                return false;
            colours = Colours{*matrix, (*range & 0x80) != 0};
        }
    }
    return true;
}

std::optional<Coded> CodedPicture(const ByteReader& in, const iso::Meta& meta, std::uint32_t item,
                                  std::optional<Colours>& colours)
{
    Coded coded;
    const auto properties = iso::PropertiesOf(in, meta, item);
    if (!properties || ItemType(in, meta, item) != Fourcc("hvc1") || !PlainProperties(in, *properties, &coded, colours))
        return std::nullopt;
    std::optional<Bytes> data = ItemBytes(in, meta, item);
    if (!data || coded.config.empty())
        return std::nullopt;
    coded.data = std::move(*data);
    return coded;
}

struct Layout {
    int width = 0, height = 0, columns = 1, rows = 1;
    std::vector<Coded> pictures;
    std::optional<Colours> colours; // the primary item's, where it says
};

std::optional<Layout> LayoutOf(const ByteReader& in, const Size& shown)
{
    const std::optional<iso::Meta> meta = iso::ReadMeta(in);
    if (!meta)
        return std::nullopt;
    Layout layout;
    layout.width = shown.width, layout.height = shown.height;
    const auto type = ItemType(in, *meta, meta->primary);
    std::vector<std::uint32_t> items{meta->primary};
    if (type == Fourcc("grid")) {
        const auto properties = iso::PropertiesOf(in, *meta, meta->primary);
        const auto grid = ItemBytes(in, *meta, meta->primary);
        auto tiles = Tiles(in, *meta, meta->primary);
        if (!properties || !PlainProperties(in, *properties, nullptr, layout.colours) || !grid || grid->size() < 8 ||
            !tiles)
            return std::nullopt;
        layout.rows = (*grid)[2] + 1, layout.columns = (*grid)[3] + 1;
        if (tiles->size() != std::size_t(layout.rows) * layout.columns)
            return std::nullopt;
        items = std::move(*tiles);
    } else if (type != Fourcc("hvc1")) {
        return std::nullopt;
    }
    std::optional<Colours> tileColours;
    for (std::uint32_t item : items) {
        std::optional<Coded> coded = CodedPicture(in, *meta, item, items.size() > 1 ? tileColours : layout.colours);
        if (!coded)
            return std::nullopt;
        layout.pictures.push_back(std::move(*coded));
    }
    return layout;
}

// One picture through FFmpeg's HEVC decoder; nothing where it cannot be decoded.
av::Frame Decoded(const Coded& coded)
{
    av_log_set_level(AV_LOG_QUIET); // its complaints about a damaged picture are ours to say
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_HEVC);
    av::Context context(codec ? avcodec_alloc_context3(codec) : nullptr);
    av::Packet packet(av_packet_alloc());
    av::Frame frame(av_frame_alloc());
    if (!context || !packet || !frame || coded.data.size() > std::size_t(INT32_MAX) - AV_INPUT_BUFFER_PADDING_SIZE ||
        coded.config.size() > (1u << 20))
        return nullptr;
    context->extradata = static_cast<std::uint8_t*>(av_mallocz(coded.config.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!context->extradata)
        return nullptr;
    std::memcpy(context->extradata, coded.config.data(), coded.config.size());
    context->extradata_size = int(coded.config.size());
    context->thread_count = 1; // a run decodes a photo a core
    context->err_recognition = AV_EF_EXPLODE;
    if (avcodec_open2(context.get(), codec, nullptr) < 0 || av_new_packet(packet.get(), int(coded.data.size())) < 0)
        return nullptr;
    std::memcpy(packet->data, coded.data.data(), coded.data.size());
    if (avcodec_send_packet(context.get(), packet.get()) < 0 || avcodec_send_packet(context.get(), nullptr) < 0 ||
        avcodec_receive_frame(context.get(), frame.get()) < 0)
        return nullptr;
    const bool yuv = frame->format == AV_PIX_FMT_YUV420P || frame->format == AV_PIX_FMT_YUVJ420P ||
                     frame->format == AV_PIX_FMT_YUV444P || frame->format == AV_PIX_FMT_YUVJ444P;
    return yuv && frame->width % 2 == 0 && frame->height % 2 == 0 ? std::move(frame) : nullptr;
}

// The colours libheif would take the planes to be in: the item's 'nclx', else the
// stream's own (a stream that says nothing is limited-range, as HEVC has it).
Colours ColoursOf(const std::optional<Colours>& item, const AVFrame& frame)
{
    if (item)
        return *item;
    return {frame.colorspace, frame.color_range == AVCOL_RANGE_JPEG};
}

// One plane of the picture from its pictures' planes: each copied into place (the
// grid's right and bottom edges cut off where they overhang), its levels through
// `level`; whole-resolution colour planes averaged 2 × 2 to the halved ones.
void Assemble(const Layout& layout, const std::vector<av::Frame>& frames, int c, const std::array<std::uint8_t, 256>& level,
              std::uint8_t* plane, int w, int h)
{
    const int shift = c ? 1 : 0;
    const bool whole = c && (frames[0]->format == AV_PIX_FMT_YUV444P || frames[0]->format == AV_PIX_FMT_YUVJ444P);
    const int tileWidth = frames[0]->width >> shift, tileHeight = frames[0]->height >> shift;
    for (std::size_t t = 0; t < frames.size(); ++t) {
        const int x0 = int(t % std::size_t(layout.columns)) * tileWidth;
        const int y0 = int(t / std::size_t(layout.columns)) * tileHeight;
        const int cw = std::min(tileWidth, w - x0), ch = std::min(tileHeight, h - y0);
        const std::ptrdiff_t stride = frames[t]->linesize[c];
        for (int y = 0; y < ch; ++y) {
            std::uint8_t* to = plane + std::size_t(y0 + y) * w + x0;
            if (whole) {
                const std::uint8_t* a = frames[t]->data[c] + 2 * y * stride;
                for (int x = 0; x < cw; ++x)
                    to[x] = level[(a[2 * x] + a[2 * x + 1] + a[stride + 2 * x] + a[stride + 2 * x + 1] + 2) >> 2];
            } else {
                const std::uint8_t* from = frames[t]->data[c] + y * stride;
                for (int x = 0; x < cw; ++x)
                    to[x] = level[from[x]];
            }
        }
    }
}

// Planes the size of the picture at 4:2:0, limited-range levels stretched to full
// range as libheif stretches them.
YCbCrPlanes Assembled(const Layout& layout, const std::vector<av::Frame>& frames, bool stretch)
{
    auto owned = std::make_shared<std::array<Bytes, 3>>();
    YCbCrPlanes planes;
    planes.width = layout.width, planes.height = layout.height;
    for (int c = 0; c < 3; ++c) {
        const int shift = c ? 1 : 0;
        const int w = (layout.width + shift) >> shift, h = (layout.height + shift) >> shift;
        Bytes& plane = (*owned)[std::size_t(c)];
        plane.resize(std::size_t(w) * h);
        std::array<std::uint8_t, 256> level{};
        for (int v = 0; v < 256; ++v) // Y: 16..235 to 0..255; Cb, Cr: 16..240 about 128
            level[std::size_t(v)] = std::uint8_t(std::clamp<long>(
                stretch ? std::lround(c ? (v - 128) * 1.1429 + 128 : (v - 16) * 1.1689) : v, 0, 255));
        Assemble(layout, frames, c, level, plane.data(), w, h);
        planes.plane[std::size_t(c)] = plane.data();
        planes.stride[std::size_t(c)] = w;
    }
    planes.keep = owned;
    return planes;
}

} // namespace

std::optional<YCbCrPlanes> DecodeHeifPlanes(const std::uint8_t* data, std::size_t size, bool halvedChroma)
{
    const Result<ImageHeader> header = ReadHeifHeader(data, size);
    if (!halvedChroma || !header || header->alpha || header->bitsPerPixel != 24)
        return std::nullopt;
    const ByteReader in(data, size);
    const std::optional<Layout> layout = LayoutOf(in, {header->width, header->height});
    if (!layout)
        return std::nullopt;
    std::vector<av::Frame> frames;
    for (const Coded& coded : layout->pictures) {
        frames.push_back(Decoded(coded));
        const AVFrame* f = frames.back().get();
        if (!f || f->width != frames[0]->width || f->height != frames[0]->height)
            return std::nullopt;
    }
    // The pictures must cover the whole, and no grid's pictures may overhang by more than one.
    const std::int64_t coveredWidth = std::int64_t(frames[0]->width) * layout->columns;
    const std::int64_t coveredHeight = std::int64_t(frames[0]->height) * layout->rows;
    if (coveredWidth < layout->width || coveredHeight < layout->height ||
        coveredWidth - frames[0]->width >= layout->width || coveredHeight - frames[0]->height >= layout->height)
        return std::nullopt;
    const Colours colours = ColoursOf(layout->colours, *frames[0]);
    const int m = colours.matrix;
    if (m != 2 && m != 5 && m != 6) // BT.601, or unsaid (which libheif reads as BT.601)
        return std::nullopt;
    return Assembled(*layout, frames, !colours.fullRange);
}

} // namespace media
