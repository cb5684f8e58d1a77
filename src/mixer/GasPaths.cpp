#include "mixer/GasPaths.h"

#include "calib/CalCurveLookup.h"
#include "common/TextFormat.h"
#include "equil/GasTreatment.h"
#include "mixer/FixGasStage.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace meldrix {

namespace {

GasMask maskOf(const Composition& composition)
{
    GasMask mask = 0;
    for (int k = 1; k <= MaxComponents; ++k)
        if (composition[k].Fraction > 0)
            mask = static_cast<GasMask>(mask | (1u << (k - 1)));
    return mask;
}

struct Passage {
    GasMask Metered = 0;
    GasMask Delivered = 0;
};

// Equal shares of the gases of `source`, standing in for whatever a path may carry.
Composition standIn(const Rig& rig, GasMask source)
{
    // Every mixture's slots carry the gas list's names once Execute has built it.
    Composition composition = rig.Gases[MaxInputGases + 1].Components;
    int count = 0;
    for (int k = 1; k <= MaxComponents; ++k)
        count += holds(source, k) ? 1 : 0;
    for (int k = 1; k <= MaxComponents; ++k)
        composition[k].Fraction = holds(source, k) ? 1.0 / count : 0.0;
    return composition;
}

// The fix-gas stage is applied by the mixer's own routine, so a saturator adds its gas, a drier
// or getter removes it, as in a run.
Passage passage(const Rig& rig, int f, Composition composition)
{
    const FlowmeterRecord& stage = rig.Flowmeters[f];
    const auto fix = [&] {
        if (const auto fraction =
                GasTreatmentFraction(stage.FixGas.view(), stage.FixGasType.view(), stage.FixGasT))
            ApplyFixGas(composition, stage.FixGas.view(), *fraction);
    };
    const bool fixGasUsed = isSet(stage.FixGasUsed);
    if (fixGasUsed && isSet(stage.FixGasBefore))
        fix();
    Passage result;
    result.Metered = maskOf(composition);
    if (fixGasUsed && !isSet(stage.FixGasBefore))
        fix();
    result.Delivered = maskOf(composition);
    return result;
}

} // namespace

bool IsComputedStage(const FlowmeterRecord& stage)
{
    // Sources outside I1..I16 and M1..M16, and outputs outside M1..M16, are never computed.
    return OneBased<GasRecord, MaxGases>::inRange(stage.Input) && stage.Output >= 1
        && stage.Output <= MaxMixtures;
}

bool ReadingUsedInRun(const Rig& rig, int f)
{
    const FlowmeterRecord& stage = rig.Flowmeters[f];
    return HasPositiveReading(stage) && IsComputedStage(stage)
        && isSet(rig.Gases[stage.Input].Defined);
}

GasMask MeteredInRun(const Rig& rig, int f)
{
    return passage(rig, f, rig.Gases[rig.Flowmeters[f].Input].Components).Metered;
}

std::vector<CurveRange> StageCurves(const Rig& rig, int f, GasMask metered)
{
    std::vector<CurveRange> curves;
    const Composition& names = rig.Gases[MaxInputGases + 1].Components;
    for (int k = 1; k <= MaxComponents; ++k) {
        if (!holds(metered, k))
            continue;
        const std::string gas(names[k].Name.view());
        const int c = FindCalCurve(rig, f, gas);
        const CalCurveRecord& curve = rig.CalCurves[c];
        double top = 0.0;
        for (const CalPoint& point : curve.Points)
            if (std::isfinite(point.Reading))
                top = std::max(top, point.Reading);
        curves.push_back({ c, gas, curve.Points[1].Reading, top });
    }
    return curves;
}

double FullScale(std::span<const CurveRange> curves)
{
    double top = 0.0;
    for (const CurveRange& curve : curves)
        top = std::max(top, curve.Top);
    return top;
}

ReadingBounds CurveOverlap(std::span<const CurveRange> curves)
{
    if (curves.empty())
        return {};
    double low = 0.0;
    double high = std::numeric_limits<double>::infinity();
    for (const CurveRange& curve : curves) {
        // A first point that is not a number leaves nothing the curve interpolates.
        low = std::isfinite(curve.First) ? std::max(low, curve.First)
                                         : std::numeric_limits<double>::infinity();
        high = std::min(high, curve.Top);
    }
    // A curve with no point above 0 gives no flow anywhere: nothing is on it.
    if (high <= 0.0)
        return { 1.0, 0.0 };
    return { low, high };
}

GasPaths::GasPaths(const Rig& rig, const Open& open)
    : m_rig(rig)
{
    for (int n = 1; n <= MaxInputGases; ++n)
        m_carried[n] =
            isSet(rig.Gases[n].Defined) ? maskOf(rig.Gases[n].Components) : GasMask { 0 };
    // Masks only grow, so the passes end; the limit is there all the same.
    for (int pass = 0; pass <= MaxGases * MaxComponents; ++pass) {
        bool changed = false;
        for (int f = 1; f <= MaxFlowmeters; ++f) {
            const FlowmeterRecord& stage = rig.Flowmeters[f];
            if (!IsComputedStage(stage))
                continue;
            const Passage through = passage(rig, f, standIn(rig, m_carried[stage.Input]));
            m_metered[f] = through.Metered;
            m_delivered[f] = through.Delivered;
            if (!open(f))
                continue;
            GasMask& mixture = m_carried[MaxInputGases + stage.Output];
            const auto grown = static_cast<GasMask>(mixture | through.Delivered);
            changed = changed || grown != mixture;
            mixture = grown;
        }
        if (!changed)
            break;
    }

    // The cells each mixture's gas goes to, directly or on through open stages.
    std::array<CellMask, MaxMixtures + 1> cellsOf {};
    for (int c = 1; c <= MaxCells; ++c)
        if (isFedCell(rig.Cells[c]))
            cellsOf[rig.Cells[c].Mix] =
                static_cast<CellMask>(cellsOf[rig.Cells[c].Mix] | (1u << (c - 1)));
    for (int pass = 0; pass <= MaxMixtures; ++pass) {
        bool changed = false;
        for (int f = 1; f <= MaxFlowmeters; ++f) {
            const FlowmeterRecord& stage = rig.Flowmeters[f];
            const int source = stage.Input - MaxInputGases;
            if (!IsComputedStage(stage) || source < 1 || !open(f))
                continue;
            const auto from = static_cast<std::size_t>(source);
            const auto grown = static_cast<CellMask>(cellsOf[from] | cellsOf[stage.Output]);
            changed = changed || grown != cellsOf[from];
            cellsOf[from] = grown;
        }
        if (!changed)
            break;
    }
    for (int f = 1; f <= MaxFlowmeters; ++f)
        if (IsComputedStage(rig.Flowmeters[f]))
            m_reached[f] = cellsOf[rig.Flowmeters[f].Output];
}

GasPaths::Open GasPaths::PositiveReadings(const Rig& rig)
{
    return [&rig](int f) { return HasPositiveReading(rig.Flowmeters[f]); };
}

GasMask GasPaths::inCell(int c) const
{
    const CellRecord& cell = m_rig.Cells[c];
    if (!isFedCell(cell))
        return 0;
    GasMask mask = m_carried[MaxInputGases + cell.Mix];
    const std::array<std::pair<std::string_view, double>, 4> leaks { { { "O2", cell.LeakO2 },
        { "N2", cell.LeakN2 }, { "H2", cell.LeakH2 }, { "H2O", cell.LeakH2O } } };
    for (int k = 1; k <= MaxComponents; ++k)
        for (const auto& [gas, leak] : leaks)
            if (leak > 0 && m_rig.CellGases[c][k].Name.view() == gas)
                mask = static_cast<GasMask>(mask | (1u << (k - 1)));
    return mask;
}

ReadingBounds StageReadingBounds(const Rig& rig, const GasPaths& paths, int f)
{
    if (const GasMask metered = paths.metered(f); metered != 0)
        return CurveOverlap(StageCurves(rig, f, metered));
    // Nothing passes the meter: the reading stays where it is.
    const double reading = rig.Flowmeters[f].Reading;
    const double here = std::isfinite(reading) ? std::max(reading, 0.0) : 0.0;
    return { here, here };
}

std::string CurveRangesNamed(std::span<const CurveRange> curves)
{
    std::vector<std::string> ranges;
    for (const CurveRange& curve : curves)
        ranges.push_back(curve.Gas + " on curve " + formatInt(curve.Curve) + ", "
            + (curve.Top > 0
                    ? formatSignificant(curve.First, 6) + ".." + formatSignificant(curve.Top, 6)
                    : std::string("no point above 0")));
    return listed(ranges);
}

std::string CellsNamed(const Rig& rig, CellMask cells)
{
    std::vector<std::string> names;
    for (int c = 1; c <= MaxCells; ++c)
        if ((cells >> (c - 1)) & 1u)
            names.push_back(
                "cell " + formatInt(c) + " (" + std::string(rig.Cells[c].Name.view()) + ")");
    return listed(names);
}

std::string StageName(int f)
{
    return "F" + formatInt(f, 2);
}

} // namespace meldrix
