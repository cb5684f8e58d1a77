#pragma once

#include "rig/Rig.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace meldrix {

inline constexpr std::string_view TooManyEquationsMessage =
    "Sum of compounds and elements too large: ";

//! The amounts of a cell's compounds are partial pressures; they must add up to the cell's
//! pressure within this much [bar].
inline constexpr double PressureTolerance = 1e-13;

enum class EquilibriumMode { ConstantP, ConstantV };

struct CellEquilibriumResult {
    EquilibriumMode Mode = EquilibriumMode::ConstantP;
    //! The amounts add up to the cell's pressure; nothing else was computed when false.
    bool PressureMatches = false;
    //! Entry j - 1: atoms of element ElementList[j] in the cell's gas [bar].
    std::vector<Extended> ElementTotals;
};

//! The equilibrium driver, last step of a converged Execute: marks the elements present in the
//! fed cells' mixtures and the compounds built from them, selects those compounds, and, when
//! compounds and elements stay within 12 equations, fills EquilAmounts from the mixtures as the
//! mixer delivers them (no leakages), sets the fed cells' EquilDone and runs CellEquilibrium
//! for cell 1. Too many equations are reported in Message1 and leave EquilAmounts as it was.
void StartEquilibriumCalculations(Rig& rig);

//! The per-cell calculation: checks that the amounts of the selected compounds add up to
//! `pressure` [bar], forms the element totals and shows the fourth of them in Message1 in the
//! 23-character scientific form. With fewer than four elements, or amounts that do not match
//! the pressure, Message1 stays as it was. `mode` is "ConstantP" or "ConstantV" in any letter
//! case (anything else means constant pressure); `cell` and `temp` [°C] take no part yet.
CellEquilibriumResult CellEquilibrium(Rig& rig, std::uint16_t cell,
    const OneBased<EquilInputEntry, MaxEquations>& input, std::string_view mode, double temp,
    double pressure);

} // namespace meldrix
