#pragma once

#include "cli/UncertaintyReport.h"
#include "report/ReportDate.h"
#include "report/RunReport.h"

#include <functional>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>

namespace meldrix::cli {

//! Writes a report as PDF to a path; the reason when it could not. Empty where the tool was built
//! without Qt.
using PdfWriter = std::function<std::optional<std::string>(const RunReport&, const std::string&)>;

struct ReportRequest {
    std::string base;
    std::string outPath; //!< .html, .htm or .pdf
    std::span<const std::string> readings;
    PdfWriter writePdf;
    //! The meters' accuracy to carry to the cells' gas and pO2; none: no uncertainties.
    std::optional<AccuracyArguments> accuracy;
    std::optional<FlowModelKind> model; //!< instead of the data set's
    //! `--map X,Y` as typed: the stages of an operating map of each fed cell; empty for none.
    std::string map;
};

//! `report BASE --out FILE.html|FILE.pdf [--reading N=VALUE]... [--uncertainty ...] [--map X,Y]`:
//! the run's report, with each value's uncertainty and the operating maps when asked for. Exit 0
//! when written (a run that stopped is reported too, and ends in 1), 2 on a usage error or when no
//! file of the data set could be read.
int runReport(const ReportRequest& request, std::ostream& out, std::ostream& err);

} // namespace meldrix::cli
