#include "cli/EquilibriumReport.h"

#include "cli/Commands.h"
#include "cli/ExecuteReport.h"
#include "cli/JsonNumber.h"
#include "cli/RigJson.h"
#include "cli/TextColumns.h"
#include "common/Latin1.h"
#include "common/TextFormat.h"
#include "equil/CellGibbs.h"
#include "equil/NumericHelpers.h"
#include "mixer/Execute.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <ostream>

namespace meldrix::cli {

namespace {

using OrderedJson = nlohmann::ordered_json;

constexpr double ShownFraction = 1e-12; // the table lists species from this fraction up

std::vector<const GibbsResult*> resultsOf(std::span<const EquilibriumRow> rows)
{
    std::vector<const GibbsResult*> results;
    for (const EquilibriumRow& row : rows)
        results.push_back(&row.Result);
    return results;
}

std::string cellTitle(const EquilibriumRow& row)
{
    return "OC " + formatInt(row.Cell) + "; " + latin1ToUtf8(row.Name);
}

std::string status(const GibbsResult& result)
{
    if (!result.Ok)
        return "error";
    return result.PO2Resolved ? "ok" : "unresolved";
}

OrderedJson message(const GibbsResult& result)
{
    if (!result.Ok)
        return latin1ToUtf8(result.Message);
    if (!result.PO2Resolved)
        return std::string(UnresolvedPO2);
    return nullptr;
}

std::string celsiusTitle(const EquilibriumRow& row)
{
    return formatFixed(row.Result.Kelvin - 273.15, 0, 1) + " \u00B0C";
}

} // namespace

std::vector<double> TemperatureSweep::temperatures() const
{
    std::vector<double> list;
    // Each temperature from its index, so that steps like 0.1 do not drift.
    for (int i = 0;; ++i) {
        const double celsius = From + i * Step;
        if (celsius > To + Step * 1e-9 || i >= MaxSweepTemperatures)
            break;
        list.push_back(std::min(celsius, To));
    }
    return list;
}

std::optional<TemperatureSweep> parseTemperatureSweep(std::string_view text)
{
    const auto first = text.find(':');
    const auto second = first == std::string_view::npos ? first : text.find(':', first + 1);
    if (second == std::string_view::npos)
        return std::nullopt;
    const auto from = parseNumber(text.substr(0, first));
    const auto to = parseNumber(text.substr(first + 1, second - first - 1));
    const auto step = parseNumber(text.substr(second + 1));
    if (!from || !to || !step || !(*step > 0.0) || *to < *from)
        return std::nullopt;
    if ((*to - *from) / *step >= MaxSweepTemperatures)
        return std::nullopt;
    return TemperatureSweep { *from, *to, *step };
}

OrderedJson EquilibriumToJson(std::span<const EquilibriumRow> rows)
{
    OrderedJson cells = OrderedJson::array();
    for (const EquilibriumRow& row : rows) {
        const GibbsResult& result = row.Result;
        OrderedJson species = OrderedJson::array();
        for (const SpeciesFraction& fraction : result.Species)
            species.push_back({ { "name", latin1ToUtf8(fraction.Name) },
                { "fraction", JsonNumber(fraction.Fraction) } });
        OrderedJson inert = OrderedJson::array();
        for (const std::string& name : result.Inert)
            inert.push_back(latin1ToUtf8(name));
        OrderedJson warnings = OrderedJson::array();
        for (const std::string& warning : result.Warnings)
            warnings.push_back(latin1ToUtf8(warning));
        // Symbol to lambda/RT: an expert checks any species' potential against them.
        OrderedJson potentials = OrderedJson::object();
        for (const auto& [symbol, potential] : result.ElementPotentials)
            potentials[latin1ToUtf8(symbol)] = JsonNumber(potential);
        const bool solved = result.Ok;
        const bool carbon = potentials.contains("C"); // graphite's activity means nothing without
        cells.push_back({ { "cell", row.Cell }, { "name", latin1ToUtf8(row.Name) },
            { "temperature_K", JsonNumber(result.Kelvin) },
            { "pressure_bar", JsonNumber(result.Bar) }, { "status", status(result) },
            { "message", message(result) }, { "species", species },
            { "log10_pO2", solved ? JsonNumber(result.Log10PO2) : OrderedJson() },
            { "graphite", solved ? JsonNumber(result.Graphite) : OrderedJson() },
            { "inert", inert }, { "warnings", warnings },
            { "graphite_activity",
                solved && carbon ? JsonNumber(result.GraphiteActivity) : OrderedJson() },
            { "element_potentials", solved ? potentials : OrderedJson() } });
    }
    return { { "cells", cells } };
}

std::string EquilibriumTable(std::span<const EquilibriumRow> rows, bool sweep)
{
    constexpr int ValueWidth = 14;
    const auto names = SpeciesReaching(resultsOf(rows), ShownFraction);

    std::vector<std::string> titles;
    std::size_t columnWidth = ValueWidth;
    for (const EquilibriumRow& row : rows) {
        titles.push_back(sweep ? celsiusTitle(row) : cellTitle(row));
        columnWidth = std::max(columnWidth, displayWidth(titles.back()));
    }
    std::size_t headingWidth = std::string_view("log10 pO2").size();
    for (const std::string& name : names)
        headingWidth = std::max(headingWidth, displayWidth(latin1ToUtf8(name)));

    std::string table;
    if (sweep && !rows.empty())
        table +=
            cellTitle(rows.front()) + ", " + formatFixed(rows.front().Result.Bar, 0, 6) + " bar\n";
    table += padRight("Species", headingWidth);
    for (const std::string& title : titles)
        table += "  " + padLeft(title, columnWidth);
    table += '\n';
    const auto line = [&](const std::string& heading, auto value) {
        table += padRight(heading, headingWidth);
        for (const EquilibriumRow& row : rows)
            table += "  " + padLeft(row.Result.Ok ? value(row.Result) : "error", columnWidth);
        table += '\n';
    };
    for (const std::string& name : names)
        line(latin1ToUtf8(name), [&](const GibbsResult& result) {
            return formatScientific(result.fraction(name), ValueWidth);
        });
    line("log10 pO2", [](const GibbsResult& result) {
        if (!result.PO2Resolved)
            return std::string("unresolved");
        return std::isfinite(result.Log10PO2) ? formatFixed(result.Log10PO2, ValueWidth, 4)
                                              : std::string("none");
    });
    line("graphite",
        [](const GibbsResult& result) { return formatScientific(result.Graphite, ValueWidth); });

    for (std::size_t i = 0; i < rows.size(); ++i) {
        const GibbsResult& result = rows[i].Result;
        if (!result.Ok)
            table += titles[i] + ": " + latin1ToUtf8(result.Message) + '\n';
        if (!result.Ok)
            continue;
        if (!result.PO2Resolved)
            table += titles[i] + ": " + std::string(UnresolvedPO2) + '\n';
        if (!result.Inert.empty()) {
            table += titles[i] + ": taken as inert:";
            for (const std::string& name : result.Inert)
                table += ' ' + latin1ToUtf8(name);
            table += '\n';
        }
        if (!result.Warnings.empty()) {
            table += titles[i] + ": ";
            for (std::size_t k = 0; k < result.Warnings.size(); ++k)
                table += (k > 0 ? "; " : "") + latin1ToUtf8(result.Warnings[k]);
            table += '\n';
        }
    }
    return table;
}

std::string EquilibriumCsv(std::span<const EquilibriumRow> rows)
{
    const auto names = SpeciesReaching(resultsOf(rows), std::numeric_limits<double>::denorm_min());
    std::string csv = "cell,name,temperature_K,pressure_bar,status,message,log10_pO2,graphite";
    for (const std::string& name : names)
        csv += ',' + csvField(latin1ToUtf8(name));
    csv += CsvLineEnd;
    for (const EquilibriumRow& row : rows) {
        const GibbsResult& result = row.Result;
        csv += formatInt(row.Cell) + ',' + csvField(latin1ToUtf8(row.Name)) + ','
            + seventeenDigits(result.Kelvin) + ',' + seventeenDigits(result.Bar) + ','
            + status(result) + ','
            + csvField(message(result).is_string() ? message(result).get<std::string>() : "") + ',';
        if (result.Ok)
            csv += seventeenDigits(result.Log10PO2) + ',' + seventeenDigits(result.Graphite);
        else
            csv += ',';
        for (const std::string& name : names)
            csv += ',' + (result.Ok ? seventeenDigits(result.fraction(name)) : std::string());
        csv += CsvLineEnd;
    }
    return csv;
}

int runEquilibrium(const EquilibriumOptions& options, std::ostream& out, std::ostream& err)
{
    // Arguments are checked before anything is loaded, so a usage error is the only line.
    const auto readings = parseReadingArguments(options.Readings, "equilibrium", err);
    if (!readings)
        return ExitUsage;
    std::optional<TemperatureSweep> sweep;
    if (!options.Sweep.empty()) {
        sweep = parseTemperatureSweep(options.Sweep);
        if (!sweep) {
            err << Prefix << "--temperature-sweep '" << options.Sweep
                << "' is not FROM:TO:STEP in \u00B0C with STEP above 0, TO not below FROM and at "
                   "most "
                << MaxSweepTemperatures << " temperatures (see meldrix-cli equilibrium --help)\n";
            return ExitUsage;
        }
        if (!options.Cell) {
            err << Prefix
                << "--temperature-sweep needs --cell C (see meldrix-cli equilibrium --help)\n";
            return ExitUsage;
        }
    }
    if (options.Cell && (*options.Cell < 1 || *options.Cell > MaxCells)) {
        err << Prefix << "--cell " << *options.Cell
            << " is not a cell 1..8 (see meldrix-cli equilibrium --help)\n";
        return ExitUsage;
    }

    const auto rig = loadDataSet(options.Base, err, *readings, options.FlowModel);
    if (!rig)
        return ExitUsage;
    ExecuteHooks hooks;
    hooks.CompareFlowModels = true;
    const RunOutcome outcome = Execute(*rig, hooks);
    PrintReadingWarnings(outcome.warnings, err);
    PrintModelDifferences(outcome.differences, err);
    if (outcome.status != RunStatus::Ok) {
        err << Prefix << outcome.message << '\n';
        return ExitFailed;
    }

    std::vector<EquilibriumRow> rows;
    if (options.Cell) {
        const int c = *options.Cell;
        const CellRecord& cell = rig->Cells[c];
        if (!isFedCell(cell)) {
            err << Prefix << "cell " << c << " is not fed by a mixture (Mix " << cell.Mix << ")\n";
            return ExitFailed;
        }
        const std::vector<double> temperatures =
            sweep ? sweep->temperatures() : std::vector<double> { cell.Temp };
        for (const double celsius : temperatures)
            rows.push_back({ c, std::string(cell.Name.view()), CellGibbsAt(*rig, c, celsius) });
    } else {
        for (CellGibbs& result : CellGibbsEquilibria(*rig))
            rows.push_back({ result.Cell, std::string(rig->Cells[result.Cell].Name.view()),
                std::move(result.Result) });
        if (rows.empty())
            err << Prefix << "warning: no cell is fed by a mixture\n";
    }

    switch (options.Format) {
    case EquilibriumFormat::Json: {
        // The run's reading warnings and model differences come last, after the cells.
        nlohmann::ordered_json report = EquilibriumToJson(rows);
        report["flow_model"] = FlowModelKey(outcome.model);
        report["warnings"] = ReadingWarningsToJson(outcome.warnings);
        report["model_differences"] = ModelDifferencesToJson(outcome.differences);
        out << prettyJson(report, NumberForm::SeventeenDigits) << '\n';
        break;
    }
    case EquilibriumFormat::Table:
        out << EquilibriumTable(rows, sweep.has_value());
        break;
    case EquilibriumFormat::Csv:
        out << EquilibriumCsv(rows);
        break;
    }
    if (options.Format != EquilibriumFormat::Table)
        for (const EquilibriumRow& row : rows)
            if (const OrderedJson why = message(row.Result); why.is_string())
                err << Prefix << cellTitle(row) << " at " << ShortestText(row.Result.Kelvin)
                    << " K: " << why.get<std::string>() << '\n';
    if (!out)
        return ExitFailed;
    const bool allSolved = std::all_of(rows.begin(), rows.end(),
        [](const EquilibriumRow& row) { return row.Result.Ok && row.Result.PO2Resolved; });
    return allSolved ? ExitOk : ExitFailed;
}

} // namespace meldrix::cli
