#pragma once

#include "cli/EquilibriumReport.h"

#include <CLI/CLI.hpp>

namespace meldrix::cli {

//! Adds the `equilibrium` subcommand to `app`; its arguments land in `options`.
inline CLI::App* addEquilibriumCommand(CLI::App& app, EquilibriumOptions& options)
{
    CLI::App* command = app.add_subcommand("equilibrium",
        "Run the mixer on BASE, then print the equilibrium gas of each fed cell at its "
        "temperature");
    command->add_option("BASE", options.Base, "Base name of the data set, without extension")
        ->required();
    // One value per --reading, so that BASE after it is never taken for a reading.
    command
        ->add_option("--reading", options.Readings,
            "Reading of stage N (1..16) instead of the stored one; may be repeated")
        ->type_name("N=VALUE")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    command->add_option("--cell", options.Cell, "Only cell C (1..8)")->type_name("C");
    command
        ->add_option("--temperature-sweep", options.Sweep,
            "Cell C's gas at FROM, FROM + STEP, ... TO degrees Celsius instead of its own "
            "temperature")
        ->type_name("FROM:TO:STEP");
    command
        ->add_option("--format", options.Format,
            "json (default): one JSON object; table: species by cells; csv: one line per cell")
        ->transform(CLI::CheckedTransformer(
            std::map<std::string, EquilibriumFormat> { { "json", EquilibriumFormat::Json },
                { "table", EquilibriumFormat::Table }, { "csv", EquilibriumFormat::Csv } }));
    return command;
}

} // namespace meldrix::cli
