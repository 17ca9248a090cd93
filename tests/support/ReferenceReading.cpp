#include "support/ReferenceReading.h"

#include "support/TempDir.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

std::string CommandOutput(const std::string& command)
{
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string data;
    char buffer[65536];
    for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;)
        data.append(buffer, n);
    return data;
}

// ImageMagick's reading of the first picture of `path` (turned as its orientation
// says when `upright`), as 8-bit RGBA. CMYK and CIELab pictures are converted to sRGB
// by ImageMagick; the samples of the others are taken as they are.
bool ReferenceReading(const std::string& path, bool upright, Rgba& out)
{
    const std::string source = "'" + path + "[0]'" + (upright ? " -auto-orient" : "");
    const std::string space = CommandOutput("identify -format '%[colorspace]' " + source + " 2>/dev/null");
    // Gamma is a matter of display: samples are compared as stored, linear or not.
    const bool convert = space == "CMYK" || space == "Lab" || space == "YCbCr";
    const std::string data =
        CommandOutput("convert " + source + (convert ? " -colorspace sRGB" : "") + " -depth 8 pam:- 2>/dev/null");
    const std::size_t end = data.find("ENDHDR\n");
    if (data.rfind("P7\n", 0) != 0 || end == std::string::npos)
        return false;
    std::istringstream header(data.substr(3, end - 3));
    int depth = 0, maxval = 0;
    for (std::string key; header >> key;) {
        if (key == "WIDTH")
            header >> out.width;
        else if (key == "HEIGHT")
            header >> out.height;
        else if (key == "DEPTH")
            header >> depth;
        else if (key == "MAXVAL")
            header >> maxval;
        else
            header.ignore(1 << 10, '\n');
    }
    const std::size_t count = std::size_t(out.width) * out.height;
    const char* p = data.data() + end + 7;
    if (maxval != 255 || depth < 1 || depth > 4 || data.size() - (end + 7) < count * depth)
        return false;
    out.pixels.resize(count * 4);
    for (std::size_t i = 0; i < count; ++i, p += depth) {
        const auto at = [&](int c) { return std::uint8_t(p[c]); };
        std::uint8_t* q = &out.pixels[i * 4];
        const bool grey = depth <= 2;
        q[0] = at(0), q[1] = grey ? at(0) : at(1), q[2] = grey ? at(0) : at(2);
        q[3] = depth == 2 ? at(1) : depth == 4 ? at(3) : 255;
    }
    return true;
}

// Pillow's reading of `path` turned upright, as 8-bit RGBA: the second opinion where
// ImageMagick reads a file otherwise than the format's documents say.
bool PillowReading(const std::string& path, Rgba& out)
{
    const std::string data = CommandOutput(
        "/usr/bin/python3 -c 'import sys\nfrom PIL import Image, ImageOps\n"
        "i = ImageOps.exif_transpose(Image.open(sys.argv[1])).convert(\"RGBA\")\n"
        "sys.stdout.buffer.write(b\"%d %d\\n\" % i.size + i.tobytes())' '" +
        path + "' 2>/dev/null");
    const std::size_t eol = data.find('\n');
    if (eol == std::string::npos || std::sscanf(data.c_str(), "%d %d", &out.width, &out.height) != 2)
        return false;
    out.pixels.assign(data.begin() + eol + 1, data.end());
    return out.pixels.size() == std::size_t(out.width) * out.height * 4;
}

bool HaveImageMagick() { return std::system("convert -version >/dev/null 2>&1") == 0; }

// How our picture differs from the reference: "" when within the tolerance.
std::string Difference(const media::Image& ours, const Rgba& reference, int tolerance)
{
    if (ours.width != reference.width || ours.height != reference.height)
        return "size " + std::to_string(ours.width) + " x " + std::to_string(ours.height) + ", reference " +
               std::to_string(reference.width) + " x " + std::to_string(reference.height);
    const media::Image rgba = media::ToRgba32(ours);
    int worst = 0;
    std::size_t off = 0, firstOff = 0;
    for (std::size_t i = 0; i < reference.pixels.size(); i += 4) {
        const std::uint8_t *a = &rgba.pixels[i], *b = &reference.pixels[i];
        // Colours as they are seen, weighed by their alpha: the colour of a pixel that
        // is all but transparent is barely defined (and lost in 8-bit premultiplying).
        int d = std::abs(int(a[3]) - int(b[3]));
        for (int c = 0; c < 3; ++c)
            d = std::max(d, std::abs(int(a[c]) * a[3] - int(b[c]) * b[3]) / 255);
        if (d > tolerance && off++ == 0)
            firstOff = i / 4;
        worst = std::max(worst, d);
    }
    if (off == 0)
        return {};
    const int x = int(firstOff % ours.width), y = int(firstOff / ours.width);
    const std::uint8_t *a = &rgba.pixels[firstOff * 4], *b = &reference.pixels[firstOff * 4];
    std::ostringstream why;
    why << off << " pixels off by up to " << worst << "; first at (" << x << ", " << y << "): ours " << int(a[0])
        << "," << int(a[1]) << "," << int(a[2]) << "," << int(a[3]) << ", reference " << int(b[0]) << "," << int(b[1])
        << "," << int(b[2]) << "," << int(b[3]);
    return why.str();
}

// libheif's own reading of `path` (heif-convert), through a PNG that ImageMagick reads.
// heif-convert writes every top-level picture of a file (r-1.png, r-2.png ...) in the
// order heif-info lists them, which marks the primary one.
bool HeifConvertReading(const std::string& path, Rgba& out)
{
    const TempDir dir;
    const std::string png = dir.File("r.png");
    if (std::system(("heif-convert '" + path + "' '" + png + "' >/dev/null 2>&1").c_str()) != 0)
        return false;
    if (std::filesystem::exists(png))
        return ReferenceReading(png, false, out);
    const std::string info = dir.File("info.txt");
    if (std::system(("heif-info '" + path + "' >'" + info + "' 2>/dev/null").c_str()) != 0)
        return false;
    std::ifstream in(info);
    int image = 0;
    for (std::string line; std::getline(in, line);)
        if (line.rfind("image:", 0) == 0 && ++image && line.find("primary") != std::string::npos)
            return ReferenceReading(dir.File("r-" + std::to_string(image) + ".png"), false, out);
    return false;
}
