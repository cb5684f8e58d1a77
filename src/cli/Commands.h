#pragma once

#include "rig/DataFiles.h"
#include "rig/Rig.h"

#include <iosfwd>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace meldrix::cli {

//! Exit codes of meldrix-cli.
inline constexpr int ExitOk = 0;
inline constexpr int ExitFailed = 1; //!< the job could not be done (bad data, a run error)
inline constexpr int ExitUsage = 2; //!< wrong arguments, or none of the four files could be read

//! Starts every line meldrix-cli writes to stderr.
inline constexpr const char* Prefix = "meldrix-cli: ";

//! A rig at start-up values with the data set `name` (a base name, or one of its four files) loaded
//! as Open All loads it. Each file that was not read or is damaged gives one warning line on `err`.
//! One `--reading N=VALUE`: the reading of stage N.
struct ReadingArgument {
    int stage = 0; //!< 1..16
    double value = 0.0;
};

//! Null when none of the four files could be read (an error line has been written then). The
//! `readings` replace the stored ones of their stages, and `model`, when given, the flow model of
//! the data set's settings. A settings file that cannot be used gives one warning line too.
std::unique_ptr<Rig> loadDataSet(const std::string& name, std::ostream& err,
    std::span<const ReadingArgument> readings = {},
    std::optional<FlowModelKind> model = std::nullopt);

//! `dump BASE`: the data set as JSON on `out`, with `model` as its flow model when given.
int runDump(const std::string& base, std::ostream& out, std::ostream& err,
    std::optional<FlowModelKind> model = std::nullopt);

//! `build RIG.json BASE`: the four files of BASE (and its settings file, when the JSON's settings
//! or `model` need one) from a JSON description; nothing is written when the JSON is malformed or
//! does not describe a data set.
int runBuild(const std::string& jsonPath, const std::string& base, std::ostream& out,
    std::ostream& err, std::optional<FlowModelKind> model = std::nullopt);

//! `N=VALUE` with N a whole number 1..16 and VALUE a finite number; nullopt otherwise.
std::optional<ReadingArgument> parseReadingArgument(std::string_view text);

//! Every `--reading` of `command`, checked before anything is loaded; at the first that is not
//! N=VALUE one usage line goes to `err` and nothing is returned.
std::optional<std::vector<ReadingArgument>> parseReadingArguments(
    std::span<const std::string> texts, std::string_view command, std::ostream& err);

enum class ExecuteFormat { Json, Table, Csv };

//! `execute BASE [--reading N=VALUE]... [--format json|table|csv] [--log] [--flow-model M]`:
//! loads the data set as Open All does, sets the readings, runs Execute with the equilibrium
//! driver and prints the outcome, and one line on `err` for each stage where the flow models
//! differ; the table and the CSV show logarithms with `logDisplay`, which JSON refuses. Exit 0
//! when the run converged, 1 on a run error, 2 on a bad reading or when no file of the data set
//! could be read.
int runExecute(const std::string& base, std::span<const std::string> readings, ExecuteFormat format,
    std::ostream& out, std::ostream& err, bool logDisplay = false,
    std::optional<FlowModelKind> model = std::nullopt);

} // namespace meldrix::cli
