#pragma once

#include "rig/Rig.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace meldrix {

inline constexpr std::string_view TooManyEquationsMessage =
    "Sum of compounds and elements too large: ";

//! The note of the equilibrium compounds display (Settings, Equil./RT toggle).
inline constexpr std::string_view EquilibriumNotOperativeMessage =
    "Equilibrium option not correctly operative yet...please toggle back";

//! What one of the equilibrium step's own notes above means to an operator, in one or two
//! sentences, and where the cells' real equilibrium is shown; empty for any other message. The
//! notes keep their words (files and scripts compare them); this is said after them.
std::string EquilibriumNoteExplanation(std::string_view message);

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
