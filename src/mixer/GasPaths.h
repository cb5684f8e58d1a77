#pragma once

#include "common/OneBased.h"
#include "mixer/Execute.h"
#include "rig/Rig.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace meldrix {

//! One bit per gas-list slot: bit k - 1 for slot k.
using GasMask = std::uint16_t;

constexpr bool holds(GasMask mask, int k)
{
    return (mask >> (k - 1)) & 1u;
}

//! One bit per cell: bit c - 1 for cell c.
using CellMask = std::uint8_t;

//! A stage Execute computes whatever its reading: a source I1..I16 or M1..M16 and an output
//! M1..M16.
bool IsComputedStage(const FlowmeterRecord& stage);

//! A stage whose reading the run `rig` has made took: computed, with a positive reading, from a
//! defined source (Execute computes no stage from a source that is not; after a run that
//! converged that leaves out only input gases without a named gas above 0).
bool ReadingUsedInRun(const Rig& rig, int f);

//! The gases the meter of computed stage `f` saw in the run `rig` has made: its source's gases
//! with a fraction above 0, after a fix-gas stage placed before the meter. Unlike
//! GasPaths::metered, which says what the paths can carry, it leaves out a gas that no flow
//! brought to the source.
GasMask MeteredInRun(const Rig& rig, int f);

//! A range of readings [reading units]; Low > High when it is empty.
struct ReadingBounds {
    double Low = 0.0;
    double High = 0.0;

    bool empty() const { return !(Low <= High); }
};

//! The curve a stage meters one gas through, and the readings it covers.
struct CurveRange {
    int Curve = 0; //!< 1..1000, as FindCalCurve chooses it
    std::string Gas; //!< the gas as the gas list names it (8-bit)
    double First = 0.0; //!< the reading of its first point [reading units]
    double Top = 0.0; //!< the highest reading of its points; 0 when none is above 0
};

//! The curves stage `f` (1..16) meters the gases of `metered` through, in gas-list order. `rig`
//! has run Execute, so its gas list names the slots.
std::vector<CurveRange> StageCurves(const Rig& rig, int f, GasMask metered);

//! A stage's full scale: the highest reading of any point of its curves [reading units]; 0
//! without one above 0.
double FullScale(std::span<const CurveRange> curves);

//! The readings on every one of `curves` (from the highest first point to the lowest top, never
//! below 0): a reading there is interpolated along each gas's curve. Empty when the curves share
//! no reading; {0, 0} for no curve.
ReadingBounds CurveOverlap(std::span<const CurveRange> curves);

//! Which gases travel along which stages to which cells. The stages `open` says carry gas take
//! part; a closed stage neither carries gas on nor joins two mixtures. Masks need a rig that has
//! run Execute (every mixture's slots carry the gas list's names); the cells a stage reaches do
//! not.
class GasPaths {
public:
    using Open = std::function<bool(int stage)>;

    GasPaths(const Rig& rig, const Open& open);

    //! The stages with a positive reading are open.
    static Open PositiveReadings(const Rig& rig);

    //! The gases source `n` (1..32) can carry.
    GasMask carried(int n) const { return m_carried[n]; }
    //! The gases the meter of a computed stage sees: its source's, after a fix-gas stage placed
    //! before the meter; 0 for a stage that is not computed.
    GasMask metered(int f) const { return m_metered[f]; }
    //! The gases a computed stage passes on: after a fix-gas stage placed after the meter too.
    GasMask delivered(int f) const { return m_delivered[f]; }
    //! The gases that can reach fed cell `c`: its mixture's and its leakages'.
    GasMask inCell(int c) const;

    //! The fed cells the gas of stage `f` reaches through open stages; 0 for a stage that is not
    //! computed. An open or closed stage alike: where its gas would go.
    CellMask cellsReached(int f) const { return m_reached[f]; }
    bool reaches(int f, int c) const { return (m_reached[f] >> (c - 1)) & 1u; }

private:
    const Rig& m_rig;
    OneBased<GasMask, MaxGases> m_carried;
    OneBased<GasMask, MaxFlowmeters> m_metered;
    OneBased<GasMask, MaxFlowmeters> m_delivered;
    OneBased<CellMask, MaxFlowmeters> m_reached;
};

//! The readings stage `f` (1..16, computed) may take while every gas its meter sees stays on its
//! own curve: the CurveOverlap of its curves; for a meter that sees no gas, its own reading (held
//! to 0 and above) alone. Empty when the curves share no reading. `rig` has run Execute.
ReadingBounds StageReadingBounds(const Rig& rig, const GasPaths& paths, int f);

//! Each curve with its gas and range, as "H2 on curve 12, 10..150", joined as a sentence lists
//! them.
std::string CurveRangesNamed(std::span<const CurveRange> curves);

//! The cells of `cells`, as "cell 4 (Cell D)" each, joined by commas and "and".
std::string CellsNamed(const Rig& rig, CellMask cells);

//! "F 3", as the stages are named in messages.
std::string StageName(int f);

} // namespace meldrix
