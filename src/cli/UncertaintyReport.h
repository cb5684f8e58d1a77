#pragma once

#include "uncertainty/Uncertainty.h"

#include <iosfwd>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace meldrix::cli {

//! {"method", "samples", "seed", "full_scale_percent", "flow_percent", "inputs", "cells"}: the
//! cells with each gas's fraction, sd and quantiles, log10_pO2 (or null) and dominant_stage;
//! quantiles, samples and seed are null for a linear run, and so is any number that is not finite.
nlohmann::ordered_json UncertaintyToJson(const UncertaintyResult& result);

//! Gases (then log10 pO2) by cells, each as "value ± sd", with a line of the 2.5..97.5 % band
//! under each for Monte Carlo; then the inputs and each cell's dominant stage.
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
