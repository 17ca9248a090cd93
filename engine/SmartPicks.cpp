#include "engine/SmartPicks.h"

#include "engine/ShotFinder.h"
#include "media/image/PictureMeasures.h"
#include "media/movie/MovieReader.h"

#include <algorithm>
#include <optional>

namespace conv {

namespace {

// Pictures are looked at most this size: a 1080p picture at a third, where edges
// outweigh the grain for sharpness and the looking costs little beside the decoding.
constexpr int kLookSide = 640;

// How far looking has come, and whether to go on.
struct Pace {
    const std::atomic<bool>* cancel;
    const Looking& looking;
    int total;
    int done = 0;

    bool Next()
    {
        if (looking)
            looking(++done, total);
        return !(cancel && cancel->load());
    }
};

// Each picture from `first` to `last`, reduced to at most `side`, in order (nullptr
// where it cannot be decoded), until `Pace` says stop.
template <class Take>
void LookAlong(media::MovieReader& own, int first, int last, int side, Pace& pace, Take&& take)
{
    own.FitInside(side, side);
    own.ReadRun(first, last, 1, [&](int position, const media::Image* picture) {
        take(position, picture);
        return pace.Next();
    });
}

std::vector<int> SharpestOfStrides(media::MovieReader& own, const std::vector<int>& nominal, int rangeEnd,
                                   LookedAt& found, Pace& pace)
{
    std::vector<int> chosen = nominal;
    std::vector<std::optional<double>> best(nominal.size());
    std::size_t stride = 0;
    LookAlong(own, nominal.front(), rangeEnd, kLookSide, pace, [&](int position, const media::Image* picture) {
        while (stride + 1 < nominal.size() && position >= nominal[stride + 1])
            ++stride;
        if (picture) {
            const double score = media::FocusMeasure(*picture);
            if (!best[stride] || score > *best[stride])
                best[stride] = score, chosen[stride] = position;
        }
    });
    for (std::size_t i = 0; i < nominal.size(); ++i) {
        found.nominal[chosen[i]] = nominal[i];
        if (best[i])
            found.score[chosen[i]] = *best[i];
    }
    return chosen;
}

// Cuts closer than the shortest shot to the shot's start are not taken, nor one that
// leaves a last shot shorter than that.
std::vector<int> ShotStarts(const std::vector<int>& cuts, int first, int last, const std::vector<double>& times,
                            double least)
{
    const auto lasts = [&](int from, int to) { return times[std::size_t(to)] - times[std::size_t(from)] >= least - 1e-9; };
    std::vector<int> starts = {first};
    for (const int cut : cuts)
        if (lasts(starts.back(), cut))
            starts.push_back(cut);
    if (starts.size() > 1 && !lasts(starts.back(), last))
        starts.pop_back();
    return starts;
}

std::vector<int> StillsOfShots(media::MovieReader& own, const MoviePicks& picks, const LookingAt& what,
                               LookedAt& found, Pace& pace)
{
    const int first = what.nominal.front(), last = what.rangeEnd;
    ShotFinder finder(own.FrameRate());
    const bool sharpest = picks.shotStill == MoviePicks::ShotStill::Sharpest;
    std::vector<double> focus;
    // Cuts are found on small pictures: the decoder need not make them exact, nor the
    // scaler large. The sharpest still needs them as they are.
    LookAlong(own, first, last, sharpest ? kLookSide : 2 * ShotFinder::kThumbSide, pace, [&](int, const media::Image* picture) {
        finder.Add(picture);
        if (sharpest)
            focus.push_back(picture ? media::FocusMeasure(*picture) : -1);
    });
    std::vector<int> cuts = finder.Cuts();
    for (int& cut : cuts)
        cut += first;
    const std::vector<int> starts = ShotStarts(cuts, first, last, what.times, picks.minShot);
    std::vector<int> stills;
    for (std::size_t s = 0; s < starts.size(); ++s) {
        ShotSpan shot{int(s) + 1, starts[s], s + 1 < starts.size() ? starts[s + 1] - 1 : last, 0, 0};
        shot.firstSeconds = what.times[std::size_t(shot.first)], shot.lastSeconds = what.times[std::size_t(shot.last)];
        int still = shot.first;
        if (picks.shotStill == MoviePicks::ShotStill::Middle)
            still = shot.first + (shot.last - shot.first) / 2;
        // Stopped while looking: the pictures not looked at have no focus.
        if (sharpest && std::size_t(shot.first - first) < focus.size()) {
            const auto from = focus.begin() + (shot.first - first);
            const auto to = focus.begin() + std::min<std::ptrdiff_t>(shot.last - first + 1, std::ptrdiff_t(focus.size()));
            still = shot.first + int(std::max_element(from, to) - from);
            found.score[still] = focus[std::size_t(still - first)];
        }
        found.shot[still] = shot;
        stills.push_back(still);
    }
    return stills;
}

} // namespace

media::Result<std::vector<int>> LookAtPictures(const media::MovieReader& reader, const MoviePicks& picks,
                                               const LookingAt& what, LookedAt& found)
{
    if (what.nominal.empty() || (!picks.sharpest && !picks.scenes))
        return what.nominal;
    media::MovieReader::Options options;
    options.preview = picks.scenes && picks.shotStill != MoviePicks::ShotStill::Sharpest;
    auto own = reader.Twin(options);
    if (!own)
        return own.Error();
    Pace pace{what.cancel, what.looking, std::max(what.rangeEnd, what.nominal.back()) - what.nominal.front() + 1};
    if (what.looking)
        what.looking(0, pace.total);
    if (picks.scenes)
        return StillsOfShots(**own, picks, what, found, pace);
    return SharpestOfStrides(**own, what.nominal, what.rangeEnd, found, pace);
}

} // namespace conv
