#pragma once

#include "cli/TextColumns.h"
#include "rig/Rig.h"

#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace meldrix::cli {

//! The gas delivered to the cells as CSV (RFC 4180: CRLF line ends, fields holding a comma, a
//! quote or a line break quoted): a header row "Gas" and one "OC c; Name" per cell, then one row
//! per gas of the gas list with the cells' fractions in 17 significant digits, an empty field for
//! a cell that no mixture feeds.
std::string CellGasCsv(const Rig& rig);

//! What `diagram` draws: the data set after Execute with the given readings, or as loaded.
struct DiagramRequest {
    std::string base;
    std::string outPath; //!< "-" writes to standard output
    std::span<const std::string> readings;
    bool execute = true;
    std::optional<FlowModelKind> model; //!< instead of the data set's
};

//! `diagram BASE --out FILE.svg [--reading N=VALUE]... [--no-execute]`: the mixer diagram as the
//! window exports it, written as SVG: cropped to the drawing, under a title line with the data
//! set and the date (ReportDateTime). Exit 0 when written, 1 when the run stopped with an error
//! or the file cannot be written, 2 on a bad reading or when no file of the data set could be
//! read. Nothing is written unless the picture is complete.
int runDiagram(const DiagramRequest& request, std::ostream& out, std::ostream& err);

//! `chart BASE --curve N --out FILE.svg [--flow-model M]`: calibration curve N (1..1000) of the
//! data set drawn as the window's calibration chart in the data set's (or `model`'s) flow model,
//! written as SVG. Exit 0 when written, 1 when the file cannot be written, 2 when no file of the
//! data set could be read.
int runChart(const std::string& base, int curve, const std::string& outPath, std::ostream& out,
    std::ostream& err, std::optional<FlowModelKind> model = std::nullopt);

//! Writes `content` to `path` ("-": to `out`) through a temporary file renamed over the target,
//! so a failed write leaves no half-written picture; the reason on `err` when it fails.
bool writeOutput(
    const std::string& path, std::string_view content, std::ostream& out, std::ostream& err);

} // namespace meldrix::cli
