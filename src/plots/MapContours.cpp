#include "plots/MapContours.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace meldrix {

std::vector<double> ContourLevels(double low, double high, bool wholeNumbers, int most)
{
    std::vector<double> levels;
    if (!std::isfinite(low) || !std::isfinite(high) || !(high > low) || most < 1)
        return levels;
    // The smallest step of 1, 2 or 5 times a power of ten that leaves at most `most` levels.
    int exponent = static_cast<int>(std::floor(std::log10((high - low) / most)));
    if (wholeNumbers)
        exponent = std::max(exponent, 0);
    constexpr std::array<int, 3> Mantissas { 1, 2, 5 };
    int mantissa = 1;
    for (int n = 0; n < 40; ++n) {
        mantissa = Mantissas[static_cast<std::size_t>(n % 3)];
        const int power = exponent + n / 3;
        const double step = mantissa * std::pow(10.0, power);
        if (std::floor(high / step) - std::ceil(low / step) + 1 <= most) {
            exponent = power;
            break;
        }
    }
    // Each level from its index, divided by a power of ten rather than multiplied by its
    // inverse, so that 3 steps of 0.1 are 0.3 and rounding never piles up along the range.
    const double scale = std::pow(10.0, std::abs(exponent));
    const auto level = [&](double k) {
        return exponent >= 0 ? k * mantissa * scale : k * mantissa / scale;
    };
    const double step = level(1.0);
    const double first = std::ceil(low / step);
    const double last = std::floor(high / step);
    for (double k = first; k <= last; ++k)
        levels.push_back(k == 0.0 ? 0.0 : level(k)); // never -0
    return levels;
}

std::vector<ContourSegment> ContourLines(std::span<const double> xs, std::span<const double> ys,
    std::span<const double> values, double level)
{
    std::vector<ContourSegment> segments;
    const std::size_t nx = xs.size();
    const std::size_t ny = ys.size();
    if (nx < 2 || ny < 2 || values.size() < nx * ny)
        return segments;
    // The corners of a square counter-clockwise from (i, j): 0 (i, j), 1 (i+1, j), 2 (i+1, j+1),
    // 3 (i, j+1); edge e runs from corner e to corner e + 1.
    for (std::size_t j = 0; j + 1 < ny; ++j)
        for (std::size_t i = 0; i + 1 < nx; ++i) {
            const std::array<double, 4> v { values[j * nx + i], values[j * nx + i + 1],
                values[(j + 1) * nx + i + 1], values[(j + 1) * nx + i] };
            const std::array<double, 4> cx { xs[i], xs[i + 1], xs[i + 1], xs[i] };
            const std::array<double, 4> cy { ys[j], ys[j], ys[j + 1], ys[j + 1] };
            if (!std::all_of(v.begin(), v.end(), [](double x) { return std::isfinite(x); }))
                continue;
            int above = 0;
            for (int k = 0; k < 4; ++k)
                above |= (v[static_cast<std::size_t>(k)] >= level ? 1 : 0) << k;
            if (above == 0 || above == 15)
                continue;
            const auto crossing = [&](int e) {
                const auto a = static_cast<std::size_t>(e);
                const auto b = static_cast<std::size_t>((e + 1) % 4);
                const double t = (level - v[a]) / (v[b] - v[a]);
                return std::array { cx[a] + t * (cx[b] - cx[a]), cy[a] + t * (cy[b] - cy[a]) };
            };
            const auto add = [&](int e1, int e2) {
                const auto p = crossing(e1);
                const auto q = crossing(e2);
                segments.push_back({ p[0], p[1], q[0], q[1] });
            };
            // Each edge whose ends lie on either side of the level is crossed once; two crossed
            // edges make one segment, four (a saddle) make two, joined as the centre lies.
            std::array<int, 4> crossed {};
            int count = 0;
            for (int e = 0; e < 4; ++e)
                if (((above >> e) & 1) != ((above >> ((e + 1) % 4)) & 1))
                    crossed[static_cast<std::size_t>(count++)] = e;
            if (count == 2) {
                add(crossed[0], crossed[1]);
                continue;
            }
            const bool centreAbove = (v[0] + v[1] + v[2] + v[3]) / 4.0 >= level;
            // Corner 0 above with the centre: corners 1 and 3 are cut off on their own.
            if (centreAbove == ((above & 1) != 0)) {
                add(0, 1);
                add(2, 3);
            } else {
                add(3, 0);
                add(1, 2);
            }
        }
    return segments;
}

} // namespace meldrix
