#pragma once

#include "rig/Rig.h"

namespace meldrix {

//! Empties every element 1..123, then fills the 13 elements the compounds are built from.
void InitElements(Rig& rig);

//! Empties every compound 1..20, then fills the nine compounds of the built-in table and sets
//! CompoundCount to 9.
void InitCompounds(Rig& rig);

//! Start-up's step for the equilibrium module: InitElements, then InitCompounds.
void InitEquilibriumTables(Rig& rig);

} // namespace meldrix
