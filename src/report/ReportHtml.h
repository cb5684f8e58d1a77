#pragma once

#include "report/RunReport.h"

#include <array>
#include <string>
#include <string_view>

namespace meldrix {

//! The report as one self-contained HTML page in UTF-8: no file beside it, the drawings as inline
//! SVG, a style sheet for screen and print (A4 or Letter, portrait).
std::string ReportHtml(const RunReport& report);

//! Fractions and flows as the report shows them: seven significant digits.
std::string ReportNumber(double value);

//! A standard deviation as the report shows it after "±": three significant digits.
std::string ReportDeviation(double value);

//! log10 pO2 as the report shows it: four decimals.
std::string ReportLog10(double value);

//! The sentence under the cells' gas that says what the "±" values are (8-bit).
std::string ReportUncertaintyNote(const ReportUncertainties& uncertainties);

//! The heading of the row of log10 pO2 bands, and one band: "-17.1234 to -2.4321".
inline constexpr std::string_view ReportBandHeading = "log10 pO2, 95 % of samples";
std::string ReportBand(const std::array<double, 2>& band);

//! Whether any fed cell has a band of log10 pO2.
bool HasPO2Bands(const RunReport& report);

} // namespace meldrix
