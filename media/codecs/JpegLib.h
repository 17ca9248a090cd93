#pragma once
// What the JPEG codec's two ways of writing (from pixels, from coefficients) share
// of libjpeg: its errors as jumps back, owners that destroy its objects on every way
// out, the memory it writes into, and a photo's markers.
#include "media/codecs/Codecs.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <string_view>

extern "C" {
#include <jpeglib.h>
}

namespace media::jpeg {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

// Errors jump back to the setjmp of the function that made the object; warnings of
// damaged files are counted (base.num_warnings), never printed.
void Attach(j_common_ptr cinfo, ErrorManager& err);

// Destroys a libjpeg object on every way out of the function that declared it: a
// return, an error's jump back to the function (the owner is declared before the jump
// target, so the jump skips nothing), or an exception. Destroying an object that was
// never created, or was destroyed, does nothing.
template <class Object, void (*Destroy)(Object*)>
class Owner {
public:
    explicit Owner(Object& object) : m_object(object) {}
    ~Owner() { Destroy(&m_object); }
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;

private:
    Object& m_object;
};
using CompressOwner = Owner<jpeg_compress_struct, jpeg_destroy_compress>;
using DecompressOwner = Owner<jpeg_decompress_struct, jpeg_destroy_decompress>;

// The memory libjpeg writes a compressed picture into, freed on every way out.
struct OutputBuffer {
    unsigned char* data = nullptr;
    unsigned long length = 0;
    ~OutputBuffer() { std::free(data); }
};

// Whether the photo's EXIF goes into the file (it fits one APP1 segment): then no
// JFIF header, as cameras write it.
bool WritesExif(const Metadata* meta);

// The body of the APP1 segment that holds the photo's EXIF ("Exif\0\0", then it).
Bytes ExifSegmentBody(const Metadata& meta);

// A marker segment's body: its signature, then `bytes`.
Bytes SegmentBody(std::string_view name, const Bytes& bytes);

// The photo's EXIF, XMP, colour profile and IPTC, written right after the compressor
// started.
void WriteMarkers(jpeg_compress_struct& cinfo, const Metadata* meta);

// Sets a created compressor up to write a width × height picture of `space` into
// `buffer` as the options ask (quality and its sampling, progressive), starts it and
// writes the photo's markers. `raw`: the rows come as YCbCr planes at that sampling.
void StartCompress(jpeg_compress_struct& cinfo, OutputBuffer& buffer, int width, int height, J_COLOR_SPACE space,
                   const SaveOptions& options, bool raw = false);

} // namespace media::jpeg
