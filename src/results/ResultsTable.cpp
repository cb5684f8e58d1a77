#include "results/ResultsTable.h"

#include "common/TextFormat.h"
#include "equil/NumericHelpers.h"

#include <algorithm>
#include <string>

namespace meldrix {

namespace {

constexpr int RowHeadingWidth = 36;
// Fractions show with their decimals in 12 characters, and so do all logarithms; the linear
// equilibrium display shows whole numbers in 6.
constexpr int FractionWidth = 12;
constexpr int AmountWidth = 6;
constexpr int AmountDecimals = 0;

Extended valueOf(const Rig& rig, ResultsDisplay display, int c, int k)
{
    if (display.Equil)
        return rig.EquilAmounts[c][k];
    return rig.CellGases[c][k].Fraction;
}

} // namespace

std::string CellColumnHeading(const Rig& rig, int c)
{
    return "OC " + formatInt(c) + "; "
        + (isFedCell(rig.Cells[c]) ? std::string(rig.Cells[c].Name.view()) : "not fed");
}

bool FillResultsTable(const Rig& rig, ResultsDisplay display, TCeltrixModel& table)
{
    table.Clear();
    table.SetColWidth(0, RowHeadingWidth);
    if (table.NrOfColumns() != MaxCells)
        table.SetNrOfColumns(MaxCells);

    const int rows = display.Equil ? std::min<int>(rig.SelectedCount, MaxEquations)
                                   : std::min<int>(rig.GasListCount, MaxComponents);
    if (rows == 0)
        return false;
    table.SetNrOfRows(rows);
    for (int k = 1; k <= rows; ++k)
        table.SetRowName(k,
            display.Equil ? std::string_view(rig.Compounds[rig.SelectedCompounds[k]].Formula)
                          : std::string_view(rig.GasList[k]));

    const bool fractions = display.Log || !display.Equil;
    for (int c = 1; c <= MaxCells; ++c) {
        table.SetColName(c, CellColumnHeading(rig, c));
        table.SetColWidth(c, ResultsColumns::CellWidth);
        table.SetNumWidth(fractions ? FractionWidth : AmountWidth);
        table.SetPrecision(c, fractions ? ResultsColumns::FractionDecimals : AmountDecimals);
    }

    for (int c = 1; c <= MaxCells; ++c)
        for (int k = 1; k <= rows; ++k) {
            const Extended x = valueOf(rig, display, c, k);
            if (!isFedCell(rig.Cells[c]))
                table.SetElemState(c, k, StateNotFed);
            else if (!display.Log)
                table.SetElem(c, k, static_cast<double>(x));
            else if (x > 0)
                table.SetElem(c, k, static_cast<double>(Log10Clamped(x)));
            else
                table.SetElemState(c, k, StateEmpty); // no logarithm: shown as undefined
        }
    return true;
}

bool ShowResults(Rig& rig, TCeltrixModel& table)
{
    const ResultsDisplay display { rig.LogDisplay, rig.EquilDisplay };
    const bool filled = FillResultsTable(rig, display, table);
    if (filled && display.Equil)
        ShowMessage(rig, std::string(EquilibriumNotOperativeMessage),
            std::string(EquilibriumNotOperativeMessage) + " "
                + EquilibriumNoteExplanation(EquilibriumNotOperativeMessage));
    return filled;
}

} // namespace meldrix
