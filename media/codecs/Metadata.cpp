#include "media/codecs/Metadata.h"

#include "media/codecs/ByteReader.h"
#include "media/codecs/XmpIptc.h"

#include <libdeflate.h>
#include <libheif/heif.h>
#include <webp/demux.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace media {

namespace {

// An ICC profile or text inflated from a PNG chunk, or a block libheif holds, may be
// at most this large.
constexpr std::size_t kMaxBlockBytes = std::size_t(16) << 20;

bool StartsWith(const std::uint8_t* data, std::size_t size, const char* prefix, std::size_t n)
{
    return size >= n && std::memcmp(data, prefix, n) == 0;
}

bool StartsWith(const std::uint8_t* data, std::size_t size, std::string_view prefix)
{
    return StartsWith(data, size, prefix.data(), prefix.size());
}

} // namespace

// JPEG: the first APP1 that is EXIF and the first that is XMP, the APP2 "ICC_PROFILE"
// pieces in their order, and the IPTC of the APP13 Photoshop resources (which may
// continue from one segment to the next).
Metadata ReadJpegMetadata(const std::uint8_t* d, std::size_t n)
{
    Metadata m;
    Bytes photoshop;
    std::map<int, Bytes> pieces;
    int pieceCount = 0;
    std::size_t at = 2;
    while (at + 4 <= n) {
        if (d[at] != 0xFF) { // stray bytes before a marker, which libjpeg passes over too
            ++at;
            continue;
        }
        const std::uint8_t marker = d[at + 1];
        if (marker == 0xFF || marker == 0) { // a fill byte, or a stray one
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)
            break;
        const std::size_t length = (std::size_t(d[at + 2]) << 8) | d[at + 3];
        if (length < 2 || at + 2 + length > n)
            break;
        const std::uint8_t* payload = d + at + 4;
        const std::size_t size = length - 2;
        if (marker == 0xE1 && m.exif.empty() && StartsWith(payload, size, "Exif\0\0", 6))
            m.exif.assign(payload + 6, payload + size);
        if (marker == 0xE1 && m.xmp.empty() && StartsWith(payload, size, kJpegXmpName))
            m.xmp.assign(payload + kJpegXmpName.size(), payload + size);
        if (marker == 0xED && StartsWith(payload, size, kJpegPhotoshopName))
            photoshop.insert(photoshop.end(), payload + kJpegPhotoshopName.size(), payload + size);
        if (marker == 0xE2 && StartsWith(payload, size, "ICC_PROFILE\0", 12) && size > 14) {
            pieceCount = payload[13];
            pieces[payload[12]].assign(payload + 14, payload + size);
        }
        at += 2 + length;
    }
    if (pieceCount > 0 && int(pieces.size()) == pieceCount && pieces.begin()->first == 1 &&
        pieces.rbegin()->first == pieceCount)
        for (const auto& [seq, piece] : pieces)
            m.icc.insert(m.icc.end(), piece.begin(), piece.end());
    m.iptc = IptcOfPhotoshop(photoshop.data(), photoshop.size());
    return m;
}

namespace {

// "an ICC profile of N bytes, more than ..." for a block left out.
std::string TooLarge(const std::string& what, std::size_t size)
{
    std::string text = what;
    if (size)
        text.append(" of ").append(std::to_string(size)).append(" bytes");
    else
        text.append(" that inflates");
    return text.append(", more than the ").append(std::to_string(kMaxBlockBytes >> 20)).append(" MB a block may have");
}

// The zlib data inflated; empty when damaged, and then `what` is said in `m` when it
// would inflate beyond the limit.
Bytes Inflated(const std::uint8_t* data, std::size_t size, Metadata& m, const char* what)
{
    const std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor*)> inflater(
        libdeflate_alloc_decompressor(), libdeflate_free_decompressor);
    for (std::size_t room = std::max<std::size_t>(size * 4, 4096); inflater; room *= 4) {
        if (room > kMaxBlockBytes) {
            m.leftOut.push_back(TooLarge(what, 0));
            break;
        }
        Bytes out(room);
        std::size_t got = 0;
        const libdeflate_result r = libdeflate_zlib_decompress(inflater.get(), data, size, out.data(), room, &got);
        if (r == LIBDEFLATE_SUCCESS) {
            out.resize(got);
            return out;
        }
        if (r != LIBDEFLATE_INSUFFICIENT_SPACE)
            break;
    }
    return {};
}

// A PNG text chunk that holds XMP or IPTC: "XML:com.adobe.xmp" in an iTXt (keyword,
// compression flag and method, language, translated keyword, text) or, from some
// writers, a tEXt or zTXt (keyword, [method,] text); or ImageMagick's "Raw profile
// type xmp|iptc" in hexadecimal.
void FromPngText(std::string_view type, const std::uint8_t* data, std::size_t size, Metadata& m)
{
    const auto* keyEnd = static_cast<const std::uint8_t*>(std::memchr(data, 0, std::min<std::size_t>(size, 80)));
    if (!keyEnd)
        return;
    const std::string_view key(reinterpret_cast<const char*>(data), std::size_t(keyEnd - data));
    const bool xmp = key == "XML:com.adobe.xmp", rawXmp = key == "Raw profile type xmp";
    const bool rawIptc = key == "Raw profile type iptc";
    Bytes* const out = xmp || rawXmp ? &m.xmp : rawIptc ? &m.iptc : nullptr;
    if (!out || !out->empty())
        return;
    const std::uint8_t* text = keyEnd + 1;
    const std::uint8_t* const end = data + size;
    bool compressed = type == "zTXt";
    if (type == "iTXt") {
        if (end - text < 2)
            return;
        compressed = text[0] == 1;
        const std::uint8_t* languageEnd = std::find(text + 2, end, 0);
        text = languageEnd == end ? end : std::find(languageEnd + 1, end, 0);
    }
    if (compressed || type == "iTXt") // past the method, or the translated keyword's end
        ++text;
    if (text > end)
        return;
    Bytes value = compressed ? Inflated(text, std::size_t(end - text), m, xmp ? "an XMP packet" : "an IPTC profile")
                             : Bytes(text, end);
    *out = xmp ? std::move(value)
               : BytesOfRawProfile(std::string_view(reinterpret_cast<const char*>(value.data()), value.size()));
}

} // namespace

// PNG: the eXIf chunk, the iCCP chunk (name, method 0, zlib data) and the text chunks
// of XMP and IPTC.
Metadata ReadPngMetadata(const std::uint8_t* d, std::size_t n)
{
    Metadata m;
    const ByteReader in(d, n);
    for (std::size_t at = 8; at + 12 <= n;) {
        const std::optional<std::uint32_t> length = in.U32(at, ByteOrder::Big);
        if (!length || *length > n - at - 12)
            break;
        const std::uint8_t* type = d + at + 4;
        const std::uint8_t* data = d + at + 8;
        if (std::memcmp(type, "IEND", 4) == 0)
            break;
        if (std::memcmp(type, "eXIf", 4) == 0)
            m.exif.assign(data, data + *length);
        if (std::memcmp(type, "iCCP", 4) == 0) {
            const std::size_t nameRoom = std::min<std::size_t>(*length, 80);
            const auto* nameEnd = static_cast<const std::uint8_t*>(std::memchr(data, 0, nameRoom));
            if (nameEnd && nameEnd + 2 <= data + *length && nameEnd[1] == 0)
                m.icc = Inflated(nameEnd + 2, std::size_t(data + *length - (nameEnd + 2)), m, "an ICC profile");
        }
        for (const std::string_view text : {"iTXt", "tEXt", "zTXt"})
            if (std::memcmp(type, text.data(), 4) == 0)
                FromPngText(text, data, *length, m);
        at += 12 + *length;
    }
    return m;
}

// WebP: its EXIF, ICCP and XMP chunks.
Metadata ReadWebpMetadata(const std::uint8_t* d, std::size_t n)
{
    Metadata m;
    const WebPData whole{d, n};
    const std::unique_ptr<WebPDemuxer, void (*)(WebPDemuxer*)> demux(WebPDemux(&whole), WebPDemuxDelete);
    if (!demux)
        return m;
    for (const auto& [fourcc, out] : {std::pair{"EXIF", &m.exif}, {"ICCP", &m.icc}, {"XMP ", &m.xmp}}) {
        WebPChunkIterator chunk;
        if (WebPDemuxGetChunk(demux.get(), fourcc, 1, &chunk)) {
            out->assign(chunk.chunk.bytes, chunk.chunk.bytes + chunk.chunk.size);
            WebPDemuxReleaseChunkIterator(&chunk);
        }
    }
    // Some writers keep JPEG's "Exif\0\0" in front.
    if (StartsWith(m.exif.data(), m.exif.size(), "Exif\0\0", 6))
        m.exif.erase(m.exif.begin(), m.exif.begin() + 6);
    return m;
}

namespace {

// A metadata block of a HEIF picture; empty when it is larger than the program takes
// (and then said in `m`).
Bytes HeifBlock(const heif_image_handle* handle, heif_item_id id, const char* what, Metadata& m)
{
    const std::size_t size = heif_image_handle_get_metadata_size(handle, id);
    if (size > kMaxBlockBytes)
        m.leftOut.push_back(TooLarge(what, size));
    Bytes block(size <= kMaxBlockBytes ? size : 0);
    if (block.empty() || heif_image_handle_get_metadata(handle, id, block.data()).code)
        return {};
    return block;
}

// The TIFF structure of a HEIF Exif block: behind the offset HEIF puts first and
// JPEG's "Exif\0\0", either of which some writers leave out.
Bytes ExifOfHeifBlock(const Bytes& block)
{
    const auto isTiff = [&](std::size_t at) {
        return StartsWith(block.data() + at, block.size() - at, "II*\0", 4) ||
               StartsWith(block.data() + at, block.size() - at, "MM\0*", 4);
    };
    std::size_t at = 0;
    if (!isTiff(0) && block.size() > 4) {
        at = 4 + ((std::size_t(block[0]) << 24) | (block[1] << 16) | (block[2] << 8) | block[3]);
        if (at < block.size() && StartsWith(block.data() + at, block.size() - at, "Exif\0\0", 6))
            at += 6;
    }
    return at < block.size() && isTiff(at) ? Bytes(block.begin() + std::ptrdiff_t(at), block.end()) : Bytes{};
}

} // namespace

// HEIF and AVIF: the primary picture's Exif block, its XMP and its raw ICC profile.
Metadata ReadHeifMetadata(const std::uint8_t* d, std::size_t n)
{
    Metadata m;
    const std::unique_ptr<heif_context, void (*)(heif_context*)> context(heif_context_alloc(), heif_context_free);
    heif_image_handle* handle = nullptr;
    if (!context || heif_context_read_from_memory_without_copy(context.get(), d, n, nullptr).code ||
        heif_context_get_primary_image_handle(context.get(), &handle).code)
        return m;
    const std::unique_ptr<heif_image_handle, void (*)(const heif_image_handle*)> primary(handle,
                                                                                         heif_image_handle_release);
    heif_item_id id = 0;
    if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) == 1)
        m.exif = ExifOfHeifBlock(HeifBlock(handle, id, "an Exif block", m));
    std::vector<heif_item_id> mime(std::size_t(heif_image_handle_get_number_of_metadata_blocks(handle, "mime")));
    mime.resize(std::size_t(heif_image_handle_get_list_of_metadata_block_IDs(handle, "mime", mime.data(), int(mime.size()))));
    for (const heif_item_id block : mime)
        if (m.xmp.empty() && std::strcmp(heif_image_handle_get_metadata_content_type(handle, block), "application/rdf+xml") == 0)
            m.xmp = HeifBlock(handle, block, "an XMP packet", m);
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
    if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
        const std::size_t size = heif_image_handle_get_raw_color_profile_size(handle);
        if (size > kMaxBlockBytes)
            m.leftOut.push_back(TooLarge("an ICC profile", size));
        m.icc.resize(size <= kMaxBlockBytes ? size : 0);
        if (m.icc.empty() || heif_image_handle_get_raw_color_profile(handle, m.icc.data()).code)
            m.icc.clear();
    }
    return m;
}

namespace {

// A TIFF structure's numbers in its own byte order, every access checked.
class TiffBytes {
public:
    // In the byte order the structure's header says, or the one given (for pieces of one).
    explicit TiffBytes(Bytes& b) : m_b(b), m_little(b.size() >= 2 && b[0] == 'I') {}
    TiffBytes(Bytes& b, bool little) : m_b(b), m_little(little) {}
    bool Little() const { return m_little; }
    bool Fits(std::size_t at, std::size_t n) const { return at <= m_b.size() && n <= m_b.size() - at; }
    std::uint32_t U16(std::size_t at) const
    {
        return m_little ? m_b[at] | (m_b[at + 1] << 8) : (m_b[at] << 8) | m_b[at + 1];
    }
    std::uint32_t U32(std::size_t at) const
    {
        return m_little ? U16(at) | (U16(at + 2) << 16) : (U16(at) << 16) | U16(at + 2);
    }
    void Put16(std::size_t at, std::uint32_t v)
    {
        m_b[at + (m_little ? 0 : 1)] = std::uint8_t(v);
        m_b[at + (m_little ? 1 : 0)] = std::uint8_t(v >> 8);
    }
    void Put32(std::size_t at, std::uint32_t v)
    {
        Put16(at + (m_little ? 0 : 2), v & 0xFFFF);
        Put16(at + (m_little ? 2 : 0), v >> 16);
    }

private:
    Bytes& m_b;
    bool m_little;
};

std::size_t TypeSize(std::uint32_t type)
{
    static constexpr std::size_t kSizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
    return type < std::size(kSizes) ? kSizes[type] : 0;
}

struct Ifd {
    std::size_t at = 0; // where its entry count is
    std::size_t count = 0;
    std::size_t Entry(std::size_t i) const { return at + 2 + 12 * i; }
    std::size_t Next() const { return at + 2 + 12 * count; }
};

// The IFD at `at`, when its entries and next pointer lie inside the structure.
std::optional<Ifd> IfdAt(const TiffBytes& t, std::size_t at)
{
    if (at < 8 || !t.Fits(at, 2))
        return std::nullopt;
    const Ifd ifd{at, t.U16(at)};
    return t.Fits(ifd.at, 2 + 12 * ifd.count + 4) ? std::optional(ifd) : std::nullopt;
}

} // namespace

Bytes ExifForWriting(const Bytes& exif, int width, int height)
{
    Bytes out = exif;
    TiffBytes t(out);
    if (out.size() < 8 || !(std::memcmp(out.data(), "II*\0", 4) == 0 || std::memcmp(out.data(), "MM\0*", 4) == 0))
        return {};
    const std::optional<Ifd> ifd0 = IfdAt(t, t.U32(4));
    if (!ifd0)
        return {};
    std::size_t end = ifd0->Next() + 4; // the end of everything still referenced
    std::vector<Ifd> kept{*ifd0};
    // Each IFD's values that lie outside it extend what is referenced.
    const auto walk = [&](const Ifd& ifd, const auto& onEntry) {
        for (std::size_t i = 0; i < ifd.count; ++i) {
            const std::size_t e = ifd.Entry(i);
            const std::uint32_t tag = t.U16(e), type = t.U16(e + 2), count = t.U32(e + 4);
            const std::size_t bytes = TypeSize(type) * count;
            if (bytes > 4 && count < (1u << 28) && t.Fits(t.U32(e + 8), bytes))
                end = std::max(end, std::size_t(t.U32(e + 8)) + bytes);
            onEntry(tag, type, count, e);
        }
    };
    std::vector<std::size_t> subIfds;
    walk(*ifd0, [&](std::uint32_t tag, std::uint32_t type, std::uint32_t count, std::size_t e) {
        if (tag == 0x0112 && type == 3 && count == 1) // the orientation: the pixels are upright now
            t.Put16(e + 8, 1);
        if ((tag == 0x8769 || tag == 0x8825) && count == 1) // the EXIF and GPS IFDs
            subIfds.push_back(t.U32(e + 8));
    });
    for (std::size_t i = 0; i < subIfds.size(); ++i) {
        const std::optional<Ifd> sub = IfdAt(t, subIfds[i]);
        if (!sub || std::any_of(kept.begin(), kept.end(), [&](const Ifd& k) { return k.at == sub->at; }))
            continue; // damaged, or a loop
        kept.push_back(*sub);
        end = std::max(end, sub->Next() + 4);
        walk(*sub, [&](std::uint32_t tag, std::uint32_t type, std::uint32_t count, std::size_t e) {
            const bool x = tag == 0xA002, y = tag == 0xA003;
            const std::uint32_t side = x ? std::uint32_t(width) : std::uint32_t(height);
            if ((x || y) && count == 1 && type == 3 && side <= 0xFFFF)
                t.Put16(e + 8, side);
            else if ((x || y) && count == 1 && type == 4)
                t.Put32(e + 8, side);
            if (tag == 0xA005 && count == 1) // the interoperability IFD
                subIfds.push_back(t.U32(e + 8));
        });
    }
    // The thumbnail's IFD is unlinked; where it and its picture were the last things in
    // the structure (as cameras write it), they are cut off.
    const std::size_t ifd1 = t.U32(ifd0->Next());
    t.Put32(ifd0->Next(), 0);
    if (ifd1 >= end && end <= out.size())
        out.resize(end);
    return out;
}

bool ProfileFits(const Bytes& icc, bool grey)
{
    if (icc.size() < 128)
        return false;
    return std::memcmp(icc.data() + 16, grey ? "GRAY" : "RGB ", 4) == 0;
}

Metadata MetadataForWriting(const Metadata& photo, int width, int height, bool grey)
{
    Metadata written;
    written.exif = ExifForWriting(photo.exif, width, height);
    if (ProfileFits(photo.icc, grey))
        written.icc = photo.icc;
    written.xmp = XmpForWriting(photo.xmp, width, height);
    written.iptc = photo.iptc;
    return written;
}

namespace {

// The tags of a photo's first IFD that describe the photo rather than its pixels,
// carried into a TIFF's own first IFD, with the pointers to the EXIF and GPS IFDs.
constexpr std::uint32_t kCarriedTags[] = {0x010E, 0x010F, 0x0110, 0x0131, 0x0132, 0x013B, 0x8298, 0x8769, 0x8825};

bool IsPointer(std::uint32_t tag) { return tag == 0x8769 || tag == 0x8825 || tag == 0xA005; }

struct Entry {
    std::uint32_t tag;
    std::array<std::uint8_t, 12> raw;
};

// Appends `bytes` to `out` at an even offset (TIFF's word boundary); where they went.
std::size_t Append(Bytes& out, const std::uint8_t* bytes, std::size_t n)
{
    if (out.size() % 2)
        out.push_back(0);
    const std::size_t at = out.size();
    out.insert(out.end(), bytes, bytes + n);
    return at;
}

class IfdCopier {
public:
    IfdCopier(Bytes& source, Bytes& out) : m_src(source), m_out(out), m_s(source) {}

    // The entry at `e` of the source, its values (and any IFD it points to) copied to
    // the end of `out`; nothing when it is damaged.
    std::optional<Entry> Copy(std::size_t e, int depth)
    {
        Entry entry{m_s.U16(e), {}};
        std::copy_n(m_src.begin() + std::ptrdiff_t(e), 12, entry.raw.begin());
        const std::uint32_t type = m_s.U16(e + 2), count = m_s.U32(e + 4);
        const std::size_t bytes = TypeSize(type) * count;
        if (TypeSize(type) == 0 || count >= (1u << 28))
            return std::nullopt;
        std::uint32_t value = m_s.U32(e + 8);
        if (IsPointer(entry.tag)) {
            const std::optional<std::size_t> at = depth < 3 ? CopyIfd(value, depth + 1) : std::nullopt;
            if (!at)
                return std::nullopt;
            value = std::uint32_t(*at);
        } else if (bytes > 4) {
            if (!m_s.Fits(value, bytes))
                return std::nullopt;
            value = std::uint32_t(Append(m_out, m_src.data() + value, bytes));
        } else {
            return entry;
        }
        Bytes tail(entry.raw.begin(), entry.raw.end());
        TiffBytes t(tail, m_s.Little());
        t.Put32(8, value);
        std::copy(tail.begin(), tail.end(), entry.raw.begin());
        return entry;
    }

    // The source's IFD at `at` copied whole (values first) to the end of `out`.
    std::optional<std::size_t> CopyIfd(std::size_t at, int depth)
    {
        const std::optional<Ifd> ifd = IfdAt(m_s, at);
        if (!ifd)
            return std::nullopt;
        std::vector<Entry> entries;
        for (std::size_t i = 0; i < ifd->count; ++i)
            if (const std::optional<Entry> entry = Copy(ifd->Entry(i), depth))
                entries.push_back(*entry);
        return Write(entries);
    }

    // An IFD of `entries` (sorted by tag, no next IFD) at the end of `out`.
    std::size_t Write(std::vector<Entry> entries)
    {
        std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
        Bytes ifd(2 + 12 * entries.size() + 4, 0);
        TiffBytes t(ifd, m_s.Little());
        t.Put16(0, std::uint32_t(entries.size()));
        for (std::size_t i = 0; i < entries.size(); ++i)
            std::copy(entries[i].raw.begin(), entries[i].raw.end(), ifd.begin() + std::ptrdiff_t(2 + 12 * i));
        return Append(m_out, ifd.data(), ifd.size());
    }

private:
    Bytes& m_src;
    Bytes& m_out;
    TiffBytes m_s;
};

} // namespace

Bytes TiffWithExif(Bytes tiff, Bytes exif)
{
    if (tiff.size() < 8 || exif.size() < 8 || tiff[0] != exif[0] || tiff[1] != exif[1])
        return tiff;
    TiffBytes t(tiff), x(exif);
    const std::optional<Ifd> own = IfdAt(t, t.U32(4));
    const std::optional<Ifd> photo = IfdAt(x, x.U32(4));
    if (!own || !photo || t.U32(own->Next()) != 0)
        return tiff; // one picture a file is all this writes
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < own->count; ++i) {
        Entry entry{t.U16(own->Entry(i)), {}};
        std::copy_n(tiff.begin() + std::ptrdiff_t(own->Entry(i)), 12, entry.raw.begin());
        entries.push_back(entry); // their values stay where they are
    }
    IfdCopier copier(exif, tiff);
    for (std::size_t i = 0; i < photo->count; ++i) {
        const std::uint32_t tag = x.U16(photo->Entry(i));
        const bool carried = std::find(std::begin(kCarriedTags), std::end(kCarriedTags), tag) != std::end(kCarriedTags);
        const bool present = std::any_of(entries.begin(), entries.end(), [&](const Entry& e) { return e.tag == tag; });
        if (carried && !present)
            if (const std::optional<Entry> entry = copier.Copy(photo->Entry(i), 0))
                entries.push_back(*entry);
    }
    const std::size_t ifd0 = copier.Write(entries);
    TiffBytes(tiff).Put32(4, std::uint32_t(ifd0));
    return tiff;
}

} // namespace media
