#pragma once
// Where a movie's shots begin, from the change between its pictures, looked at
// small. A hard cut is a change far above the movie's own change around it; a
// dissolve is found at its middle, where the pictures on either side differ most, in
// their colours too (which motion leaves alone), and the picture between them is
// their mix. A flash (a change that returns within a fifth of a second) and a pan
// (changes as large before and after, colours that stay) are no cuts.
#include "media/image/Image.h"

#include <cstdint>
#include <deque>
#include <vector>

namespace conv {

class ShotFinder {
public:
    static constexpr int kThumbSide = 96; // pictures compared at most this size
    // For pictures `frameRate` a second (the windows are times, counted in pictures).
    explicit ShotFinder(double frameRate);
    // The next picture, in order, at any size (it is reduced here); none for a picture
    // that could not be decoded (the one before counts in its place).
    void Add(const media::Image* picture);
    // Where shots begin after the first: indexes into the pictures added, ascending.
    std::vector<int> Cuts() const;

    // The change between two pictures: the mean absolute difference of their reduced
    // colours, 0 to 255.
    using Thumb = std::vector<std::uint8_t>;
    static Thumb ThumbOf(const media::Image& picture);
    static double Change(const Thumb& a, const Thumb& b);
    // How much two pictures' colours differ, whatever their places: half the summed
    // difference of their histograms (16 levels a channel), 0 to 1.
    using Colours = std::vector<int>;
    static Colours ColoursOf(const Thumb& thumb);
    static double ColourChange(const Colours& a, const Colours& b);

private:
    void Measure(); // the series that the pictures kept now allow
    // Whether `value`, over pictures [from, to), is `times` the series' mean a gap
    // before or after them, whichever is less.
    bool RisesAbove(const std::vector<double>& series, int from, int to, double value, double times) const;

    int m_gap;    // pictures on each side of a dissolve's middle that are compared
    int m_return; // pictures within which a flash returns
    std::deque<Thumb> m_kept; // the last pictures, m_first the index of the front
    std::deque<Colours> m_colours; // theirs
    int m_first = 0;
    int m_count = 0;
    std::vector<double> m_step;    // change from the picture before, by index (0 at 0)
    std::vector<double> m_across;  // change between the pictures m_gap before and after
    std::vector<double> m_unmixed; // how far the picture is from the mix of those two
    std::vector<double> m_recoloured; // the colour change between those two
    std::vector<double> m_returns; // the least change, within m_return, back to before a jump
};

} // namespace conv
