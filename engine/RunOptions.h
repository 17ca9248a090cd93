#pragma once
// A run's options beyond the picture settings, as both front ends keep them in the
// settings file's [OPTIONS] section: how a movie's pictures are picked and named, what
// is done with files there already, the run's record, the photos' metadata, and how a
// movie's frames are read. Each option is one row of one table (RunOptions.cpp): its
// key, how its value is read and written, and what it sets in a run.
#include "engine/MoviePicks.h"
#include "engine/Pipeline.h"
#include "engine/StillNames.h"
#include "framework/IniFile.h"

#include <optional>
#include <string>
#include <vector>

namespace conv {

enum class PickWay { Step, Every, Count, Keyframes, Scenes };
enum class ManifestKind { None, Csv, Json };
enum class SheetWay { None, WithStills, Only };

struct RunOptions {
    PickWay pick = PickWay::Step; // the step itself is the window's frame step
    std::string every = "1s";     // as --every takes it
    int count = 10;
    std::string name = kDefaultStillName; // a template as --name takes it
    Existing exists = Existing::Overwrite;
    ManifestKind manifest = ManifestKind::None;
    bool strip = false;
    bool deinterlace = false;
    bool storedSize = false;
    bool sharpest = false; // each stride's sharpest picture (with step, every or count)
    bool dedup = false;    // no picture that looks the same as the last one written
    SheetWay sheet = SheetWay::None; // a movie's contact sheets, and whether its stills too
    std::string sheetGrid = "4x4";   // as --sheet takes it
    bool sprite = false;             // sprite sheets with their WebVTT track
    std::string spriteGrid = "10x10";

    bool operator==(const RunOptions&) const = default;
};

// The words of each choice, in the order the options window lists them.
template <class Value>
struct OptionWord {
    const char* word;
    Value value;
};
inline constexpr OptionWord<PickWay> kPickWays[] = {
    {"step", PickWay::Step},
    {"every", PickWay::Every},
    {"count", PickWay::Count},
    {"keyframes", PickWay::Keyframes},
    {"scenes", PickWay::Scenes}};
inline constexpr OptionWord<Existing> kExistingWays[] = {
    {"overwrite", Existing::Overwrite}, {"skip", Existing::Skip}, {"number", Existing::Number}};
inline constexpr OptionWord<ManifestKind> kManifestKinds[] = {
    {"none", ManifestKind::None}, {"csv", ManifestKind::Csv}, {"json", ManifestKind::Json}};
inline constexpr OptionWord<SheetWay> kSheetWays[] = {
    {"none", SheetWay::None}, {"with", SheetWay::WithStills}, {"only", SheetWay::Only}};

// The choice a word names, if any.
template <class Value, std::size_t N>
std::optional<Value> WordValue(const OptionWord<Value> (&words)[N], const std::string& text)
{
    for (const auto& w : words)
        if (text == w.word)
            return w.value;
    return std::nullopt;
}
// A choice's place among its words (0 when absent), and the choice at a place (the
// first one outside them).
template <class Value, std::size_t N>
int WordPosition(const OptionWord<Value> (&words)[N], Value value)
{
    for (std::size_t i = 0; i < N; ++i)
        if (words[i].value == value)
            return int(i);
    return 0;
}
template <class Value, std::size_t N>
Value WordAt(const OptionWord<Value> (&words)[N], int position)
{
    return words[position >= 0 && position < int(N) ? position : 0].value;
}

// The options stored in `ini`; a key absent, or whose value cannot be read, keeps its
// default.
RunOptions ReadRunOptions(const fw::TIniFile& ini);
// Whether `ini` holds any of the options' keys.
bool HoldsRunOptions(const fw::TIniFile& ini);
// The entries that store `o`, one a key.
std::vector<fw::IniEntry> RunOptionsEntries(const RunOptions& o);

// The options put into a run's request, or anything that names its parts as a request
// does (the command line's options). With PickWay::Step the request's step is left as
// the caller set it. An EVERY that is no time leaves the step.
template <class Run>
void ApplyRunOptions(const RunOptions& o, Run& run)
{
    MoviePicks& picks = run.picks;
    if (o.pick == PickWay::Every) {
        if (const auto seconds = ParseDuration(o.every))
            picks.step.reset(), picks.everySeconds = seconds;
    } else if (o.pick == PickWay::Count) {
        picks.step.reset(), picks.count = o.count;
    } else if (o.pick == PickWay::Keyframes) {
        picks.step.reset(), picks.keyframes = true;
    } else if (o.pick == PickWay::Scenes) {
        picks.step.reset(), picks.scenes = true;
    }
    // Strides only where the picks have them.
    picks.sharpest = o.sharpest && o.pick != PickWay::Keyframes && o.pick != PickWay::Scenes;
    picks.dedup = o.dedup;
    run.sheet = o.sheet == SheetWay::None ? SheetGrid{} : ParseGrid(o.sheetGrid, kMostSheetSide).value_or(SheetGrid{});
    run.sprite = o.sprite ? ParseGrid(o.spriteGrid, kMostSpriteSide).value_or(SheetGrid{}) : SheetGrid{};
    run.sheetOnly = o.sheet == SheetWay::Only && run.sheet.Given();
    run.stillNames = o.name;
    run.existing = o.exists;
    run.picture.keepMetadata = !o.strip;
    run.deinterlace = o.deinterlace;
    run.storedSize = o.storedSize;
}

// Where the run's record goes: `<movie>-manifest.<ext>` (pictures-manifest.<ext> for
// pictures, `movie` empty) in the output folder; empty without one.
std::string ManifestPath(ManifestKind kind, const std::string& outputFolder, const std::string& movie);

} // namespace conv
