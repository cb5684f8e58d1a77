#include "target/TargetSearch.h"

#include "common/TextFormat.h"
#include "equil/CellGibbs.h"
#include "mixer/Execute.h"
#include "target/BoundedLeastSquares.h"
#include "uncertainty/Uncertainty.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <span>

namespace meldrix {

namespace {

constexpr double FailedResidual = 1e3; // a trial that could not run is far from any target
// A gas without oxygen counts as the lowest pO2 the number format holds, so the search still
// knows which way is up; it is never reported as a value.
constexpr double NoOxygenLog10PO2 = -308.0;

std::string shortNumber(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

std::string joined(const std::vector<std::string>& parts)
{
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i)
        text += (i == 0 ? "" : "; ") + parts[i];
    return text;
}

std::string stageList(std::span<const int> stages)
{
    std::vector<std::string> names;
    for (const int f : stages)
        names.push_back(StageName(f));
    return listed(names);
}

std::string capitalised(std::string text)
{
    if (!text.empty())
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text;
}

std::string sentence(std::string text)
{
    text = capitalised(std::move(text));
    if (!text.empty() && text.back() != '.' && text.back() != '!')
        text += '.';
    return text;
}

// The slot of the gas list that names `gas`; 0 when none does.
int gasListSlot(const Rig& rig, std::string_view gas)
{
    for (int k = 1; k <= rig.GasListCount && k <= MaxComponents; ++k)
        if (rig.GasList[k] == gas)
            return k;
    return 0;
}

double fractionTolerance(double wanted)
{
    return std::max(FractionTolerance * std::abs(wanted), FractionFloor);
}

// The error of a request that means nothing, checked before anything runs; empty when it is sound.
std::string requestError(const Rig& rig, const TargetRequest& request)
{
    const int c = request.Cell;
    if (!OneBased<CellRecord, MaxCells>::inRange(c))
        return "Cell " + formatInt(c) + " is not a cell 1..8.";
    const CellRecord& cell = rig.Cells[c];
    if (!isFedCell(cell))
        return "Cell " + formatInt(c) + " (" + std::string(cell.Name.view())
            + ") is not fed by a mixture (Mix " + formatInt(cell.Mix) + ").";
    if (request.Targets.empty())
        return "No target given.";
    std::vector<std::string_view> gases;
    int pO2Targets = 0;
    int flowTargets = 0;
    double fractionSum = 0.0;
    for (const Target& target : request.Targets) {
        switch (target.Kind) {
        case TargetKind::Fraction: {
            const std::string_view gas = trimBlanks(target.Gas);
            if (gas.empty())
                return "A wanted fraction names no gas.";
            if (!(target.Wanted >= 0.0 && target.Wanted <= 1.0))
                return "The wanted fraction of " + std::string(gas) + ", "
                    + shortNumber(target.Wanted) + ", is outside 0..1.";
            if (std::find(gases.begin(), gases.end(), gas) != gases.end())
                return "The fraction of " + std::string(gas) + " is wanted twice.";
            gases.push_back(gas);
            fractionSum += target.Wanted;
            break;
        }
        case TargetKind::Log10PO2:
            if (!std::isfinite(target.Wanted))
                return "The wanted log10 pO2 is not a number.";
            if (++pO2Targets > 1)
                return "log10 pO2 is wanted twice.";
            // No gas holds more oxygen than its whole pressure.
            if (cell.Pressure > 0 && std::isfinite(cell.Pressure)
                && target.Wanted > std::log10(cell.Pressure))
                return "The wanted log10 pO2, " + shortNumber(target.Wanted)
                    + ", is above log10 of the pressure of cell " + formatInt(c) + " ("
                    + shortNumber(cell.Pressure) + " bar), "
                    + shortNumber(std::log10(cell.Pressure)) + ": not even pure oxygen gives it.";
            break;
        case TargetKind::Flow:
            if (!(target.Wanted > 0.0 && std::isfinite(target.Wanted)))
                return "The wanted flow, " + shortNumber(target.Wanted)
                    + ", is not a positive number.";
            if (++flowTargets > 1)
                return "The flow is wanted twice.";
            break;
        }
    }
    if (fractionSum > 1.0 + 1e-12)
        return "The wanted fractions add up to " + shortNumber(fractionSum) + ", more than 1.";
    if (request.FreeStages) {
        if (request.FreeStages->empty())
            return "No free stage given.";
        for (const int f : *request.FreeStages)
            if (!OneBased<FlowmeterRecord, MaxFlowmeters>::inRange(f))
                return "Stage " + formatInt(f) + " is not a stage 1..16.";
    }
    return {};
}

// What the cell gets at one set of readings: residuals of fractions absolute, pO2 in decades,
// flow relative; Reached when every target is met.
struct Trial : LeastSquaresTrial {
    std::vector<std::optional<double>> Achieved;
    std::vector<std::string> Problems; // why a quantity that ran has no value
    std::string Failure; // why the readings could not run, empty when they did
};

// The readings of the free stages at a point of the unit box over their bounds.
std::vector<double> readingsAt(std::span<const ReadingBounds> bounds, std::span<const double> u)
{
    std::vector<double> x(u.size());
    for (std::size_t i = 0; i < u.size(); ++i)
        x[i] = bounds[i].Low + std::clamp(u[i], 0.0, 1.0) * (bounds[i].High - bounds[i].Low);
    return x;
}

// Runs the rig's own Execute (and the cell's equilibrium) on a working copy for trial readings.
class Evaluator {
public:
    Evaluator(const Rig& rig, const TargetRequest& request, std::vector<int> free,
        const ThermoData& thermo)
        : m_work(rig)
        , m_request(request)
        , m_free(std::move(free))
        , m_thermo(thermo)
    {
        m_needsGibbs = std::any_of(request.Targets.begin(), request.Targets.end(),
            [](const Target& target) { return target.Kind == TargetKind::Log10PO2; });
    }

    Trial evaluate(std::span<const double> readings)
    {
        ++m_evaluations;
        for (std::size_t i = 0; i < m_free.size(); ++i)
            m_work.Flowmeters[m_free[i]].Reading = readings[i];
        return measure(m_work, m_request, m_needsGibbs, m_thermo);
    }

    static Trial measure(
        Rig& work, const TargetRequest& request, bool needsGibbs, const ThermoData& thermo)
    {
        Trial trial;
        const std::size_t count = request.Targets.size();
        trial.Achieved.assign(count, std::nullopt);
        trial.Problems.assign(count, {});
        trial.Residuals.assign(count, FailedResidual);
        const RunOutcome outcome = Execute(work);
        if (outcome.status != RunStatus::Ok) {
            trial.Failure = std::string(outcome.message);
            trial.Cost = 0.5 * static_cast<double>(count) * FailedResidual * FailedResidual;
            return trial;
        }
        const int c = request.Cell;
        std::optional<GibbsResult> gibbs;
        if (needsGibbs)
            gibbs = CellGibbsAt(work, c, work.Cells[c].Temp, thermo);
        trial.Reached = true;
        trial.Cost = 0.0;
        for (std::size_t i = 0; i < count; ++i) {
            const Target& target = request.Targets[i];
            // What the search steers by; only a value counts as achieved.
            std::optional<double> steer;
            switch (target.Kind) {
            case TargetKind::Fraction: {
                const int k = gasListSlot(work, trimBlanks(target.Gas));
                steer = k == 0 ? 0.0 : work.CellGases[c][k].Fraction;
                trial.Achieved[i] = steer;
                break;
            }
            case TargetKind::Flow:
                steer = work.Gases[MaxInputGases + work.Cells[c].Mix].Flow;
                trial.Achieved[i] = steer;
                break;
            case TargetKind::Log10PO2:
                if (!gibbs->Ok) {
                    trial.Failure = "the equilibrium of cell " + formatInt(c)
                        + " could not be found: " + gibbs->Message;
                    break;
                }
                steer = std::isfinite(gibbs->Log10PO2) ? gibbs->Log10PO2 : NoOxygenLog10PO2;
                if (!gibbs->PO2Resolved)
                    trial.Problems[i] = UnresolvedPO2;
                else if (!std::isfinite(gibbs->Log10PO2))
                    trial.Problems[i] = NoOxygenProblem;
                else
                    trial.Achieved[i] = steer;
                break;
            }
            if (steer)
                trial.Residuals[i] = target.Kind == TargetKind::Flow ? *steer / target.Wanted - 1.0
                                                                     : *steer - target.Wanted;
            trial.Reached =
                trial.Reached && trial.Achieved[i] && TargetMet(target, *trial.Achieved[i]);
            trial.Cost += 0.5 * trial.Residuals[i] * trial.Residuals[i];
        }
        return trial;
    }

    int evaluations() const { return m_evaluations; }
    bool needsGibbs() const { return m_needsGibbs; }

    //! The search's residuals over the unit box of the free readings' `bounds`: the solver sees a
    //! trial's residuals, cost and whether every target is met, nothing of what the cell got.
    LeastSquaresResiduals residuals(std::span<const ReadingBounds> bounds)
    {
        return [this, bounds](std::span<const double> u) -> LeastSquaresTrial {
            return evaluate(readingsAt(bounds, u));
        };
    }

private:
    Rig m_work;
    const TargetRequest& m_request;
    std::vector<int> m_free;
    const ThermoData& m_thermo;
    bool m_needsGibbs = false;
    int m_evaluations = 0;
};

// The free stages of a request, the range each may move in, and why named ones were left out.
struct FreeStages {
    std::vector<int> Stages;
    std::vector<ReadingBounds> Bounds;
    std::vector<std::string> LeftOut;
};

FreeStages freeStages(const Rig& analysed, const GasPaths& paths, int c, std::vector<int> named)
{
    std::sort(named.begin(), named.end());
    named.erase(std::unique(named.begin(), named.end()), named.end());
    FreeStages free;
    for (const int f : named) {
        if (!paths.reaches(f, c)) {
            free.LeftOut.push_back(StageName(f) + " does not reach cell " + formatInt(c));
            continue;
        }
        const ReadingBounds range = StageReadingBounds(analysed, paths, f);
        if (range.empty()) {
            free.LeftOut.push_back(StageName(f) + " has no reading on every curve of its gases ("
                + CurveRangesNamed(StageCurves(analysed, f, paths.metered(f))) + ")");
            continue;
        }
        free.Stages.push_back(f);
        free.Bounds.push_back(range);
    }
    return free;
}

// The wanted gases that cannot reach the cell while only the free stages and those with a
// reading carry gas: behind a closed stage, or in no bottle that reaches the cell at all.
std::vector<std::string> unreachableGases(const Rig& analysed, const GasPaths::Open& open,
    const GasPaths& paths, const TargetRequest& request)
{
    const int c = request.Cell;
    const GasPaths every(analysed, [&](int f) { return IsComputedStage(analysed.Flowmeters[f]); });
    std::vector<std::string> problems;
    for (const Target& target : request.Targets) {
        if (target.Kind != TargetKind::Fraction || !(target.Wanted > FractionFloor))
            continue;
        const std::string gas(trimBlanks(target.Gas));
        const int k = gasListSlot(analysed, gas);
        if (k != 0 && holds(paths.inCell(c), k))
            continue;
        if (k == 0 || !holds(every.inCell(c), k)) {
            problems.push_back("no bottle reaching cell " + formatInt(c) + " holds " + gas);
            continue;
        }
        std::vector<int> closed;
        for (int f = 1; f <= MaxFlowmeters; ++f)
            if (IsComputedStage(analysed.Flowmeters[f]) && !open(f) && holds(every.delivered(f), k)
                && every.reaches(f, c))
                closed.push_back(f);
        problems.push_back(gas + " reaches cell " + formatInt(c) + " only behind "
            + (closed.size() == 1 ? "a closed stage (" : "closed stages (") + stageList(closed)
            + ") that the search may not open");
    }
    return problems;
}

// The fed cells other than the asked one whose gas or pO2 moves from `was` to `now`.
std::vector<SideEffect> sideEffects(
    const Rig& was, const Rig& now, int asked, const ThermoData& thermo)
{
    std::vector<SideEffect> effects;
    const auto pO2 = [&thermo](const Rig& rig, int c) -> std::optional<double> {
        const GibbsResult result = CellGibbsAt(rig, c, rig.Cells[c].Temp, thermo);
        if (result.Ok && result.PO2Resolved && std::isfinite(result.Log10PO2))
            return result.Log10PO2;
        return std::nullopt;
    };
    for (int c = 1; c <= MaxCells; ++c) {
        if (c == asked || !isFedCell(now.Cells[c]))
            continue;
        bool moved = false;
        std::vector<SideEffect> gases;
        for (int k = 1; k <= now.GasListCount && k <= MaxComponents; ++k) {
            const double before = was.CellGases[c][k].Fraction;
            const double after = now.CellGases[c][k].Fraction;
            moved = moved || before != after;
            if (std::abs(after - before) > fractionTolerance(before))
                gases.push_back({ c, TargetKind::Fraction, now.GasList[k], before, after });
        }
        if (!moved)
            continue;
        const auto before = pO2(was, c);
        const auto after = pO2(now, c);
        if (before.has_value() != after.has_value()
            || (before && std::abs(*after - *before) > Log10PO2Tolerance))
            effects.push_back({ c, TargetKind::Log10PO2, {}, before, after });
        effects.insert(effects.end(), gases.begin(), gases.end());
    }
    return effects;
}

std::string valueText(const std::optional<double>& value)
{
    return value ? shortNumber(*value) : std::string("none");
}

// The linear standard deviation of each target at the proposed readings under the default meter
// accuracy; the runs of Execute it took (its trials and the run that starts them).
int addDeviations(
    const Rig& proposed, bool needsGibbs, const ThermoData& thermo, TargetOutcome& outcome)
{
    UncertaintyOptions options;
    options.Equilibrium = needsGibbs;
    options.Cell = outcome.Cell;
    options.Thermo = &thermo;
    const UncertaintyResult result = PropagateUncertainty(proposed, options);
    const int runs = 1 + result.Samples;
    if (!result.Ok || result.Cells.empty())
        return runs;
    const CellUncertainty& cell = result.Cells.front();
    for (TargetResult& target : outcome.Targets) {
        switch (target.Wanted.Kind) {
        case TargetKind::Fraction: {
            // A gas the gas list does not name stays at 0.
            target.Sd = 0.0;
            for (const GasSpread& gas : cell.Gases)
                if (gas.Name == trimBlanks(target.Wanted.Gas))
                    target.Sd = gas.Fraction.Sd;
            break;
        }
        case TargetKind::Log10PO2:
            if (cell.Log10PO2 && std::isfinite(cell.Log10PO2->Sd))
                target.Sd = cell.Log10PO2->Sd;
            break;
        case TargetKind::Flow:
            target.Sd = cell.Flow.Sd;
            break;
        }
        if (target.Sd && !std::isfinite(*target.Sd))
            target.Sd.reset();
    }
    return runs;
}

} // namespace

std::vector<std::string> SideEffectSentences(const Rig& rig, std::span<const SideEffect> effects)
{
    std::vector<std::string> warnings;
    for (std::size_t i = 0; i < effects.size();) {
        const int c = effects[i].Cell;
        std::vector<std::string> changes;
        for (; i < effects.size() && effects[i].Cell == c; ++i) {
            const SideEffect& effect = effects[i];
            changes.push_back(
                (effect.Kind == TargetKind::Log10PO2 ? std::string("log10 pO2") : effect.Gas)
                + " from " + valueText(effect.Was) + " to " + valueText(effect.Now));
        }
        warnings.push_back(capitalised(CellsNamed(rig, static_cast<CellMask>(1u << (c - 1))))
            + " changes too: " + listed(changes));
    }
    return warnings;
}

std::string_view TargetKindName(TargetKind kind)
{
    switch (kind) {
    case TargetKind::Fraction:
        return "fraction";
    case TargetKind::Log10PO2:
        return "log10_pO2";
    case TargetKind::Flow:
        return "flow";
    }
    return "fraction";
}

bool TargetMet(const Target& target, double achieved)
{
    switch (target.Kind) {
    case TargetKind::Fraction:
        return std::abs(achieved - target.Wanted) <= fractionTolerance(target.Wanted);
    case TargetKind::Log10PO2:
        return std::abs(achieved - target.Wanted) <= Log10PO2Tolerance;
    case TargetKind::Flow:
        return std::abs(achieved / target.Wanted - 1.0) <= FlowTolerance;
    }
    return false;
}

std::vector<int> DefaultFreeStages(const Rig& rig, int cell)
{
    std::vector<int> free;
    if (!OneBased<CellRecord, MaxCells>::inRange(cell) || !isFedCell(rig.Cells[cell]))
        return free;
    const GasPaths paths(rig, GasPaths::PositiveReadings(rig));
    for (int f = 1; f <= MaxFlowmeters; ++f)
        if (HasPositiveReading(rig.Flowmeters[f])
            && paths.cellsReached(f) == static_cast<CellMask>(1u << (cell - 1)))
            free.push_back(f);
    return free;
}

std::string NoDefaultFreeStage(const Rig& rig, int cell)
{
    const GasPaths paths(rig, GasPaths::PositiveReadings(rig));
    CellMask others = 0;
    for (int f = 1; f <= MaxFlowmeters; ++f)
        if (HasPositiveReading(rig.Flowmeters[f]) && paths.reaches(f, cell))
            others = static_cast<CellMask>(others | paths.cellsReached(f));
    others = static_cast<CellMask>(others & ~(1u << (cell - 1)));
    if (others != 0)
        return "No stage feeds cell " + formatInt(cell) + " alone: its stages also feed "
            + CellsNamed(rig, others) + ". Name the stages the search may change.";
    return "No stage with a positive reading feeds cell " + formatInt(cell)
        + ": name the stages the search may change.";
}

TargetOutcome FindReadings(
    const Rig& rig, const TargetRequest& request, const SearchControl& control)
{
    TargetOutcome outcome;
    outcome.Cell = request.Cell;
    for (const Target& target : request.Targets)
        outcome.Targets.push_back({ target, std::nullopt, {}, std::nullopt });
    for (int f = 1; f <= MaxFlowmeters; ++f)
        outcome.Readings[f] = { rig.Flowmeters[f].Reading, rig.Flowmeters[f].Reading, false, {} };

    if (std::string error = requestError(rig, request); !error.empty()) {
        outcome.Message = std::move(error);
        return outcome;
    }
    const int c = request.Cell;
    const std::vector<int> named =
        request.FreeStages ? *request.FreeStages : DefaultFreeStages(rig, c);
    if (named.empty()) {
        outcome.Message = NoDefaultFreeStage(rig, c);
        return outcome;
    }

    // One run at the current readings builds the gas list, which no reading changes.
    Rig analysed = rig;
    const RunOutcome first = Execute(analysed);
    ++outcome.Evaluations;
    if (first.status == RunStatus::TooManyGases) {
        outcome.Message = "The rig cannot run: " + std::string(first.message);
        return outcome;
    }
    const auto isNamed = [&](int f) {
        return std::find(named.begin(), named.end(), f) != named.end();
    };
    const GasPaths::Open open = [&](int f) {
        return isNamed(f) || HasPositiveReading(analysed.Flowmeters[f]);
    };
    const GasPaths paths(analysed, open);
    FreeStages free = freeStages(analysed, paths, c, named);
    for (const std::string& left : free.LeftOut)
        outcome.Warnings.push_back(left + ": it keeps its reading");
    if (free.Stages.empty()) {
        outcome.Message = "No stage is free: " + joined(free.LeftOut) + ".";
        return outcome;
    }
    if (const auto unreachable = unreachableGases(analysed, open, paths, request);
        !unreachable.empty()) {
        outcome.Message = sentence(joined(unreachable));
        return outcome;
    }

    std::vector<double> current;
    for (std::size_t i = 0; i < free.Stages.size(); ++i) {
        const int f = free.Stages[i];
        const ReadingBounds range = free.Bounds[i];
        const double width = range.High - range.Low;
        const double here = rig.Flowmeters[f].Reading;
        current.push_back(width > 0 && std::isfinite(here)
                ? std::clamp((here - range.Low) / width, 0.0, 1.0)
                : 0.0);
        outcome.Readings[f].Free = true;
        outcome.Readings[f].Bounds = range;
    }

    const ThermoData& thermo = control.Thermo ? *control.Thermo : BuiltInThermoData();
    Evaluator evaluator(rig, request, free.Stages, thermo);
    const LeastSquaresResult best = SolveBoundedLeastSquares(evaluator.residuals(free.Bounds),
        current, { control.Stop, control.Progress, control.MostEvaluations });
    outcome.Iterations = best.Iterations;
    outcome.Evaluations += evaluator.evaluations();
    outcome.Cancelled = best.Cancelled;
    const bool capped = !outcome.Cancelled && best.Capped && !best.Reached;
    if (best.Point.empty()) {
        outcome.Message = "The search was cancelled before its first trial.";
        return outcome;
    }

    // The reported values come from a fresh copy of the rig at the proposed readings, exactly as
    // Execute and the equilibrium give them to the operator afterwards.
    const std::vector<double> proposed = readingsAt(free.Bounds, best.Point);
    Rig check = rig;
    for (std::size_t i = 0; i < free.Stages.size(); ++i)
        check.Flowmeters[free.Stages[i]].Reading = proposed[i];
    const Trial final = Evaluator::measure(check, request, evaluator.needsGibbs(), thermo);
    ++outcome.Evaluations;

    if (!final.Failure.empty()) {
        outcome.Status = TargetStatus::Error;
        outcome.Message = "No readings found: " + sentence(final.Failure);
        return outcome;
    }
    for (std::size_t i = 0; i < free.Stages.size(); ++i)
        outcome.Readings[free.Stages[i]].Reading = proposed[i];
    for (std::size_t i = 0; i < request.Targets.size(); ++i) {
        outcome.Targets[i].Achieved = final.Achieved[i];
        outcome.Targets[i].Problem = final.Problems[i];
    }
    double change = 0.0;
    std::vector<std::string> bounds;
    for (std::size_t i = 0; i < free.Stages.size(); ++i) {
        const int f = free.Stages[i];
        const ReadingBounds range = free.Bounds[i];
        const double width = range.High - range.Low;
        if (!(width > 0))
            continue;
        const double was = outcome.Readings[f].Was;
        const double moved = ((std::isfinite(was) ? proposed[i] - was : 0.0)) / width;
        change += moved * moved;
        // Within a thousandth of the range is on the bound for anyone reading the meter.
        const double near = 1e-3 * width;
        if (proposed[i] <= range.Low + near || proposed[i] >= range.High - near) {
            const bool low = proposed[i] <= range.Low + near;
            bounds.push_back(StageName(f) + " sits at its " + (low ? "lowest" : "highest")
                + " reading, " + shortNumber(low ? range.Low : range.High));
        }
    }
    outcome.Change = std::sqrt(change);
    if (first.status == RunStatus::Ok) {
        outcome.SideEffects = sideEffects(analysed, check, c, thermo);
    }
    if (!outcome.Cancelled) {
        outcome.Evaluations += addDeviations(check, evaluator.needsGibbs(), thermo, outcome);
        for (const TargetResult& target : outcome.Targets)
            if (target.Wanted.Kind == TargetKind::Log10PO2 && target.Sd
                && *target.Sd > FirmLog10PO2Sd)
                outcome.Warnings.push_back("log10 pO2 is not firm at these readings: one standard "
                                           "deviation of every meter's reading ("
                    + shortNumber(DefaultFullScalePercent) + " % of its full scale) moves it by "
                    + shortNumber(*target.Sd) + " decades");
    }

    if (final.Reached) {
        outcome.Status = TargetStatus::Reached;
        outcome.Message = "Every target is met within its tolerance.";
        outcome.Warnings.insert(outcome.Warnings.end(), bounds.begin(), bounds.end());
        return outcome;
    }

    outcome.Status = TargetStatus::Closest;
    std::vector<std::string> reasons;
    if (outcome.Cancelled)
        reasons.emplace_back("the search was cancelled");
    if (capped)
        reasons.push_back(
            "the search stopped after " + formatInt(control.MostEvaluations) + " trial runs");
    for (const TargetResult& target : outcome.Targets)
        if (!target.Problem.empty())
            reasons.push_back("log10 pO2 of cell " + formatInt(c)
                + " has no value at the best readings found: " + target.Problem);
    reasons.insert(reasons.end(), free.LeftOut.begin(), free.LeftOut.end());
    // A free reading held at a bound that the targets pull beyond. A cancelled search ends
    // without the extra trials this takes.
    if (!outcome.Cancelled) {
        const std::vector<double>& u = best.Point;
        Evaluator probing(rig, request, free.Stages, thermo);
        const std::vector<bool> held = HeldAtBounds(probing.residuals(free.Bounds), u);
        outcome.Evaluations += probing.evaluations();
        for (std::size_t i = 0; i < free.Stages.size(); ++i) {
            const ReadingBounds range = free.Bounds[i];
            if (range.High <= range.Low || !held[i])
                continue;
            const bool low = u[i] <= 0.0;
            reasons.push_back(StageName(free.Stages[i]) + " stops at its "
                + (low ? "lowest" : "highest") + " reading, "
                + shortNumber(low ? range.Low : range.High));
            // The message names it; the warning would say it twice.
            std::erase_if(bounds, [&](const std::string& bound) {
                return bound.starts_with(StageName(free.Stages[i]) + " ");
            });
        }
    }
    outcome.Warnings.insert(outcome.Warnings.end(), bounds.begin(), bounds.end());
    if (reasons.empty())
        reasons.emplace_back("the free stages cannot meet every target at once");
    outcome.Message = "Closest: " + joined(reasons) + ".";
    return outcome;
}

} // namespace meldrix
