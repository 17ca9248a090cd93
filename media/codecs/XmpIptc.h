#pragma once
// XMP packets and IPTC-IIM records, where photos keep their keywords, captions,
// places and the dates some programs write nowhere else: the wrappers the formats put
// around them, and the XMP made true of a picture written upright at a new size.
#include "media/codecs/Codecs.h"

#include <string>
#include <string_view>

namespace media {

// The signature in front of a JPEG APP1 segment's XMP packet and of APP13's
// Photoshop resources.
inline constexpr std::string_view kJpegXmpName{"http://ns.adobe.com/xap/1.0/\0", 29};
inline constexpr std::string_view kJpegPhotoshopName{"Photoshop 3.0\0", 14};

// The IPTC-IIM records of a block of Photoshop resources (resource 0x0404); empty
// without them or where the block is damaged.
Bytes IptcOfPhotoshop(const std::uint8_t* data, std::size_t size);

// A block of Photoshop resources holding `iptc` as its only resource.
Bytes PhotoshopOfIptc(const Bytes& iptc);

// A PNG text chunk's "Raw profile type NAME" value, which ImageMagick and exiftool
// read: the name, the byte count and the bytes in hexadecimal lines.
std::string RawProfileText(std::string_view name, const Bytes& bytes);

// The bytes of such a value; empty when it is damaged.
Bytes BytesOfRawProfile(std::string_view text);

// The XMP to write with a picture of `width` × `height` that is already upright:
// tiff:Orientation 1 and the pixel sizes set where the packet states them, every
// other byte as it was.
Bytes XmpForWriting(const Bytes& xmp, int width, int height);

} // namespace media
