#include "equil/GasTreatment.h"

#include "common/TextFormat.h"
#include "equil/NumericHelpers.h"

#include <cmath>
#include <string>

namespace meldrix {

namespace {

constexpr Extended ZeroCelsius = 273.15L; // [K]
constexpr Extended SteamPointT = 373.16L; // [K]
constexpr Extended SteamPointP = 1013.246L; // [hPa]
constexpr Extended KBrHumidity = 0.84L; // relative humidity over saturated KBr solution

enum class Treatment { None, Removes, Saturates, SaturatesOverKBr };

Treatment treatmentOf(std::string_view type)
{
    if (type == "DRY" || type == "GETTER")
        return Treatment::Removes;
    if (type == "PURE")
        return Treatment::Saturates;
    if (type == "KBR")
        return Treatment::SaturatesOverKBr;
    return Treatment::None;
}

} // namespace

Extended WaterVapourPressure(Extended kelvin)
{
    const Extended ratio = SteamPointT / kelvin;
    const Extended log10e = -7.90298L * (ratio - 1) + 5.02808L * Log10Clamped(ratio)
        - 1.3816e-7L * (Power10(11.344L * (1 - kelvin / SteamPointT)) - 1)
        + 8.1328e-3L * (Power10(-3.49149L * (ratio - 1)) - 1) + Log10Clamped(SteamPointP);
    return Power10(log10e);
}

Extended HeavyWaterVapourPressure(Extended celsius)
{
    constexpr Extended c0 = 0.413333333L;
    constexpr Extended c1 = 0.046428671L;
    constexpr Extended c2 = 0.000936772L;
    constexpr Extended c3 = 2.85781e-5L;
    constexpr Extended c4 = 2.5e-7L;
    constexpr Extended c5 = 2.82051e-9L;
    const Extended t = celsius;
    if (t > 0)
        return c0 + c1 * t + c2 * Power(t, 2) + c3 * Power(t, 3) + c4 * Power(t, 4)
            + c5 * Power(t, 5);
    // The powers through logarithms have no value here; the same polynomial by multiplication does.
    return c0 + t * (c1 + t * (c2 + t * (c3 + t * (c4 + t * c5))));
}

std::optional<double> GasTreatmentFraction(
    std::string_view fixGas, std::string_view fixGasType, double fixGasT)
{
    const bool water = fixGas == "H2O";
    const bool heavyWater = fixGas == "D2O";
    const std::string type = upperCaseAscii(fixGasType);
    const Treatment treatment = treatmentOf(type);

    if (fixGas == "O2")
        return type == "GETTER" ? std::optional<double>(0.0) : std::nullopt;
    if ((!water && !heavyWater) || treatment == Treatment::None)
        return std::nullopt;
    if (treatment == Treatment::Removes)
        return 0.0;

    // Compared in double so that -273.15 as typed counts as absolute zero.
    if (!std::isfinite(fixGasT) || fixGasT <= -273.15)
        return std::nullopt;
    const Extended t = fixGasT;
    const Extended factor = treatment == Treatment::SaturatesOverKBr ? KBrHumidity : 1;
    const Extended fraction = water ? factor * WaterVapourPressure(t + ZeroCelsius) / 1000
                                    : factor * HeavyWaterVapourPressure(t) / 100;
    return static_cast<double>(fraction);
}

} // namespace meldrix
