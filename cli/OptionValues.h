#pragma once
// The values the command line's options take, read from their text: numbers in a
// range, places and lengths of time, words from a table, grids, resize geometries and
// --at's lists. A value that cannot be read is a UsageError naming the option and it.
#include "cli/UsageError.h"
#include "engine/ContactSheets.h"
#include "engine/MoviePicks.h"
#include "engine/PictureSettings.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <vector>

namespace cli {

int Number(const std::string& option, const std::string& text, conv::Range range);
// A place in a movie: a time ("1:02.5", "62.5s") or a frame position.
void Place(const std::string& option, const std::string& text, std::optional<int>& frame,
           std::optional<double>& seconds);
// --at's list: places apart by commas, or @FILE with one a line (a CSV's first column;
// a first line that is no place is its header).
std::vector<conv::MoviePicks::Place> Places(const std::string& option, const std::string& text);
// A length of time above nothing, in seconds ("2", "2s", "0.5", "1:30").
double Duration(const std::string& option, const std::string& text);
conv::Rotation Rotation(const std::string& option, const std::string& text);
// COLSxROWS, each from 1 to `most`, or none.
conv::SheetGrid Grid(const std::string& option, const std::string& text, int most);
// WxH, WxH!, WxH>, WxH<, WxH^, NL, NL>, NS, N% or none.
conv::Resize Resize(const std::string& text);

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

} // namespace cli
