#include "report/ReportNumbers.h"

#include "common/TextFormat.h"

#include <cmath>
#include <cstdio>

namespace meldrix {

namespace {

// Deviations this far below their value are round-off of the propagation, not uncertainty.
constexpr double RoundOff = 1e-12;
// The smallest decimal place written in fixed notation: smaller ones go to scientific notation.
constexpr int FixedPlaces = 6;

std::string printed(const char* format, int places, double value)
{
    std::array<char, 64> text {};
    std::snprintf(text.data(), text.size(), format, places, value);
    std::string shown = text.data();
    // A value that rounds to nothing shows no sign.
    if (shown.starts_with('-') && shown.find_first_of("123456789") == std::string::npos)
        shown.erase(0, 1);
    return shown;
}

std::string significant(double value, int digits)
{
    if (!std::isfinite(value))
        return "-";
    return formatSignificant(value, digits);
}

} // namespace

std::string ReportNumber(double value)
{
    return significant(value, 7);
}

std::string ReportLog10(double value)
{
    return std::string(trimBlanks(formatFixed(value, 0, 4)));
}

std::string ReportWithDeviation(double value, double sd, std::string (*plain)(double))
{
    if (!std::isfinite(value))
        return "-";
    if (std::isnan(sd))
        return plain(value);
    if (!(sd >= RoundOff * std::abs(value)) || sd == 0.0)
        return plain(value) + " \u00B1 0";
    // The decimal place of the deviation's second digit, after rounding it there: 0.0996 is 0.10.
    // Its two digits are counted as a whole number, so a logarithm a hair off cannot move it.
    int place = static_cast<int>(std::floor(std::log10(sd))) - 1;
    double digits = std::nearbyint(sd / std::pow(10.0, place));
    if (digits < 10)
        digits = std::nearbyint(sd / std::pow(10.0, --place));
    if (digits >= 100)
        digits = std::nearbyint(sd / std::pow(10.0, ++place));
    const double rounded = digits * std::pow(10.0, place);

    if (place >= -FixedPlaces && std::abs(value) < 1e15) {
        // Above the units the value is rounded to the deviation's place first: 12345 ± 270 is
        // 12350 ± 270.
        const double unit = std::pow(10.0, std::max(place, 0));
        const int decimals = std::max(-place, 0);
        return printed("%.*f", decimals, place > 0 ? std::nearbyint(value / unit) * unit : value)
            + " \u00B1 " + printed("%.*f", decimals, rounded);
    }
    const double magnitude = std::abs(value);
    const int exponent =
        magnitude > 0 ? static_cast<int>(std::floor(std::log10(magnitude))) : place;
    const std::string shownValue =
        exponent < place ? std::string("0") : printed("%.*e", exponent - place, value);
    return shownValue + " \u00B1 " + printed("%.*e", 1, rounded);
}

std::string ReportBand(const std::array<double, 2>& band)
{
    // Samples without oxygen put the band's bottom below every finite log10 pO2.
    const auto end = [](double value) {
        return std::isinf(value) && value < 0 ? std::string("\u2212\u221E") : ReportLog10(value);
    };
    return end(band[0]) + " to " + end(band[1]);
}

} // namespace meldrix
