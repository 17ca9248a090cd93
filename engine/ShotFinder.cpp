#include "engine/ShotFinder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace conv {

namespace {

constexpr double kGapSeconds = 0.32; // a dissolve's middle against this before and after
constexpr double kReturnSeconds = 0.2;
constexpr double kLeastChange = 12;  // below this no change is a cut, however quiet the shot
constexpr double kAboveAround = 3;   // a hard cut: this many times the change around it
constexpr double kMixedAtMost = 0.3; // a dissolve's middle: this close to the mix, for its change
constexpr double kReturnsWithin = 0.5; // a jump whose pictures come back this close is a flash
constexpr double kLeastRecolouring = 0.25; // a dissolve changes at least this much of the colours
constexpr double kAboveDrift = 1.5; // a dissolve's change: this many times the change a gap beyond it
constexpr double kStepsAbove = 1.25; // and its pictures' steps this many times those beyond it

int Pictures(double seconds, double frameRate, int least)
{
    return std::max(least, int(std::lround(seconds * (frameRate > 0 ? frameRate : 25))));
}

} // namespace

ShotFinder::ShotFinder(double frameRate)
    : m_gap(Pictures(kGapSeconds, frameRate, 2)), m_return(Pictures(kReturnSeconds, frameRate, 1))
{
}

ShotFinder::Thumb ShotFinder::ThumbOf(const media::Image& picture)
{
    media::Image scratch;
    const media::Image& rgb = media::AsRgb24(picture, scratch);
    const int factor = std::max(1, (std::max(rgb.width, rgb.height) + kThumbSide - 1) / kThumbSide);
    const int w = std::max(1, rgb.width / factor), h = std::max(1, rgb.height / factor);
    Thumb thumb(std::size_t(w) * std::size_t(h) * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = 0; dy < factor; ++dy)
                    for (int dx = 0; dx < factor; ++dx)
                        sum += rgb.Row(y * factor + dy)[(x * factor + dx) * 3 + c];
                thumb[(std::size_t(y) * std::size_t(w) + std::size_t(x)) * 3 + std::size_t(c)] =
                    std::uint8_t(sum / (factor * factor));
            }
    return thumb;
}

double ShotFinder::Change(const Thumb& a, const Thumb& b)
{
    if (a.size() != b.size() || a.empty())
        return 255;
    long sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        sum += std::abs(int(a[i]) - int(b[i]));
    return double(sum) / double(a.size());
}

ShotFinder::Colours ShotFinder::ColoursOf(const Thumb& thumb)
{
    Colours counts(48, 0);
    for (std::size_t i = 0; i < thumb.size(); ++i)
        ++counts[(i % 3) * 16 + thumb[i] / 16];
    return counts;
}

double ShotFinder::ColourChange(const Colours& a, const Colours& b)
{
    long apart = 0, all = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        apart += std::abs(a[i] - b[i]), all += a[i];
    return all ? double(apart) / double(2 * all) : 1;
}

void ShotFinder::Add(const media::Image* picture)
{
    if (picture && !picture->Empty())
        m_kept.push_back(ThumbOf(*picture));
    else
        m_kept.push_back(m_kept.empty() ? Thumb() : m_kept.back());
    m_colours.push_back(ColoursOf(m_kept.back()));
    ++m_count;
    Measure();
    // Only what the windows still reach is kept.
    while (int(m_kept.size()) > 2 * m_gap + 2 * m_return + 2)
        m_kept.pop_front(), m_colours.pop_front(), ++m_first;
}

void ShotFinder::Measure()
{
    const int k = m_count - 1;
    const auto at = [&](int i) -> const Thumb& { return m_kept[std::size_t(i - m_first)]; };
    m_step.push_back(k == 0 ? 0 : Change(at(k - 1), at(k)));
    m_across.push_back(0);
    m_unmixed.push_back(255);
    m_recoloured.push_back(0);
    m_returns.push_back(255);
    if (const int i = k - m_gap; i >= m_gap) {
        const Thumb &before = at(i - m_gap), &after = at(k), &middle = at(i);
        m_across[std::size_t(i)] = Change(before, after);
        long off = 0;
        for (std::size_t p = 0; p < middle.size() && p < before.size() && p < after.size(); ++p)
            off += std::abs(2 * int(middle[p]) - int(before[p]) - int(after[p]));
        m_unmixed[std::size_t(i)] = middle.empty() ? 255 : double(off) / 2 / double(middle.size());
        m_recoloured[std::size_t(i)] =
            ColourChange(m_colours[std::size_t(i - m_gap - m_first)], m_colours[std::size_t(k - m_first)]);
    }
    // A jump into picture c comes back when a picture soon after it is like the one
    // before the jump, or picture c is like one shortly before the jump.
    if (const int c = k - m_return; c >= 1) {
        double least = 255;
        for (int j = 1; j <= m_return; ++j) {
            least = std::min(least, Change(at(c - 1), at(c + j)));
            if (c - 1 - j >= m_first)
                least = std::min(least, Change(at(c), at(c - 1 - j)));
        }
        m_returns[std::size_t(c)] = least;
    }
}

namespace {

double Mean(const std::vector<double>& series, int from, int to)
{
    double sum = 0;
    for (int i = from; i < to; ++i)
        sum += series[std::size_t(i)];
    return to > from ? sum / (to - from) : 0;
}

} // namespace

bool ShotFinder::RisesAbove(const std::vector<double>& series, int from, int to, double value, double times) const
{
    // A change that goes on as large around [from, to) (a slow drift of the light, a
    // camera creeping) is no dissolve; the side a pan or a cut follows on is passed
    // over by taking the quieter side.
    const int n = int(series.size());
    double around = value;
    if (from - m_gap >= 1)
        around = std::min(around, Mean(series, from - m_gap, from));
    if (to + m_gap <= n)
        around = std::min(around, Mean(series, to, to + m_gap));
    return value >= times * around;
}

std::vector<int> ShotFinder::Cuts() const
{
    const int n = m_count;
    std::vector<int> cuts;
    std::vector<char> hard(std::size_t(std::max(n, 0)), 0);
    for (int c = 1; c < n; ++c) {
        const double jump = m_step[std::size_t(c)];
        double around = 0;
        int counted = 0;
        for (int i = std::max(1, c - m_gap); i <= std::min(n - 1, c + m_gap); ++i)
            if (i != c)
                around += m_step[std::size_t(i)], ++counted;
        around = counted ? around / counted : 0;
        if (jump >= kLeastChange && jump >= kAboveAround * around && m_returns[std::size_t(c)] > kReturnsWithin * jump)
            hard[std::size_t(c)] = 1, cuts.push_back(c);
    }
    // Dissolves: runs of pictures that are the mix of the pictures a gap before and
    // after, those being far apart, with no hard cut near; each gives its middle.
    const auto mixed = [&](int i) {
        const double across = m_across[std::size_t(i)];
        if (across < kLeastChange || m_unmixed[std::size_t(i)] > kMixedAtMost * across ||
            m_recoloured[std::size_t(i)] < kLeastRecolouring)
            return false;
        for (int j = std::max(0, i - m_gap); j <= std::min(n - 1, i + m_gap); ++j)
            if (hard[std::size_t(j)])
                return false;
        return true;
    };
    for (int i = m_gap; i < n - m_gap;) {
        if (!mixed(i)) {
            ++i;
            continue;
        }
        int end = i;
        double peak = 0;
        for (; end < n - m_gap && mixed(end); ++end)
            peak = std::max(peak, m_across[std::size_t(end)]);
        int first = end, last = i;
        for (int j = i; j < end; ++j)
            if (m_across[std::size_t(j)] >= 0.9 * peak)
                first = std::min(first, j), last = std::max(last, j);
        if (RisesAbove(m_across, i, end, peak, kAboveDrift) &&
            RisesAbove(m_step, i, end, Mean(m_step, i, end), kStepsAbove))
            cuts.push_back((first + last + 1) / 2);
        i = end;
    }
    std::sort(cuts.begin(), cuts.end());
    return cuts;
}

} // namespace conv
