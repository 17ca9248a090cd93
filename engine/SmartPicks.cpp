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

std::vector<int> SharpestOfStrides(media::MovieReader& own, const std::vector<int>& nominal, int rangeEnd,
                                   LookedAt& found, Pace& pace)
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
        return pace.Next();
    });
    own.FitInside(0, 0);
    for (std::size_t i = 0; i < nominal.size(); ++i) {
        found.nominal[chosen[i]] = nominal[i];
        if (best[i])
            found.score[chosen[i]] = *best[i];
    }
    return chosen;
}

} // namespace

media::Result<std::vector<int>> LookAtPictures(const media::MovieReader& reader, const MoviePicks& picks,
                                               const std::vector<int>& nominal, int rangeEnd, LookedAt& found,
                                               const std::atomic<bool>* cancel, const Looking& looking)
{
    if (nominal.empty() || !picks.sharpest)
        return nominal;
    auto own = reader.Twin(media::MovieReader::Options{});
    if (!own)
        return own.Error();
    Pace pace{cancel, looking, std::max(rangeEnd, nominal.back()) - nominal.front() + 1};
    if (looking)
        looking(0, pace.total);
    return SharpestOfStrides(**own, nominal, rangeEnd, found, pace);
}

} // namespace conv
