#pragma once

#include "report/RunReport.h"

#include <string>

namespace meldrix {

//! The report as one self-contained HTML page in UTF-8: no file beside it, the drawings as inline
//! SVG, a style sheet for screen and print (A4 or Letter, portrait).
std::string ReportHtml(const RunReport& report);

//! Fractions and flows as the report shows them: seven significant digits.
std::string ReportNumber(double value);

//! log10 pO2 as the report shows it: four decimals.
std::string ReportLog10(double value);

} // namespace meldrix
