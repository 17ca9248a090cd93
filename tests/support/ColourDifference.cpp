// CIEDE2000 (Sharma, Wu and Dalal's formulation) over CIELAB from sRGB with D65 white.
#include "support/ColourDifference.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Lab {
    double L, a, b;
};

Lab ToLab(const std::uint8_t* rgb)
{
    double linear[3];
    for (int k = 0; k < 3; ++k) {
        const double c = rgb[k] / 255.0;
        linear[k] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    }
    const double x = (0.4124 * linear[0] + 0.3576 * linear[1] + 0.1805 * linear[2]) / 0.95047;
    const double y = 0.2126 * linear[0] + 0.7152 * linear[1] + 0.0722 * linear[2];
    const double z = (0.0193 * linear[0] + 0.1192 * linear[1] + 0.9505 * linear[2]) / 1.08883;
    const auto f = [](double t) { return t > 216.0 / 24389 ? std::cbrt(t) : (24389.0 / 27 * t + 16) / 116; };
    return {116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z))};
}

double Degrees(double radians)
{
    const double d = radians * 180 / kPi;
    return d < 0 ? d + 360 : d;
}

double Radians(double degrees) { return degrees * kPi / 180; }

double DeltaE2000(const Lab& p, const Lab& q)
{
    const double c1 = std::hypot(p.a, p.b), c2 = std::hypot(q.a, q.b);
    const double cMean7 = std::pow((c1 + c2) / 2, 7);
    const double g = 0.5 * (1 - std::sqrt(cMean7 / (cMean7 + std::pow(25.0, 7))));
    const double a1 = (1 + g) * p.a, a2 = (1 + g) * q.a;
    const double cp1 = std::hypot(a1, p.b), cp2 = std::hypot(a2, q.b);
    const double h1 = cp1 == 0 ? 0 : Degrees(std::atan2(p.b, a1));
    const double h2 = cp2 == 0 ? 0 : Degrees(std::atan2(q.b, a2));
    const double dL = q.L - p.L, dC = cp2 - cp1;
    double dh = 0;
    if (cp1 * cp2 != 0) {
        dh = h2 - h1;
        if (dh > 180)
            dh -= 360;
        else if (dh < -180)
            dh += 360;
    }
    const double dH = 2 * std::sqrt(cp1 * cp2) * std::sin(Radians(dh / 2));
    const double lMean = (p.L + q.L) / 2, cMean = (cp1 + cp2) / 2;
    double hMean = h1 + h2;
    if (cp1 * cp2 != 0) {
        if (std::abs(h1 - h2) <= 180)
            hMean /= 2;
        else
            hMean = h1 + h2 < 360 ? (h1 + h2 + 360) / 2 : (h1 + h2 - 360) / 2;
    }
    const double t = 1 - 0.17 * std::cos(Radians(hMean - 30)) + 0.24 * std::cos(Radians(2 * hMean)) +
                     0.32 * std::cos(Radians(3 * hMean + 6)) - 0.20 * std::cos(Radians(4 * hMean - 63));
    const double dTheta = 30 * std::exp(-std::pow((hMean - 275) / 25, 2));
    const double cMeanPrime7 = std::pow(cMean, 7);
    const double rc = 2 * std::sqrt(cMeanPrime7 / (cMeanPrime7 + std::pow(25.0, 7)));
    const double sl = 1 + 0.015 * (lMean - 50) * (lMean - 50) / std::sqrt(20 + (lMean - 50) * (lMean - 50));
    const double sc = 1 + 0.045 * cMean, sh = 1 + 0.015 * cMean * t;
    const double rt = -std::sin(Radians(2 * dTheta)) * rc;
    return std::sqrt((dL / sl) * (dL / sl) + (dC / sc) * (dC / sc) + (dH / sh) * (dH / sh) +
                     rt * (dC / sc) * (dH / sh));
}

} // namespace

double DeltaE2000(const std::uint8_t* rgbA, const std::uint8_t* rgbB) { return DeltaE2000(ToLab(rgbA), ToLab(rgbB)); }

ColourDifference CompareColours(const std::uint8_t* a, const std::uint8_t* b, std::size_t pixels)
{
    std::vector<double> differences(pixels);
    double sum = 0;
    for (std::size_t i = 0; i < pixels; ++i)
        sum += differences[i] = DeltaE2000(a + 3 * i, b + 3 * i);
    if (pixels == 0)
        return {};
    const auto at = differences.begin() + std::ptrdiff_t(pixels * 99 / 100);
    std::nth_element(differences.begin(), at, differences.end());
    return {sum / double(pixels), *at};
}
