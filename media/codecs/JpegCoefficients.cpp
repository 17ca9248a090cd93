// A JPEG written again from its quantized DCT coefficients, its pixels never decoded:
// each coefficient rounded to the step of the quality asked for (where the source's
// step is coarser it stays: a finer step would only invent detail), quarter turns
// done on the coefficients (blocks moved, transposed, odd frequencies negated).
#include "media/codecs/JpegCoefficients.h"

#include "media/codecs/JpegLib.h"
#include "media/codecs/Metadata.h"

#include <algorithm>
#include <array>

// libjpeg reports errors by longjmp; nothing that is read after the jump is changed
// between setjmp and the jump, so the compiler's warning about it does not apply.
#pragma GCC diagnostic ignored "-Wclobbered"

namespace media {

namespace {

using Table = std::array<UINT16, DCTSIZE2>;

// A block's coefficients, quantized with one table, on a coarser one: `ratio` is
// each entry's old step ÷ new step. A value rounds away from zero only from 0.8 of
// a step on: most coefficients are small and their distribution peaked, so this
// costs little error and saves much size (camera-like frames: files no larger than
// libjpeg's own encoding of the decoded frame at that quality, and 2.5–5 dB closer
// to the frame; rounding at the half made them up to 16 % larger). No branches, so
// that the compiler makes vector code of it (zeros stay zeros, a ratio of 1 keeps
// the value).
inline void Requantize(const JCOEF* in, const float* ratio, JCOEF* out)
{
    for (int k = 0; k < DCTSIZE2; ++k) {
        const int c = in[k];
        const int magnitude = int(float(c < 0 ? -c : c) * ratio[k] + 0.2f);
        out[k] = JCOEF(c < 0 ? -magnitude : magnitude);
    }
}

// Each entry's old step ÷ new step.
std::array<float, DCTSIZE2> Ratios(const Table& from, const Table& to)
{
    std::array<float, DCTSIZE2> ratios{};
    for (std::size_t k = 0; k < DCTSIZE2; ++k)
        ratios[k] = float(from[k]) / float(to[k]);
    return ratios;
}

// Where block (row, column) of the turned picture comes from, and how its
// coefficient (v, u) is found there: `turns` quarter turns clockwise of a component
// `rows` × `columns` blocks large.
struct Turn {
    int turns;
    JDIMENSION rows, columns; // of the source

    void SourceBlock(JDIMENSION row, JDIMENSION column, JDIMENSION& fromRow, JDIMENSION& fromColumn) const
    {
        switch (turns) {
        case 1: fromRow = rows - 1 - column, fromColumn = row; break;
        case 2: fromRow = rows - 1 - row, fromColumn = columns - 1 - column; break;
        case 3: fromRow = column, fromColumn = columns - 1 - row; break;
        default: fromRow = row, fromColumn = column;
        }
    }
    // The source's index of the turned block's coefficient (v, u), and its sign.
    int SourceIndex(int v, int u, bool& negate) const
    {
        switch (turns) {
        case 1: negate = u % 2; return u * DCTSIZE + v;
        case 2: negate = (u + v) % 2; return v * DCTSIZE + u;
        case 3: negate = v % 2; return u * DCTSIZE + v;
        default: negate = false; return v * DCTSIZE + u;
        }
    }
};

// The standard Huffman tables (those Motion JPEG leaves out) as one DHT segment, as
// libjpeg installs them.
const Bytes& StandardHuffmanSegment()
{
    static const Bytes segment = [] {
        jpeg_compress_struct cinfo{};
        const jpeg::CompressOwner owner(cinfo);
        jpeg_error_mgr err{};
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_compress(&cinfo);
        cinfo.in_color_space = JCS_YCbCr;
        cinfo.input_components = 3;
        jpeg_set_defaults(&cinfo);
        Bytes body;
        for (int ac = 0; ac < 2; ++ac)
            for (int id = 0; id < 2; ++id) {
                const JHUFF_TBL* table = ac ? cinfo.ac_huff_tbl_ptrs[id] : cinfo.dc_huff_tbl_ptrs[id];
                body.push_back(std::uint8_t(ac << 4 | id));
                int count = 0;
                for (int n = 1; n <= 16; ++n)
                    body.push_back(table->bits[n]), count += table->bits[n];
                body.insert(body.end(), table->huffval, table->huffval + count);
            }
        // The marker and the length in front (written one by one: GCC 12 takes an
        // insert after a four-byte list for an overflow).
        Bytes dht;
        dht.reserve(body.size() + 4);
        for (const std::size_t byte : {std::size_t(0xFF), std::size_t(0xC4), (body.size() + 2) >> 8, (body.size() + 2) & 0xFF})
            dht.push_back(std::uint8_t(byte));
        dht.insert(dht.end(), body.begin(), body.end());
        return dht;
    }();
    return segment;
}

// A baseline frame whose steps all stay, as a file: its own tables, frame header and
// coded data, the standard Huffman tables where it leaves them out, and the photo's
// markers in place of its own; none for any other layout.
std::optional<Bytes> CopiedFrame(const std::uint8_t* data, std::size_t size, const Metadata* markers)
{
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return std::nullopt;
    Bytes out = {0xFF, 0xD8};
    if (jpeg::WritesExif(markers)) {
        const Bytes app1 = jpeg::ExifSegmentBody(*markers);
        const std::size_t length = app1.size() + 2;
        out.insert(out.end(), {0xFF, 0xE1, std::uint8_t(length >> 8), std::uint8_t(length & 0xFF)});
        out.insert(out.end(), app1.begin(), app1.end());
    } else { // the JFIF header libjpeg writes
        out.insert(out.end(), {0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
    }
    bool huffman = false;
    for (std::size_t at = 2; at + 4 <= size;) {
        const int marker = data[at + 1];
        if (data[at] != 0xFF)
            return std::nullopt;
        if (marker == 0xFF) { // fill
            ++at;
            continue;
        }
        const std::size_t length = std::size_t(data[at + 2]) << 8 | data[at + 3];
        if (length < 2 || at + 2 + length > size)
            return std::nullopt;
        if (marker == 0xDA) { // the scan: to the last end marker
            if (!huffman)
                out.insert(out.end(), StandardHuffmanSegment().begin(), StandardHuffmanSegment().end());
            std::size_t end = size;
            while (end >= at + 4 && !(data[end - 2] == 0xFF && data[end - 1] == 0xD9))
                --end;
            if (end < at + 4)
                return std::nullopt;
            out.insert(out.end(), data + at, data + end);
            return out;
        }
        const bool kept = marker == 0xDB || marker == 0xC0 || marker == 0xC1 || marker == 0xC4 || marker == 0xDD;
        if (kept)
            out.insert(out.end(), data + at, data + at + 2 + length);
        else if (!(marker >= 0xE0 && marker <= 0xEF) && marker != 0xFE) // other than APPn and comments
            return std::nullopt;
        huffman = huffman || marker == 0xC4;
        at += 2 + length;
    }
    return std::nullopt;
}

// 8-bit Huffman-coded grey or Y'CbCr of the expected size only; turned, only pictures
// of whole units (the blocks of a partial last row or column would land on the far
// edge).
bool Acceptable(const jpeg_decompress_struct& src, const CoefficientWrite& how, int turns)
{
    const bool colour = src.num_components == 3 && src.jpeg_color_space == JCS_YCbCr;
    if (src.arith_code || src.data_precision != 8 || !(colour || src.num_components == 1) ||
        int(src.image_width) != how.width || int(src.image_height) != how.height)
        return false;
    return !turns || (src.image_width % (src.max_h_samp_factor * DCTSIZE) == 0 &&
                      src.image_height % (src.max_v_samp_factor * DCTSIZE) == 0);
}

// The turned components' arrays, asked for before the source's are made; none
// without a turn.
std::array<jvirt_barray_ptr, MAX_COMPONENTS> TurnedArrays(jpeg_decompress_struct& src, int turns)
{
    std::array<jvirt_barray_ptr, MAX_COMPONENTS> turned{};
    const bool across = turns % 2; // a quarter turn: rows become columns
    if (turns)
        for (int c = 0; c < src.num_components; ++c) {
            const jpeg_component_info& comp = src.comp_info[c];
            turned[std::size_t(c)] = (*src.mem->request_virt_barray)(
                reinterpret_cast<j_common_ptr>(&src), JPOOL_IMAGE, FALSE,
                across ? comp.height_in_blocks : comp.width_in_blocks,
                across ? comp.width_in_blocks : comp.height_in_blocks, JDIMENSION(across ? comp.h_samp_factor
                                                                                          : comp.v_samp_factor));
        }
    return turned;
}

// The source's quantization steps and the ones written: the quality's tables
// (libjpeg's standard ones scaled), each step no finer than the source's, each
// component its own (a camera may quantize luma and chroma with one): luma's standard
// for the first, chroma's for the others.
struct Steps {
    std::array<Table, NUM_QUANT_TBLS> before{};
    std::array<Table, MAX_COMPONENTS> after{};
    bool stay = true; // every step written is the source's
};

std::optional<Steps> StepsFor(const jpeg_decompress_struct& src, jpeg_compress_struct& dst, JpegQuality quality)
{
    Steps steps;
    for (int t = 0; t < NUM_QUANT_TBLS; ++t)
        if (src.quant_tbl_ptrs[t])
            std::copy_n(src.quant_tbl_ptrs[t]->quantval, DCTSIZE2, steps.before[std::size_t(t)].begin());
    jpeg_set_quality(&dst, EncodingOf(quality).quality, TRUE);
    const auto standard = [&](int slot) {
        Table t{};
        std::copy_n(dst.quant_tbl_ptrs[slot]->quantval, DCTSIZE2, t.begin());
        return t;
    };
    const Table luma = standard(0), chroma = standard(1);
    for (int c = 0; c < src.num_components; ++c) {
        // A frame header may name a table slot libjpeg has not checked yet.
        const int slot = src.comp_info[c].quant_tbl_no;
        if (slot < 0 || slot >= NUM_QUANT_TBLS || !src.quant_tbl_ptrs[slot])
            return std::nullopt;
        const Table& scaled = c == 0 ? luma : chroma;
        Table& after = steps.after[std::size_t(c)];
        for (std::size_t k = 0; k < DCTSIZE2; ++k)
            after[k] = std::max(scaled[k], steps.before[std::size_t(slot)][k]);
        steps.stay = steps.stay && after == steps.before[std::size_t(slot)];
    }
    return steps;
}

// The written file's tables and size: the tables go with the frequencies (a quarter
// turn makes vertical ones horizontal), and a quarter turn swaps the sides.
void SetWrittenLayout(jpeg_compress_struct& dst, const Steps& steps, int components, bool across)
{
    for (int c = 0; c < components; ++c) {
        if (!dst.quant_tbl_ptrs[c])
            dst.quant_tbl_ptrs[c] = jpeg_alloc_quant_table(reinterpret_cast<j_common_ptr>(&dst));
        for (int v = 0; v < DCTSIZE; ++v)
            for (int u = 0; u < DCTSIZE; ++u)
                dst.quant_tbl_ptrs[c]->quantval[v * DCTSIZE + u] =
                    steps.after[std::size_t(c)][std::size_t(across ? u * DCTSIZE + v : v * DCTSIZE + u)];
        dst.comp_info[c].quant_tbl_no = c;
    }
    if (across) {
        std::swap(dst.image_width, dst.image_height);
        for (int c = 0; c < dst.num_components; ++c)
            std::swap(dst.comp_info[c].h_samp_factor, dst.comp_info[c].v_samp_factor);
    }
}

// One component's blocks requantized where they are.
void RequantizeInPlace(jpeg_decompress_struct& src, jvirt_barray_ptr blocks, const jpeg_component_info& comp,
                       const std::array<float, DCTSIZE2>& ratio)
{
    // Where no step grows (the source is as coarse as the quality), nothing to do.
    if (std::all_of(ratio.begin(), ratio.end(), [](float r) { return r == 1.f; }))
        return;
    const j_common_ptr common = reinterpret_cast<j_common_ptr>(&src);
    for (JDIMENSION row = 0; row < comp.height_in_blocks; ++row) {
        JBLOCKROW line = (*src.mem->access_virt_barray)(common, blocks, row, 1, TRUE)[0];
        for (JDIMENSION column = 0; column < comp.width_in_blocks; ++column)
            Requantize(line[column], ratio.data(), line[column]);
    }
}

// One component's blocks requantized where they were and moved into `turned`: the
// turned table holds each step at its new place.
void RequantizeTurned(jpeg_decompress_struct& src, jvirt_barray_ptr blocks, jvirt_barray_ptr turned,
                      const jpeg_component_info& comp, const std::array<float, DCTSIZE2>& ratio, int turns)
{
    const j_common_ptr common = reinterpret_cast<j_common_ptr>(&src);
    const bool across = turns % 2;
    const Turn turn{turns, comp.height_in_blocks, comp.width_in_blocks};
    const JDIMENSION rows = across ? comp.width_in_blocks : comp.height_in_blocks;
    const JDIMENSION columns = across ? comp.height_in_blocks : comp.width_in_blocks;
    for (JDIMENSION row = 0; row < rows; ++row) {
        JBLOCKROW out = (*src.mem->access_virt_barray)(common, turned, row, 1, TRUE)[0];
        for (JDIMENSION column = 0; column < columns; ++column) {
            JDIMENSION fromRow = 0, fromColumn = 0;
            turn.SourceBlock(row, column, fromRow, fromColumn);
            JCOEF in[DCTSIZE2];
            Requantize((*src.mem->access_virt_barray)(common, blocks, fromRow, 1, FALSE)[0][fromColumn], ratio.data(),
                       in);
            for (int v = 0; v < DCTSIZE; ++v)
                for (int u = 0; u < DCTSIZE; ++u) {
                    bool negate = false;
                    const JCOEF value = in[turn.SourceIndex(v, u, negate)];
                    out[column][v * DCTSIZE + u] = negate ? JCOEF(-value) : value;
                }
        }
    }
}

} // namespace

std::optional<Bytes> RewriteJpegCoefficients(const std::uint8_t* data, std::size_t size, const CoefficientWrite& how)
{
    jpeg_decompress_struct src{};
    const jpeg::DecompressOwner srcOwner(src);
    jpeg::OutputBuffer buffer;
    jpeg_compress_struct dst{};
    const jpeg::CompressOwner dstOwner(dst);
    jpeg::ErrorManager err{};
    if (setjmp(err.jump))
        return std::nullopt; // damaged or unusual: the pixel route reads it as far as it goes
    jpeg::Attach(reinterpret_cast<j_common_ptr>(&src), err);
    jpeg_create_decompress(&src);
    jpeg_mem_src(&src, data, static_cast<unsigned long>(size));
    const int turns = ((how.quarterTurns % 4) + 4) % 4;
    if (jpeg_read_header(&src, TRUE) != JPEG_HEADER_OK || !Acceptable(src, how, turns))
        return std::nullopt;
    const bool across = turns % 2;
    std::array<jvirt_barray_ptr, MAX_COMPONENTS> turned = TurnedArrays(src, turns);
    jpeg::Attach(reinterpret_cast<j_common_ptr>(&dst), err);
    jpeg_create_compress(&dst);
    const std::optional<Steps> steps = StepsFor(src, dst, how.quality);
    if (!steps)
        return std::nullopt;
    // The EXIF made true of the picture written (its size), as the pixel route makes it.
    Metadata written;
    if (how.metadata)
        written.exif = ExifForWriting(how.metadata->exif, int(across ? src.image_height : src.image_width),
                                      int(across ? src.image_width : src.image_height));
    const Metadata* markers = written.exif.empty() ? nullptr : &written;
    // Every step stays, nothing turns, baseline in and out: the coefficients would be
    // written as they are, so the frame's own coded data is the file.
    if (steps->stay && !turns && !how.progressive && !src.progressive_mode)
        if (std::optional<Bytes> copied = CopiedFrame(data, size, markers))
            return copied;
    jvirt_barray_ptr* coefficients = jpeg_read_coefficients(&src);
    if (!coefficients || err.base.num_warnings > 0)
        return std::nullopt;
    jpeg_mem_dest(&dst, &buffer.data, &buffer.length);
    jpeg_copy_critical_parameters(&src, &dst);
    SetWrittenLayout(dst, *steps, src.num_components, across);
    // Every block requantized (and moved, where the picture turns).
    for (int c = 0; c < src.num_components; ++c) {
        const jpeg_component_info& comp = src.comp_info[c];
        const std::array<float, DCTSIZE2> ratio =
            Ratios(steps->before[std::size_t(comp.quant_tbl_no)], steps->after[std::size_t(c)]);
        if (turned[std::size_t(c)])
            RequantizeTurned(src, coefficients[c], turned[std::size_t(c)], comp, ratio, turns);
        else
            RequantizeInPlace(src, coefficients[c], comp, ratio);
    }
    if (how.progressive)
        jpeg_simple_progression(&dst);
    dst.optimize_coding = FALSE;
    dst.write_JFIF_header = !jpeg::WritesExif(markers);
    jpeg_write_coefficients(&dst, turned[0] ? turned.data() : coefficients);
    jpeg::WriteMarkers(dst, markers);
    jpeg_finish_compress(&dst);
    return Bytes(buffer.data, buffer.data + buffer.length);
}

} // namespace media
