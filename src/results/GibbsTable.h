#pragma once

#include "rig/Rig.h"
#include "tabed/CeltrixModel.h"

#include <string>
#include <vector>

namespace meldrix {

//! Clears `table` and fills it with the gas each fed cell holds at its temperature: one column
//! per cell (MaxCells of them, headed as in the other displays), one row per species that reaches
//! 1e-12 in some cell, then log10 pO2. Fractions show in scientific form, or as base-10
//! logarithms with 4 decimals when `logarithmic`; the log10 pO2 row holds the logarithm in both.
//! Cells that are not solved, fractions of 0 in the logarithmic display and gases without oxygen
//! are marked empty; cells no mixture feeds show no values (StateNotFed). Returns one line per cell
//! that could not be solved ("OC c; Name: why").
std::vector<std::string> FillGibbsTable(const Rig& rig, bool logarithmic, TCeltrixModel& table);

} // namespace meldrix
