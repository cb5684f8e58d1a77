#pragma once

#include "rig/Rig.h"

namespace meldrix {

//! Collects the gases of a run into GasList (at most 12, names trimmed of spaces) from the input
//! gases some stage uses, the fix gases of stages with FixGasUsed and the leakages of fed cells,
//! then rewrites those input gases and every mixture so that slot k names GasList[k].
//! Returns true when a 13th gas was met: the list then holds the first 12 and no gas is rewritten.
[[nodiscard]] bool BuildGasList(Rig& rig);

//! The gas delivered to every fed cell: its mixture plus its leakages, renormalised to a sum of 1.
//! A cell whose sum is 0 or less, or not a finite number, gets all fractions 0. Cells that are
//! not fed keep their CellGases entry.
void ComputeCellGases(Rig& rig);

} // namespace meldrix
