#pragma once
// The two phases of every decoder. The header step reads what the file claims (size,
// depth, palette) and how densely its picture data could at most be stored; one
// driver checks that claim, and only then does the pixel step allocate and decode.
// A small damaged or hostile file then cannot make a decoder ask for gigabytes.
#include "media/Result.h"
#include "media/codecs/ByteReader.h"
#include "media/codecs/Codecs.h"

#include <cstdint>
#include <string>

namespace media {

// What a header claims: `dataBytes` of picture data (rows as the format lays them
// out) for a width × height picture, carried by `available` bytes of the file at up
// to `maxRatio` data bytes per file byte.
struct Claim {
    std::int64_t width = 0, height = 0;
    double dataBytes = 0;
    std::size_t available = 0;
    double maxRatio = 1;
};

// "Invalid <format> image: <why>", the failure every decoder gives.
Failure InvalidImage(ImageFormat format, const std::string& why, FailureKind kind = FailureKind::BadData);

// A size no picture may have, or data the file cannot hold: "claims W × H pixels,
// the file holds N bytes" (N the whole file's size).
Result<void> CheckClaim(ImageFormat format, const Claim& claim, std::size_t fileBytes);

// Runs a decoder's header step, checks its claim, then runs its pixel step with the
// header. `Header` has a `claim` member.
template <class ReadHeader, class ReadPixels>
Result<Image> DecodeInPhases(ImageFormat format, std::size_t fileBytes, ReadHeader&& readHeader,
                             ReadPixels&& readPixels)
{
    auto header = readHeader();
    if (!header)
        return header.Error();
    MEDIA_TRY(CheckClaim(format, header->claim, fileBytes));
    return readPixels(*header);
}

// The same for the formats read here byte by byte: both steps read the file's bytes
// through one ByteReader.
template <class ReadHeader, class ReadPixels>
Result<Image> DecodeBytesInPhases(ImageFormat format, const std::uint8_t* data, std::size_t size,
                                  ReadHeader readHeader, ReadPixels readPixels)
{
    const ByteReader in(data, size);
    return DecodeInPhases(
        format, size, [&] { return readHeader(in); }, [&](const auto& header) { return readPixels(in, header); });
}

// A header step's facts, once its claim is checked: `facts` fills the rest of the
// ImageHeader from the format's own header.
template <class Header, class Facts>
Result<ImageHeader> HeaderOf(ImageFormat format, std::size_t fileBytes, Result<Header> header, Facts&& facts)
{
    if (!header)
        return header.Error();
    MEDIA_TRY(CheckClaim(format, header->claim, fileBytes));
    ImageHeader h;
    h.width = int(header->claim.width);
    h.height = int(header->claim.height);
    facts(*header, h);
    return h;
}

// The densest each kind of data gets, in data bytes per file byte.
namespace density {
// Uncompressed rows; a file cut short may lack up to half of them.
inline constexpr double kUncompressed = 2;
// PCX runs: two bytes stand for up to 63.
inline constexpr double kPcxRle = 31.5;
// Deflate cannot expand more than about 1032 : 1.
inline constexpr double kDeflate = 1032;
// Each 8 × 8 JPEG block takes at least one bit of Huffman code: 512 pixels a byte
// of grey; arithmetic coding gets further.
inline constexpr double kJpegPixelsPerByte = 512;
inline constexpr double kJpegArithmeticPixelsPerByte = 8192;
// Pictures coded by prediction and entropy coding (WebP, HEIF, AVIF): one colour or
// blocks that repeat the one before cost almost nothing, so the bound is loose; it
// still keeps a file of a few hundred bytes from claiming the largest picture.
inline constexpr double kEntropyCodedPixelsPerByte = 65536;
} // namespace density

} // namespace media
