#include "cli/UncertaintyReport.h"

#include "cli/Commands.h"
#include "cli/ExecuteReport.h"
#include "cli/JsonNumber.h"
#include "cli/RigJson.h"
#include "cli/TextColumns.h"
#include "common/Latin1.h"
#include "common/TextFormat.h"
#include "uncertainty/UncertaintyRemarks.h"

#include <algorithm>
#include <cmath>
#include <ostream>

namespace meldrix::cli {

namespace {

using OrderedJson = nlohmann::ordered_json;

constexpr std::string_view PO2Name = "log10 pO2";

bool isMonteCarlo(const UncertaintyResult& result)
{
    return result.Method == UncertaintyMethod::MonteCarlo;
}

std::string cellTitle(const CellUncertainty& cell)
{
    return "OC " + formatInt(cell.Cell) + "; " + latin1ToUtf8(cell.Name);
}

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

std::string sdText(double sd)
{
    return std::isfinite(sd) ? trimmed(formatScientific(sd, 12)) : std::string("?");
}

// Fractions with the results table's 7 decimals, logarithms with the equilibrium table's 4.
std::string valueText(double value, bool logarithm)
{
    // A band's bottom among the samples without oxygen lies below every finite pO2.
    if (std::isinf(value) && value < 0)
        return "\u2212\u221E";
    return trimmed(formatFixed(value, 0, logarithm ? 4 : 7));
}

std::string plusMinus(const Spread& spread, bool logarithm)
{
    return valueText(spread.Value, logarithm) + " \u00B1 " + sdText(spread.Sd);
}

std::string band(const Spread& spread, bool logarithm)
{
    if (!spread.P2_5 || !spread.P97_5)
        return {};
    return "[" + valueText(*spread.P2_5, logarithm) + ", " + valueText(*spread.P97_5, logarithm)
        + "]";
}

OrderedJson dominantToJson(const DominantInput& dominant)
{
    switch (dominant.What) {
    case DominantInput::Kind::None:
        break;
    case DominantInput::Kind::Reading:
        return { { "kind", "reading" }, { "stage", dominant.Number } };
    case DominantInput::Kind::Calibration:
        return { { "kind", "calibration" }, { "curve", dominant.Number } };
    }
    return nullptr;
}

// A cell whose equilibrium failed at the readings as they are; a gas without oxygen is no failure.
bool equilibriumFailed(const CellUncertainty& cell)
{
    return !cell.Log10PO2 && !cell.PO2Problem.empty() && cell.PO2Problem != NoOxygenProblem;
}

} // namespace

OrderedJson UncertaintyToJson(const UncertaintyResult& result)
{
    const bool sampled = isMonteCarlo(result);
    OrderedJson inputs = OrderedJson::array();
    for (const UncertaintyInput& input : result.Inputs)
        inputs.push_back({ { "stage", input.Stage }, { "reading", JsonNumber(input.Reading) },
            { "sd", JsonNumber(input.Sd) } });
    const auto spread = [](const Spread& s, OrderedJson object, const std::optional<bool>& linear) {
        object["sd"] = JsonNumber(s.Sd);
        object["p2_5"] = JsonNumber(s.P2_5);
        object["p97_5"] = JsonNumber(s.P97_5);
        object["linear_valid"] = linear ? OrderedJson(*linear) : OrderedJson();
        return object;
    };
    const auto samples = [sampled](
                             int count) { return sampled ? OrderedJson(count) : OrderedJson(); };
    OrderedJson cells = OrderedJson::array();
    for (const CellUncertainty& cell : result.Cells) {
        OrderedJson gases = OrderedJson::array();
        for (std::size_t k = 0; k < cell.Gases.size(); ++k) {
            const GasSpread& gas = cell.Gases[k];
            gases.push_back(spread(gas.Fraction,
                { { "name", latin1ToUtf8(gas.Name) },
                    { "fraction", JsonNumber(gas.Fraction.Value) } },
                cell.Linear ? std::optional<bool>(cell.Linear->Gases[k]) : std::nullopt));
        }
        cells.push_back(
            { { "cell", cell.Cell }, { "name", latin1ToUtf8(cell.Name) }, { "gas", gases },
                { "log10_pO2",
                    cell.Log10PO2
                        ? spread(*cell.Log10PO2, { { "value", JsonNumber(cell.Log10PO2->Value) } },
                            cell.Linear ? std::optional<bool>(cell.Linear->Log10PO2) : std::nullopt)
                        : OrderedJson() },
                { "no_oxygen_samples", samples(cell.NoOxygenSamples) },
                { "unresolved_samples", samples(cell.UnresolvedSamples) },
                { "failed_samples", samples(cell.FailedSamples) },
                { "dominant", dominantToJson(cell.Dominant) },
                { "dominant_stage",
                    cell.DominantStage > 0 ? OrderedJson(cell.DominantStage) : OrderedJson() } });
    }
    OrderedJson notes = OrderedJson::array();
    for (const std::string& note : result.Notes)
        notes.push_back(latin1ToUtf8(note));
    return { { "method", std::string(UncertaintyMethodName(result.Method)) },
        { "samples", sampled ? OrderedJson(result.Samples) : OrderedJson() },
        { "seed", sampled ? OrderedJson(result.Seed) : OrderedJson() },
        { "full_scale_percent", JsonNumber(result.FullScalePercent) },
        { "flow_percent", JsonNumber(result.FlowPercent) }, { "inputs", inputs },
        { "cells", cells }, { "warnings", ReadingWarningsToJson(result.Warnings) },
        { "notes", notes } };
}

std::string UncertaintyTable(const UncertaintyResult& result)
{
    const bool sampled = isMonteCarlo(result);
    const auto& cells = result.Cells;
    const bool anyPO2 = std::any_of(cells.begin(), cells.end(),
        [](const CellUncertainty& cell) { return cell.Log10PO2.has_value(); });

    // One block of lines per quantity: "value ± sd", then the band for Monte Carlo.
    std::vector<std::string> headings;
    std::vector<std::vector<std::string>> columns(cells.size());
    const auto addQuantity = [&](const std::string& name, auto spreadOf, bool logarithm) {
        headings.push_back(name);
        for (std::size_t j = 0; j < cells.size(); ++j) {
            const Spread* s = spreadOf(cells[j]);
            columns[j].push_back(s ? plusMinus(*s, logarithm) : std::string("none"));
        }
        if (!sampled)
            return;
        headings.emplace_back("  2.5..97.5 %");
        for (std::size_t j = 0; j < cells.size(); ++j) {
            const Spread* s = spreadOf(cells[j]);
            columns[j].push_back(s ? band(*s, logarithm) : std::string());
        }
    };
    const std::size_t gases = cells.empty() ? 0 : cells.front().Gases.size();
    for (std::size_t k = 0; k < gases; ++k)
        addQuantity(
            latin1ToUtf8(cells.front().Gases[k].Name),
            [k](const CellUncertainty& cell) { return &cell.Gases[k].Fraction; }, false);
    if (anyPO2)
        addQuantity(
            std::string(PO2Name),
            [](const CellUncertainty& cell) {
                return cell.Log10PO2 ? &*cell.Log10PO2 : static_cast<const Spread*>(nullptr);
            },
            true);

    std::size_t headingWidth = std::string_view("Gas").size();
    for (const std::string& heading : headings)
        headingWidth = std::max(headingWidth, displayWidth(heading));
    std::string table = padRight("Gas", headingWidth);
    std::vector<std::size_t> widths;
    for (std::size_t j = 0; j < cells.size(); ++j) {
        std::size_t width = displayWidth(cellTitle(cells[j]));
        for (const std::string& text : columns[j])
            width = std::max(width, displayWidth(text));
        widths.push_back(width);
        table += "  " + padLeft(cellTitle(cells[j]), width);
    }
    table += '\n';
    for (std::size_t row = 0; row < headings.size(); ++row) {
        table += padRight(headings[row], headingWidth);
        for (std::size_t j = 0; j < cells.size(); ++j)
            table += "  " + padLeft(columns[j][row], widths[j]);
        table += '\n';
    }

    table += "\nMethod " + std::string(UncertaintyMethodName(result.Method));
    if (sampled)
        table += ", " + formatInt(result.Samples) + " samples, seed " + std::to_string(result.Seed);
    table += "; readings \u00B1 " + trimmed(formatFixed(result.FullScalePercent, 0, 3))
        + " % of full scale, flows \u00B1 " + trimmed(formatFixed(result.FlowPercent, 0, 3))
        + " %\n";
    for (const UncertaintyInput& input : result.Inputs)
        table += "Stage " + formatInt(input.Stage) + ": reading "
            + trimmed(formatFixed(input.Reading, 0, 3)) + " \u00B1 " + sdText(input.Sd)
            + " (full scale " + trimmed(formatFixed(input.FullScale, 0, 3)) + ")\n";
    for (const UncertaintyRemark& remark : UncertaintyRemarks(result))
        table += latin1ToUtf8(remark.Text) + '\n';
    return table;
}

std::string UncertaintyCsv(const UncertaintyResult& result)
{
    std::string csv = "cell,name,quantity,value,sd,p2_5,p97_5,dominant_stage";
    csv += CsvLineEnd;
    const auto line = [&](const CellUncertainty& cell, std::string_view quantity, const Spread& s,
                          const std::string& dominant) {
        csv += formatInt(cell.Cell) + ',' + csvField(latin1ToUtf8(cell.Name)) + ','
            + csvField(latin1ToUtf8(std::string(quantity))) + ',' + seventeenDigits(s.Value) + ','
            + seventeenDigits(s.Sd) + ',' + (s.P2_5 ? seventeenDigits(*s.P2_5) : std::string())
            + ',' + (s.P97_5 ? seventeenDigits(*s.P97_5) : std::string()) + ',' + dominant;
        csv += CsvLineEnd;
    };
    for (const CellUncertainty& cell : result.Cells) {
        for (const GasSpread& gas : cell.Gases)
            line(cell, gas.Name, gas.Fraction, {});
        if (cell.Log10PO2)
            line(cell, PO2Name, *cell.Log10PO2,
                cell.DominantStage > 0 ? formatInt(cell.DominantStage) : std::string());
    }
    return csv;
}

std::optional<UncertaintyOptions> AccuracyOptions(const AccuracyArguments& arguments,
    std::string_view command, std::ostream& err, const MeterAccuracySettings& dataSet)
{
    UncertaintyOptions settings = WithMeterAccuracy({}, dataSet);
    for (const std::string& text : arguments.Sds) {
        const auto sd = parseReadingArgument(text);
        if (!sd || sd->value < 0) {
            err << Prefix << "--sd '" << text
                << "' is not N=VALUE with a stage N of 1..16 and a number VALUE of 0 or more"
                   " (see meldrix-cli "
                << command << " --help)\n";
            return std::nullopt;
        }
        settings.StageSds.push_back({ sd->stage, sd->value });
    }
    settings.Method = arguments.Method.value_or(settings.Method);
    settings.FullScalePercent = arguments.FullScalePercent.value_or(settings.FullScalePercent);
    settings.FlowPercent = arguments.FlowPercent.value_or(settings.FlowPercent);
    settings.Samples = arguments.Samples.value_or(settings.Samples);
    settings.Seed = arguments.Seed.value_or(settings.Seed);
    if (const auto problem = CheckUncertaintyOptions(settings)) {
        err << Prefix << *problem << " (see meldrix-cli " << command << " --help)\n";
        return std::nullopt;
    }
    return settings;
}

int runUncertainty(const UncertaintyCommandOptions& options, std::ostream& out, std::ostream& err)
{
    // Arguments are checked before anything is loaded, so a usage error is the only line.
    const auto readings = parseReadingArguments(options.Readings, "uncertainty", err);
    if (!readings)
        return ExitUsage;
    if (!AccuracyOptions(options.Accuracy, "uncertainty", err))
        return ExitUsage;

    const auto rig = loadDataSet(options.Base, err, *readings, options.FlowModel);
    if (!rig)
        return ExitUsage;
    auto accuracy =
        AccuracyOptions(options.Accuracy, "uncertainty", err, rig->Settings.MeterAccuracy);
    if (!accuracy)
        return ExitUsage;
    UncertaintyOptions& settings = *accuracy;
    settings.Equilibrium = options.Equilibrium;
    const UncertaintyResult result = PropagateUncertainty(*rig, settings);
    if (!result.Ok) {
        err << Prefix << latin1ToUtf8(result.Message) << '\n';
        return ExitFailed;
    }
    PrintReadingWarnings(result.Warnings, err); // as execute says them
    for (const StageDeviation& given : settings.StageSds)
        if (std::none_of(result.Inputs.begin(), result.Inputs.end(),
                [&](const UncertaintyInput& input) { return input.Stage == given.Stage; }))
            err << Prefix << "warning: stage " << given.Stage
                << " has no positive reading feeding a mixture: its --sd changes nothing\n";
    if (result.Cells.empty())
        err << Prefix << "warning: no cell is fed by a mixture\n";

    switch (options.Format) {
    case UncertaintyFormat::Json:
        out << prettyJson(WithFlowModel(UncertaintyToJson(result), rig->Settings.FlowModel),
            NumberForm::SeventeenDigits)
            << '\n';
        break;
    case UncertaintyFormat::Table:
        out << UncertaintyTable(result);
        break;
    case UncertaintyFormat::Csv:
        out << UncertaintyCsv(result);
        break;
    }
    bool failed = false;
    for (const CellUncertainty& cell : result.Cells) {
        if (equilibriumFailed(cell)) {
            failed = true;
            if (options.Format != UncertaintyFormat::Table)
                err << Prefix << cellTitle(cell) << ": " << latin1ToUtf8(cell.PO2Problem) << '\n';
        }
    }
    // The table says them already.
    if (options.Format != UncertaintyFormat::Table)
        for (const UncertaintyRemark& remark : UncertaintyRemarks(result))
            if (remark.Kind == RemarkKind::DroppedSamples)
                err << Prefix << "warning: " << latin1ToUtf8(remark.Text) << '\n';
    // The table and the JSON carry the notes; CSV has no place for them.
    if (options.Format == UncertaintyFormat::Csv)
        for (const std::string& note : result.Notes)
            err << Prefix << "note: " << latin1ToUtf8(note) << '\n';
    if (!out)
        return ExitFailed;
    return failed ? ExitFailed : ExitOk;
}

} // namespace meldrix::cli
