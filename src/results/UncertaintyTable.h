#pragma once

#include "tabed/CeltrixModel.h"
#include "uncertainty/Uncertainty.h"

#include <string_view>

namespace meldrix {

inline constexpr std::string_view SdColumnName = "\xB1 sd"; // Latin-1, as every table text

//! Clears `table` and fills the results table's display of an uncertainty run: two columns per
//! cell of the result, its value ("OC c; Name") and its standard deviation (SdColumnName); one
//! row per gas of the gas list, then log10 pO2 when some cell has it. Elements without a value
//! are marked empty. Returns false, leaving the table cleared, when the result has no cell.
bool FillUncertaintyTable(const UncertaintyResult& result, TCeltrixModel& table);

} // namespace meldrix
