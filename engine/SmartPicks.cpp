#include "engine/SmartPicks.h"

#include "media/image/PictureMeasures.h"
#include "media/movie/MovieReader.h"

#include <algorithm>
#include <optional>

namespace conv {

namespace {

// Sharpness is measured at most this size: a 1080p picture at a third, where edges
// outweigh the grain and the measure costs little beside the decoding.
constexpr int kFocusSide = 640;

bool Stopped(const std::atomic<bool>* cancel) { return cancel && cancel->load(); }

std::vector<int> SharpestOfStrides(media::MovieReader& own, const std::vector<int>& nominal, int rangeEnd,
                                   LookedAt& found, const std::atomic<bool>* cancel)
{
    std::vector<int> chosen = nominal;
    std::vector<std::optional<double>> best(nominal.size());
    std::size_t stride = 0;
    own.FitInside(kFocusSide, kFocusSide);
    own.ReadRun(nominal.front(), std::max(rangeEnd, nominal.back()), 1, [&](int position, const media::Image* picture) {
        while (stride + 1 < nominal.size() && position >= nominal[stride + 1])
            ++stride;
        if (picture) {
            const double score = media::FocusMeasure(*picture);
            if (!best[stride] || score > *best[stride])
                best[stride] = score, chosen[stride] = position;
        }
        return !Stopped(cancel);
    });
    own.FitInside(0, 0);
    for (std::size_t i = 0; i < nominal.size(); ++i) {
        found.nominal[chosen[i]] = nominal[i];
        if (best[i])
            found.score[chosen[i]] = *best[i];
    }
    return chosen;
}

void MarkRepeats(media::MovieReader& own, const std::vector<int>& positions, LookedAt& found,
                 const std::atomic<bool>* cancel)
{
    std::optional<media::ComparedPlanes> kept;
    int keptAt = -1;
    media::Image picture;
    for (const int position : positions) {
        if (Stopped(cancel))
            return;
        if (!own.ReadFrame(position, picture))
            continue;
        media::ComparedPlanes planes = media::PlanesToCompare(picture);
        if (kept && media::LookTheSame(planes, *kept)) {
            found.repeats[position] = keptAt;
            continue;
        }
        kept = std::move(planes);
        keptAt = position;
    }
}

} // namespace

media::Result<std::vector<int>> LookAtPictures(const media::MovieReader& reader, const MoviePicks& picks,
                                               const std::vector<int>& nominal, int rangeEnd, LookedAt& found,
                                               const std::atomic<bool>* cancel)
{
    if (nominal.empty() || (!picks.sharpest && !picks.dedup))
        return nominal;
    auto own = reader.Twin(media::MovieReader::Options{});
    if (!own)
        return own.Error();
    std::vector<int> positions = picks.sharpest ? SharpestOfStrides(**own, nominal, rangeEnd, found, cancel) : nominal;
    if (picks.dedup)
        MarkRepeats(**own, positions, found, cancel);
    return positions;
}

} // namespace conv
