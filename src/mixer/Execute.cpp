#include "mixer/Execute.h"

#include "calib/CalCurveLookup.h"
#include "mixer/FixGasStage.h"
#include "mixer/GasList.h"

#include <cmath>
#include <optional>

namespace meldrix {

namespace {

void call(const std::function<void()>& hook)
{
    if (hook)
        hook();
}

// A reading that is not a finite number counts as 0: no flow, and it holds no mixture back.
bool hasPositiveReading(const FlowmeterRecord& stage)
{
    return stage.Reading > 0 && std::isfinite(stage.Reading);
}

// Sources outside I1..I16 and M1..M16 are never computed and never hold a mixture back.
bool hasValidSource(const FlowmeterRecord& stage)
{
    return OneBased<GasRecord, MaxGases>::inRange(stage.Input);
}

// The flows of a run. A stage's meter, its reading and the curves do not change during a run, so
// the flow of a gas through a stage is the same in every pass: it is looked up once and reused.
class StageFlows {
public:
    StageFlows(const Rig& rig, CurveLookup lookup)
        : m_rig(rig)
    {
        if (lookup == CurveLookup::Indexed)
            m_index = &m_ownIndex.emplace(rig);
    }

    // Through an index of the rig's curves built before and kept across runs.
    StageFlows(const Rig& rig, CalCurveIndex& index)
        : m_rig(rig)
        , m_index(&index)
    {
    }

    // `carried`: the gas is part of the stage's composition, so its reading is checked too.
    double flow(int f, int k, std::string_view gas, double reading, bool carried)
    {
        if (carried && reading != 0)
            check(f, k, gas, reading);
        if (!m_index)
            return FlowFromReading(m_rig, f, gas, reading);
        // Slot k names the same gas of the gas list in every working gas; the name is checked
        // all the same, so a slot named otherwise is never given another gas's flow.
        Known& known = m_known[f][k];
        if (!known.valid || known.gas.view() != gas) {
            known.gas = gas;
            known.flow = m_index->FlowFromReading(f, gas, reading);
            known.valid = true;
        }
        return known.flow;
    }

    //! What the run's readings gave away, stage by stage, gas by gas.
    ReadingWarnings warnings() const
    {
        ReadingWarnings all;
        for (const auto& stage : m_checked)
            for (const Checked& checked : stage)
                if (checked.warning)
                    all.push_back(*checked.warning);
        return all;
    }

private:
    // A stage is computed again in every pass its mixture waits; it is checked once.
    void check(int f, int k, std::string_view gas, double reading)
    {
        Checked& checked = m_checked[f][k];
        if (checked.valid && checked.gas.view() == gas)
            return;
        checked.valid = true;
        checked.gas = gas;
        const int curve = m_index ? m_index->FindCalCurve(f, gas) : FindCalCurve(m_rig, f, gas);
        checked.warning = CheckReading(m_rig, f, gas, curve, reading);
    }

    struct Checked {
        bool valid = false;
        decltype(GasComponent::Name) gas;
        std::optional<ReadingWarning> warning;
    };
    struct Known {
        bool valid = false;
        decltype(GasComponent::Name) gas;
        double flow = 0.0;
    };
    const Rig& m_rig;
    std::optional<CalCurveIndex> m_ownIndex;
    CalCurveIndex* m_index = nullptr;
    OneBased<OneBased<Known, MaxComponents>, MaxFlowmeters> m_known;
    OneBased<OneBased<Checked, MaxComponents>, MaxFlowmeters> m_checked;
};

void computeStage(Rig& rig, int f, StageFlows& flows)
{
    FlowmeterRecord& stage = rig.Flowmeters[f];
    rig.WorkComposition = rig.Gases[stage.Input].Components;

    const bool fixGasUsed = isSet(stage.FixGasUsed);
    const bool fixGasBefore = isSet(stage.FixGasBefore);
    if (fixGasUsed && fixGasBefore)
        ApplyFixGasStage(rig, f);

    // A mixture is measured as the fraction-weighted sum of what its pure gases would show.
    double flow = 0.0;
    for (int k = 1; k <= MaxComponents; ++k) {
        const GasComponent& slot = rig.WorkComposition[k];
        flow +=
            slot.Fraction * flows.flow(f, k, slot.Name.view(), stage.Reading, slot.Fraction > 0);
    }

    if (fixGasUsed && !fixGasBefore) {
        if (const auto change = ApplyFixGasStage(rig, f))
            flow *= 1.0 + change->newFraction - change->oldFraction;
    }
    stage.Flow = flow;
}

// One attempt at mixture m; true when it was solved.
bool solveMixture(Rig& rig, int m, StageFlows& flows)
{
    GasRecord& mixture = rig.Gases[MaxInputGases + m];
    bool ready = true;
    mixture.Flow = 0.0;
    for (GasComponent& slot : mixture.Components)
        slot.Fraction = 0.0;

    for (int f = 1; f <= MaxFlowmeters; ++f) {
        const FlowmeterRecord& stage = rig.Flowmeters[f];
        if (stage.Output != m || !hasValidSource(stage))
            continue;
        if (ready && isSet(rig.Gases[stage.Input].Defined)) {
            computeStage(rig, f, flows);
            mixture.Flow += stage.Flow;
            for (int k = 1; k <= MaxComponents; ++k)
                mixture.Components[k].Fraction += stage.Flow * rig.WorkComposition[k].Fraction;
        } else if (hasPositiveReading(stage)) {
            // The source is not known yet: the mixture waits for a later pass.
            ready = false;
        }
    }

    if (!ready)
        return false;
    if (mixture.Flow > 0)
        for (GasComponent& slot : mixture.Components)
            slot.Fraction /= mixture.Flow;
    mixture.Defined = 1;
    return true;
}

// The run itself; `emplace` makes its StageFlows in place, once the hooks have had their turn,
// as the flows point into themselves.
template <typename Emplace>
RunOutcome runExecute(Rig& rig, const ExecuteHooks& hooks, Emplace emplace)
{
    call(hooks.HideCalForms);
    rig.ResultsCurrent = false;
    for (int i = 1; i <= MaxInputGases; ++i)
        UpdateGasDefined(rig, i);
    for (int i = 1; i <= MaxInputGases; ++i)
        rig.Gases[i] = rig.InputGases[i];

    if (BuildGasList(rig)) {
        call(hooks.Beep);
        ShowMessage(rig, std::string(TooManyGasesMessage));
        return { RunStatus::TooManyGases, 0, TooManyGasesMessage, {} };
    }

    for (int m = 1; m <= MaxMixtures; ++m) {
        rig.Gases[MaxInputGases + m].Defined = 0;
        rig.Gases[MaxInputGases + m].Flow = 0.0;
    }
    for (CellRecord& cell : rig.Cells)
        cell.EquilDone = 0;

    // Each dependency on a higher-numbered mixture costs one pass; a loop of mixtures feeding each
    // other never gets solved, hence the limit.
    std::optional<StageFlows> made;
    emplace(made);
    StageFlows& flows = *made;
    int passes = 0;
    bool allDone = false;
    while (!allDone && passes < MaxPasses) {
        ++passes;
        allDone = true;
        for (int m = 1; m <= MaxMixtures; ++m)
            if (!isSet(rig.Gases[MaxInputGases + m].Defined) && !solveMixture(rig, m, flows))
                allDone = false;
    }

    if (!allDone) {
        ShowMessage(rig, std::string(NonConvergingMessage));
        call(hooks.Beep);
        return { RunStatus::NonConverging, passes, NonConvergingMessage, flows.warnings() };
    }
    ComputeCellGases(rig);
    rig.ResultsCurrent = true;
    call(hooks.DrawMixer);
    call(hooks.ShowResults);
    call(hooks.StartEquilibriumCalculations);
    return { RunStatus::Ok, passes, {}, flows.warnings() };
}

} // namespace

RunOutcome Execute(Rig& rig, const ExecuteHooks& hooks, CurveLookup lookup)
{
    return runExecute(
        rig, hooks, [&](std::optional<StageFlows>& flows) { flows.emplace(rig, lookup); });
}

RunOutcome Execute(Rig& rig, CalCurveIndex& index, const ExecuteHooks& hooks)
{
    return runExecute(
        rig, hooks, [&](std::optional<StageFlows>& flows) { flows.emplace(rig, index); });
}

} // namespace meldrix
