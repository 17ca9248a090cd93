#pragma once
// High dynamic range pictures (PQ or HLG, BT.2020) made into the SDR BT.709
// pictures a still is: the light the picture stands for, its gamut mapped into
// BT.709 keeping hue, its highlights above reference white rolled off.

#include <cstdint>

extern "C" {
struct AVFrame;
struct AVStream;
}

namespace media {

struct Image;

enum class HdrCurve { None, Pq, Hlg };

// The curve a decoded picture is tagged with (None for SDR pictures).
HdrCurve HdrCurveOf(const AVFrame* frame);

// The brightest light a stream says it holds, in cd/m² (its content light level,
// else its mastering display's peak), 0 where it says nothing.
double StatedPeakNits(const AVStream* stream);

// The same said by a picture's own side data, else `fallback`.
double StatedPeakNits(const AVFrame* frame, double fallback);

// Light levels of the HDR systems: the reference white an SDR white stands for,
// and the display an HLG picture is shown on.
inline constexpr double kReferenceWhiteNits = 203;
inline constexpr double kHlgDisplayPeakNits = 1000;

// One picture's conversion, its tables made once for a curve and a peak.
class HdrToSdr {
public:
    static constexpr int kSteps = 4096; // the signals it takes: 12 bits

    // `peakNits`: the brightest light to keep apart from white (0: the curve's usual);
    // `widePrimaries`: BT.2020's colours (else BT.709's, as some HDR movies say).
    HdrToSdr(HdrCurve curve, double peakNits, bool widePrimaries = true);

    // `count` pixels of 12-bit non-linear R'G'B' (0..4095, a row for each channel)
    // to 8-bit BT.709 R'G'B'.
    void Convert(const std::uint16_t* red, const std::uint16_t* green, const std::uint16_t* blue, int count,
                 std::uint8_t* rgb24) const;

    // Whether these tables are the ones the arguments would make.
    bool MadeFor(HdrCurve curve, double peakNits, bool widePrimaries) const
    {
        return curve == curve_ && peakNits == askedPeakNits_ && widePrimaries == widePrimaries_;
    }

private:
    // The roll-off alone, in light relative to reference white.
    double RolledOff(double light) const;

    HdrCurve curve_;
    double askedPeakNits_;
    bool widePrimaries_;
    double peak_;         // relative to reference white
    float toBt709_[3][3];
    float toLight_[kSteps];      // signal (12 bits) to light: PQ relative to reference white, HLG scene light
    float hlgGain_[kSteps];      // HLG: scene luminance (by its square root) to display light's factor
    float rollOff_[kSteps];      // light from the knee to the peak, rolled off
    std::uint8_t toSignal_[kSteps]; // light (by its square root) to 8-bit BT.709 signal
    float rollOffScale_;
};

// A decoded picture of planar 10- to 16-bit BT.2020 Y'CbCr tone mapped into `out`
// at its own size; false (nothing done) for any other layout.
bool HdrYuvToRgb(const AVFrame* frame, const HdrToSdr& toSdr, Image& out);

} // namespace media
