#pragma once

#include "report/ReportNumbers.h"
#include "report/RunReport.h"

#include <string>

namespace meldrix {

//! The report as one self-contained HTML page in UTF-8: no file beside it, the drawings as inline
//! SVG, a style sheet for screen and print (A4 or Letter, portrait).
std::string ReportHtml(const RunReport& report);

} // namespace meldrix
