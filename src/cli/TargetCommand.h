#pragma once

#include "rig/DataSetSettings.h"
#include "target/TargetSearch.h"

#include <CLI/CLI.hpp>
#include <iosfwd>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace meldrix::cli {

struct TargetOptions {
    std::string Base;
    int Cell = 0;
    std::vector<std::string> Fractions; //!< GAS=X
    std::optional<double> Log10PO2;
    std::optional<double> Flow;
    std::string Free; //!< S[,S...], empty for the default
    std::vector<std::string> Readings; //!< N=VALUE
    std::string Format = "json";
    std::optional<FlowModelKind> FlowModel; //!< instead of the data set's
};

//! Adds the `target` subcommand to `app`; its arguments land in `options`.
CLI::App* addTargetCommand(CLI::App& app, TargetOptions& options);

//! {"status", "message", "cell", "targets": [{"kind", "gas", "wanted", "achieved", "sd",
//! "problem"}], "readings": [{"stage", "was", "reading", "free"}], "change", "side_effects":
//! [{"cell", "kind", "gas", "was", "now"}], "warnings", "iterations", "evaluations"}; numbers
//! that are not finite are null.
nlohmann::ordered_json TargetToJson(const TargetOutcome& outcome);

//! The outcome as text: the status line, the targets, the sixteen readings, the change, the other
//! cells of `rig` it changes and the warnings.
std::string TargetTable(const Rig& rig, const TargetOutcome& outcome);

//! `target BASE --cell N ...`: loads the data set as Open All does, sets the readings, then finds
//! the readings of the free stages that give the targets in cell N. Exit 0 when every target is
//! reached, 1 for the closest readings or an error, 2 for a usage error or when no file of the
//! data set could be read.
int runTarget(const TargetOptions& options, std::ostream& out, std::ostream& err);

} // namespace meldrix::cli
