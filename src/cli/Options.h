#pragma once

#include "rig/DataSetSettings.h"

#include <CLI/CLI.hpp>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace meldrix::cli {

//! The data set every command works on, as its first positional argument.
inline CLI::Option* addBaseArgument(CLI::App& command, std::string& base)
{
    return command.add_option("BASE", base, "Base name of the data set, without extension")
        ->required();
}

//! `--flow-model as-specified|physical`: the flow model instead of the one the data set's settings
//! name.
inline CLI::Option* addFlowModelOption(CLI::App& command, std::optional<FlowModelKind>& model)
{
    return command
        .add_option("--flow-model", model,
            "as-specified: each gas through its own curve, as Meldrix always computed; physical: "
            "mixtures metered by density, dry gas kept, monotone curves (default: the data set's "
            "setting)")
        ->type_name("MODEL")
        ->transform(CLI::CheckedTransformer(
            std::map<std::string, FlowModelKind> { { "as-specified", FlowModelKind::AsSpecified },
                { "physical", FlowModelKind::Physical } }));
}

//! `--reading N=VALUE`, checked later by parseReadingArguments.
inline CLI::Option* addReadingOption(CLI::App& command, std::vector<std::string>& readings)
{
    // One value per --reading, so that BASE after it is never taken for a reading.
    return command
        .add_option("--reading", readings,
            "Reading of stage N (1..16) instead of the stored one; may be repeated")
        ->type_name("N=VALUE")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

//! BASE, `--reading` and `--flow-model`: the data set and the run a command starts from.
inline void addRunArguments(CLI::App& command, std::string& base,
    std::vector<std::string>& readings, std::optional<FlowModelKind>& model)
{
    addBaseArgument(command, base);
    addReadingOption(command, readings);
    addFlowModelOption(command, model);
}

//! `--format json|table|csv` for a command whose `Format` offers those three.
template <typename Format>
CLI::Option* addFormatOption(CLI::App& command, Format& format, const std::string& help)
{
    return command.add_option("--format", format, help)
        ->transform(CLI::CheckedTransformer(std::map<std::string, Format> {
            { "json", Format::Json }, { "table", Format::Table }, { "csv", Format::Csv } }));
}

//! `--out FILE` for the commands that write a picture or a document.
inline CLI::Option* addOutOption(
    CLI::App& command, std::string& path, const std::string& typeName, const std::string& help)
{
    return command.add_option("--out", path, help)->type_name(typeName)->required();
}

} // namespace meldrix::cli
