#!/usr/bin/env python3
"""Writes the fuzz targets' seeds into FOLDER/<target>/: hostile files made by hand (an
IFD that points to itself, counts whose product overflows, offsets past the end, an
ICC profile that claims 4 GB, a HEIC that declares 100,000 x 100,000, Motion JPEG
frames whose sampling changes from one to the next) and the texts users and movies
give. The public suites are added by scripts/fuzz.sh as folders of their own.
Usage: scripts/fuzz_seeds.py FOLDER [PUBLIC-HEIC]"""
import os
import struct
import subprocess
import sys
import tempfile
import zlib

out = sys.argv[1]


def put(target, name, data):
    os.makedirs(os.path.join(out, target), exist_ok=True)
    with open(os.path.join(out, target, name), "wb") as f:
        f.write(data)


def segment(marker, body):
    return b"\xff" + bytes([marker]) + struct.pack(">H", len(body) + 2) + body


def jpeg(*segments):
    return b"\xff\xd8" + b"".join(segments) + b"\xff\xd9"


def tiff(entries, next_ifd=0, tail=b""):
    """A little-endian TIFF structure: IFD0 at 8 with (tag, type, count, value) entries."""
    ifd = struct.pack("<H", len(entries))
    for tag, kind, count, value in entries:
        ifd += struct.pack("<HHII", tag, kind, count, value)
    return b"II*\0" + struct.pack("<I", 8) + ifd + struct.pack("<I", next_ifd) + tail


def exif(structure):
    return segment(0xE1, b"Exif\0\0" + structure)


# A photo's metadata.
put("fuzz_metadata", "ifd-points-to-itself.jpg", jpeg(exif(tiff([(0x8769, 4, 1, 8), (0x0112, 3, 1, 6)], next_ifd=8))))
put("fuzz_metadata", "count-product-overflows.jpg", jpeg(exif(tiff([(0x010F, 5, 0x20000001, 26), (0xA002, 4, 1, 9)]))))
put("fuzz_metadata", "offset-past-the-end.jpg", jpeg(exif(tiff([(0x010F, 2, 100, 0xFFFFFF00), (0x8825, 4, 1, 0x7FFFFFFF)]))))
profile = struct.pack(">I", 0xFFFFFFFF) + b"lcms" + b"\x04\x30\0\0mntrRGB XYZ " + bytes(100)
put("fuzz_metadata", "icc-claims-4-gb.jpg", jpeg(segment(0xE2, b"ICC_PROFILE\0\x01\x01" + profile)))
put("fuzz_metadata", "icc-pieces-out-of-order.jpg",
    jpeg(segment(0xE2, b"ICC_PROFILE\0\x02\x02" + profile), segment(0xE2, b"ICC_PROFILE\0\x02\x02" + profile)))
resource = b"8BIM\x04\x04\x05abcde" + struct.pack(">I", 0xFFFFFFF0) + b"\x1c\x02\x19\0\x05alpha"
put("fuzz_metadata", "iptc-length-past-the-end.jpg", jpeg(segment(0xED, b"Photoshop 3.0\0" + resource)))
xmp = b'<x:xmpmeta><rdf:Description tiff:Orientation="6" exif:PixelXDimension=\'60\'><tiff:ImageWidth>9</tiff:ImageWidth>'


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


ihdr = chunk(b"IHDR", struct.pack(">IIBBBBB", 1, 1, 8, 0, 0, 0, 0))
idat = chunk(b"IDAT", zlib.compress(b"\0\0"))
png_head = b"\x89PNG\r\n\x1a\n" + ihdr
put("fuzz_metadata", "iccp-inflates-to-64-mb.png",
    png_head + chunk(b"iCCP", b"p\0\0" + zlib.compress(bytes(64 << 20), 9)) + idat + chunk(b"IEND", b""))
put("fuzz_metadata", "xmp-and-iptc-texts.png",
    png_head + chunk(b"iTXt", b"XML:com.adobe.xmp\0\x01\0en\0\0" + zlib.compress(xmp))
    + chunk(b"tEXt", b"Raw profile type iptc\0\niptc\n      99999999\n1c0219") + idat
    + chunk(b"zTXt", b"Raw profile type xmp\0\0" + zlib.compress(b"\nxmp\n 4\n3c3f78")) + chunk(b"IEND", b""))
put("fuzz_metadata", "tiff-iptc-and-xmp-past-the-end.tif",
    tiff([(256, 3, 1, 1), (257, 3, 1, 1), (700, 1, 0x40000000, 200), (33723, 4, 0x3FFFFFFF, 300),
          (34675, 7, 0xFFFFFFF0, 8)]))

# A HEIC that declares 100,000 x 100,000: a public one with its size boxes changed.
if len(sys.argv) > 2:
    heic = bytearray(open(sys.argv[2], "rb").read())
    at = heic.find(b"ispe")
    while at >= 0:
        heic[at + 8:at + 16] = struct.pack(">II", 100000, 100000)
        at = heic.find(b"ispe", at + 4)
    for target in ("fuzz_metadata", "fuzz_load"):
        put(target, "declares-100000-square.heic", bytes(heic))

# Motion JPEG frames, two bytes of choices first (quality step and turn; progressive).
with tempfile.TemporaryDirectory() as work:
    frames = {}
    for name, options in [("422", ["-pix_fmt", "yuvj422p"]), ("420", ["-pix_fmt", "yuvj420p"]),
                          ("444", ["-pix_fmt", "yuvj444p"]), ("grey", ["-pix_fmt", "gray"]),
                          ("standard-tables", ["-pix_fmt", "yuvj422p", "-huffman", "default"])]:
        path = os.path.join(work, name + ".jpg")
        subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=48x32:rate=1", "-frames:v", "1",
                        *options, "-c:v", "mjpeg", "-q:v", "5", path], check=True)
        frames[name] = open(path, "rb").read()
    for i, (name, frame) in enumerate(frames.items()):
        put("fuzz_coefficients", name + ".jpg", bytes([i * 0x17 % 256, i % 2]) + frame)
    put("fuzz_coefficients", "sampling-changes-422-then-420.jpg", b"\x15\x00" + frames["422"] + frames["420"])
    put("fuzz_coefficients", "sampling-changes-444-then-grey.jpg", b"\x36\x01" + frames["444"] + frames["grey"])

# A movie's tags: the container's lines, an empty line, the stream's.
for name, text in {
    "quicktime": "com.apple.quicktime.creationdate=2024-05-01T19:20:30+0900\nmake=Pomi\nmodel=Cam 2\n"
                 "com.apple.quicktime.location.ISO6709=+35.6586+139.7454+012.500/",
    "mp4": "creation_time=2024-12-31T23:59:59.800000Z\n\nlocation=-33.8568+151.2153/",
    "extremes": "creation_time=9999-12-31T23:59:59.999999-2359\nlocation=+90.0000000000000001-180.0+99999999999999999999/",
    "matroska": "DATE_UTC=1970-01-01 00:00:00\n\ndate=0000-00-00T00:00:00Z",
}.items():
    put("fuzz_movie_origin", name, text.encode())

# Name templates and times: template, a time, a length of time.
for name, text in {
    "every-field": "{movie}_{frame}_{frame:3}_{time}_{ms}_{n}\n1:02.5\n2s",
    "wide-frame": "{frame:2147483648}\n00:01:02.500\n0.000000001",
    "odd-times": "{time}\n99999999999999999999:59:59.9\n-1:-1",
    "unclosed": "a{movie\n1e308s\nnan",
}.items():
    put("fuzz_names", name, text.encode())

# Names from the disk: quotes, commas, line breaks, control bytes, bytes that are not UTF-8.
for name, text in {
    "quoted": b'a "quoted", name.jpg\nline\r\nbreak.png\n#12\n',
    "bytes": b"\xff\xfe caf\xc3\xa9 \x01\x1f\x7f.jpg\n\xc3\n\"\"\"\n,,,",
}.items():
    put("fuzz_manifest", name, text)
