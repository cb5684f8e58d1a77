#pragma once

#include "rig/Rig.h"

#include <optional>
#include <string_view>

namespace meldrix {

//! The fix gas's fraction before and after a fix-gas stage.
struct FixGasChange {
    double oldFraction = 0.0;
    double newFraction = 0.0;

    friend bool operator==(const FixGasChange&, const FixGasChange&) = default;
};

//! Puts `newFraction`, held to 0..1, into the last slot named exactly `fixGas` and scales every
//! other slot by (1 - new) / (1 - old), so the sum is kept; when the fix gas already made up the
//! whole gas (old 1 or more) the other slots become 0. nullopt, and nothing changed, when no slot
//! has that name.
std::optional<FixGasChange> ApplyFixGas(
    Composition& composition, std::string_view fixGas, double newFraction);

//! The fix-gas stage of stage `f` applied to WorkComposition, with the fraction its gas and type
//! define; nullopt, and nothing changed, when no slot carries the fix gas or the pair defines no
//! fraction.
std::optional<FixGasChange> ApplyFixGasStage(Rig& rig, int f);

} // namespace meldrix
