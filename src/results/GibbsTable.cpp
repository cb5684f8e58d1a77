#include "results/GibbsTable.h"

#include "common/TextFormat.h"
#include "equil/CellGibbs.h"
#include "results/ResultsTable.h"
#include "tabed/TDataTable.h"

namespace meldrix {

namespace {

// Logarithms show with 4 decimals, so that down to -99999 they keep the fixed form; fractions in
// scientific form with five significant digits, the table's width then counting digits.
constexpr int LogWidth = 12;
constexpr int LogDecimals = 4;
constexpr int FractionDigits = 5;

} // namespace

std::vector<std::string> FillGibbsTable(const Rig& rig, bool logarithmic, TCeltrixModel& table)
{
    const GibbsDisplay display = CellGibbsDisplay(rig, logarithmic);
    table.Clear();
    table.SetColWidth(0, ResultsColumns::WideHeadingWidth); // the longest formulas fit too
    if (table.NrOfColumns() != MaxCells)
        table.SetNrOfColumns(MaxCells);
    const int rows = static_cast<int>(display.RowNames.size());
    table.SetNrOfRows(rows);
    for (int k = 1; k <= rows; ++k)
        table.SetRowName(k, display.RowNames[static_cast<std::size_t>(k - 1)]);
    table.SetNumWidth(logarithmic ? LogWidth : FractionDigits);
    for (int c = 1; c <= MaxCells; ++c) {
        table.SetColName(c, CellColumnHeading(rig, c));
        table.SetColWidth(c, ResultsColumns::CellWidth);
        table.SetPrecision(c, logarithmic ? LogDecimals : ResultsColumns::Scientific);
        for (int k = 1; k <= rows; ++k) {
            const auto& value = display.Values[c][static_cast<std::size_t>(k - 1)];
            if (!isFedCell(rig.Cells[c]))
                table.SetElemState(c, k, StateNotFed);
            else if (value)
                table.SetElem(c, k, *value);
            else
                table.SetElemState(c, k, StateEmpty);
        }
    }
    return display.Problems;
}

} // namespace meldrix
