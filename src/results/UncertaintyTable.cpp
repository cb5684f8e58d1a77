#include "results/UncertaintyTable.h"

#include "common/TextFormat.h"
#include "results/ResultsTable.h"
#include "tabed/TDataTable.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace meldrix {

namespace {

constexpr int SdColumnWidth = 80;
// Values keep the results table's decimals; deviations show in scientific form with five
// significant digits, the table's width then counting digits.
constexpr int NumWidth = 5;
constexpr std::string_view PO2Row = "log10 pO2";
constexpr double NoValue = std::numeric_limits<double>::quiet_NaN();

void put(TCeltrixModel& table, int column, int row, double value)
{
    if (std::isfinite(value))
        table.SetElem(column, row, value);
    else
        table.SetElemState(column, row, StateEmpty);
}

} // namespace

bool FillUncertaintyTable(const UncertaintyResult& result, TCeltrixModel& table)
{
    table.Clear();
    if (result.Cells.empty())
        return false;
    const auto& cells = result.Cells;
    const int gases = static_cast<int>(cells.front().Gases.size());
    const bool anyPO2 = std::any_of(cells.begin(), cells.end(),
        [](const CellUncertainty& cell) { return cell.Log10PO2.has_value(); });
    const int rows = gases + (anyPO2 ? 1 : 0);
    if (rows == 0)
        return false;

    table.SetNrOfColumns(2 * static_cast<int>(cells.size()));
    table.SetNrOfRows(rows);
    table.SetNumWidth(NumWidth);
    table.SetColWidth(0, ResultsColumns::WideHeadingWidth);
    for (int k = 1; k <= gases; ++k)
        table.SetRowName(k, cells.front().Gases[static_cast<std::size_t>(k - 1)].Name);
    if (anyPO2)
        table.SetRowName(rows, PO2Row);

    for (std::size_t j = 0; j < cells.size(); ++j) {
        const CellUncertainty& cell = cells[j];
        const int value = 2 * static_cast<int>(j) + 1;
        const int sd = value + 1;
        table.SetColName(value, "OC " + formatInt(cell.Cell) + "; " + cell.Name);
        table.SetColName(sd, SdColumnName);
        table.SetColWidth(value, ResultsColumns::CellWidth);
        table.SetColWidth(sd, SdColumnWidth);
        table.SetPrecision(value, ResultsColumns::FractionDecimals);
        table.SetPrecision(sd, ResultsColumns::Scientific);
        for (int k = 1; k <= gases; ++k) {
            const Spread& spread = cell.Gases[static_cast<std::size_t>(k - 1)].Fraction;
            put(table, value, k, spread.Value);
            put(table, sd, k, spread.Sd);
        }
        if (anyPO2) {
            put(table, value, rows, cell.Log10PO2 ? cell.Log10PO2->Value : NoValue);
            put(table, sd, rows, cell.Log10PO2 ? cell.Log10PO2->Sd : NoValue);
        }
    }
    return true;
}

} // namespace meldrix
