// PQ and HLG to SDR: each pixel to the light it stands for (relative to reference
// white, 203 cd/m²), into BT.709's primaries, out-of-gamut colours moved toward
// the grey of their own luminance (hue kept), light above a knee near white rolled
// off toward the peak, and the result coded as an SDR display would show it
// (BT.1886: gamma 2.4). Everything per pixel goes through tables made once.
#include "media/movie/HdrToSdr.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libavutil/mastering_display_metadata.h>
}

#include <algorithm>
#include <cmath>

namespace media {

namespace {

constexpr double kSdrGamma = 2.4;
// The light (relative to reference white) up to which nothing is rolled off: the
// SDR signal 0.86 (220 of 255). What lies below keeps its exact colour.
constexpr double kKnee = 0.7;

// SMPTE ST 2084: a signal to cd/m².
double PqToNits(double signal)
{
    constexpr double m1 = 2610.0 / 16384, m2 = 2523.0 / 4096 * 128;
    constexpr double c1 = 3424.0 / 4096, c2 = 2413.0 / 4096 * 32, c3 = 2392.0 / 4096 * 32;
    const double p = std::pow(std::clamp(signal, 0.0, 1.0), 1 / m2);
    return 10000 * std::pow(std::max(p - c1, 0.0) / (c2 - c3 * p), 1 / m1);
}

// ARIB STD-B67 (HLG): a signal to scene light, 0..1.
double HlgToScene(double signal)
{
    constexpr double a = 0.17883277, b = 1 - 4 * a, c = 0.55991073;
    const double e = std::clamp(signal, 0.0, 1.0);
    return e <= 0.5 ? e * e / 3 : (std::exp((e - c) / a) + b) / 12;
}

// BT.2020 linear light to BT.709's primaries (BT.2087).
constexpr float kToBt709[3][3] = {{1.660491f, -0.587641f, -0.072850f},
                                  {-0.124550f, 1.132900f, -0.008349f},
                                  {-0.018151f, -0.100579f, 1.118730f}};

// A table read at a fractional place, between its two neighbours.
inline float Between(const float* table, int last, float place)
{
    if (place <= 0)
        return table[0];
    if (place >= float(last))
        return table[last];
    const int i = int(place);
    const float f = place - float(i);
    return table[i] + (table[i + 1] - table[i]) * f;
}

int NitsOf(AVRational r) { return r.den > 0 && r.num > 0 ? int(r.num / r.den) : 0; }

double PeakOfSideData(const AVContentLightMetadata* light, const AVMasteringDisplayMetadata* display)
{
    if (light && light->MaxCLL > 0)
        return light->MaxCLL;
    if (display && display->has_luminance)
        return NitsOf(display->max_luminance);
    return 0;
}

} // namespace

HdrCurve HdrCurveOf(const AVFrame* frame)
{
    switch (frame->color_trc) {
    case AVCOL_TRC_SMPTE2084:
        return HdrCurve::Pq;
    case AVCOL_TRC_ARIB_STD_B67:
        return HdrCurve::Hlg;
    default:
        return HdrCurve::None;
    }
}

double StatedPeakNits(const AVStream* stream)
{
    const auto* light = reinterpret_cast<const AVContentLightMetadata*>(
        av_stream_get_side_data(stream, AV_PKT_DATA_CONTENT_LIGHT_LEVEL, nullptr));
    const auto* display = reinterpret_cast<const AVMasteringDisplayMetadata*>(
        av_stream_get_side_data(stream, AV_PKT_DATA_MASTERING_DISPLAY_METADATA, nullptr));
    return PeakOfSideData(light, display);
}

double StatedPeakNits(const AVFrame* frame, double fallback)
{
    const AVFrameSideData* light = av_frame_get_side_data(frame, AV_FRAME_DATA_CONTENT_LIGHT_LEVEL);
    const AVFrameSideData* display = av_frame_get_side_data(frame, AV_FRAME_DATA_MASTERING_DISPLAY_METADATA);
    const double peak =
        PeakOfSideData(light ? reinterpret_cast<const AVContentLightMetadata*>(light->data) : nullptr,
                       display ? reinterpret_cast<const AVMasteringDisplayMetadata*>(display->data) : nullptr);
    return peak > 0 ? peak : fallback;
}

HdrToSdr::HdrToSdr(HdrCurve curve, double peakNits) : curve_(curve)
{
    // HLG is shown on its nominal display; PQ up to what the movie says it holds,
    // else the usual mastering peak, never below white nor above PQ's range.
    if (curve == HdrCurve::Hlg || peakNits <= 0)
        peakNits = kHlgDisplayPeakNits;
    peakNits_ = std::clamp(peakNits, kReferenceWhiteNits, 10000.0);
    peak_ = peakNits_ / kReferenceWhiteNits;
    knee_ = std::min(kKnee, peak_);

    constexpr int last = kSteps - 1;
    for (int i = 0; i < kSteps; ++i) {
        const double signal = double(i) / last;
        toLight_[i] = float(curve == HdrCurve::Hlg ? HlgToScene(signal) : PqToNits(signal) / kReferenceWhiteNits);
        // HLG's display light: Lw · Ys^(γ−1) · E with γ = 1.2 on a 1000 cd/m² display.
        const double sceneLuminance = signal * signal;
        hlgGain_[i] = float(kHlgDisplayPeakNits / kReferenceWhiteNits * std::pow(sceneLuminance, 0.2));
        // The light's square root to the BT.1886 signal.
        toSignal_[i] = std::uint8_t(std::lround(255 * std::pow(signal, 2 / kSdrGamma)));
    }
    rollOffScale_ = peak_ > knee_ ? float(last / (peak_ - knee_)) : 0.f;
    for (int i = 0; i < kSteps; ++i) {
        const double light = knee_ + (peak_ - knee_) * i / last;
        rollOffGain_[i] = light > 0 ? float(RolledOff(light) / light) : 1.f;
    }
}

double HdrToSdr::RolledOff(double light) const
{
    if (light <= knee_)
        return light;
    if (light >= peak_)
        return 1;
    // In the SDR signal's scale, a curve that leaves the knee at the slope it came
    // in with and reaches white at the peak: c' = k + u / (1 + u (1/R − 1/S)).
    const double k = std::pow(knee_, 1 / kSdrGamma);
    const double room = 1 - k;                                  // R: signal left above the knee
    const double span = std::pow(peak_, 1 / kSdrGamma) - k;     // S: signal the source spans there
    const double u = std::pow(light, 1 / kSdrGamma) - k;
    const double signal = k + u / (1 + u * (1 / room - 1 / span));
    return std::pow(std::min(signal, 1.0), kSdrGamma);
}

void HdrToSdr::Convert(const std::uint16_t* rgb48, int count, std::uint8_t* rgb24) const
{
    constexpr int last = kSteps - 1;
    constexpr float toPlace = float(last) / 65535.f;
    const bool hlg = curve_ == HdrCurve::Hlg;
    const float knee = float(knee_), peak = float(peak_);
    for (int n = 0; n < count; ++n, rgb48 += 3, rgb24 += 3) {
        float c[3] = {Between(toLight_, last, rgb48[0] * toPlace), Between(toLight_, last, rgb48[1] * toPlace),
                      Between(toLight_, last, rgb48[2] * toPlace)};
        if (hlg) {
            const float scene = std::max(0.2627f * c[0] + 0.6780f * c[1] + 0.0593f * c[2], 0.f);
            const float gain = Between(hlgGain_, last, std::sqrt(scene) * float(last));
            c[0] *= gain, c[1] *= gain, c[2] *= gain;
        }
        float v[3];
        for (int k = 0; k < 3; ++k)
            v[k] = kToBt709[k][0] * c[0] + kToBt709[k][1] * c[1] + kToBt709[k][2] * c[2];
        // Outside BT.709: toward the grey of the same luminance, as far as needed.
        const float lowest = std::min({v[0], v[1], v[2]});
        if (lowest < 0) {
            const float y = 0.2126f * v[0] + 0.7152f * v[1] + 0.0722f * v[2];
            const float t = y > 0 ? y / (y - lowest) : 0.f;
            for (float& x : v)
                x = y > 0 ? y + t * (x - y) : 0.f;
        }
        // Highlights: every channel by the factor of the brightest, so hue stays.
        const float highest = std::max({v[0], v[1], v[2]});
        if (highest > knee) {
            const float gain = highest >= peak ? 1 / highest
                                               : Between(rollOffGain_, last, (highest - knee) * rollOffScale_);
            v[0] *= gain, v[1] *= gain, v[2] *= gain;
        }
        for (int k = 0; k < 3; ++k)
            rgb24[k] = toSignal_[int(std::sqrt(std::clamp(v[k], 0.f, 1.f)) * float(last) + 0.5f)];
    }
}

} // namespace media
