#include "cli/TargetCommand.h"

#include "cli/Commands.h"
#include "cli/ExecuteReport.h"
#include "cli/JsonNumber.h"
#include "cli/Options.h"
#include "cli/RigJson.h"
#include "cli/TextColumns.h"
#include "common/EnumNames.h"
#include "common/Latin1.h"
#include "common/TextFormat.h"

#include <cmath>
#include <ostream>

namespace meldrix::cli {

namespace {

using OrderedJson = nlohmann::ordered_json;

std::string_view statusName(TargetStatus status)
{
    static constexpr auto Names =
        std::to_array<EnumName<TargetStatus>>({ { TargetStatus::Reached, "reached" },
            { TargetStatus::Closest, "closest" }, { TargetStatus::Error, "error" } });
    return NameOf(status, Names, "error");
}

void usage(std::ostream& err, const std::string& what)
{
    err << Prefix << what << " (see meldrix-cli target --help)\n";
}

// GAS=X: the gas is everything before the last '=', so a name may hold one itself.
std::optional<Target> parseFraction(std::string_view text)
{
    const auto equals = text.rfind('=');
    if (equals == std::string_view::npos || equals == 0)
        return std::nullopt;
    const auto value = parseNumber(text.substr(equals + 1));
    if (!value)
        return std::nullopt;
    return Target { TargetKind::Fraction, std::string(text.substr(0, equals)), *value };
}

std::optional<std::vector<int>> parseStages(std::string_view text)
{
    std::vector<int> stages;
    while (true) {
        const auto comma = text.find(',');
        const auto stage = parseInteger(text.substr(0, comma));
        if (!stage || *stage < 1 || *stage > MaxFlowmeters)
            return std::nullopt;
        stages.push_back(static_cast<int>(*stage));
        if (comma == std::string_view::npos)
            return stages;
        text.remove_prefix(comma + 1);
    }
}

std::string targetTitle(const Target& target)
{
    switch (target.Kind) {
    case TargetKind::Fraction:
        return latin1ToUtf8(target.Gas);
    case TargetKind::Log10PO2:
        return "log10 pO2";
    case TargetKind::Flow:
        return "flow";
    }
    return {};
}

// Fractions to their tolerance, pO2 and flow to 4 decimals.
std::string value(TargetKind kind, std::optional<double> number)
{
    constexpr int Width = 14;
    if (!number || !std::isfinite(*number))
        return padLeft("none", Width);
    return formatFixed(*number, Width, kind == TargetKind::Fraction ? 7 : 4);
}

// The other cells the proposal changes, then what else makes it less than it seems.
std::vector<std::string> allWarnings(const Rig& rig, const TargetOutcome& outcome)
{
    std::vector<std::string> warnings = SideEffectSentences(rig, outcome.SideEffects);
    warnings.insert(warnings.end(), outcome.Warnings.begin(), outcome.Warnings.end());
    return warnings;
}

} // namespace

CLI::App* addTargetCommand(CLI::App& app, TargetOptions& options)
{
    CLI::App* command = app.add_subcommand("target",
        "Find the readings that give cell N of BASE the wanted gas fractions, log10 pO2 or flow");
    addBaseArgument(*command, options.Base);
    command->add_option("--cell", options.Cell, "The cell (1..8) the targets are for")
        ->type_name("N")
        ->required();
    // One value per option, so that BASE after it is never taken for a target.
    command
        ->add_option("--fraction", options.Fractions,
            "Wanted fraction X (0..1) of GAS in the cell's gas as mixed; may be repeated")
        ->type_name("GAS=X")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    command
        ->add_option("--log10-pO2", options.Log10PO2,
            "Wanted log10 pO2 [bar] of the cell's gas at equilibrium at its temperature")
        ->type_name("V");
    command->add_option("--flow", options.Flow, "Wanted flow into the cell (its mixture's flow)")
        ->type_name("F");
    command
        ->add_option("--free", options.Free,
            "The stages the search may change; default: every stage with a positive reading "
            "whose gas reaches the cell and no other")
        ->type_name("S[,S...]");
    addReadingOption(*command, options.Readings);
    addFlowModelOption(*command, options.FlowModel);
    command
        ->add_option("--format", options.Format,
            "json (default): one JSON object; table: the targets and the sixteen readings")
        ->check(CLI::IsMember({ "json", "table" }));
    return command;
}

OrderedJson TargetToJson(const TargetOutcome& outcome)
{
    const auto gasOf = [](TargetKind kind, const std::string& gas) {
        return kind == TargetKind::Fraction ? OrderedJson(latin1ToUtf8(gas)) : OrderedJson();
    };
    OrderedJson targets = OrderedJson::array();
    for (const TargetResult& result : outcome.Targets) {
        const Target& target = result.Wanted;
        targets.push_back({ { "kind", TargetKindName(target.Kind) },
            { "gas", gasOf(target.Kind, target.Gas) }, { "wanted", JsonNumber(target.Wanted) },
            { "achieved", JsonNumber(result.Achieved) }, { "sd", JsonNumber(result.Sd) },
            { "problem", result.Problem.empty() ? OrderedJson() : OrderedJson(result.Problem) } });
    }
    OrderedJson readings = OrderedJson::array();
    for (int f = 1; f <= MaxFlowmeters; ++f) {
        const StageProposal& stage = outcome.Readings[f];
        readings.push_back({ { "stage", f }, { "was", JsonNumber(stage.Was) },
            { "reading", JsonNumber(stage.Reading) }, { "free", stage.Free } });
    }
    OrderedJson effects = OrderedJson::array();
    for (const SideEffect& effect : outcome.SideEffects)
        effects.push_back({ { "cell", effect.Cell }, { "kind", TargetKindName(effect.Kind) },
            { "gas", gasOf(effect.Kind, effect.Gas) }, { "was", JsonNumber(effect.Was) },
            { "now", JsonNumber(effect.Now) } });
    OrderedJson warnings = OrderedJson::array();
    for (const std::string& warning : outcome.Warnings)
        warnings.push_back(latin1ToUtf8(warning));
    return { { "status", statusName(outcome.Status) }, { "message", latin1ToUtf8(outcome.Message) },
        { "cell", outcome.Cell }, { "targets", targets }, { "readings", readings },
        { "change", JsonNumber(outcome.Change) }, { "side_effects", effects },
        { "warnings", warnings }, { "iterations", outcome.Iterations },
        { "evaluations", outcome.Evaluations } };
}

std::string TargetTable(const Rig& rig, const TargetOutcome& outcome)
{
    constexpr int Width = 14;
    std::string table = "Cell " + formatInt(outcome.Cell) + ": "
        + std::string(statusName(outcome.Status)) + " after " + formatInt(outcome.Iterations)
        + " iterations, " + formatInt(outcome.Evaluations) + " trial runs. "
        + latin1ToUtf8(outcome.Message) + "\n\n";
    table += padRight("Target", 12) + padLeft("wanted", Width) + "  " + padLeft("achieved", Width)
        + "  " + padLeft("\u00B1 sd", Width) + '\n';
    for (const TargetResult& result : outcome.Targets) {
        table += padRight(targetTitle(result.Wanted), 12)
            + value(result.Wanted.Kind, result.Wanted.Wanted) + "  "
            + (result.Problem.empty() ? value(result.Wanted.Kind, result.Achieved)
                                      : padLeft("none", Width))
            + "  "
            + (result.Sd ? padLeft(std::string(trimBlanks(formatScientific(*result.Sd, 12))), Width)
                         : padLeft("none", Width))
            + '\n';
        if (!result.Problem.empty())
            table += padRight("", 12) + "  " + latin1ToUtf8(result.Problem) + '\n';
    }
    table += '\n' + padRight("Stage", 12) + padLeft("was", Width) + "  " + padLeft("reading", Width)
        + "  free\n";
    for (int f = 1; f <= MaxFlowmeters; ++f) {
        const StageProposal& stage = outcome.Readings[f];
        table += padRight("F" + formatInt(f, 2), 12) + padLeft(formatFixed(stage.Was, 0, 6), Width)
            + "  " + padLeft(formatFixed(stage.Reading, 0, 6), Width) + "  "
            + (stage.Free ? "yes" : "no") + '\n';
    }
    if (outcome.Status != TargetStatus::Error)
        table += "\nChange " + std::string(trimBlanks(formatFixed(outcome.Change, 0, 4)))
            + " (each free reading's change over its range, as a root sum of squares)\n";
    const auto warnings = allWarnings(rig, outcome);
    if (!warnings.empty())
        table += '\n';
    for (const std::string& warning : warnings)
        table += "Warning: " + latin1ToUtf8(warning) + '\n';
    return table;
}

int runTarget(const TargetOptions& options, std::ostream& out, std::ostream& err)
{
    // Arguments are checked before anything is loaded, so a usage error is the only line.
    const auto readings = parseReadingArguments(options.Readings, "target", err);
    if (!readings)
        return ExitUsage;
    if (options.Cell < 1 || options.Cell > MaxCells) {
        usage(err, "--cell " + formatInt(options.Cell) + " is not a cell 1..8");
        return ExitUsage;
    }
    TargetRequest request;
    request.Cell = options.Cell;
    for (const std::string& text : options.Fractions) {
        const auto target = parseFraction(text);
        if (!target) {
            usage(err, "--fraction '" + text + "' is not GAS=X with a number X");
            return ExitUsage;
        }
        request.Targets.push_back(*target);
    }
    if (options.Log10PO2)
        request.Targets.push_back({ TargetKind::Log10PO2, {}, *options.Log10PO2 });
    if (options.Flow)
        request.Targets.push_back({ TargetKind::Flow, {}, *options.Flow });
    if (request.Targets.empty()) {
        usage(err, "no target: give --fraction GAS=X, --log10-pO2 V or --flow F");
        return ExitUsage;
    }
    if (!options.Free.empty()) {
        request.FreeStages = parseStages(options.Free);
        if (!request.FreeStages) {
            usage(err, "--free '" + options.Free + "' is not a list of stages 1..16 such as 1,3");
            return ExitUsage;
        }
    }

    const auto rig = loadDataSet(options.Base, err, *readings, options.FlowModel);
    if (!rig)
        return ExitUsage;

    const TargetOutcome outcome = FindReadings(*rig, request);
    if (options.Format == "table")
        out << TargetTable(*rig, outcome);
    else
        out << prettyJson(WithFlowModel(TargetToJson(outcome), rig->Settings.FlowModel),
            NumberForm::SeventeenDigits)
            << '\n';
    if (outcome.Status != TargetStatus::Reached)
        err << Prefix << latin1ToUtf8(outcome.Message) << '\n';
    for (const std::string& warning : allWarnings(*rig, outcome))
        err << Prefix << "warning: " << latin1ToUtf8(warning) << '\n';
    if (!out)
        return ExitFailed;
    return outcome.Status == TargetStatus::Reached ? ExitOk : ExitFailed;
}

} // namespace meldrix::cli
