#pragma once

#include "common/OneBased.h"
#include "rig/Rig.h"

#include <functional>
#include <string>
#include <vector>

// Which gases travel along which stages, worked out from the records alone, so that the check
// can name what a stage meters even when Execute would stop before it gets there.

namespace meldrix {

//! A stage Execute computes whatever its reading: a source I1..I16 or M1..M16 and an output
//! M1..M16.
bool IsComputedStage(const FlowmeterRecord& stage);

//! A reading above 0 that is a number: the stage carries gas.
bool HasPositiveReading(const FlowmeterRecord& stage);

//! The gases each source can carry and each stage's meter sees, by name (blanks trimmed, as the
//! gas list names them), in the order first met. Only the computed stages that `open` says carry
//! gas take part; a fix-gas stage adds its gas when it sets a fraction above 0 and takes it out
//! when it sets 0.
class StageGases {
public:
    using Open = std::function<bool(int stage)>;

    StageGases(const Rig& rig, const Open& open);

    //! The gases source `n` (1..32: I1..I16, M1..M16) can carry.
    const std::vector<std::string>& carried(int n) const { return m_carried[n]; }
    //! The gases the meter of stage `f` (1..16) sees: its source's, after a fix-gas stage before
    //! the meter; empty for a stage that is closed or not computed.
    const std::vector<std::string>& metered(int f) const { return m_metered[f]; }

private:
    OneBased<std::vector<std::string>, MaxGases> m_carried;
    OneBased<std::vector<std::string>, MaxFlowmeters> m_metered;
};

} // namespace meldrix
