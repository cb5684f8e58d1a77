#pragma once

#include <span>
#include <vector>

namespace meldrix {

//! A piece of a contour line, in the data coordinates of the grid's axes.
struct ContourSegment {
    double x1 = 0.0;
    double y1 = 0.0;
    double x2 = 0.0;
    double y2 = 0.0;
};

//! Evenly spaced levels inside [low, high]: a step of 1, 2 or 5 times a power of ten that gives
//! at most `most` levels (at least one step of 1 when `wholeNumbers`, so levels of log10 pO2 are
//! whole decades). None for a range that is empty or not finite.
std::vector<double> ContourLevels(double low, double high, bool wholeNumbers, int most = 12);

//! The contour of `level` through a grid of `xs.size()` × `ys.size()` values, value (i, j) at
//! `values[j * xs.size() + i]` over the readings xs[i] and ys[j] (marching squares, saddles
//! split by the mean of the square's corners). A square with a corner that is not a finite value
//! has no contour: the line stops at points without a value.
std::vector<ContourSegment> ContourLines(std::span<const double> xs, std::span<const double> ys,
    std::span<const double> values, double level);

} // namespace meldrix
