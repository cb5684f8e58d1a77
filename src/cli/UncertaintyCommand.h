#pragma once

#include "cli/Options.h"
#include "cli/UncertaintyReport.h"

#include <CLI/CLI.hpp>
#include <map>
#include <vector>

namespace meldrix::cli {

//! The meters' accuracy options (--sd, --full-scale-percent, --flow-percent, --method, --samples,
//! --seed) on `command`; returns them, so that a command may make them need another option.
inline std::vector<CLI::Option*> addAccuracyOptions(CLI::App& command, AccuracyArguments& accuracy)
{
    // One value per --sd, so that BASE after it is never taken for one.
    return {
        command
            .add_option("--sd", accuracy.Sds,
                "Standard deviation of stage N's reading instead of the full-scale share; may "
                "be repeated")
            ->type_name("N=VALUE")
            ->expected(1)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll),
        command
            .add_option("--full-scale-percent", accuracy.FullScalePercent,
                "Standard deviation of every reading in % of its stage's full scale (default: the "
                "data set's, 1 without settings)")
            ->type_name("P"),
        command
            .add_option("--flow-percent", accuracy.FlowPercent,
                "Relative standard deviation of the calibrated flow in % (default: the data "
                "set's, 0 without settings)")
            ->type_name("Q"),
        command
            .add_option("--method", accuracy.Method,
                "linear (the default without settings): first order, central differences; "
                "monte-carlo: seeded samples")
            ->transform(CLI::CheckedTransformer(
                std::map<std::string, UncertaintyMethod> { { "linear", UncertaintyMethod::Linear },
                    { "monte-carlo", UncertaintyMethod::MonteCarlo } })),
        command
            .add_option("--samples", accuracy.Samples,
                "Monte Carlo samples (default: the data set's, 2000 without settings)")
            ->type_name("N"),
        command
            .add_option("--seed", accuracy.Seed,
                "Monte Carlo seed (default: the data set's, 1 without settings)")
            ->type_name("K"),
    };
}

//! Adds the `uncertainty` subcommand to `app`; its arguments land in `options`.
inline CLI::App* addUncertaintyCommand(CLI::App& app, UncertaintyCommandOptions& options)
{
    CLI::App* command = app.add_subcommand("uncertainty",
        "Run the mixer on BASE and carry the meters' accuracy to every fed cell's gas (and pO2)");
    addRunArguments(*command, options.Base, options.Readings, options.FlowModel);
    addAccuracyOptions(*command, options.Accuracy);
    command->add_flag("--equilibrium", options.Equilibrium,
        "Also log10 pO2 of each cell's gas at its temperature");
    addFormatOption(*command, options.Format,
        "json (default): one JSON object; table: value ± sd by cells; csv: one line per quantity");
    return command;
}

} // namespace meldrix::cli
