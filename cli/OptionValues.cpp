#include "cli/OptionValues.h"

#include "framework/Numbers.h"

#include <fstream>
#include <sstream>

namespace cli {

namespace {

// One listed place: a time, or a frame position; nothing when it is neither.
std::optional<conv::MoviePicks::Place> PlaceOf(std::string text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.pop_back();
    text.erase(0, text.find_first_not_of(" \t"));
    if (const std::optional<double> seconds = conv::ParseSeconds(text))
        return conv::MoviePicks::Place{text, std::nullopt, seconds};
    if (const auto frame = fw::ParseDecimalInteger(text); frame && *frame >= 0)
        return conv::MoviePicks::Place{text, int(*frame), std::nullopt};
    return std::nullopt;
}

} // namespace

int Number(const std::string& option, const std::string& text, conv::Range range)
{
    const auto value = fw::ParseDecimalInteger(text);
    if (!value || !range.Holds(*value))
        throw UsageError(option + " takes a whole number from " + std::to_string(range.low) + " to " +
                         std::to_string(range.high) + ", not '" + text + "'");
    return *value;
}

// A place in a movie: a time ("1:02.5", "62.5s") or a frame position.
void Place(const std::string& option, const std::string& text, std::optional<int>& frame,
           std::optional<double>& seconds)
{
    frame.reset(), seconds.reset();
    if ((seconds = conv::ParseSeconds(text)))
        return;
    if (!fw::ParseDecimalInteger(text))
        throw UsageError(option + " takes a frame or a time (62.5s, 1:02.5, 00:01:02.500), not '" + text + "'");
    frame = Number(option, text, {0, 1 << 30});
}

// --at's list: places apart by commas, or @FILE with one a line (a CSV's first column;
// a first line that is no place is its header).
std::vector<conv::MoviePicks::Place> Places(const std::string& option, const std::string& text)
{
    std::vector<conv::MoviePicks::Place> places;
    std::vector<std::string> items;
    const bool fromFile = !text.empty() && text[0] == '@';
    if (fromFile) {
        std::ifstream in(text.substr(1), std::ios::binary);
        if (!in)
            throw UsageError(option + ": cannot read '" + text.substr(1) + "'");
        for (std::string line; std::getline(in, line);)
            items.push_back(line.substr(0, line.find(',')));
    } else {
        std::stringstream list(text);
        for (std::string item; std::getline(list, item, ',');)
            items.push_back(item);
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (fromFile && items[i].find_first_not_of(" \t\r") == std::string::npos)
            continue;
        if (const auto place = PlaceOf(items[i]))
            places.push_back(*place);
        else if (!(fromFile && i == 0)) // a header
            throw UsageError(option + " takes times or frames (1.5s, 00:01:02.500, 120), not '" + items[i] + "'");
    }
    if (places.empty())
        throw UsageError(option + " names no time or frame");
    return places;
}

// A length of time above nothing, in seconds ("2", "2s", "0.5", "1:30").
double Duration(const std::string& option, const std::string& text)
{
    const std::optional<double> s = conv::ParseDuration(text);
    if (!s)
        throw UsageError(option + " takes a time above nothing (2s, 0.5, 1:30), not '" + text + "'");
    return *s;
}

conv::Rotation Rotation(const std::string& option, const std::string& text)
{
    const int degrees = Number(option, text, {0, 270});
    for (const conv::RotationEntry& entry : conv::kRotations)
        if (entry.clockwise == degrees)
            return entry.value;
    throw UsageError(option + " takes 0, 90, 180 or 270 (clockwise), not '" + text + "'");
}

// COLSxROWS, each from 1 to `most`, or none.
conv::SheetGrid Grid(const std::string& option, const std::string& text, int most)
{
    if (text == "none")
        return {};
    if (const std::optional<conv::SheetGrid> grid = conv::ParseGrid(text, most))
        return *grid;
    throw UsageError(option + " takes COLSxROWS, each from 1 to " + std::to_string(most) + ", or none, not '" + text + "'");
}

conv::Resize Resize(const std::string& text)
{
    const std::string bad = "--resize takes WxH (fit inside), WxH! (stretch), WxH> (shrink only), WxH< (enlarge "
                            "only), WxH^ (fill and crop), NL, NL> or NS (the long or short side), N% (scale) or none, "
                            "not '" + text + "'";
    conv::Resize r;
    if (text == "none")
        return r;
    // NL, NL>, NS: a side of N.
    if (const std::size_t side = text.find_first_of("LS"); side != std::string::npos && side > 0) {
        const std::string rest = text.substr(side);
        const auto n = fw::ParseDecimalInteger(text.substr(0, side));
        if (!n || !conv::kSideRange.Holds(*n) || (rest != "L" && rest != "L>" && rest != "S"))
            throw UsageError(bad + "; sides run from " + std::to_string(conv::kSideRange.low) + " to " +
                             std::to_string(conv::kSideRange.high));
        r.mode = rest == "S" ? conv::ResizeMode::ShortSide
                 : rest == "L" ? conv::ResizeMode::LongSide
                               : conv::ResizeMode::LongSideShrink;
        r.width = r.height = int(*n);
        return r;
    }
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
    const char last = size.empty() ? '\0' : size.back();
    const bool marked = last == '!' || last == '>' || last == '<' || last == '^';
    if (marked)
        size.pop_back();
    const std::size_t x = size.find_first_of("xX");
    if (x == std::string::npos)
        throw UsageError(bad);
    const auto w = fw::ParseDecimalInteger(size.substr(0, x)), h = fw::ParseDecimalInteger(size.substr(x + 1));
    if (!w || !h || !conv::kSideRange.Holds(*w) || !conv::kSideRange.Holds(*h))
        throw UsageError(bad + "; sides run from " + std::to_string(conv::kSideRange.low) + " to " +
                         std::to_string(conv::kSideRange.high));
    r.mode = last == '!'   ? conv::ResizeMode::Stretch
             : last == '>' ? conv::ResizeMode::Shrink
             : last == '<' ? conv::ResizeMode::Enlarge
             : last == '^' ? conv::ResizeMode::Fill
                           : conv::ResizeMode::Fit;
    r.width = *w;
    r.height = *h;
    return r;
}

} // namespace cli
