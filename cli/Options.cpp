#include "cli/Options.h"

#include "app/conversion/StoredSettings.h"
#include "media/codecs/Formats.h"

#include "framework/IniFile.h"
#include "framework/Numbers.h"
#include "framework/Paths.h"

#include <algorithm>
#include <array>

namespace cli {

namespace {

const std::array<const char*, 16> kOptions = {"--format", "--quality", "--progressive", "--colors", "--brightness",
                                              "--rotate", "--resize", "--start", "--end", "--step", "--output",
                                              "--jobs", "--quiet", "--help", "--version", "--baseline"};

std::size_t EditDistance(const std::string& a, const std::string& b)
{
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = up;
        }
    }
    return row[b.size()];
}

[[noreturn]] void Unknown(const std::string& option)
{
    std::string best;
    std::size_t bestDistance = 3;
    for (const char* known : kOptions)
        if (const std::size_t d = EditDistance(option, known); d < bestDistance)
            bestDistance = d, best = known;
    throw UsageError("unknown option '" + option + "'" + (best.empty() ? "" : "; did you mean '" + best + "'?"));
}

int Number(const std::string& option, const std::string& text, conv::Range range)
{
    const auto value = fw::ParseDecimalInteger(text);
    if (!value || !range.Holds(*value))
        throw UsageError(option + " takes a whole number from " + std::to_string(range.low) + " to " +
                         std::to_string(range.high) + ", not '" + text + "'");
    return *value;
}

// The value a word names in a table of choices (letter case ignored, a few other
// spellings taken).
template <std::size_t N, class Entry>
auto Choice(const std::string& option, std::string text, const Entry (&table)[N])
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (text == "jpg")
        text = "jpeg";
    if (text == "tif")
        text = "tiff";
    if (text == "grey" || text == "grayscale")
        text = "gray";
    for (const Entry& entry : table)
        if (text == entry.name)
            return entry.value;
    std::string list;
    for (const Entry& entry : table)
        list.append(list.empty() ? "" : "|").append(entry.name); // see fw::NotAnIntegerMessage
    throw UsageError(option + " takes " + list + ", not '" + text + "'");
}

conv::Rotation Rotation(const std::string& option, const std::string& text)
{
    const int degrees = Number(option, text, {0, 270});
    for (const conv::RotationEntry& entry : conv::kRotations)
        if (entry.clockwise == degrees)
            return entry.value;
    throw UsageError(option + " takes 0, 90, 180 or 270 (clockwise), not '" + text + "'");
}

conv::Resize Resize(const std::string& text)
{
    const std::string bad = "--resize takes WxH (fit inside), WxH! (stretch), N% (scale) or none, not '" + text + "'";
    conv::Resize r;
    if (text == "none")
        return r;
    if (!text.empty() && text.back() == '%') {
        const auto v = fw::ParseDecimalInteger(text.substr(0, text.size() - 1));
        if (!v || !conv::kScaleRange.Holds(*v))
            throw UsageError(bad + "; a scale runs from " + std::to_string(conv::kScaleRange.low) + "% to " +
                             std::to_string(conv::kScaleRange.high) + "%");
        r.mode = conv::ResizeMode::Scale;
        r.scalePercent = *v;
        return r;
    }
    std::string size = text;
    const bool stretch = !size.empty() && size.back() == '!';
    if (stretch)
        size.pop_back();
    const std::size_t x = size.find_first_of("xX");
    if (x == std::string::npos)
        throw UsageError(bad);
    const auto w = fw::ParseDecimalInteger(size.substr(0, x)), h = fw::ParseDecimalInteger(size.substr(x + 1));
    if (!w || !h || !conv::kSideRange.Holds(*w) || !conv::kSideRange.Holds(*h))
        throw UsageError(bad + "; sides run from " + std::to_string(conv::kSideRange.low) + " to " +
                         std::to_string(conv::kSideRange.high));
    r.mode = stretch ? conv::ResizeMode::Stretch : conv::ResizeMode::Fit;
    r.width = *w;
    r.height = *h;
    return r;
}

} // namespace

Options DefaultOptions(const std::string& settingsFile)
{
    Options o;
    if (!settingsFile.empty() && fw::FileExists(settingsFile)) {
        const fw::TIniFile ini(settingsFile);
        o.picture = conv::ReadPictureSettings(ini);
        if (const std::string folder = conv::ReadOutputFolder(ini, ""); !folder.empty())
            o.outputFolder = folder;
    }
    return o;
}

Options ParseOptions(const std::vector<std::string>& args, Options o)
{
    bool onlyFiles = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (onlyFiles || arg.empty() || arg[0] != '-' || arg == "-") {
            o.inputs.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyFiles = true;
            continue;
        }
        std::string value;
        bool hasValue = false;
        if (const std::size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            hasValue = true;
        }
        if (arg == "-o")
            arg = "--output";
        else if (arg == "-j")
            arg = "--jobs";
        else if (arg == "-q")
            arg = "--quiet";
        else if (arg == "-h")
            arg = "--help";
        const auto needValue = [&]() -> const std::string& {
            if (!hasValue) {
                if (i + 1 >= args.size())
                    throw UsageError(arg + " needs a value");
                value = args[++i];
            }
            return value;
        };
        const auto noValue = [&] {
            if (hasValue)
                throw UsageError(arg + " takes no value");
        };
        conv::PictureSettings& p = o.picture;
        if (arg == "--format")
            p.format = Choice(arg, needValue(), conv::kOutputFormats);
        else if (arg == "--quality")
            p.jpegQuality = Number(arg, needValue(), conv::kJpegQualityRange);
        else if (arg == "--progressive")
            noValue(), p.progressive = true;
        else if (arg == "--baseline")
            noValue(), p.progressive = false;
        else if (arg == "--colors")
            p.colourDepth = Choice(arg, needValue(), conv::kColourDepths);
        else if (arg == "--brightness")
            p.brightness = Number(arg, needValue(), conv::kBrightnessRange);
        else if (arg == "--rotate")
            p.rotation = Rotation(arg, needValue());
        else if (arg == "--resize")
            p.resize = Resize(needValue());
        else if (arg == "--start")
            o.start = Number(arg, needValue(), {0, 1 << 30});
        else if (arg == "--end")
            o.end = Number(arg, needValue(), {0, 1 << 30});
        else if (arg == "--step")
            o.step = Number(arg, needValue(), {1, 1 << 30});
        else if (arg == "--output") {
            o.outputFolder = needValue();
            if (o.outputFolder.empty())
                throw UsageError("--output needs a folder");
        } else if (arg == "--jobs")
            o.jobs = Number(arg, needValue(), {1, 64});
        else if (arg == "--quiet")
            noValue(), o.quiet = true;
        else if (arg == "--help")
            noValue(), o.help = true;
        else if (arg == "--version")
            noValue(), o.version = true;
        else
            Unknown(arg);
    }
    if (o.help || o.version)
        return o;
    if (o.inputs.empty())
        throw UsageError("no files to convert: name one movie, or pictures");
    // A movie is converted on its own; among pictures, files that are neither are
    // named and passed over when the run meets them.
    const auto movie = std::find_if(o.inputs.begin(), o.inputs.end(), conv::IsMovieFileName);
    o.movieMode = movie != o.inputs.end();
    if (o.movieMode && o.inputs.size() > 1) {
        if (movie != o.inputs.begin())
            throw UsageError("'" + *movie + "' is a movie; convert it on its own");
        throw UsageError("a movie is converted on its own: '" + o.inputs[1] + "' is one file too many");
    }
    if (!o.movieMode && (o.start || o.end || o.step))
        throw UsageError("--start, --end and --step are for movies");
    if (o.start && o.end && *o.end < *o.start)
        throw UsageError("--end " + std::to_string(*o.end) + " lies before --start " + std::to_string(*o.start));
    return o;
}

std::string HelpText()
{
    std::string text = R"(Usage: pomi-pomira-convert [OPTION]... MOVIE
       pomi-pomira-convert [OPTION]... PICTURE...

Cuts every N-th frame of a movie (AVI, MP4, MOV, MKV, WebM, MPEG-TS, MPEG-PS,
FLV, WMV, Ogg; turned upright as players show it) into pictures named
MOVIE_00012.ext, or converts pictures ()";
    text.append(media::FormatNames(", ", ", ")).append(R"() to another
format under their own names. Colours, brightness, rotation and resize are
applied in that order.

Output:
  -o, --output DIR        folder for the files, made when missing
      --format FORMAT     )");
    text.append(media::FormatNames(", ", " or ", &media::FormatRow::option)).append(R"(
      --quality N         JPEG quality, 0 (smallest) to 9 (best)
      --progressive       progressive JPEG, interlaced PNG (--baseline: plain)
Picture:
      --colors C          2, 16, 256, gray or full
      --brightness N      -10 to +10 (0 leaves it)
      --rotate DEG        0, 90, 180 or 270, clockwise
      --resize WxH        fit inside W x H, margins filled with white
      --resize WxH!       stretch to exactly W x H
      --resize N%         scale by N percent
      --resize none       keep the size
Movie:
      --start N           first frame (default 0)
      --end N             last frame (default the movie's last)
      --step N            every N-th frame (default 1)
Running:
  -j, --jobs N            pictures converted at once (default: one a core)
  -q, --quiet             no progress and no summary; failures are still named
  -h, --help              this text
      --version           the version

Unset options take the main window's saved settings (Pomi_Pomira.ini), else its
reset values; files go to the saved folder, else the current one.
Exit status: 0 when every file was written, 1 when some failed, 2 on a usage error.
)");
    return text;
}

} // namespace cli
