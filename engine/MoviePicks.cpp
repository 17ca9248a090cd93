#include "engine/MoviePicks.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <type_traits>
#include <vector>

namespace conv {

namespace {

// The last position shown at or before `seconds` (the first for a time before it).
int ShownAt(const std::vector<double>& times, double seconds)
{
    const auto after = std::upper_bound(times.begin(), times.end(), seconds + 1e-9);
    return after == times.begin() ? 0 : int(after - times.begin()) - 1;
}

std::string Seconds(double s)
{
    std::string text = std::to_string(s);
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.')
        text.pop_back();
    return text + " s";
}

} // namespace

std::pair<int, int> PickRange(const MoviePicks& p, const std::vector<double>& times)
{
    const int last = int(times.size()) - 1;
    return {p.startSeconds ? ShownAt(times, *p.startSeconds) : p.start.value_or(0),
            p.endSeconds ? ShownAt(times, *p.endSeconds) : std::min(p.end.value_or(last), last)};
}

std::vector<int> PlacesAt(const std::vector<MoviePicks::Place>& places, const std::vector<double>& times,
                          std::vector<std::pair<int, std::string>>& asked, std::vector<std::string>& beyond)
{
    const int last = int(times.size()) - 1;
    // The last picture is shown for as long as the one before it was.
    const double end = last < 0 ? 0 : times.back() + (last > 0 ? times.back() - times[std::size_t(last) - 1] : 0);
    std::vector<int> positions;
    for (const MoviePicks::Place& place : places) {
        int position = -1;
        if (place.frame && *place.frame <= last)
            position = *place.frame;
        else if (place.seconds && last >= 0 && *place.seconds < end + 1e-9)
            position = ShownAt(times, *place.seconds);
        if (position < 0) {
            std::string why = "--at ";
            why.append(place.asked).append(" lies beyond the movie's ");
            why.append(place.frame ? "last frame, " : "end, ").append(place.frame ? std::to_string(last) : Seconds(end));
            beyond.push_back(std::move(why));
            continue;
        }
        if (std::find(positions.begin(), positions.end(), position) != positions.end())
            continue;
        positions.push_back(position);
        asked.emplace_back(position, place.asked);
    }
    return positions;
}

media::Result<std::vector<int>> PickPositions(const MoviePicks& p, const std::vector<double>& times,
                                              const std::vector<int>& keys, const std::string& movie)
{
    const int last = int(times.size()) - 1;
    if (last < 0)
        return std::vector<int>{};
    if (p.startSeconds && *p.startSeconds > times.back())
        return media::Fail(media::FailureKind::StepFailed, movie + ": --start " + Seconds(*p.startSeconds) +
                                                               " lies beyond the movie's end, " + Seconds(times.back()));
    if (p.start && *p.start > last)
        return media::Fail(media::FailureKind::StepFailed, movie + ": --start " + std::to_string(*p.start) +
                                                               " lies beyond the last frame, " + std::to_string(last));
    const auto [start, end] = PickRange(p, times);
    std::vector<int> picked;
    const auto take = [&](int n) {
        if (picked.empty() || picked.back() < n) // never the same picture twice
            picked.push_back(n);
    };
    if (end < start)
        return picked;
    if (p.keyframes) {
        for (int key : keys)
            if (key >= start && key <= end)
                take(key);
    } else if (p.everySeconds) {
        // From the time asked, not the picture shown then: --start 0.34s --every 2s
        // gives the pictures shown at 0.34, 2.34, 4.34 s ...
        const double from = p.startSeconds.value_or(times[std::size_t(start)]), every = *p.everySeconds;
        for (long long k = 0;;) {
            const double instant = from + double(k) * every;
            if (instant > times[std::size_t(end)] + 1e-9)
                break;
            const int shown = ShownAt(times, instant);
            take(shown);
            if (shown >= end)
                break;
            // On to the first instant at which the next picture shows (a tiny step
            // must not walk through every instant of a long movie).
            const double next = std::ceil((times[std::size_t(shown) + 1] - from) / every - 1e-9);
            k = std::max(k + 1, static_cast<long long>(next));
        }
    } else if (p.count) {
        // More pictures than the range holds: each once.
        const int n = std::clamp(*p.count, 1, end - start + 1);
        for (int i = 0; i < n; ++i)
            take(n == 1 ? start : start + int(std::lround(double(end - start) * i / (n - 1))));
    } else {
        const int step = std::max(p.step.value_or(1), 1);
        for (int n = start; n <= end; n += step)
            take(n);
    }
    return picked;
}

MoviePicks FitToMovie(const MoviePicks& picks, const std::vector<double>& times, std::string& said)
{
    said.clear();
    MoviePicks fitted = picks;
    if (times.empty())
        return fitted;
    const int last = int(times.size()) - 1;
    // Each end of the range, as a frame or a time, brought to the last picture.
    const auto fit = [&](auto& value, auto limit, const std::string& shown, const char* option, const char* then) {
        if (!value || *value <= limit)
            return;
        const bool frame = std::is_integral_v<std::decay_t<decltype(limit)>>;
        said.append(said.empty() ? "" : "; ")
            .append(option)
            .append(frame ? std::to_string(*value) : Seconds(double(*value)))
            .append(frame ? " lies beyond the last frame, " : " lies beyond the movie's end, ")
            .append(shown)
            .append(then)
            .append(frame ? shown : std::string("there"));
        value = limit;
    };
    const std::string lastFrame = std::to_string(last), end = Seconds(times.back());
    fit(fitted.start, last, lastFrame, "--start ", ": from ");
    fit(fitted.startSeconds, times.back(), end, "--start ", ": from ");
    fit(fitted.end, last, lastFrame, "--end ", ": to ");
    fit(fitted.endSeconds, times.back(), end, "--end ", ": to ");
    return fitted;
}

std::optional<double> ParseSeconds(const std::string& text)
{
    const bool unit = !text.empty() && text.back() == 's';
    const std::string body = unit ? text.substr(0, text.size() - 1) : text;
    std::vector<std::string> fields;
    for (std::size_t at = 0;;) {
        const std::size_t colon = body.find(':', at);
        fields.push_back(body.substr(at, colon == std::string::npos ? std::string::npos : colon - at));
        if (colon == std::string::npos)
            break;
        at = colon + 1;
    }
    // A whole number alone is a frame, not a time.
    if (fields.size() > 3 || (fields.size() == 1 && !unit && body.find('.') == std::string::npos))
        return std::nullopt;
    double total = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string& f = fields[i];
        const bool seconds = i + 1 == fields.size(); // only they may have a fraction
        if (f.empty() || f == "." || f.find_first_not_of(seconds ? "0123456789." : "0123456789") != std::string::npos ||
            std::count(f.begin(), f.end(), '.') > 1)
            return std::nullopt;
        const double value = std::strtod(f.c_str(), nullptr);
        if (i > 0 && value >= 60) // 1:75 is no time
            return std::nullopt;
        total = total * 60 + value;
    }
    return total;
}

std::optional<double> ParseDuration(const std::string& text)
{
    std::optional<double> s = ParseSeconds(text);
    if (!s)
        s = ParseSeconds(text + "s");
    if (!s || *s <= 0)
        return std::nullopt;
    return s;
}

} // namespace conv
