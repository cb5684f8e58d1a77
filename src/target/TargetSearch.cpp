#include "target/TargetSearch.h"

#include "calib/CalCurveLookup.h"
#include "common/TextFormat.h"
#include "equil/CellGibbs.h"
#include "equil/GasTreatment.h"
#include "mixer/Execute.h"
#include "mixer/FixGasStage.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <span>

namespace meldrix {

namespace {

// One bit per gas-list slot: bit k - 1 for slot k.
using GasMask = std::uint16_t;

constexpr double FailedResidual = 1e3; // a trial that could not run is far from any target
constexpr int MaxStepsPerStart = 60;
constexpr int ExtraStarts = 4; // besides the current readings
constexpr double DerivativeStep = 1e-6; // in units of a reading's whole range

bool hasPositiveReading(const FlowmeterRecord& stage)
{
    return stage.Reading > 0 && std::isfinite(stage.Reading);
}

// Sources outside I1..I16 and M1..M16, and outputs outside M1..M16, are never computed.
bool isComputable(const FlowmeterRecord& stage)
{
    return OneBased<GasRecord, MaxGases>::inRange(stage.Input) && stage.Output >= 1
        && stage.Output <= MaxMixtures;
}

GasMask maskOf(const Composition& composition)
{
    GasMask mask = 0;
    for (int k = 1; k <= MaxComponents; ++k)
        if (composition[k].Fraction > 0)
            mask = static_cast<GasMask>(mask | (1u << (k - 1)));
    return mask;
}

bool holds(GasMask mask, int k)
{
    return (mask >> (k - 1)) & 1u;
}

// Which gases a stage meters and which it delivers when its source carries `source`. The fix-gas
// stage is applied by the mixer's own routine to a stand-in composition, so a saturator adds its
// gas, a drier or getter removes it, as in a run.
struct Passage {
    GasMask Metered = 0;
    GasMask Delivered = 0;
};

Passage passage(const Rig& rig, int f, GasMask source)
{
    const FlowmeterRecord& stage = rig.Flowmeters[f];
    // Every mixture's slots carry the gas list's names once Execute has built it.
    Composition composition = rig.Gases[MaxInputGases + 1].Components;
    int count = 0;
    for (int k = 1; k <= MaxComponents; ++k)
        count += holds(source, k) ? 1 : 0;
    for (int k = 1; k <= MaxComponents; ++k)
        composition[k].Fraction = holds(source, k) ? 1.0 / count : 0.0;
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

// The gases every source can carry while the stages `open` says carry gas. `rig` has run Execute,
// so the working gases hold their slots in gas-list order.
OneBased<GasMask, MaxGases> carriedGases(const Rig& rig, const std::function<bool(int)>& open)
{
    OneBased<GasMask, MaxGases> masks;
    for (int n = 1; n <= MaxInputGases; ++n)
        masks[n] = isSet(rig.Gases[n].Defined) ? maskOf(rig.Gases[n].Components) : GasMask { 0 };
    // Masks only grow, so the passes end; the limit is there all the same.
    for (int pass = 0; pass <= MaxGases * MaxComponents; ++pass) {
        bool changed = false;
        for (int f = 1; f <= MaxFlowmeters; ++f) {
            const FlowmeterRecord& stage = rig.Flowmeters[f];
            if (!isComputable(stage) || !open(f))
                continue;
            GasMask& mixture = masks[MaxInputGases + stage.Output];
            const auto grown =
                static_cast<GasMask>(mixture | passage(rig, f, masks[stage.Input]).Delivered);
            changed = changed || grown != mixture;
            mixture = grown;
        }
        if (!changed)
            break;
    }
    return masks;
}

// The slot of the gas list that names `gas`; 0 when none does.
int gasListSlot(const Rig& rig, std::string_view gas)
{
    for (int k = 1; k <= rig.GasListCount && k <= MaxComponents; ++k)
        if (rig.GasList[k] == gas)
            return k;
    return 0;
}

ReadingBounds boundsOf(const Rig& rig, int f, GasMask metered)
{
    const FlowmeterRecord& stage = rig.Flowmeters[f];
    if (metered == 0) {
        // Nothing passes the meter: the reading stays where it is, held to 0 and above.
        const double here = std::isfinite(stage.Reading) ? std::max(stage.Reading, 0.0) : 0.0;
        return { here, here };
    }
    const Composition& names = rig.Gases[MaxInputGases + 1].Components;
    double low = std::numeric_limits<double>::infinity();
    double high = 0.0;
    for (int k = 1; k <= MaxComponents; ++k) {
        if (!holds(metered, k))
            continue;
        const CalCurveRecord& curve = rig.CalCurves[FindCalCurve(rig, f, names[k].Name.view())];
        low = std::min(low, curve.Points[1].Reading);
        for (const CalPoint& point : curve.Points)
            high = std::max(high, point.Reading);
    }
    low = std::isfinite(low) ? std::max(low, 0.0) : 0.0;
    high = std::isfinite(high) ? std::max(high, low) : low;
    return { low, high };
}

std::string stageName(int f)
{
    return "F" + formatInt(f, 2);
}

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

bool metWithin(const Target& target, double achieved)
{
    switch (target.Kind) {
    case TargetKind::Fraction:
        return std::abs(achieved - target.Wanted) <= FractionTolerance;
    case TargetKind::Log10PO2:
        return std::abs(achieved - target.Wanted) <= Log10PO2Tolerance;
    case TargetKind::Flow:
        return std::abs(achieved / target.Wanted - 1.0) <= FlowTolerance;
    }
    return false;
}

// What the cell gets at one set of readings.
struct Trial {
    std::vector<double> Residuals; // fractions absolute, pO2 in decades, flow relative
    std::vector<std::optional<double>> Achieved;
    double Cost = std::numeric_limits<double>::infinity(); // half the sum of squared residuals
    bool Reached = false;
    std::string Failure; // why the readings could not run, empty when they did
};

// Runs the rig's own Execute (and the cell's equilibrium) on a working copy for trial readings.
class Evaluator {
public:
    Evaluator(const Rig& rig, const TargetRequest& request, std::vector<int> free)
        : m_work(rig)
        , m_request(request)
        , m_free(std::move(free))
    {
        m_needsGibbs = std::any_of(request.Targets.begin(), request.Targets.end(),
            [](const Target& target) { return target.Kind == TargetKind::Log10PO2; });
    }

    Trial evaluate(std::span<const double> readings)
    {
        ++m_evaluations;
        for (std::size_t i = 0; i < m_free.size(); ++i)
            m_work.Flowmeters[m_free[i]].Reading = readings[i];
        return measure(m_work, m_request, m_needsGibbs);
    }

    static Trial measure(Rig& work, const TargetRequest& request, bool needsGibbs)
    {
        Trial trial;
        const std::size_t count = request.Targets.size();
        trial.Achieved.assign(count, std::nullopt);
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
            gibbs = CellGibbsAt(work, c, work.Cells[c].Temp);
        trial.Reached = true;
        trial.Cost = 0.0;
        for (std::size_t i = 0; i < count; ++i) {
            const Target& target = request.Targets[i];
            std::optional<double> value;
            switch (target.Kind) {
            case TargetKind::Fraction: {
                const int k = gasListSlot(work, trimBlanks(target.Gas));
                value = k == 0 ? 0.0 : work.CellGases[c][k].Fraction;
                break;
            }
            case TargetKind::Flow:
                value = work.Gases[MaxInputGases + work.Cells[c].Mix].Flow;
                break;
            case TargetKind::Log10PO2:
                if (gibbs->Ok)
                    // A gas without oxygen counts as the lowest pO2 the number format holds.
                    value = std::isfinite(gibbs->Log10PO2) ? gibbs->Log10PO2 : -308.0;
                else
                    trial.Failure = "the equilibrium of cell " + formatInt(c)
                        + " could not be found: " + gibbs->Message;
                break;
            }
            trial.Achieved[i] = value;
            if (value) {
                trial.Residuals[i] = target.Kind == TargetKind::Flow ? *value / target.Wanted - 1.0
                                                                     : *value - target.Wanted;
                trial.Reached = trial.Reached && metWithin(target, *value);
            } else {
                trial.Reached = false;
            }
            trial.Cost += 0.5 * trial.Residuals[i] * trial.Residuals[i];
        }
        return trial;
    }

    int evaluations() const { return m_evaluations; }
    bool needsGibbs() const { return m_needsGibbs; }

private:
    Rig m_work;
    const TargetRequest& m_request;
    std::vector<int> m_free;
    bool m_needsGibbs = false;
    int m_evaluations = 0;
};

// Solves (A + lambda D) x = b by Cholesky; false when the matrix is not positive definite.
bool solveDamped(std::vector<double> a, std::span<const double> diagonal, double lambda,
    std::span<const double> b, std::span<double> x)
{
    const std::size_t n = b.size();
    for (std::size_t i = 0; i < n; ++i)
        a[i * n + i] += lambda * diagonal[i];
    for (std::size_t j = 0; j < n; ++j) {
        double d = a[j * n + j];
        for (std::size_t k = 0; k < j; ++k)
            d -= a[j * n + k] * a[j * n + k];
        if (!(d > 0.0) || !std::isfinite(d))
            return false;
        d = std::sqrt(d);
        a[j * n + j] = d;
        for (std::size_t i = j + 1; i < n; ++i) {
            double s = a[i * n + j];
            for (std::size_t k = 0; k < j; ++k)
                s -= a[i * n + k] * a[j * n + k];
            a[i * n + j] = s / d;
        }
    }
    std::vector<double> y(n);
    for (std::size_t i = 0; i < n; ++i) {
        double s = b[i];
        for (std::size_t k = 0; k < i; ++k)
            s -= a[i * n + k] * y[k];
        y[i] = s / a[i * n + i];
    }
    for (std::size_t i = n; i-- > 0;) {
        double s = y[i];
        for (std::size_t k = i + 1; k < n; ++k)
            s -= a[k * n + i] * x[k];
        x[i] = s / a[i * n + i];
    }
    return true;
}

// The n-th point of the Halton sequence in `dimensions` dimensions: starts spread evenly over the
// readings' ranges, the same for every search.
std::vector<double> haltonPoint(int n, std::size_t dimensions)
{
    static constexpr std::array<int, 16> Primes { 2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37, 41,
        43, 47, 53 };
    std::vector<double> point(dimensions);
    for (std::size_t d = 0; d < dimensions; ++d) {
        const int base = Primes[d % Primes.size()];
        double f = 1.0;
        double value = 0.0;
        for (int i = n; i > 0; i /= base) {
            f /= base;
            value += f * (i % base);
        }
        point[d] = value;
    }
    return point;
}

// Levenberg–Marquardt over the free readings scaled to 0..1 of their bounds; a reading at a bound
// whose gradient points outwards is held there for the step, every other step is projected.
class LeastSquares {
public:
    LeastSquares(
        Evaluator& evaluator, std::vector<ReadingBounds> bounds, const SearchControl& control)
        : m_evaluator(evaluator)
        , m_bounds(std::move(bounds))
        , m_control(control)
    {
    }

    struct Best {
        std::vector<double> U;
        Trial At;
    };

    bool stopped() const
    {
        return m_control.Stop.stop_requested() || m_evaluator.evaluations() >= MaxTargetEvaluations;
    }

    std::vector<double> readings(std::span<const double> u) const
    {
        std::vector<double> x(u.size());
        for (std::size_t i = 0; i < u.size(); ++i)
            x[i] =
                m_bounds[i].Low + std::clamp(u[i], 0.0, 1.0) * (m_bounds[i].High - m_bounds[i].Low);
        return x;
    }

    Trial evaluate(std::span<const double> u)
    {
        Trial trial = m_evaluator.evaluate(readings(u));
        // A trial that meets every target wins over one of smaller cost that misses one.
        const bool better =
            trial.Reached != m_best.At.Reached ? trial.Reached : trial.Cost < m_best.At.Cost;
        if (better) {
            m_best.U.assign(u.begin(), u.end());
            m_best.At = trial;
        }
        return trial;
    }

    //! Columns of d residual / d u, by forward differences stepping inwards at a bound.
    std::vector<double> jacobian(std::span<const double> u, const Trial& at)
    {
        const std::size_t n = u.size();
        const std::size_t m = at.Residuals.size();
        std::vector<double> j(m * n, 0.0);
        std::vector<double> probe(u.begin(), u.end());
        for (std::size_t i = 0; i < n && !stopped(); ++i) {
            const double h = u[i] + DerivativeStep > 1.0 ? -DerivativeStep : DerivativeStep;
            probe[i] = u[i] + h;
            const Trial moved = evaluate(probe);
            probe[i] = u[i];
            for (std::size_t r = 0; r < m; ++r)
                j[r * n + i] = (moved.Residuals[r] - at.Residuals[r]) / h;
        }
        return j;
    }

    static std::vector<double> gradient(std::span<const double> j, const Trial& at, std::size_t n)
    {
        std::vector<double> g(n, 0.0);
        for (std::size_t r = 0; r < at.Residuals.size(); ++r)
            for (std::size_t i = 0; i < n; ++i)
                g[i] += j[r * n + i] * at.Residuals[r];
        return g;
    }

    static bool heldAtBound(double u, double g)
    {
        return (u <= 0.0 && g > 0.0) || (u >= 1.0 && g < 0.0);
    }

    //! One descent from `start`; true when it reached every target.
    bool descend(std::vector<double> u)
    {
        const std::size_t n = u.size();
        Trial at = evaluate(u);
        double lambda = 1e-3;
        // Any trial that meets every target ends the search, a derivative's probe included.
        for (int step = 0; step < MaxStepsPerStart && !m_best.At.Reached && !stopped(); ++step) {
            ++m_iterations;
            if (m_control.Progress)
                m_control.Progress(m_evaluator.evaluations(), MaxTargetEvaluations);
            const auto j = jacobian(u, at);
            const auto g = gradient(j, at, n);
            std::vector<std::size_t> moving;
            for (std::size_t i = 0; i < n; ++i)
                if (!heldAtBound(u[i], g[i]))
                    moving.push_back(i);
            const std::size_t k = moving.size();
            double largest = 0.0;
            for (const std::size_t i : moving)
                largest = std::max(largest, std::abs(g[i]));
            if (k == 0 || largest == 0.0 || !std::isfinite(largest))
                break;

            std::vector<double> a(k * k, 0.0);
            std::vector<double> b(k);
            std::vector<double> diagonal(k);
            double topDiagonal = 0.0;
            for (std::size_t p = 0; p < k; ++p) {
                b[p] = -g[moving[p]];
                for (std::size_t q = 0; q < k; ++q)
                    for (std::size_t r = 0; r < at.Residuals.size(); ++r)
                        a[p * k + q] += j[r * n + moving[p]] * j[r * n + moving[q]];
                topDiagonal = std::max(topDiagonal, a[p * k + p]);
            }
            // The same damping for every reading (all are scaled to their ranges): with fewer
            // targets than free readings the step is then the smallest change that meets them,
            // so the proposal stays near the operator's readings, and the readings that act most
            // move most.
            for (std::size_t p = 0; p < k; ++p)
                diagonal[p] = std::max(topDiagonal, 1e-300);

            bool improved = false;
            bool stalled = false;
            while (!improved && !stopped()) {
                std::vector<double> delta(k);
                if (!solveDamped(a, diagonal, lambda, b, delta)) {
                    lambda *= 4.0;
                } else {
                    std::vector<double> next = u;
                    double moved = 0.0;
                    for (std::size_t p = 0; p < k; ++p) {
                        const std::size_t i = moving[p];
                        next[i] = std::clamp(u[i] + delta[p], 0.0, 1.0);
                        moved = std::max(moved, std::abs(next[i] - u[i]));
                    }
                    if (moved < 1e-15) {
                        stalled = true;
                        break;
                    }
                    Trial trial = evaluate(next);
                    if (trial.Reached || trial.Cost < at.Cost) {
                        u = std::move(next);
                        at = std::move(trial);
                        lambda = std::max(lambda / 3.0, 1e-12);
                        improved = true;
                    } else {
                        lambda *= 4.0;
                    }
                }
                if (lambda > 1e12) {
                    stalled = true;
                    break;
                }
            }
            if (stalled || !improved)
                break;
        }
        return m_best.At.Reached;
    }

    //! The current readings first, then the middle of the ranges, then spread-out starts.
    void run(std::vector<double> current)
    {
        const std::size_t n = current.size();
        std::vector<std::vector<double>> starts { std::move(current), std::vector<double>(n, 0.5) };
        for (int s = 1; s <= ExtraStarts - 1; ++s)
            starts.push_back(haltonPoint(s, n));
        for (const auto& start : starts) {
            if (stopped() || descend(start))
                break;
        }
    }

    const Best& best() const { return m_best; }
    int iterations() const { return m_iterations; }

private:
    Evaluator& m_evaluator;
    std::vector<ReadingBounds> m_bounds;
    const SearchControl& m_control;
    Best m_best;
    int m_iterations = 0;
};

} // namespace

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

std::vector<int> DefaultFreeStages(const Rig& rig, int cell)
{
    std::vector<int> free;
    if (!OneBased<CellRecord, MaxCells>::inRange(cell) || !isFedCell(rig.Cells[cell]))
        return free;
    // The mixtures whose gas reaches the cell through stages that carry gas.
    std::array<bool, MaxMixtures + 1> reaches {};
    reaches[rig.Cells[cell].Mix] = true;
    for (bool grew = true; grew;) {
        grew = false;
        for (const FlowmeterRecord& stage : rig.Flowmeters.all()) {
            if (!isComputable(stage) || !hasPositiveReading(stage) || !reaches[stage.Output])
                continue;
            const int source = stage.Input - MaxInputGases;
            if (source >= 1 && !reaches[static_cast<std::size_t>(source)]) {
                reaches[static_cast<std::size_t>(source)] = true;
                grew = true;
            }
        }
    }
    for (int f = 1; f <= MaxFlowmeters; ++f) {
        const FlowmeterRecord& stage = rig.Flowmeters[f];
        if (isComputable(stage) && hasPositiveReading(stage) && reaches[stage.Output])
            free.push_back(f);
    }
    return free;
}

TargetOutcome FindReadings(
    const Rig& rig, const TargetRequest& request, const SearchControl& control)
{
    TargetOutcome outcome;
    outcome.Cell = request.Cell;
    for (const Target& target : request.Targets)
        outcome.Targets.push_back({ target, std::nullopt });
    for (int f = 1; f <= MaxFlowmeters; ++f)
        outcome.Readings[f] = { rig.Flowmeters[f].Reading, rig.Flowmeters[f].Reading, false, {} };

    if (std::string error = requestError(rig, request); !error.empty()) {
        outcome.Message = std::move(error);
        return outcome;
    }
    const int c = request.Cell;

    std::vector<int> free = request.FreeStages ? *request.FreeStages : DefaultFreeStages(rig, c);
    std::sort(free.begin(), free.end());
    free.erase(std::unique(free.begin(), free.end()), free.end());
    if (free.empty()) {
        outcome.Message = "No stage with a positive reading feeds cell " + formatInt(c)
            + ": name the stages the search may change.";
        return outcome;
    }

    // One run at the current readings builds the gas list, which no reading changes.
    Rig analysed = rig;
    const RunOutcome first = Execute(analysed);
    if (first.status == RunStatus::TooManyGases) {
        outcome.Message = "The rig cannot run: " + std::string(first.message);
        return outcome;
    }
    const auto isFree = [&](int f) { return std::find(free.begin(), free.end(), f) != free.end(); };
    const auto carried = carriedGases(
        analysed, [&](int f) { return isFree(f) || hasPositiveReading(analysed.Flowmeters[f]); });

    std::vector<ReadingBounds> bounds;
    std::vector<double> current;
    for (const int f : free) {
        const FlowmeterRecord& stage = analysed.Flowmeters[f];
        const GasMask metered = isComputable(stage)
            ? passage(analysed, f, carried[stage.Input]).Metered
            : GasMask { 0 };
        const ReadingBounds range = boundsOf(analysed, f, metered);
        bounds.push_back(range);
        const double width = range.High - range.Low;
        const double here = std::isfinite(stage.Reading) ? stage.Reading : range.Low;
        current.push_back(width > 0 ? std::clamp((here - range.Low) / width, 0.0, 1.0) : 0.0);
        outcome.Readings[f].Free = true;
        outcome.Readings[f].Bounds = range;
    }

    // A gas that nothing reaching the cell carries cannot be made there.
    const CellRecord& cell = analysed.Cells[c];
    GasMask inCell = carried[MaxInputGases + cell.Mix];
    const std::array<std::pair<std::string_view, double>, 4> leaks { { { "O2", cell.LeakO2 },
        { "N2", cell.LeakN2 }, { "H2", cell.LeakH2 }, { "H2O", cell.LeakH2O } } };
    for (int k = 1; k <= MaxComponents; ++k)
        for (const auto& [gas, leak] : leaks)
            if (leak > 0 && analysed.CellGases[c][k].Name.view() == gas)
                inCell = static_cast<GasMask>(inCell | (1u << (k - 1)));
    std::vector<std::string> missing;
    for (const Target& target : request.Targets) {
        if (target.Kind != TargetKind::Fraction || !(target.Wanted > 0))
            continue;
        const std::string_view gas = trimBlanks(target.Gas);
        const int k = gasListSlot(analysed, gas);
        if (k == 0 || !holds(inCell, k))
            missing.push_back(
                "no bottle reaching cell " + formatInt(c) + " holds " + std::string(gas));
    }

    Evaluator evaluator(rig, request, free);
    LeastSquares search(evaluator, bounds, control);
    search.run(current);
    const auto& best = search.best();
    outcome.Iterations = search.iterations();
    outcome.Evaluations = evaluator.evaluations();
    outcome.Cancelled = control.Stop.stop_requested();
    if (best.U.empty()) {
        outcome.Message = "The search was cancelled before its first trial.";
        return outcome;
    }

    // The reported values come from a fresh copy of the rig at the proposed readings, exactly as
    // Execute and the equilibrium give them to the operator afterwards.
    const std::vector<double> proposed = search.readings(best.U);
    Rig check = rig;
    for (std::size_t i = 0; i < free.size(); ++i)
        check.Flowmeters[free[i]].Reading = proposed[i];
    const Trial final = Evaluator::measure(check, request, evaluator.needsGibbs());
    for (std::size_t i = 0; i < free.size(); ++i)
        outcome.Readings[free[i]].Reading = proposed[i];
    for (std::size_t i = 0; i < request.Targets.size(); ++i)
        outcome.Targets[i].Achieved = final.Achieved[i];

    if (!final.Failure.empty()) {
        std::string failure = final.Failure;
        failure[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(failure[0])));
        outcome.Status = TargetStatus::Error;
        outcome.Message = "No readings found: " + failure
            + (failure.back() == '.' || failure.back() == '!' ? "" : ".");
        return outcome;
    }
    if (final.Reached) {
        outcome.Status = TargetStatus::Reached;
        outcome.Message = "Every target is met within its tolerance.";
        return outcome;
    }

    outcome.Status = TargetStatus::Closest;
    std::vector<std::string> reasons = missing;
    if (outcome.Cancelled)
        reasons.insert(reasons.begin(), "the search was cancelled");
    // A free reading held at a bound that the targets pull beyond. A cancelled search ends
    // without the extra trials this takes.
    if (!outcome.Cancelled) {
        std::vector<double> u = best.U;
        Evaluator probing(rig, request, free);
        const SearchControl unlimited;
        LeastSquares probe(probing, bounds, unlimited);
        const Trial at = probe.evaluate(u);
        const auto g = LeastSquares::gradient(probe.jacobian(u, at), at, u.size());
        for (std::size_t i = 0; i < free.size(); ++i) {
            if (bounds[i].High <= bounds[i].Low || !LeastSquares::heldAtBound(u[i], g[i]))
                continue;
            const bool low = u[i] <= 0.0;
            reasons.push_back(stageName(free[i]) + " stops at its " + (low ? "lowest" : "highest")
                + " reading, " + shortNumber(low ? bounds[i].Low : bounds[i].High));
        }
    }
    if (reasons.empty())
        reasons.emplace_back("the free stages cannot meet every target at once");
    outcome.Message = "Closest: " + joined(reasons) + ".";
    return outcome;
}

} // namespace meldrix
