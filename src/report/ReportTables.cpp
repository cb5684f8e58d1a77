#include "report/ReportTables.h"

#include "common/TextFormat.h"
#include "report/ReportNumbers.h"

#include <cmath>

namespace meldrix {

namespace {

using Row = std::vector<std::string>;

std::string cellHeading(int cell, const std::string& name)
{
    return "OC " + formatInt(cell) + "; " + name;
}

// A table with one column per cell after the column of row names.
template <typename Cells>
ReportTable byCells(std::string corner, const Cells& cells)
{
    ReportTable table;
    table.Head.push_back(std::move(corner));
    for (const auto& cell : cells)
        table.Head.push_back(cellHeading(cell.Cell, cell.Name));
    table.Numeric.assign(table.Head.size(), true);
    table.Numeric.front() = false;
    return table;
}

// One row of a table by cells: `shown` gives each cell's text.
template <typename Cells, typename Shown>
void addRow(ReportTable& table, std::string name, const Cells& cells, Shown shown)
{
    Row row { std::move(name) };
    for (const auto& cell : cells)
        row.push_back(shown(cell));
    table.Rows.push_back(std::move(row));
}

} // namespace

ReportTable StagesTable(const RunReport& report)
{
    const std::string flow = report.FlowUnit.empty() ? "Flow" : "Flow [" + report.FlowUnit + "]";
    ReportTable table { { "Stage", "Meter", "Source", "Mixture", "Reading", flow, "Fix-gas stage" },
        {}, { true, false, false, false, true, true, false } };
    for (const ReportStage& stage : report.Stages)
        table.Rows.push_back({ formatInt(stage.Stage), stage.Meter, stage.Source,
            "M" + formatInt(stage.Output), ReportNumber(stage.Reading),
            std::isfinite(stage.Flow) ? ReportNumber(stage.Flow) : ReportNothing, stage.FixGas });
    return table;
}

ReportTable CellsTable(const RunReport& report)
{
    ReportTable table = byCells("Cell", report.Cells);
    addRow(table, "Mixture", report.Cells,
        [](const ReportCell& cell) { return "M" + formatInt(cell.Mix); });
    addRow(table, "Temperature [\u00B0C]", report.Cells,
        [](const ReportCell& cell) { return ReportNumber(cell.Celsius); });
    addRow(table, "Pressure [bar]", report.Cells,
        [](const ReportCell& cell) { return ReportNumber(cell.Bar); });
    for (std::size_t g = 0; g < LeakGases.size(); ++g)
        addRow(table, "Leakage of " + std::string(LeakGases[g]) + " [fraction]", report.Cells,
            [g](const ReportCell& cell) { return ReportNumber(cell.Leaks[g]); });
    return table;
}

ReportTable CellGasTable(const RunReport& report)
{
    ReportTable table = byCells("Gas", report.Cells);
    const ReportUncertainties* u = report.Uncertainties ? &*report.Uncertainties : nullptr;
    for (std::size_t k = 0; k < report.GasList.size(); ++k)
        addRow(table, report.GasList[k], report.Cells, [&](const ReportCell& cell) {
            const std::vector<double>* spread = u ? &u->Fractions[cell.Cell] : nullptr;
            const double sd = spread && k < spread->size() ? (*spread)[k] : NAN;
            return k < cell.Fractions.size()
                ? ReportWithDeviation(cell.Fractions[k], sd, ReportNumber)
                : std::string(ReportNothing);
        });
    return table;
}

ReportTable EquilibriumTable(const RunReport& report)
{
    ReportTable table = byCells("Species", report.Equilibria);
    const ReportUncertainties* u = report.Uncertainties ? &*report.Uncertainties : nullptr;
    const auto solved = [](auto shown) {
        return [shown](const ReportEquilibrium& row) {
            return row.Result.Ok ? shown(row) : std::string(ReportNothing);
        };
    };
    addRow(table, "log10 pO2 [bar]", report.Equilibria, solved([u](const ReportEquilibrium& row) {
        if (!row.Result.PO2Resolved)
            return std::string("unresolved");
        if (!std::isfinite(row.Result.Log10PO2))
            return std::string("no oxygen");
        return ReportWithDeviation(
            row.Result.Log10PO2, u ? u->Log10PO2[row.Cell] : NAN, ReportLog10);
    }));
    bool banded = false;
    for (const ReportEquilibrium& row : report.Equilibria)
        banded = banded || (u && row.Result.Ok && u->Log10PO2Band[row.Cell]);
    if (banded)
        addRow(table, std::string(ReportBandHeading), report.Equilibria,
            solved([u](const ReportEquilibrium& row) {
                const auto& band = u->Log10PO2Band[row.Cell];
                return band ? ReportBand(*band) : std::string(ReportNothing);
            }));
    addRow(table, "Graphite [mol per mol fed]", report.Equilibria,
        solved([](const ReportEquilibrium& row) { return ReportNumber(row.Result.Graphite); }));
    for (const ReportSpecies& species : report.EquilibriumSpecies) {
        Row row { species.Name };
        for (const double fraction : species.Fractions)
            row.push_back(std::isfinite(fraction) ? ReportNumber(fraction) : ReportNothing);
        table.Rows.push_back(std::move(row));
    }
    return table;
}

std::string ReportUncertaintyNote(const ReportUncertainties& uncertainties)
{
    return "Uncertainties: " + uncertainties.Method
        + ". Each value is rounded to the second digit of its standard deviation.";
}

} // namespace meldrix
