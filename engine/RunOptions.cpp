#include "engine/RunOptions.h"

#include "engine/StillNames.h"
#include "framework/Numbers.h"
#include "framework/Paths.h"

#include <optional>

namespace conv {

namespace {

constexpr const char* kSection = "OPTIONS";

template <class Value, std::size_t N>
std::string WordOf(const OptionWord<Value> (&words)[N], Value value)
{
    return words[WordPosition(words, value)].word;
}

bool Switch(const std::string& text, bool& on)
{
    if (text != "0" && text != "1")
        return false;
    on = text == "1";
    return true;
}

// One [OPTIONS] key: its value read (false: it cannot be, the default stays) and written.
struct OptionKey {
    const char* key;
    bool (*read)(RunOptions& o, const std::string& text);
    std::string (*write)(const RunOptions& o);
};

const OptionKey kKeys[] = {
    {"PICK",
     [](RunOptions& o, const std::string& t) {
         const auto v = WordValue(kPickWays, t);
         return v && (o.pick = *v, true);
     },
     [](const RunOptions& o) { return WordOf(kPickWays, o.pick); }},
    {"EVERY", [](RunOptions& o, const std::string& t) { return ParseDuration(t) && (o.every = t, true); },
     [](const RunOptions& o) { return o.every; }},
    {"COUNT",
     [](RunOptions& o, const std::string& t) {
         const auto v = fw::ParseDecimalInteger(t);
         return v && *v >= 1 && (o.count = *v, true);
     },
     [](const RunOptions& o) { return std::to_string(o.count); }},
    {"NAME", [](RunOptions& o, const std::string& t) { return bool(StillNames::Parse(t)) && (o.name = t, true); },
     [](const RunOptions& o) { return o.name; }},
    {"EXISTS",
     [](RunOptions& o, const std::string& t) {
         const auto v = WordValue(kExistingWays, t);
         return v && (o.exists = *v, true);
     },
     [](const RunOptions& o) { return WordOf(kExistingWays, o.exists); }},
    {"MANIFEST",
     [](RunOptions& o, const std::string& t) {
         const auto v = WordValue(kManifestKinds, t);
         return v && (o.manifest = *v, true);
     },
     [](const RunOptions& o) { return WordOf(kManifestKinds, o.manifest); }},
    {"STRIP", [](RunOptions& o, const std::string& t) { return Switch(t, o.strip); },
     [](const RunOptions& o) { return std::string(o.strip ? "1" : "0"); }},
    {"DEINTERLACE", [](RunOptions& o, const std::string& t) { return Switch(t, o.deinterlace); },
     [](const RunOptions& o) { return std::string(o.deinterlace ? "1" : "0"); }},
    {"STOREDSIZE", [](RunOptions& o, const std::string& t) { return Switch(t, o.storedSize); },
     [](const RunOptions& o) { return std::string(o.storedSize ? "1" : "0"); }},
    {"SHARPEST", [](RunOptions& o, const std::string& t) { return Switch(t, o.sharpest); },
     [](const RunOptions& o) { return std::string(o.sharpest ? "1" : "0"); }},
    {"DEDUP", [](RunOptions& o, const std::string& t) { return Switch(t, o.dedup); },
     [](const RunOptions& o) { return std::string(o.dedup ? "1" : "0"); }},
    {"SHEET",
     [](RunOptions& o, const std::string& t) {
         const auto v = WordValue(kSheetWays, t);
         return v && (o.sheet = *v, true);
     },
     [](const RunOptions& o) { return WordOf(kSheetWays, o.sheet); }},
    {"SHEETGRID", [](RunOptions& o, const std::string& t) { return ParseGrid(t, kMostSheetSide) && (o.sheetGrid = t, true); },
     [](const RunOptions& o) { return o.sheetGrid; }},
    {"SPRITE", [](RunOptions& o, const std::string& t) { return Switch(t, o.sprite); },
     [](const RunOptions& o) { return std::string(o.sprite ? "1" : "0"); }},
    {"SPRITEGRID",
     [](RunOptions& o, const std::string& t) { return ParseGrid(t, kMostSpriteSide) && (o.spriteGrid = t, true); },
     [](const RunOptions& o) { return o.spriteGrid; }},
};

} // namespace

RunOptions ReadRunOptions(const fw::TIniFile& ini)
{
    RunOptions o;
    for (const OptionKey& k : kKeys) {
        RunOptions tried = o;
        if (const std::string text = ini.ReadString(kSection, k.key, ""); !text.empty() && k.read(tried, text))
            o = tried;
    }
    return o;
}

bool HoldsRunOptions(const fw::TIniFile& ini)
{
    // A value no key could hold stands for "absent".
    constexpr const char* kAbsent = "\n";
    for (const OptionKey& k : kKeys)
        if (ini.ReadString(kSection, k.key, kAbsent) != kAbsent)
            return true;
    return false;
}

std::vector<fw::IniEntry> RunOptionsEntries(const RunOptions& o)
{
    std::vector<fw::IniEntry> entries;
    for (const OptionKey& k : kKeys)
        entries.push_back({kSection, k.key, k.write(o)});
    return entries;
}

std::string ManifestPath(ManifestKind kind, const std::string& outputFolder, const std::string& movie)
{
    if (kind == ManifestKind::None)
        return "";
    const std::string stem = movie.empty() ? std::string("pictures") : fw::ChangeFileExt(fw::ExtractFileName(movie), "");
    return outputFolder + "/" + stem + "-manifest." + WordOf(kManifestKinds, kind);
}

} // namespace conv
