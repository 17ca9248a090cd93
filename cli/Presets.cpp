#include "cli/Presets.h"

#include "engine/SettingsLocation.h"
#include "framework/AtomicFile.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace cli {

namespace {

const Preset kBuiltIn[] = {
    {"web", {{"--format", "jpeg"}, {"--quality", "5"}, {"--resize", "2048L>"}, {"--strip", ""}}, true},
    {"archive", {{"--format", "png"}, {"--colors", "full"}, {"--keep-metadata", ""}}, true},
    {"thumbs", {{"--format", "jpeg"}, {"--resize", "320L"}}, true},
};

// Options that belong to one run, not to a set of settings.
bool OfOneRun(const std::string& option)
{
    for (const char* run : {"--output", "-o", "--manifest", "--files-from", "--shard", "--resume", "--jobs", "-j",
                            "--quiet", "-q", "--save-preset", "--preset", "--presets", "--help", "--version"})
        if (option == run)
            return true;
    return false;
}

std::string ResizeText(const conv::Resize& r)
{
    const std::string box = std::to_string(r.width) + "x" + std::to_string(r.height), side = std::to_string(r.width);
    switch (r.mode) {
    case conv::ResizeMode::None: return "none";
    case conv::ResizeMode::Fit: return box;
    case conv::ResizeMode::Stretch: return box + "!";
    case conv::ResizeMode::Scale: return std::to_string(r.scalePercent) + "%";
    case conv::ResizeMode::Shrink: return box + ">";
    case conv::ResizeMode::Enlarge: return box + "<";
    case conv::ResizeMode::Fill: return box + "^";
    case conv::ResizeMode::LongSide: return side + "L";
    case conv::ResizeMode::LongSideShrink: return side + "L>";
    case conv::ResizeMode::ShortSide: return side + "S";
    }
    return "none";
}

// The picture settings as options, whatever gave them.
std::vector<PresetOption> PictureOptions(const conv::PictureSettings& p)
{
    std::vector<PresetOption> options = {
        {"--format", conv::EntryOf(conv::kOutputFormats, p.format).name},
        {"--quality", std::to_string(p.jpegQuality.step)},
        {p.progressive ? "--progressive" : "--baseline", ""},
    };
    if (p.colourDepth)
        options.push_back({"--colors", conv::EntryOf(conv::kColourDepths, *p.colourDepth).name});
    options.push_back({"--brightness", std::to_string(p.brightness)});
    options.push_back({"--rotate", std::to_string(conv::EntryOf(conv::kRotations, p.rotation).clockwise)});
    options.push_back({"--resize", ResizeText(p.resize)});
    options.push_back({p.keepMetadata ? "--keep-metadata" : "--strip", ""});
    return options;
}

bool OfPicture(const std::string& option)
{
    for (const char* picture : {"--format", "--quality", "--progressive", "--baseline", "--colors", "--brightness",
                                "--rotate", "--resize", "--strip", "--keep-metadata"})
        if (option == picture)
            return true;
    return false;
}

// The saved presets of the file, in its order.
std::vector<Preset> ReadFile(const std::string& path)
{
    std::vector<Preset> presets;
    std::ifstream in(path, std::ios::binary);
    int number = 0;
    const auto fault = [&](const std::string& why) {
        throw UsageError(path + ":" + std::to_string(number) + ": " + why);
    };
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 3)
                fault("a preset's name is written [name], not '" + line + "'");
            presets.push_back({line.substr(1, line.size() - 2), {}, false});
            continue;
        }
        const std::size_t eq = line.find('=');
        if (line.rfind("--", 0) != 0 || eq == std::string::npos)
            fault("not an option written --option=value: '" + line + "'");
        if (presets.empty())
            fault("an option before the first [name]");
        presets.back().options.push_back({line.substr(0, eq), line.substr(eq + 1), number});
    }
    if (in.bad())
        throw UsageError(path + ": cannot be read");
    return presets;
}

// The --preset the line names, if any.
std::string PresetNamed(const std::vector<std::string>& args)
{
    std::string name;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--")
            break;
        if (args[i] == "--preset" && i + 1 < args.size())
            name = args[++i];
        else if (args[i].rfind("--preset=", 0) == 0)
            name = args[i].substr(9);
    }
    return name;
}

} // namespace

std::string PresetsFilePath() { return conv::ConfigFolder() + "/presets.ini"; }

std::vector<Preset> ReadPresets(const std::string& path)
{
    std::vector<Preset> presets(std::begin(kBuiltIn), std::end(kBuiltIn));
    for (Preset& saved : ReadFile(path)) {
        const auto same = std::find_if(presets.begin(), presets.end(), [&](const Preset& p) { return p.name == saved.name; });
        if (same != presets.end())
            *same = std::move(saved);
        else
            presets.push_back(std::move(saved));
    }
    return presets;
}

void ApplyPreset(const std::string& path, const std::string& name, Options& o)
{
    const std::vector<Preset> presets = ReadPresets(path);
    const auto preset = std::find_if(presets.begin(), presets.end(), [&](const Preset& p) { return p.name == name; });
    if (preset == presets.end())
        throw UsageError("--preset: no preset named '" + name + "' (--presets lists them)");
    for (const PresetOption& option : preset->options) {
        try {
            ApplyOption(o, option.option, option.value);
        } catch (const UsageError& e) {
            if (option.line == 0)
                throw;
            throw UsageError(path + ":" + std::to_string(option.line) + ": " + e.what());
        }
    }
}

bool SavePreset(const std::string& path, const Options& o, std::string& error)
{
    std::vector<Preset> presets;
    try {
        presets = ReadFile(path);
    } catch (const UsageError& e) {
        error = e.what();
        return false;
    }
    Preset made{o.savePreset, PictureOptions(o.picture), false};
    for (const auto& [option, value] : o.lineOptions)
        if (!OfOneRun(option) && !OfPicture(option))
            made.options.push_back({option, value});
    std::erase_if(presets, [&](const Preset& p) { return p.name == made.name; });
    presets.push_back(std::move(made));
    std::string text;
    for (const Preset& preset : presets) {
        text.append(text.empty() ? "" : "\n").append("[").append(preset.name).append("]\n");
        for (const PresetOption& option : preset.options)
            text.append(option.option).append("=").append(option.value).append("\n");
    }
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    return fw::WriteFileAtomically(path, text, &error);
}

std::string PresetsText(const std::string& path)
{
    std::string text;
    for (const Preset& preset : ReadPresets(path)) {
        text.append(preset.name).append(preset.builtIn ? " (built in):" : ":");
        for (const PresetOption& option : preset.options)
        {
            text.append(" ").append(option.option);
            if (!option.value.empty())
                text.append(" ").append(option.value);
        }
        text.append("\n");
    }
    return text;
}

Options ParseOptionsWithPreset(const std::vector<std::string>& args, Options defaults)
{
    if (const std::string preset = PresetNamed(args); !preset.empty()) {
        ApplyPreset(PresetsFilePath(), preset, defaults);
        defaults.preset = preset;
    }
    return ParseOptions(args, std::move(defaults));
}

} // namespace cli
