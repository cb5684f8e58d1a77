#pragma once

#include <array>
#include <string>
#include <string_view>

namespace meldrix {

//! Fractions and flows as the report shows them: seven significant digits.
std::string ReportNumber(double value);

//! log10 pO2 as the report shows it: four decimals.
std::string ReportLog10(double value);

//! A value beside its standard deviation, "0.418 \u00B1 0.013": the deviation to two significant
//! digits and the value to the same decimal, in fixed notation down to 1e-6 and in scientific
//! notation below ("2.9999e-05 \u00B1 1.2e-09"). A deviation below 1e-12 of the value is
//! round-off and shows as 0, beside the value as `plain` shows it; so does a value without a
//! deviation (NaN), without the "\u00B1 0".
std::string ReportWithDeviation(double value, double sd, std::string (*plain)(double));

//! The heading of the row of log10 pO2 bands, and one band: "-17.1234 to -2.4321".
inline constexpr std::string_view ReportBandHeading = "log10 pO2, 95 % of samples";
std::string ReportBand(const std::array<double, 2>& band);

} // namespace meldrix
