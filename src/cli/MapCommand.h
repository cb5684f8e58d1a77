#pragma once

#include "cli/ExportCommands.h"
#include "map/OperatingMap.h"

#include <CLI/CLI.hpp>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace meldrix::cli {

struct MapOptions {
    std::string Base;
    int Cell = 0;
    int X = 0;
    int Y = 0;
    std::string Quantity = "log10-pO2";
    int Grid = DefaultMapGrid;
    std::vector<std::string> Readings; //!< N=VALUE
    std::optional<FlowModelKind> FlowModel; //!< instead of the data set's
    std::string Out;
};

//! Adds the `map` subcommand to `app`; its arguments land in `options`.
CLI::App* addMapCommand(CLI::App& app, MapOptions& options);

//! The map as CSV (RFC 4180, CRLF): a header row naming the two stages' readings, the quantity
//! and the point's state, then one row per grid point, X running fastest: the X reading, the Y
//! reading and the value in 17 significant digits, an empty value where the point has none, then
//! "ok", "no oxygen", "unresolved", "failed" or "not computed". A flow model other than the
//! specified one is named after the quantity.
std::string OperatingMapCsv(const OperatingMap& map);

//! `map BASE --cell N --x S --y S [--quantity log10-pO2|fraction:GAS|flow] [--grid N]
//! [--reading S=V]... [--flow-model M] --out FILE.svg|png|csv`: the operating map of cell N over
//! the readings of stages S as a picture or CSV. Exit 0 when written, 1 when the map cannot be made
//! (a request the data set gives no meaning, a rig that cannot run) or the file cannot be written,
//! 2 on a usage error or when no file of the data set could be read.
int runMap(const MapOptions& options, const PngEncoder& png, std::ostream& out, std::ostream& err);

} // namespace meldrix::cli
