#pragma once

#include "equil/EquilibriumDriver.h"
#include "rig/Rig.h"
#include "tabed/CeltrixModel.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace meldrix {

//! The state of the elements of a cell no mixture feeds: no value, shown blank. Its column
//! would otherwise show what the cell's gas last held, another cell's gas after a Mix change.
inline constexpr std::uint8_t StateNotFed = 4;

//! The heading of cell c's column in the results table's displays: "OC c; Name", or
//! "OC c; not fed" for a cell no mixture feeds.
std::string CellColumnHeading(const Rig& rig, int c);

//! Where the results table lies over the main window while it shows results [pixels].
struct ResultsTablePlace {
    static constexpr int Left = 0;
    static constexpr int Top = 0;
    static constexpr int Width = 815;
    static constexpr int Height = 148;
};

//! What the results table's displays share, so that a cell's values stand alike in each.
struct ResultsColumns {
    static constexpr int CellWidth = 95; //!< a cell's column of values [pixels]
    static constexpr int WideHeadingWidth = 64; //!< row headings "log10 pO2" fits [pixels]
    static constexpr int FractionDecimals = 7; //!< a fraction's, wherever it is shown in full
    static constexpr int Scientific = -1; //!< the table's precision for scientific form
};

//! What the results table shows: fractions or their base-10 logarithms, of the gases as mixed
//! (the gas-list display) or of the compounds the equilibrium driver selected.
struct ResultsDisplay {
    bool Log = false;
    bool Equil = false;
};

//! Clears `table` and fills it with one column per cell (MaxCells of them) and one row per gas of
//! the gas list, or per selected compound in the equilibrium display. Values of 0 or less have no
//! logarithm and are marked empty; a cell no mixture feeds shows no values (StateNotFed). Returns
//! false, leaving the table cleared, when there is nothing to show: an empty gas list, or no
//! selected compound in the equilibrium display.
bool FillResultsTable(const Rig& rig, ResultsDisplay display, TCeltrixModel& table);

//! The results table of the window: FillResultsTable for the rig's display toggles; the
//! equilibrium display also puts its warning in Message1. Returns whether to show the table.
bool ShowResults(Rig& rig, TCeltrixModel& table);

} // namespace meldrix
