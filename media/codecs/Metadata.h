#pragma once
// What a photo carries beside its pixels and a conversion keeps: its EXIF (capture
// date and time, camera, exposure), its ICC colour profile, and its XMP and IPTC
// (keywords, captions, places). Read from the file's bytes apart from the pixels;
// written by the encoders of the formats that hold them.
#include "media/codecs/Codecs.h"

#include <string>
#include <vector>

namespace media {

struct Metadata {
    Bytes exif; // a TIFF structure ("II*\0" or "MM\0*" …), without JPEG's "Exif\0\0"
    Bytes icc;  // the whole profile
    Bytes xmp;  // the XMP packet, as text
    Bytes iptc; // the IPTC-IIM records, without Photoshop's wrapping
    // What was left out for its size, before anything was allocated for it: "an ICC
    // profile of 4294967295 bytes, more than the 16 MB a block may have".
    std::vector<std::string> leftOut;
    bool Empty() const { return exif.empty() && icc.empty() && xmp.empty() && iptc.empty(); }
};

// (A file's metadata is read by its format's row: ReadMetadata in Formats.h.)

// The EXIF to write with a picture of `width` × `height` that is already upright: the
// orientation set to 1 (as stored), the embedded thumbnail dropped, the pixel size
// set where the EXIF states one. Empty when the EXIF is damaged. Everything else,
// maker notes included, stays byte for byte where it was.
Bytes ExifForWriting(const Bytes& exif, int width, int height);

// A TIFF written here (one picture, in the EXIF's byte order) with the photo's EXIF:
// the EXIF and GPS IFDs copied after it, the tags of the photo's first IFD that
// describe it (camera, date, description, author) added to the TIFF's own; the TIFF
// unchanged where the two cannot be joined.
Bytes TiffWithExif(Bytes tiff, Bytes exif);

// Whether an ICC profile describes the colours of a grey or a colour picture (an RGB
// profile for colour and palettes, a grey one for grey).
bool ProfileFits(const Bytes& icc, bool grey);

// What a photo's metadata becomes in a width × height picture written from it: the
// EXIF and XMP made true of that picture, the profile only where it fits.
Metadata MetadataForWriting(const Metadata& photo, int width, int height, bool grey);

} // namespace media
