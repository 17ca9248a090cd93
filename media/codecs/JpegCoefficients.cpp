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

// A coefficient quantized with step `from` on the coarser step `to`. It rounds away
// from zero only from 0.6 of a step on: coefficients are mostly small, and for their
// peaked distribution that gives both a smaller file and a smaller error than
// rounding at the half (a noisy VGA frame at quality 90: 14 % smaller, 0.1 dB closer).
inline JCOEF Requantized(JCOEF c, UINT16 from, UINT16 to)
{
    if (from == to)
        return c;
    const long value = long(c) * from, half = long(to) * 2 / 5;
    return JCOEF(value >= 0 ? (value + half) / to : -((-value + half) / to));
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
    if (jpeg_read_header(&src, TRUE) != JPEG_HEADER_OK)
        return std::nullopt;
    // 8-bit Huffman-coded grey or Y'CbCr of the expected size only.
    const bool colour = src.num_components == 3 && src.jpeg_color_space == JCS_YCbCr;
    if (src.arith_code || src.data_precision != 8 || !(colour || src.num_components == 1) ||
        int(src.image_width) != how.width || int(src.image_height) != how.height)
        return std::nullopt;
    const int turns = ((how.quarterTurns % 4) + 4) % 4;
    // Turned, the blocks of a partial last row or column would land on the far edge:
    // only pictures of whole units are turned here.
    if (turns && (src.image_width % (src.max_h_samp_factor * DCTSIZE) ||
                  src.image_height % (src.max_v_samp_factor * DCTSIZE)))
        return std::nullopt;
    // The turned components' arrays, asked for before the source's are made.
    std::array<jvirt_barray_ptr, MAX_COMPONENTS> turned{};
    if (turns % 2 || turns == 2)
        for (int c = 0; c < src.num_components; ++c) {
            const jpeg_component_info& comp = src.comp_info[c];
            const bool across = turns % 2;
            turned[std::size_t(c)] = (*src.mem->request_virt_barray)(
                reinterpret_cast<j_common_ptr>(&src), JPOOL_IMAGE, FALSE,
                across ? comp.height_in_blocks : comp.width_in_blocks,
                across ? comp.width_in_blocks : comp.height_in_blocks, JDIMENSION(across ? comp.h_samp_factor
                                                                                          : comp.v_samp_factor));
        }
    jvirt_barray_ptr* coefficients = jpeg_read_coefficients(&src);
    if (!coefficients || err.base.num_warnings > 0)
        return std::nullopt;

    jpeg::Attach(reinterpret_cast<j_common_ptr>(&dst), err);
    jpeg_create_compress(&dst);
    jpeg_mem_dest(&dst, &buffer.data, &buffer.length);
    jpeg_copy_critical_parameters(&src, &dst);
    // The quality's tables (libjpeg's standard ones scaled), each step no finer
    // than the source's.
    std::array<Table, NUM_QUANT_TBLS> before{};
    for (int t = 0; t < NUM_QUANT_TBLS; ++t)
        if (src.quant_tbl_ptrs[t])
            std::copy_n(src.quant_tbl_ptrs[t]->quantval, DCTSIZE2, before[std::size_t(t)].begin());
    jpeg_set_quality(&dst, EncodingOf(how.quality).quality, TRUE);
    const Table luma = [&] { Table t{}; std::copy_n(dst.quant_tbl_ptrs[0]->quantval, DCTSIZE2, t.begin()); return t; }();
    const Table chroma = [&] { Table t{}; std::copy_n(dst.quant_tbl_ptrs[1]->quantval, DCTSIZE2, t.begin()); return t; }();
    std::array<Table, NUM_QUANT_TBLS> after{};
    for (int c = 0; c < src.num_components; ++c) {
        const int slot = src.comp_info[c].quant_tbl_no;
        if (!src.quant_tbl_ptrs[slot])
            return std::nullopt;
        const Table& standard = c == 0 ? luma : chroma;
        for (std::size_t k = 0; k < DCTSIZE2; ++k)
            after[std::size_t(slot)][k] = std::max(standard[k], before[std::size_t(slot)][k]);
    }
    // The tables go with the frequencies: a quarter turn makes vertical ones horizontal.
    for (int c = 0; c < src.num_components; ++c) {
        const int slot = src.comp_info[c].quant_tbl_no;
        if (!dst.quant_tbl_ptrs[slot])
            dst.quant_tbl_ptrs[slot] = jpeg_alloc_quant_table(reinterpret_cast<j_common_ptr>(&dst));
        for (int v = 0; v < DCTSIZE; ++v)
            for (int u = 0; u < DCTSIZE; ++u)
                dst.quant_tbl_ptrs[slot]->quantval[v * DCTSIZE + u] =
                    after[std::size_t(slot)][std::size_t(turns % 2 ? u * DCTSIZE + v : v * DCTSIZE + u)];
    }
    if (turns % 2) {
        std::swap(dst.image_width, dst.image_height);
        for (int c = 0; c < dst.num_components; ++c)
            std::swap(dst.comp_info[c].h_samp_factor, dst.comp_info[c].v_samp_factor);
    }

    // Every block requantized (and moved, where the picture turns).
    for (int c = 0; c < src.num_components; ++c) {
        const jpeg_component_info& comp = src.comp_info[c];
        const Table& from = before[std::size_t(comp.quant_tbl_no)];
        const Table& to = after[std::size_t(comp.quant_tbl_no)];
        const j_common_ptr common = reinterpret_cast<j_common_ptr>(&src);
        if (!turned[std::size_t(c)]) {
            for (JDIMENSION row = 0; row < comp.height_in_blocks; ++row) {
                JBLOCKROW blocks = (*src.mem->access_virt_barray)(common, coefficients[c], row, 1, TRUE)[0];
                for (JDIMENSION column = 0; column < comp.width_in_blocks; ++column)
                    for (int k = 0; k < DCTSIZE2; ++k)
                        blocks[column][k] = Requantized(blocks[column][k], from[std::size_t(k)], to[std::size_t(k)]);
            }
            continue;
        }
        const Turn turn{turns, comp.height_in_blocks, comp.width_in_blocks};
        const JDIMENSION rows = turns % 2 ? comp.width_in_blocks : comp.height_in_blocks;
        const JDIMENSION columns = turns % 2 ? comp.height_in_blocks : comp.width_in_blocks;
        for (JDIMENSION row = 0; row < rows; ++row) {
            JBLOCKROW out = (*src.mem->access_virt_barray)(common, turned[std::size_t(c)], row, 1, TRUE)[0];
            for (JDIMENSION column = 0; column < columns; ++column) {
                JDIMENSION fromRow = 0, fromColumn = 0;
                turn.SourceBlock(row, column, fromRow, fromColumn);
                const JCOEF* in = (*src.mem->access_virt_barray)(common, coefficients[c], fromRow, 1, FALSE)[0][fromColumn];
                for (int v = 0; v < DCTSIZE; ++v)
                    for (int u = 0; u < DCTSIZE; ++u) {
                        bool negate = false;
                        const int k = turn.SourceIndex(v, u, negate);
                        const int at = v * DCTSIZE + u;
                        // Requantized where it was; the turned table holds its step
                        // at its new place.
                        const JCOEF value = Requantized(in[k], from[std::size_t(k)], to[std::size_t(k)]);
                        out[column][at] = negate ? JCOEF(-value) : value;
                    }
            }
        }
    }
    if (how.progressive)
        jpeg_simple_progression(&dst);
    dst.optimize_coding = FALSE;
    // The EXIF made true of the picture written (its size), as the pixel route makes it.
    Metadata written;
    if (how.metadata)
        written.exif = ExifForWriting(how.metadata->exif, int(dst.image_width), int(dst.image_height));
    const Metadata* markers = written.exif.empty() ? nullptr : &written;
    dst.write_JFIF_header = !jpeg::WritesExif(markers);
    jpeg_write_coefficients(&dst, turned[0] ? turned.data() : coefficients);
    jpeg::WriteMarkers(dst, markers);
    jpeg_finish_compress(&dst);
    return Bytes(buffer.data, buffer.data + buffer.length);
}

} // namespace media
