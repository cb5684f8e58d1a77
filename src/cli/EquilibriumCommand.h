#pragma once

#include "cli/EquilibriumReport.h"
#include "cli/Options.h"

#include <CLI/CLI.hpp>

namespace meldrix::cli {

//! Adds the `equilibrium` subcommand to `app`; its arguments land in `options`.
inline CLI::App* addEquilibriumCommand(CLI::App& app, EquilibriumOptions& options)
{
    CLI::App* command = app.add_subcommand("equilibrium",
        "Run the mixer on BASE, then print the equilibrium gas of each fed cell at its "
        "temperature");
    addRunArguments(*command, options.Base, options.Readings, options.FlowModel);
    command->add_option("--cell", options.Cell, "Only cell C (1..8)")->type_name("C");
    command
        ->add_option("--temperature-sweep", options.Sweep,
            "Cell C's gas at FROM, FROM + STEP, ... TO degrees Celsius instead of its own "
            "temperature")
        ->type_name("FROM:TO:STEP");
    addFormatOption(*command, options.Format,
        "json (default): one JSON object; table: species by cells; csv: one line per cell");
    return command;
}

} // namespace meldrix::cli
