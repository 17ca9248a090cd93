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
// SDR signal 0.86 (220 of 255). What lies below keeps its exact colour; reference
// white comes out at 239 (of 255), which leaves light up to the peak steps of its own.
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

int NitsOf(AVRational r) { return r.den > 0 && r.num > 0 ? int(r.num / r.den) : 0; }

double PeakOfSideData(const AVContentLightMetadata* light, const AVMasteringDisplayMetadata* display)
{
    if (light && light->MaxCLL > 0)
        return light->MaxCLL;
    if (display && display->has_luminance)
        return NitsOf(display->max_luminance);
    return 0;
}

// Value minimum and maximum, which the vectoriser makes into single instructions
// (std::min and std::max hand back references, which it takes for branches).
inline float Min(float a, float b) { return a < b ? a : b; }
inline float Max(float a, float b) { return a > b ? a : b; }

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

HdrToSdr::HdrToSdr(HdrCurve curve, double peakNits, bool widePrimaries)
    : curve_(curve), askedPeakNits_(peakNits), widePrimaries_(widePrimaries)
{
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 3; ++k)
            toBt709_[i][k] = widePrimaries ? kToBt709[i][k] : float(i == k);
    // HLG is shown on its nominal display; PQ up to what the movie says it holds,
    // else the usual mastering peak, never below white nor above PQ's range.
    if (curve == HdrCurve::Hlg || peakNits <= 0)
        peakNits = kHlgDisplayPeakNits;
    peak_ = std::clamp(peakNits, kReferenceWhiteNits, 10000.0) / kReferenceWhiteNits;

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
    rollOffScale_ = peak_ > kKnee ? float(last / (peak_ - kKnee)) : 0.f;
    for (int i = 0; i < kSteps; ++i) {
        const double light = kKnee + (peak_ - kKnee) * i / last;
        rollOff_[i] = float(RolledOff(light));
    }
}

double HdrToSdr::RolledOff(double light) const
{
    if (light <= kKnee)
        return light;
    if (light >= peak_)
        return 1;
    // In the SDR signal's scale, a curve that leaves the knee at the slope it came
    // in with and reaches white at the peak: c' = k + u / (1 + u (1/R − 1/S)).
    const double k = std::pow(kKnee, 1 / kSdrGamma);
    const double room = 1 - k;                                  // R: signal left above the knee
    const double span = std::pow(peak_, 1 / kSdrGamma) - k;     // S: signal the source spans there
    const double u = std::pow(light, 1 / kSdrGamma) - k;
    const double signal = k + u / (1 + u * (1 / room - 1 / span));
    return std::pow(std::min(signal, 1.0), kSdrGamma);
}

void HdrToSdr::Convert(const std::uint16_t* red, const std::uint16_t* green, const std::uint16_t* blue, int count,
                       std::uint8_t* rgb24) const
{
    // In runs of pixels, each step a loop of its own: the table lookups one by one,
    // the arithmetic over whole arrays, which the compiler turns into vector code.
    // No branches on the pixels' values: a colourful picture would mispredict them.
    constexpr int kRun = 256;
    constexpr int last = kSteps - 1;
    const bool hlg = curve_ == HdrCurve::Hlg;
    const float knee = float(kKnee), lastPlace = float(last), scale = rollOffScale_;
    const float(&m)[3][3] = toBt709_;
    alignas(32) float r[kRun], g[kRun], b[kRun], f[kRun], low[kRun], high[kRun];
    alignas(32) int place[kRun];
    for (int start = 0; start < count; start += kRun, rgb24 += 3 * kRun) {
        const int n = std::min(kRun, count - start);
        for (int i = 0; i < n; ++i) {
            r[i] = toLight_[red[start + i]];
            g[i] = toLight_[green[start + i]];
            b[i] = toLight_[blue[start + i]];
        }
        if (hlg) {
            // The display's light depends on the scene's luminance.
            for (int i = 0; i < n; ++i)
                place[i] = int(std::sqrt(Max(0.2627f * r[i] + 0.6780f * g[i] + 0.0593f * b[i], 0.f)) *
                                   lastPlace + 0.5f);
            for (int i = 0; i < n; ++i)
                f[i] = hlgGain_[place[i]];
            for (int i = 0; i < n; ++i)
                r[i] *= f[i], g[i] *= f[i], b[i] *= f[i];
        }
        for (int i = 0; i < n; ++i) {
            float v0 = m[0][0] * r[i] + m[0][1] * g[i] + m[0][2] * b[i];
            float v1 = m[1][0] * r[i] + m[1][1] * g[i] + m[1][2] * b[i];
            float v2 = m[2][0] * r[i] + m[2][1] * g[i] + m[2][2] * b[i];
            // Outside BT.709: toward the grey of the same luminance, as far as needed
            // (t is 1 for colours inside).
            const float y = Max(0.2126f * v0 + 0.7152f * v1 + 0.0722f * v2, 0.f);
            const float t = y / Max(y - Min(Min(v0, v1), Min(v2, 0.f)), 1e-9f);
            v0 = y + t * (v0 - y), v1 = y + t * (v1 - y), v2 = y + t * (v2 - y);
            r[i] = v0, g[i] = v1, b[i] = v2;
            // Highlights: every channel by the factor of the brightest, so hue stays.
            const float highest = Max(Max(v0, v1), Max(v2, 1e-9f));
            high[i] = highest;
            const float at = Min(Max(highest - knee, 0.f) * scale, lastPlace);
            place[i] = int(at) < last ? int(at) : last - 1;
            f[i] = at - float(place[i]);
        }
        for (int i = 0; i < n; ++i) {
            low[i] = rollOff_[place[i]];
            f[i] *= rollOff_[place[i] + 1] - low[i];
        }
        for (int i = 0; i < n; ++i) // below the knee the light itself; past the peak, white
            f[i] = (low[i] + f[i] + Min(high[i] - knee, 0.f)) / high[i];
        float* channels[3] = {r, g, b};
        for (int k = 0; k < 3; ++k) {
            const float* c = channels[k];
            for (int i = 0; i < n; ++i)
                place[i] = int(std::sqrt(Min(Max(c[i] * f[i], 0.f), 1.f)) * lastPlace + 0.5f);
            for (int i = 0; i < n; ++i)
                rgb24[3 * i + k] = toSignal_[place[i]];
        }
    }
}

} // namespace media
