#include "equil/NumericHelpers.h"

#include <array>
#include <charconv>
#include <cmath>
#include <numbers>

namespace meldrix {

namespace {
constexpr Extended Ln10 = std::numbers::ln10_v<Extended>;
}

Extended Log10Clamped(Extended x)
{
    if (x >= 1.0E307L)
        return 308;
    if (x <= 1.0E-307L)
        return -308;
    return std::log(x) / Ln10;
}

Extended Power10(Extended x)
{
    // The upper clamp is 1.0E307, not 1.0E308: the value must stay representable as a double.
    if (x >= 308)
        return 1.0E307L;
    if (x <= -308)
        return 0;
    return std::exp(x * Ln10);
}

Extended Power(Extended base, Extended exponent)
{
    return std::exp(exponent * std::log(base));
}

std::string ShortestText(double value)
{
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value > 0.0 ? "inf" : "-inf";
    std::array<char, 32> text {};
    return { text.data(), std::to_chars(text.data(), text.data() + text.size(), value).ptr };
}

} // namespace meldrix
