#pragma once

#include "uncertainty/Uncertainty.h"

#include <iosfwd>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace meldrix::cli {

//! {"method", "samples", "seed", "full_scale_percent", "flow_percent", "inputs", "cells",
//! "warnings", "notes"}: the cells with each gas's fraction, sd, quantiles and linear_valid,
//! log10_pO2 (or null), the Monte Carlo samples without oxygen, unresolved or failed, the
//! dominant input and dominant_stage; quantiles, samples, seed and the sample counts are null for
//! a linear run, linear_valid for Monte Carlo, and so is any number that is not finite.
nlohmann::ordered_json UncertaintyToJson(const UncertaintyResult& result);

//! Gases (then log10 pO2) by cells, each as "value ± sd", with a line of the 2.5..97.5 % band
//! under each for Monte Carlo; then the inputs, each cell's dominant input, quantities far from
//! linear, samples without oxygen, and the notes.
std::string UncertaintyTable(const UncertaintyResult& result);

//! One line per cell and quantity: cell, name, quantity, value, sd, p2_5, p97_5, dominant_stage
//! (on the log10 pO2 line); RFC 4180 with CRLF line ends.
std::string UncertaintyCsv(const UncertaintyResult& result);

enum class UncertaintyFormat { Json, Table, Csv };

//! The meters' accuracy as given on the command line, for every command that carries it; what is
//! not given is the data set's.
struct AccuracyArguments {
    std::vector<std::string> Sds; //!< N=VALUE
    std::optional<double> FullScalePercent;
    std::optional<double> FlowPercent;
    std::optional<UncertaintyMethod> Method;
    std::optional<int> Samples;
    std::optional<std::uint64_t> Seed;
};

//! The options of an uncertainty run from `arguments` over the meter accuracy `dataSet` (of the
//! data set's settings; the defaults before it is loaded, so that a usage error is found first);
//! at the first that cannot be used one usage line naming `command`'s help goes to `err` and
//! nothing is returned.
std::optional<UncertaintyOptions> AccuracyOptions(const AccuracyArguments& arguments,
    std::string_view command, std::ostream& err, const MeterAccuracySettings& dataSet = {});

struct UncertaintyCommandOptions {
    std::string Base;
    std::vector<std::string> Readings; //!< N=VALUE
    AccuracyArguments Accuracy;
    bool Equilibrium = false;
    UncertaintyFormat Format = UncertaintyFormat::Json;
    std::optional<FlowModelKind> FlowModel; //!< instead of the data set's
};

//! `uncertainty BASE ...`: loads the data set as Open All does, sets the readings and carries the
//! meters' accuracy to every fed cell. Exit 0 when done, 1 when the run stopped with an error or a
//! cell's equilibrium could not be solved, 2 for a usage error or when no file of the data set
//! could be read.
int runUncertainty(const UncertaintyCommandOptions& options, std::ostream& out, std::ostream& err);

} // namespace meldrix::cli
