#pragma once

#include "check/DataSetCheck.h"
#include "cli/Options.h"

#include <CLI/CLI.hpp>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace meldrix::cli {

enum class CheckFormat { Json, Table };

struct CheckOptions {
    std::string Base;
    std::vector<std::string> Readings;
    std::optional<FlowModelKind> FlowModel;
    CheckFormat Format = CheckFormat::Json;
};

//! Adds the `check` subcommand to `app`; its arguments land in `options`.
CLI::App* addCheckCommand(CLI::App& app, CheckOptions& options);

//! The findings as JSON: {"findings": [{"severity", "kind", "record", "index", "field",
//! "text"}]}, a finding about the data set as a whole with null record, index and field.
std::string FindingsJson(std::span<const Finding> findings);

//! The findings as a table: severity, place and sentence, one line each, under a heading; a line
//! saying so when there are none.
std::string FindingsTable(std::span<const Finding> findings);

//! `check BASE [--reading N=VALUE]... [--flow-model M] [--format json|table]`: the data set looked
//! through as the window's Check data set does. Exit 0 when nothing is found, 1 with findings, 2
//! on a bad reading or when no file of the data set could be read.
int runCheck(const CheckOptions& options, std::ostream& out, std::ostream& err);

} // namespace meldrix::cli
