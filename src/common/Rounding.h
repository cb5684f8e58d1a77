#pragma once

#include <cmath>
#include <limits>

namespace meldrix {

using Extended = long double;
static_assert(std::numeric_limits<Extended>::digits == 64, "Extended is the 80-bit x87 type");

//! Nearest whole number, halves to the even neighbour (the rounding used everywhere we round).
inline long long roundHalfEven(double x)
{
    return std::llrint(x);
}

} // namespace meldrix
