#include "cli/Options.h"
#include "cli/InputList.h"
#include "cli/OptionValues.h"
#include "engine/Manifest.h"
#include "engine/StillNames.h"

#include "engine/StoredSettings.h"
#include "media/codecs/Formats.h"
#include "media/movie/Containers.h"

#include "framework/IniFile.h"
#include "framework/Numbers.h"
#include "framework/Paths.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace cli {

namespace {

// One command-line option.
struct OptionRow {
    const char* name;  // "--output"
    char shortName;    // 'o' for "-o", 0 for none
    const char* value; // what it takes, as --help names it; null for a switch
    const char* section; // its part of --help
    // Its lines in --help: another form of the value ("" for `value`, "..." for the
    // text of the line before, carried on) and the text.
    std::vector<std::pair<std::string, std::string>> help;
    void (*apply)(Options& options, const std::string& name, const std::string& value);
};

const std::vector<OptionRow>& OptionRows();

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
    for (const OptionRow& row : OptionRows())
        if (const std::size_t d = EditDistance(option, row.name); d < bestDistance)
            bestDistance = d, best = row.name;
    throw UsageError("unknown option '" + option + "'" + (best.empty() ? "" : "; did you mean '" + best + "'?"));
}

// Every option: its names, its value, its lines in --help, and what it sets. The
// parser and the help text both come from this table.
const std::vector<OptionRow>& OptionRows()
{
    static const std::vector<OptionRow> rows = {
        {"--output", 'o', "DIR", "Output", {{"", "folder for the files, made when missing"}},
         [](Options& o, const std::string&, const std::string& v) {
             if (v.empty())
                 throw UsageError("--output needs a folder");
             o.outputFolder = v;
         }},
        {"--format", 0, "FORMAT", "Output", {{"", media::FormatNames(", ", " or ", &media::FormatRow::option)}},
         [](Options& o, const std::string& n, const std::string& v) {
             o.picture.format = Choice(n, v, conv::kOutputFormats);
         }},
        {"--quality", 0, "N", "Output", {{"", "JPEG and WebP quality, 0 (smallest) to 9 (best)"}},
         [](Options& o, const std::string& n, const std::string& v) {
             // People think of JPEG quality as 0-100: the step nearest to what they gave.
             const auto percent = fw::ParseDecimalInteger(v);
             if (percent && *percent > conv::kJpegQualityRange.high && *percent <= 100) {
                 int nearest = conv::kJpegQualityRange.low;
                 for (int step = conv::kJpegQualityRange.low; step <= conv::kJpegQualityRange.high; ++step)
                     if (std::abs(media::EncodingOf({step}).quality - *percent) <
                         std::abs(media::EncodingOf({nearest}).quality - *percent))
                         nearest = step;
                 throw UsageError(n + " takes a whole number from 0 to 9, not '" + v + "'; " + v +
                                  " on a 0-100 scale is about step " + std::to_string(nearest));
             }
             o.picture.jpegQuality.step = Number(n, v, conv::kJpegQualityRange);
         }},
        {"--progressive", 0, nullptr, "Output", {{"", "progressive JPEG, interlaced PNG (--baseline: plain)"}},
         [](Options& o, const std::string&, const std::string&) { o.picture.progressive = true; }},
        {"--baseline", 0, nullptr, "Output", {}, // told in --progressive's line
         [](Options& o, const std::string&, const std::string&) { o.picture.progressive = false; }},
        {"--exists", 0, "WHAT", "Output",
         {{"", "where a file is there already: overwrite (default),"},
          {"...", "skip (resume a run cut off) or number (name-1.ext)"}},
         [](Options& o, const std::string& n, const std::string& v) {
             if (const auto way = conv::WordValue(conv::kExistingWays, v))
                 return void(o.existing = *way);
             throw UsageError(n + " takes overwrite, skip or number, not '" + v + "'");
         }},
        {"--manifest", 0, "FILE", "Output",
         {{"", "a record of the run (.csv, .json, or .jsonl appended"},
          {"...", "movie by movie): each file, its source, frame, time,"},
          {"...", "size, SHA-256; failures and why"},
          {"none", "no record, whatever the window's options say"}},
         [](Options& o, const std::string& n, const std::string& v) {
             o.savedManifest = conv::ManifestKind::None;
             if (v == "none")
                 return o.manifest.clear();
             if (!conv::IsManifestName(v))
                 throw UsageError(n + " takes a file name ending in .csv, .json or .jsonl, not '" + v + "'");
             o.manifest = v;
         }},
        {"--strip", 0, nullptr, "Output", {{"", "leave out the photos' EXIF, XMP, IPTC and profile"}},
         [](Options& o, const std::string&, const std::string&) { o.picture.keepMetadata = false; }},
        {"--keep-metadata", 0, nullptr, "Output", {{"", "keep them (the default)"}},
         [](Options& o, const std::string&, const std::string&) { o.picture.keepMetadata = true; }},
        {"--recursive", 'r', nullptr, "Output",
         {{"", "a folder's pictures and its sub-folders', written"}, {"...", "in the same tree of folders"}},
         [](Options& o, const std::string&, const std::string&) { o.subFolders = true; }},
        {"--flat", 0, nullptr, "Output", {{"", "with -r: every picture into the output folder itself"}},
         [](Options& o, const std::string&, const std::string&) { o.flat = true; }},
        {"--colors", 0, "C", "Picture", {{"", "2, 16, 256, gray or full"}},
         [](Options& o, const std::string& n, const std::string& v) {
             o.picture.colourDepth = Choice(n, v, conv::kColourDepths);
         }},
        {"--brightness", 0, "N", "Picture", {{"", "-10 to +10 (0 leaves it)"}},
         [](Options& o, const std::string& n, const std::string& v) {
             o.picture.brightness = Number(n, v, conv::kBrightnessRange);
         }},
        {"--rotate", 0, "DEG", "Picture", {{"", "0, 90, 180 or 270, clockwise"}},
         [](Options& o, const std::string& n, const std::string& v) { o.picture.rotation = Rotation(n, v); }},
        {"--resize", 0, "WxH", "Picture",
         {{"", "fit inside W x H, margins filled with white"},
          {"WxH!", "stretch to exactly W x H"},
          {"WxH>", "fit inside W x H only if larger (WxH< if smaller)"},
          {"WxH^", "fill W x H, its middle kept"},
          {"NL", "the long side N (NL>: only if longer), NS the short"},
          {"N%", "scale by N percent"},
          {"none", "keep the size"}},
         [](Options& o, const std::string&, const std::string& v) { o.picture.resize = Resize(v); }},
        {"--start", 0, "N", "Movie", {{"", "first frame (default 0)"}, {"TIME", "or the picture shown at 62.5s, 1:02.5 ..."}},
         [](Options& o, const std::string& n, const std::string& v) {
             Place(n, v, o.picks.start, o.picks.startSeconds);
         }},
        {"--end", 0, "N", "Movie", {{"", "last frame (default the movie's last)"}, {"TIME", "or the picture shown then"}},
         [](Options& o, const std::string& n, const std::string& v) { Place(n, v, o.picks.end, o.picks.endSeconds); }},
        {"--step", 0, "N", "Movie", {{"", "every N-th frame (default 1)"}},
         [](Options& o, const std::string& n, const std::string& v) { o.picks.step = Number(n, v, {1, 1 << 30}); }},
        {"--name", 0, "TEMPLATE", "Movie",
         {{"", "the stills' names from {movie} {frame} {frame:N}"},
          {"...", "{time} {ms} {n} (default {movie}_{frame}; the"},
          {"...", "extension is added)"}},
         [](Options& o, const std::string& n, const std::string& v) {
             if (const auto names = conv::StillNames::Parse(v); !names)
                 throw UsageError(n + ": " + names.Message());
             o.stillNames = v;
         }},
        {"--every", 0, "TIME", "Movie",
         {{"", "a picture every TIME (2s, 0.5, 1:00) from the start;"},
          {"...", "{time} names each by the picture's own time"}},
         [](Options& o, const std::string& n, const std::string& v) { o.picks.everySeconds = Duration(n, v); }},
        {"--count", 0, "N", "Movie", {{"", "N pictures spread evenly, first and last included"}},
         [](Options& o, const std::string& n, const std::string& v) { o.picks.count = Number(n, v, {1, 1 << 30}); }},
        {"--at", 0, "LIST", "Movie",
         {{"", "the pictures at listed times or frames (1.5s,120),"},
          {"@FILE", "or one a line in FILE (a CSV's first column), in"},
          {"...", "the list's order, each once"}},
         [](Options& o, const std::string& n, const std::string& v) { o.picks.at = Places(n, v); }},
        {"--keyframes", 0, nullptr, "Movie", {{"", "the key pictures only"}},
         [](Options& o, const std::string&, const std::string&) { o.picks.keyframes = true; }},
        {"--sharpest", 0, nullptr, "Movie",
         {{"", "with --step, --every or --count: the sharpest picture"}, {"...", "of each stride, not its first"}},
         [](Options& o, const std::string&, const std::string&) { o.picks.sharpest = true; }},
        {"--scenes", 0, nullptr, "Movie", {{"", "one still per shot, cuts found from the pictures"}},
         [](Options& o, const std::string&, const std::string&) { o.picks.scenes = true; }},
        {"--shot-still", 0, "WHICH", "Movie",
         {{"", "first, middle or sharpest: which picture of a shot"}, {"...", "is its still (default first)"}},
         [](Options& o, const std::string& n, const std::string& v) {
             using Still = conv::MoviePicks::ShotStill;
             const std::map<std::string, Still> names = {
                 {"first", Still::First}, {"middle", Still::Middle}, {"sharpest", Still::Sharpest}};
             const auto it = names.find(v);
             if (it == names.end())
                 throw UsageError(n + " takes first, middle or sharpest, not '" + v + "'");
             o.picks.shotStill = it->second;
         }},
        {"--min-shot", 0, "TIME", "Movie", {{"", "with --scenes: the shortest shot (default 0.6s)"}},
         [](Options& o, const std::string& n, const std::string& v) { o.picks.minShot = Duration(n, v); }},
        {"--dedup", 0, nullptr, "Movie",
         {{"", "pass over a picture that looks the same as the last"}, {"...", "one written"}},
         [](Options& o, const std::string&, const std::string&) { o.picks.dedup = true; }},
        {"--sheet", 0, "COLSxROWS", "Movie",
         {{"", "contact sheets too: the stills COLS x ROWS a sheet,"},
          {"...", "each with its time, the movie's facts on top"},
          {"none", "no contact sheets, whatever the window's options say"}},
         [](Options& o, const std::string& n, const std::string& v) { o.sheet = Grid(n, v, conv::kMostSheetSide); }},
        {"--sheet-only", 0, nullptr, "Movie", {{"", "the sheets without the stills' own files"}},
         [](Options& o, const std::string&, const std::string&) { o.sheetOnly = true; }},
        {"--sprite", 0, "COLSxROWS", "Movie",
         {{"", "sprite sheets of 160-pixel tiles and a WebVTT"}, {"...", "thumbnail track (<movie>.vtt) pointing into them"}},
         [](Options& o, const std::string& n, const std::string& v) { o.sprite = Grid(n, v, conv::kMostSpriteSide); }},
        {"--stored-size", 0, nullptr, "Movie",
         {{"", "pictures as stored: DV, DVD and HDV pixels are"}, {"...", "not made square"}},
         [](Options& o, const std::string&, const std::string&) { o.storedSize = true; }},
        {"--square-pixels", 0, nullptr, "Movie", {{"", "pixels made square as players show them (default)"}},
         [](Options& o, const std::string&, const std::string&) { o.storedSize = false; }},
        {"--deinterlace", 0, nullptr, "Movie",
         {{"", "interlaced frames made whole (bwdif), one a frame"}},
         [](Options& o, const std::string&, const std::string&) { o.deinterlace = true; }},
        {"--no-deinterlace", 0, nullptr, "Movie", {{"", "frames as stored (default)"}},
         [](Options& o, const std::string&, const std::string&) { o.deinterlace = false; }},
        {"--files-from", 0, "FILE", "Running",
         {{"", "the inputs listed in FILE, one a line, relative ones"}, {"...", "from its folder (-: standard input)"}},
         [](Options& o, const std::string& n, const std::string& v) {
             if (v.empty())
                 throw UsageError(n + " needs a list file, or - for standard input");
             o.filesFrom = v;
         }},
        {"--shard", 0, "K/N", "Running",
         {{"", "take the K-th of N shares of the inputs (K from 0),"}, {"...", "each input's share fixed by its path"}},
         [](Options& o, const std::string& n, const std::string& v) {
             const std::optional<Shard> shard = ParseShard(v);
             if (!shard)
                 throw UsageError(n + " takes K/N, K from 0 to N-1, not '" + v + "'");
             o.shard = *shard;
         }},
        {"--resume", 0, nullptr, "Running",
         {{"", "pass over the movies the .jsonl --manifest has done;"},
          {"...", "finish the others from their missing pictures"}},
         [](Options& o, const std::string&, const std::string&) { o.resume = true; }},
        {"--jobs", 'j', "N", "Running", {{"", "pictures converted at once (default: one a core)"}},
         [](Options& o, const std::string& n, const std::string& v) { o.jobs = Number(n, v, {1, 64}); }},
        {"--quiet", 'q', nullptr, "Running", {{"", "no progress and no summary; failures are still named"}},
         [](Options& o, const std::string&, const std::string&) { o.quiet = true; }},
        {"--help", 'h', nullptr, "Running", {{"", "this text"}},
         [](Options& o, const std::string&, const std::string&) { o.help = true; }},
        {"--version", 0, nullptr, "Running", {{"", "the version"}},
         [](Options& o, const std::string&, const std::string&) { o.version = true; }},
        {"--preset", 0, "NAME", "Presets",
         {{"", "the options saved as NAME first; the line's win (built"},
          {"...", "in: web, archive, thumbs)"}},
         [](Options&, const std::string&, const std::string&) {}}, // applied before the line
        {"--save-preset", 0, "NAME", "Presets",
         {{"", "store this line's settings as NAME (without inputs,"}, {"...", "only that)"}},
         [](Options& o, const std::string& n, const std::string& v) {
             if (v.empty() || v.find_first_of("[]\r\n") != std::string::npos)
                 throw UsageError(n + " takes a name without brackets or line breaks, not '" + v + "'");
             o.savePreset = v;
         }},
        {"--presets", 0, nullptr, "Presets", {{"", "list the presets and their options"}},
         [](Options& o, const std::string&, const std::string&) { o.listPresets = true; }},
    };
    return rows;
}

const OptionRow* RowNamed(const std::string& name)
{
    for (const OptionRow& row : OptionRows())
        if (name == row.name || (row.shortName && name == std::string{'-', row.shortName}))
            return &row;
    return nullptr;
}

// The help lines of every option: "  -o, --output DIR" padded to the texts' column.
std::string OptionHelp()
{
    constexpr std::size_t kTextColumn = 26;
    std::string text, section;
    for (const OptionRow& row : OptionRows()) {
        if (row.help.empty())
            continue;
        if (row.section != section)
            text.append(row.section).append(":\n");
        section = row.section;
        for (std::size_t i = 0; i < row.help.size(); ++i) {
            const auto& [form, help] = row.help[i];
            std::string usage = i == 0 && row.shortName ? std::string("  -") + row.shortName + ", " : "      ";
            if (i > 0 && form == "...")
                usage.clear();
            else
                usage.append(row.name);
            if (const char* value = i == 0 ? row.value : form.c_str(); !usage.empty() && value && *value)
                usage.append(" ").append(value);
            usage.resize(std::max(kTextColumn, usage.size() + 1), ' ');
            text.append(usage).append(help).append("\n");
        }
    }
    return text;
}

// A paragraph broken into lines of at most 79 characters, between words.
std::string Wrapped(const std::string& paragraph)
{
    constexpr std::size_t kWidth = 79;
    std::string text, line, word;
    std::istringstream words(paragraph);
    while (words >> word) {
        if (!line.empty() && line.size() + 1 + word.size() > kWidth) {
            text.append(line).append("\n");
            line.clear();
        }
        line.append(line.empty() ? "" : " ").append(word);
    }
    return text.append(line).append("\n");
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
        // The window's options, through the same mapping its runs take.
        const conv::RunOptions saved = conv::ReadRunOptions(ini);
        conv::ApplyRunOptions(saved, o);
        o.savedManifest = saved.manifest;
    }
    return o;
}

namespace {

const std::initializer_list<const char*> kPickOptions = {"--step", "--every", "--count", "--keyframes", "--scenes",
                                                          "--at"};

// The options given on this line: only they can be a usage error, and a way of
// picking given here replaces the saved one.
struct Given {
    std::set<std::string> names;
    int Any(std::initializer_list<const char*> among) const
    {
        return int(std::count_if(among.begin(), among.end(), [&](const char* n) { return names.count(n) > 0; }));
    }
};

// The arguments read over `o`: the options applied, the rest taken as inputs.
Given ReadArguments(const std::vector<std::string>& args, Options& o)
{
    Given given;
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
        const OptionRow* row = RowNamed(arg);
        if (!row)
            Unknown(arg);
        arg = row->name;
        if (!row->value && hasValue)
            throw UsageError(arg + " takes no value");
        if (row->value && !hasValue) {
            if (i + 1 >= args.size())
                throw UsageError(arg + " needs a value");
            value = args[++i];
        }
        const bool picks = std::find(kPickOptions.begin(), kPickOptions.end(), arg) != kPickOptions.end();
        if (picks && given.Any(kPickOptions) == 0)
            o.picks.step.reset(), o.picks.everySeconds.reset(), o.picks.count.reset(), o.picks.keyframes = false,
                                 o.picks.scenes = false, o.picks.at.clear();
        given.names.insert(arg);
        o.lineOptions.emplace_back(arg, value);
        row->apply(o, arg, value);
    }
    return given;
}

} // namespace

void ApplyOption(Options& o, const std::string& name, const std::string& value)
{
    const OptionRow* row = RowNamed(name);
    if (!row)
        Unknown(name);
    if (!row->value && !value.empty())
        throw UsageError(std::string(row->name) + " takes no value");
    if (row->value && value.empty())
        throw UsageError(std::string(row->name) + " needs a value");
    row->apply(o, row->name, value);
}

namespace {

// The combinations the line may not ask for, and a saved pick the line's leaves no
// room for.
void CheckCombinations(const Given& given, Options& o)
{
    const conv::MoviePicks& p = o.picks;
    const bool ranged = p.start || p.end || p.startSeconds || p.endSeconds;
    const int ways = given.Any(kPickOptions);
    if (!o.movieMode &&
        (ranged || ways ||
         given.Any({"--name", "--stored-size", "--square-pixels", "--deinterlace", "--no-deinterlace", "--sharpest",
                    "--dedup", "--shot-still", "--min-shot", "--sheet", "--sheet-only", "--sprite"})))
        throw UsageError("--start, --end and --step are for movies (--every, --count, --keyframes, --scenes, "
                         "--name, --stored-size, --deinterlace, --sharpest, --dedup, --sheet and --sprite too)");
    // A saved "sheets only" goes quietly where this line asks for no sheets.
    if (o.sheetOnly && !o.sheet.Given() && !o.sprite.Given()) {
        if (given.names.count("--sheet-only"))
            throw UsageError("--sheet-only goes with --sheet or --sprite");
        o.sheetOnly = false;
    }
    if (o.movieMode && (o.subFolders || o.flat))
        throw UsageError("-r and --flat are for folders of pictures");
    if (o.flat && !o.subFolders)
        throw UsageError("--flat goes with -r: a tree's pictures into one folder");
    if (ways > 1)
        throw UsageError("--step, --every, --count, --keyframes, --scenes and --at each pick the pictures their own "
                         "way: give one");
    if (!p.at.empty() && ranged)
        throw UsageError("--at names its pictures itself: not with --start or --end");
    if (!p.at.empty() && p.dedup)
        throw UsageError("--dedup compares each picture with the one before: not with --at");
    if (given.Any({"--shot-still", "--min-shot"}) && !p.scenes)
        throw UsageError("--shot-still and --min-shot go with --scenes");
    // A saved --sharpest goes quietly where this line picks without strides.
    if (p.sharpest && !p.step && !p.everySeconds && !p.count) {
        if (given.names.count("--sharpest"))
            throw UsageError("--sharpest picks within the strides of --step, --every or --count: give one");
        o.picks.sharpest = false;
    }
    if (p.start && p.end && *p.end < *p.start)
        throw UsageError("--end " + std::to_string(*p.end) + " lies before --start " + std::to_string(*p.start));
    if (p.startSeconds && p.endSeconds && *p.endSeconds < *p.startSeconds)
        throw UsageError("--end lies before --start");
}

} // namespace

Options ParseOptions(const std::vector<std::string>& args, Options o)
{
    const Given given = ReadArguments(args, o);
    if (o.help || o.version || o.listPresets)
        return o;
    // Settings stored under a name, with nothing to convert.
    if (o.inputs.empty() && o.filesFrom.empty() && !o.savePreset.empty())
        return o;
    o.inputKeys = o.inputs;
    if (!o.filesFrom.empty())
        for (auto& [path, key] : ReadInputList(o.filesFrom)) {
            o.inputs.push_back(std::move(path));
            o.inputKeys.push_back(std::move(key));
        }
    if (o.resume && !conv::IsManifestLines(o.manifest))
        throw UsageError("--resume reads and extends the record of --manifest FILE.jsonl: give one");
    if (o.inputs.empty())
        throw UsageError("no files to convert: name one movie, or pictures");
    // A movie is converted on its own; among pictures, files that are neither are
    // named and passed over when the run meets them.
    const auto movie = std::find_if(o.inputs.begin(), o.inputs.end(), conv::IsMovieFileName);
    o.movieMode = movie != o.inputs.end();
    // Several movies are cut one after another with the same settings; movies and
    // pictures are not mixed.
    if (o.movieMode)
        for (const std::string& input : o.inputs)
            if (!conv::IsMovieFileName(input))
                throw UsageError("'" + input + "' is not a movie: movies and pictures are converted in runs of "
                                 "their own");
    CheckCombinations(given, o);
    return o;
}

std::string HelpText()
{
    std::string text = R"(Usage: pomi-pomira-convert [OPTION]... MOVIE...
       pomi-pomira-convert [OPTION]... PICTURE...
       pomi-pomira-convert -r [OPTION]... FOLDER|PICTURE...

)";
    text.append(Wrapped("Cuts every N-th frame of movies (" + media::ContainerNames(", ") +
                        "; turned upright as players show it) into pictures named MOVIE_00012.ext, or converts "
                        "pictures (" +
                        media::FormatNames(", ", ", ") +
                        ") to another format under their own names. Colours, brightness, rotation and resize are "
                        "applied in that order."))
        .append("\n");
    text.append(OptionHelp()).append(R"(
Unset options take the window's saved settings and options (Pomi_Pomira.ini),
else its reset values; files go to the saved folder, else the current one.
Exit status: 0 when every file was written, 1 when some failed, 2 on a usage
error, 130 when stopped by Ctrl+C (every file written is whole).
)");
    return text;
}

} // namespace cli
