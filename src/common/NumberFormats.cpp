#include "common/NumberFormats.h"

#include "common/TextFormat.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace meldrix {

namespace {

// Largest magnitude with nine characters of digits and point, and one unit of the last decimal,
// for 0..8 decimals.
constexpr std::array<double, 9> UpperLimit { 999999999.0, 9999999.9, 999999.99, 99999.999,
    9999.9999, 999.99999, 99.999999, 9.9999999, 0.99999999 };
constexpr std::array<double, 9> LowerLimit { 1.0, 0.1, 0.01, 0.001, 0.0001, 0.00001, 0.000001,
    0.0000001, 0.00000001 };

std::string shortExponentForm(double value, int width)
{
    if (!std::isfinite(value))
        return formatFixed(value, width, 0); // a word, no exponent to shorten
    std::string text = formatScientific(value, width + 2);
    // The four-digit exponent sits at the end: E, sign, four digits.
    const std::size_t digits = text.size() - 4;
    const bool fitsTwoDigits = text[digits] == '0' && text[digits + 1] == '0';
    text.erase(digits, 2);
    if (!fitsTwoDigits)
        text.assign(text.size(), '*');
    return text;
}

void padWithZeros(std::string& text)
{
    const std::size_t blanks = std::min(text.find_first_not_of(' '), text.size());
    if (blanks == 0)
        return;
    text.replace(0, blanks, blanks, '0');
    if (blanks < text.size() && text[blanks] == '-') {
        text[blanks] = '0';
        text[0] = '-';
    }
}

} // namespace

std::string FormatFixedOrSci(double value, int width, int decimals)
{
    const int field = std::abs(width);
    // Negative decimals other than -2 have no meaning of their own and give whole numbers.
    std::string text = decimals == -2 ? shortExponentForm(value, field)
                                      : formatFixed(value, field, std::max(decimals, 0));
    if (width < 0)
        padWithZeros(text);
    return text;
}

std::string FormatCellNumber(double value, int width, int decimals)
{
    if (decimals >= 0 && decimals <= 8) {
        const auto d = static_cast<std::size_t>(decimals);
        const double magnitude = std::fabs(value);
        if (magnitude <= UpperLimit[d] && (magnitude >= LowerLimit[d] || value == 0.0))
            return formatFixed(value, width, decimals);
    }
    return FormatFixedOrSci(value, width + 6, -2);
}

} // namespace meldrix
