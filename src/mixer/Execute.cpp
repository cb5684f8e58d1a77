#include "mixer/Execute.h"

#include "calib/CalCurveLookup.h"
#include "mixer/FixGasStage.h"
#include "mixer/GasList.h"

#include <array>
#include <cmath>
#include <optional>

namespace meldrix {

namespace {

void call(const std::function<void()>& hook)
{
    if (hook)
        hook();
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
    StageFlows(const Rig& rig, CurveLookup lookup, const FlowModel& model)
        : m_rig(rig)
        , m_model(model)
    {
        if (lookup == CurveLookup::Indexed)
            m_index = &m_ownIndex.emplace(rig);
    }

    // Through an index of the rig's curves built before and kept across runs.
    StageFlows(const Rig& rig, CalCurveIndex& index, const FlowModel& model)
        : m_rig(rig)
        , m_model(model)
        , m_index(&index)
    {
    }

    const FlowModel& model() const { return m_model; }

    // `carried`: the gas is part of the stage's composition, so its reading is checked too, and
    // what the model did for it is noted.
    double flow(
        int f, int k, std::string_view gas, double reading, bool carried, StageModelNotes& notes)
    {
        if (carried && reading != 0)
            check(f, k, gas, reading);
        if (!m_index) {
            const GasFlow found = lookUp(f, gas, reading);
            if (carried)
                note(found, notes);
            return found.Flow;
        }
        // Slot k names the same gas of the gas list in every working gas; the name is checked
        // all the same, so a slot named otherwise is never given another gas's flow.
        Known& known = m_known[f][k];
        if (!known.valid || known.gas.view() != gas) {
            known.gas = gas;
            known.flow = lookUp(f, gas, reading);
            known.valid = true;
        }
        if (carried)
            note(known.flow, notes);
        return known.flow.Flow;
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
    // A reading that is not a finite number counts as no reading at all.
    GasFlow lookUp(int f, std::string_view gas, double reading)
    {
        if (!(reading > 0 && std::isfinite(reading)))
            return {};
        const int curve = m_index ? m_index->FindCalCurve(f, gas) : FindCalCurve(m_rig, f, gas);
        return m_model.gasFlow(m_rig, curve, gas, reading);
    }

    static void note(const GasFlow& flow, StageModelNotes& notes)
    {
        notes.Corrected = notes.Corrected || flow.Corrected;
        notes.Cubic = notes.Cubic || flow.Cubic;
        if (!flow.Unscaled.empty())
            notes.Fallbacks.push_back(flow.Unscaled);
    }

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
        GasFlow flow;
    };
    const Rig& m_rig;
    const FlowModel& m_model;
    std::optional<CalCurveIndex> m_ownIndex;
    CalCurveIndex* m_index = nullptr;
    OneBased<OneBased<Known, MaxComponents>, MaxFlowmeters> m_known;
    OneBased<OneBased<Checked, MaxComponents>, MaxFlowmeters> m_checked;
};

// What the model did at each stage, as of the stage's last computation.
using RunNotes = OneBased<StageModelNotes, MaxFlowmeters>;

void computeStage(Rig& rig, int f, StageFlows& flows, StageModelNotes& notes)
{
    FlowmeterRecord& stage = rig.Flowmeters[f];
    rig.WorkComposition = rig.Gases[stage.Input].Components;
    notes = {};

    const bool fixGasUsed = isSet(stage.FixGasUsed);
    const bool fixGasBefore = isSet(stage.FixGasBefore);
    if (fixGasUsed && fixGasBefore)
        ApplyFixGasStage(rig, f);

    std::array<double, MaxComponents> gasFlows {};
    for (int k = 1; k <= MaxComponents; ++k) {
        const GasComponent& slot = rig.WorkComposition[k];
        gasFlows[static_cast<std::size_t>(k - 1)] =
            flows.flow(f, k, slot.Name.view(), stage.Reading, slot.Fraction > 0, notes);
    }
    double flow = flows.model().meter(rig.WorkComposition, gasFlows, notes);

    if (fixGasUsed && !fixGasBefore) {
        if (const auto change = ApplyFixGasStage(rig, f))
            flow *= flows.model().afterMeterFactor(*change, notes);
    }
    stage.Flow = flow;
}

// One attempt at mixture m; true when it was solved.
bool solveMixture(Rig& rig, int m, StageFlows& flows, RunNotes& notes)
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
            computeStage(rig, f, flows, notes[f]);
            mixture.Flow += stage.Flow;
            for (int k = 1; k <= MaxComponents; ++k)
                mixture.Components[k].Fraction += stage.Flow * rig.WorkComposition[k].Fraction;
        } else if (HasPositiveReading(stage)) {
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

// What a run writes into the rig, records and working data, kept aside while the other flow model
// runs on the same records and put back after: a copy of the whole rig, its thousand curves and
// the files' images, would cost many times the run itself.
class RunStateKept {
public:
    explicit RunStateKept(Rig& rig)
        : m_rig(rig)
        , m_inputGases(rig.InputGases)
        , m_gases(rig.Gases)
        , m_flowmeters(rig.Flowmeters)
        , m_cells(rig.Cells)
        , m_gasList(rig.GasList)
        , m_gasListCount(rig.GasListCount)
        , m_workComposition(rig.WorkComposition)
        , m_cellGases(rig.CellGases)
        , m_message(rig.Message1)
        , m_resultsCurrent(rig.ResultsCurrent)
        , m_model(rig.Settings.FlowModel)
    {
    }
    RunStateKept(const RunStateKept&) = delete;
    RunStateKept& operator=(const RunStateKept&) = delete;
    ~RunStateKept()
    {
        m_rig.InputGases = m_inputGases;
        m_rig.Gases = m_gases;
        m_rig.Flowmeters = m_flowmeters;
        m_rig.Cells = m_cells;
        m_rig.GasList = m_gasList;
        m_rig.GasListCount = m_gasListCount;
        m_rig.WorkComposition = m_workComposition;
        m_rig.CellGases = m_cellGases;
        m_rig.Message1 = m_message;
        m_rig.ResultsCurrent = m_resultsCurrent;
        m_rig.Settings.FlowModel = m_model;
    }

private:
    Rig& m_rig;
    OneBased<GasRecord, MaxInputGases> m_inputGases;
    OneBased<GasRecord, MaxGases> m_gases;
    OneBased<FlowmeterRecord, MaxFlowmeters> m_flowmeters;
    OneBased<CellRecord, MaxCells> m_cells;
    OneBased<std::string, MaxComponents> m_gasList;
    std::uint16_t m_gasListCount;
    Composition m_workComposition;
    OneBased<Composition, MaxCells> m_cellGases;
    MessageLine m_message;
    bool m_resultsCurrent;
    FlowModelKind m_model;
};

// The same records run in the other flow model: every stage the run computed is computed there
// too, and every other keeps its flow in both. The rig is left as the run left it.
ModelDifferences CompareWithOtherModel(Rig& rig, const RunOutcome& outcome, CurveLookup lookup)
{
    OneBased<double, MaxFlowmeters> flows;
    for (int f = 1; f <= MaxFlowmeters; ++f)
        flows[f] = rig.Flowmeters[f].Flow;
    OneBased<double, MaxFlowmeters> otherFlows;
    RunOutcome other;
    {
        const RunStateKept kept(rig);
        rig.Settings.FlowModel = OtherFlowModel(outcome.model);
        other = Execute(rig, {}, lookup);
        for (int f = 1; f <= MaxFlowmeters; ++f)
            otherFlows[f] = rig.Flowmeters[f].Flow;
    }
    if (other.status != RunStatus::Ok)
        return {};
    const bool physical = outcome.model == FlowModelKind::Physical;
    return DifferencesBetween(physical ? otherFlows : flows, physical ? flows : otherFlows,
        physical ? outcome.modelNotes : other.modelNotes, rig.Settings.FlowUnit);
}

// The run itself; `emplace` makes its StageFlows in place, once the hooks have had their turn,
// as the flows may point into themselves.
template <typename Emplace>
RunOutcome runExecute(Rig& rig, const ExecuteHooks& hooks, CurveLookup lookup, Emplace emplace)
{
    RunOutcome outcome;
    outcome.model = rig.Settings.FlowModel;
    call(hooks.HideCalForms);
    rig.ResultsCurrent = false;
    for (int i = 1; i <= MaxInputGases; ++i)
        UpdateGasDefined(rig, i);
    for (int i = 1; i <= MaxInputGases; ++i)
        rig.Gases[i] = rig.InputGases[i];

    if (BuildGasList(rig)) {
        call(hooks.Beep);
        ShowMessage(rig, std::string(TooManyGasesMessage));
        outcome.status = RunStatus::TooManyGases;
        outcome.message = TooManyGasesMessage;
        return outcome;
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
    emplace(made, FlowModelOf(outcome.model));
    StageFlows& flows = *made;
    RunNotes notes;
    bool allDone = false;
    while (!allDone && outcome.passes < MaxPasses) {
        ++outcome.passes;
        allDone = true;
        for (int m = 1; m <= MaxMixtures; ++m)
            if (!isSet(rig.Gases[MaxInputGases + m].Defined) && !solveMixture(rig, m, flows, notes))
                allDone = false;
    }
    outcome.warnings = flows.warnings();
    for (int f = 1; f <= MaxFlowmeters; ++f)
        if (notes[f].any())
            outcome.modelNotes.push_back({ f, std::move(notes[f]) });

    if (!allDone) {
        ShowMessage(rig, std::string(NonConvergingMessage));
        call(hooks.Beep);
        outcome.status = RunStatus::NonConverging;
        outcome.message = NonConvergingMessage;
        return outcome;
    }
    ComputeCellGases(rig);
    rig.ResultsCurrent = true;
    call(hooks.DrawMixer);
    call(hooks.ShowResults);
    call(hooks.StartEquilibriumCalculations);
    if (hooks.CompareFlowModels)
        outcome.differences = CompareWithOtherModel(rig, outcome, lookup);
    return outcome;
}

} // namespace

bool HasPositiveReading(const FlowmeterRecord& stage)
{
    return stage.Reading > 0 && std::isfinite(stage.Reading);
}

RunOutcome Execute(Rig& rig, const ExecuteHooks& hooks, CurveLookup lookup)
{
    return runExecute(
        rig, hooks, lookup, [&](std::optional<StageFlows>& flows, const FlowModel& model) {
            flows.emplace(rig, lookup, model);
        });
}

RunOutcome Execute(Rig& rig, CalCurveIndex& index, const ExecuteHooks& hooks)
{
    return runExecute(rig, hooks, CurveLookup::Indexed,
        [&](std::optional<StageFlows>& flows, const FlowModel& model) {
            flows.emplace(rig, index, model);
        });
}

} // namespace meldrix
