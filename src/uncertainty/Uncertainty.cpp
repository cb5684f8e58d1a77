#include "uncertainty/Uncertainty.h"

#include "calib/CalCurveLookup.h"
#include "common/TextFormat.h"
#include "common/Workers.h"
#include "equil/CellGibbs.h"
#include "equil/NumericHelpers.h"
#include "mixer/Execute.h"
#include "mixer/GasPaths.h"
#include "uncertainty/RandomDraws.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <limits>
#include <memory>
#include <span>
#include <thread>

namespace meldrix {

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
// The central differences step each input by this share of its value: far above the Gibbs
// minimiser's round-off, far below any curvature a meter's deviation could meet.
constexpr double RelativeStep = 1e-4;
// A linear answer is trusted while its second-order term over one standard deviation, and the
// change of its slope from the small step to one standard deviation, stay below this share of it.
constexpr double NonLinearShare = 0.2;

// What the equilibrium of one cell gave in one trial.
enum class PO2State : std::uint8_t { Value, NoOxygen, Unresolved, Failed };

// The readings and curve flows of one trial, and what it gave: per cell the fraction of each gas
// of the gas list, log10 pO2 (minus infinity without oxygen, NaN without a resolved value) and
// the flow that feeds it; and the state of each cell's pO2.
class Trials {
public:
    Trials(const Rig& rig, bool equilibrium, const ThermoData& thermo)
        : m_rig(std::make_unique<Rig>(rig))
        , m_equilibrium(equilibrium)
        , m_thermo(thermo)
    {
    }

    Trials(Trials&&) = default;

    //! Another set of trials on a copy of this one's rig, with the same inputs and outputs.
    Trials clone() const
    {
        Trials copy(*m_rig, m_equilibrium, m_thermo);
        copy.m_gases = m_gases;
        copy.m_cells = m_cells;
        copy.m_stages = m_stages;
        copy.m_curves = m_curves;
        copy.m_curveFlows = m_curveFlows;
        return copy;
    }

    Rig& rig() { return *m_rig; }
    const Rig& rig() const { return *m_rig; }

    //! Runs Execute at the readings as they are and takes its fed cells (cell `only`, or all
    //! when it is 0) and gas list.
    RunOutcome start(int only)
    {
        RunOutcome outcome = Execute(*m_rig);
        if (outcome.status != RunStatus::Ok)
            return outcome;
        m_gases = m_rig->GasListCount;
        for (int c = 1; c <= MaxCells; ++c)
            if (isFedCell(m_rig->Cells[c]) && (only == 0 || only == c))
                m_cells.push_back(c);
        return outcome;
    }

    void addStage(int stage) { m_stages.push_back(stage); }
    void addCurve(int curve)
    {
        m_curves.push_back(curve);
        std::array<double, MaxCalPoints> flows {};
        for (int k = 1; k <= MaxCalPoints; ++k)
            flows[static_cast<std::size_t>(k - 1)] = m_rig->CalCurves[curve].Points[k].Flow;
        m_curveFlows.push_back(flows);
    }

    std::span<const int> cells() const { return m_cells; }
    int gases() const { return m_gases; }
    std::size_t outputs() const { return m_cells.size() * stride(); }
    std::size_t at(std::size_t cell, int slot) const
    {
        return cell * stride() + static_cast<std::size_t>(slot);
    }
    int pO2Slot() const { return m_gases; }
    int flowSlot() const { return m_gases + 1; }

    //! One Execute with these readings (one per stage added) and curve flow factors (one per
    //! curve added); the outputs go to `out`, the state of each cell's pO2 to `states`.
    void run(std::span<const double> readings, std::span<const double> factors,
        std::vector<double>& out, std::vector<PO2State>& states)
    {
        for (std::size_t i = 0; i < m_stages.size(); ++i)
            m_rig->Flowmeters[m_stages[i]].Reading = readings[i];
        for (std::size_t j = 0; j < m_curves.size(); ++j)
            for (int k = 1; k <= MaxCalPoints; ++k)
                m_rig->CalCurves[m_curves[j]].Points[k].Flow =
                    factors[j] * m_curveFlows[j][static_cast<std::size_t>(k - 1)];
        out.assign(outputs(), NaN);
        states.assign(m_cells.size(), PO2State::Failed);
        // Readings do not change the gas list, nor whether a mixture can be solved: the run at
        // the readings as they are converged, so every trial does.
        if (Execute(*m_rig).status != RunStatus::Ok)
            return;
        for (std::size_t j = 0; j < m_cells.size(); ++j) {
            const int c = m_cells[j];
            for (int k = 1; k <= m_gases; ++k)
                out[at(j, k - 1)] = m_rig->CellGases[c][k].Fraction;
            out[at(j, flowSlot())] = m_rig->Gases[MaxInputGases + m_rig->Cells[c].Mix].Flow;
            if (!m_equilibrium)
                continue;
            const GibbsResult result = CellGibbsAt(*m_rig, c, m_rig->Cells[c].Temp, m_thermo);
            // An unresolved pO2 is the minimiser's estimate, never a value.
            if (!result.Ok)
                states[j] = PO2State::Failed;
            else if (!result.PO2Resolved)
                states[j] = PO2State::Unresolved;
            else if (std::isfinite(result.Log10PO2))
                states[j] = PO2State::Value;
            else
                states[j] = PO2State::NoOxygen;
            if (states[j] == PO2State::Value || states[j] == PO2State::NoOxygen)
                out[at(j, pO2Slot())] = result.Log10PO2;
        }
    }

private:
    std::size_t stride() const { return static_cast<std::size_t>(m_gases + 2); }

    std::unique_ptr<Rig> m_rig;
    bool m_equilibrium;
    const ThermoData& m_thermo;
    int m_gases = 0;
    std::vector<int> m_cells;
    std::vector<int> m_stages;
    std::vector<int> m_curves;
    std::vector<std::array<double, MaxCalPoints>> m_curveFlows;
};

// Where a reading stands on each of a stage's curves: on it (0), or which end point's rule takes
// it (below, above, no points).
std::vector<int> curveStates(const Rig& rig, std::span<const int> curves, double reading)
{
    std::vector<int> states;
    for (const int c : curves) {
        const auto clamp = ClampOfReading(rig, c, reading);
        states.push_back(clamp ? 1 + static_cast<int>(clamp->Kind) : 0);
    }
    return states;
}

bool beyondCurves(const Rig& rig, std::span<const int> curves, double reading)
{
    if (!(reading > 0))
        return true;
    for (const int c : curves)
        if (ClampOfReading(rig, c, reading))
            return true;
    return false;
}

// The 2.5 % or 97.5 % quantile of sorted samples, interpolated between order statistics; a
// sample of minus infinity lies below every finite one.
double quantile(std::span<const double> sorted, double p)
{
    const double h = p * static_cast<double>(sorted.size() - 1);
    const auto low = static_cast<std::size_t>(std::floor(h));
    const std::size_t high = std::min(low + 1, sorted.size() - 1);
    if (std::isinf(sorted[low]))
        return sorted[low];
    return sorted[low] + (h - static_cast<double>(low)) * (sorted[high] - sorted[low]);
}

struct Moments {
    double mean = 0.0;
    double variance = NaN;
};

Moments moments(std::span<const double> values)
{
    Moments m;
    if (values.size() < 2)
        return m;
    // Sums of differences from the first value: samples that are all equal give exactly 0.
    const double shift = values.front();
    double sum = 0.0;
    for (const double v : values)
        sum += v - shift;
    const double mean = sum / static_cast<double>(values.size());
    double squares = 0.0;
    for (const double v : values)
        squares += (v - shift - mean) * (v - shift - mean);
    m.mean = shift + mean;
    m.variance = squares / static_cast<double>(values.size() - 1);
    return m;
}

Spread spreadAt(double value)
{
    Spread spread;
    spread.Value = value;
    return spread;
}

// A value of a trial the linear method can difference: any other counts as NaN.
double finiteOrNaN(double value)
{
    return std::isfinite(value) ? value : NaN;
}

const ThermoData& thermoOf(const UncertaintyOptions& options)
{
    return options.Thermo ? *options.Thermo : BuiltInThermoData();
}

class Runner {
public:
    Runner(const Rig& rig, const UncertaintyOptions& options, const UncertaintyProgress& progress)
        : m_options(options)
        , m_progress(progress)
        , m_trials(rig, options.Equilibrium, options.Thermo ? *options.Thermo : BuiltInThermoData())
    {
    }

    UncertaintyResult run()
    {
        UncertaintyResult& result = m_result;
        result.Method = m_options.Method;
        result.Seed = m_options.Method == UncertaintyMethod::MonteCarlo ? m_options.Seed : 0;
        result.FullScalePercent = m_options.FullScalePercent;
        result.FlowPercent = m_options.FlowPercent;
        RunOutcome outcome = m_trials.start(m_options.Cell);
        if (outcome.status != RunStatus::Ok) {
            result.Message = std::string(outcome.message);
            return result;
        }
        result.Warnings = std::move(outcome.warnings);
        collectInputs();
        m_trials.run(m_readings, m_factors, m_nominal, m_nominalStates);
        describeCells();
        const Ending ending =
            m_options.Method == UncertaintyMethod::Linear ? linear() : monteCarlo();
        if (ending != Ending::Finished) {
            result.Cancelled = ending == Ending::Cancelled;
            result.Cells.clear();
            if (result.Cancelled)
                result.Message = "The uncertainty run was cancelled.";
            return result;
        }
        result.Ok = true;
        return result;
    }

private:
    enum class Ending { Finished, Cancelled, Failed };

    void collectInputs()
    {
        Rig& rig = m_trials.rig();
        const GasPaths paths(rig, GasPaths::PositiveReadings(rig));
        std::vector<int> curves;
        for (int f = 1; f <= MaxFlowmeters; ++f) {
            // Any other reading changes nothing.
            if (!ReadingUsedInRun(rig, f))
                continue;
            UncertaintyInput input { f, rig.Flowmeters[f].Reading, 0.0, 0.0, {},
                DerivativeSide::Central, 0 };
            const auto stageCurves = StageCurves(rig, f, paths.metered(f));
            input.FullScale = FullScale(stageCurves);
            for (const CurveRange& range : stageCurves) {
                input.Curves.push_back(range.Curve);
                if (std::find(curves.begin(), curves.end(), range.Curve) == curves.end())
                    curves.push_back(range.Curve);
            }
            input.Sd = m_options.FullScalePercent / 100.0 * input.FullScale;
            for (const StageDeviation& given : m_options.StageSds)
                if (given.Stage == f)
                    input.Sd = given.Sd;
            m_result.Inputs.push_back(input);
            m_trials.addStage(f);
            m_readings.push_back(input.Reading);
            m_sds.push_back(input.Sd);
        }
        // Curve flows are inputs only when they are uncertain; otherwise every trial keeps them.
        if (m_options.FlowPercent > 0) {
            std::sort(curves.begin(), curves.end());
            for (const int curve : curves) {
                m_trials.addCurve(curve);
                m_factors.push_back(1.0);
            }
            m_result.Curves = curves;
        }
    }

    void describeCells()
    {
        const Rig& rig = m_trials.rig();
        const auto cells = m_trials.cells();
        for (std::size_t j = 0; j < cells.size(); ++j) {
            const int c = cells[j];
            CellUncertainty cell;
            cell.Cell = c;
            cell.Name = std::string(rig.Cells[c].Name.view());
            cell.Celsius = rig.Cells[c].Temp;
            for (int k = 1; k <= m_trials.gases(); ++k)
                cell.Gases.push_back(
                    { rig.GasList[k], spreadAt(m_nominal[m_trials.at(j, k - 1)]) });
            cell.Flow.Value = m_nominal[m_trials.at(j, m_trials.flowSlot())];
            if (m_options.Equilibrium) {
                switch (m_nominalStates[j]) {
                case PO2State::Value:
                    cell.Log10PO2 = spreadAt(m_nominal[m_trials.at(j, m_trials.pO2Slot())]);
                    break;
                case PO2State::NoOxygen:
                    cell.PO2Problem = NoOxygenProblem;
                    break;
                case PO2State::Unresolved:
                    cell.PO2Problem = UnresolvedPO2;
                    break;
                case PO2State::Failed:
                    cell.PO2Problem =
                        CellGibbsAt(rig, c, rig.Cells[c].Temp, thermoOf(m_options)).Message;
                    break;
                }
            }
            m_result.Cells.push_back(std::move(cell));
        }
    }

    bool report(int done, int total)
    {
        m_lastReported = done;
        return !m_progress || m_progress(done, total);
    }

    // The side a reading's derivative is taken on when one of its curves changes its rule within
    // a step of the reading (an end point, where the curve's flow stops changing): the side where
    // every curve keeps its rule, onto the curves where both sides do; Central when neither side
    // does. Nothing when the reading is clear of every end.
    std::optional<DerivativeSide> sideAtAnEnd(std::size_t i, double h) const
    {
        const Rig& rig = m_trials.rig();
        const std::vector<int>& curves = m_result.Inputs[i].Curves;
        const double x = m_readings[i];
        const auto at = [&](double reading) { return curveStates(rig, curves, reading); };
        const auto here = at(x);
        const auto up = at(x + h);
        const auto down = at(x - h);
        if (up == here && down == here)
            return std::nullopt;
        const bool above = up == here && at(x + 2 * h) == here;
        const bool below = down == here && at(x - 2 * h) == here;
        if (above && below) {
            const auto onCurves = [](const std::vector<int>& states) {
                return std::count(states.begin(), states.end(), 0);
            };
            return onCurves(down) > onCurves(up) ? DerivativeSide::Below : DerivativeSide::Above;
        }
        if (above)
            return DerivativeSide::Above;
        if (below)
            return DerivativeSide::Below;
        return DerivativeSide::Central;
    }

    void noteSide(std::size_t i, double h)
    {
        const UncertaintyInput& input = m_result.Inputs[i];
        const Rig& rig = m_trials.rig();
        const double x = input.Reading;
        // The curve whose rule changes near the reading, and which of its ends that is.
        for (const int c : input.Curves) {
            const auto states = curveStates(rig, std::array { c }, x - 2 * h);
            if (states == curveStates(rig, std::array { c }, x + 2 * h))
                continue;
            const CalCurveRecord& curve = rig.CalCurves[c];
            const bool first = std::abs(x - curve.Points[1].Reading) <= 2 * h;
            std::string text = StageName(input.Stage) + ": its reading " + ShortestText(x)
                + " is at the " + (first ? "first" : "top") + " point of curve " + formatInt(c)
                + " (" + std::string(curve.Gas.view()) + ")";
            switch (input.Derivative) {
            case DerivativeSide::Above:
                text += ", so its derivative is taken above the reading only";
                break;
            case DerivativeSide::Below:
                text += ", so its derivative is taken below the reading only";
                break;
            case DerivativeSide::Central:
                text += "; its derivative straddles that point";
                break;
            }
            m_result.Notes.push_back(text);
            return;
        }
    }

    // Each input with a deviation costs four trials: two for its derivative (a central
    // difference, or a one-sided one of second order at a curve's end), whose value times the
    // deviation is that input's share of every output's standard deviation, and two one
    // deviation away, which tell whether the answer is linear over that range.
    Ending linear()
    {
        const std::size_t stages = m_readings.size();
        const std::size_t inputs = stages + m_factors.size();
        const auto sdOf = [&](std::size_t i) {
            return i < stages ? m_sds[i] : m_options.FlowPercent / 100.0;
        };
        int total = 1;
        for (std::size_t i = 0; i < inputs; ++i)
            total += sdOf(i) > 0 ? 4 : 0;
        int done = 1;
        if (!report(done, total))
            return Ending::Cancelled;

        const std::size_t outputs = m_trials.outputs();
        std::vector<double> variance(outputs, 0.0);
        std::vector<double> secants(outputs, 0.0);
        std::vector<double> curvatures(outputs, 0.0);
        std::vector<double> shares(outputs * inputs, 0.0);
        std::vector<double> first;
        std::vector<double> second;
        std::vector<double> high;
        std::vector<double> low;
        std::vector<PO2State> states;
        for (std::size_t i = 0; i < inputs; ++i) {
            const double sd = sdOf(i);
            if (!(sd > 0))
                continue;
            std::vector<double> readings = m_readings;
            std::vector<double> factors = m_factors;
            double& x = i < stages ? readings[i] : factors[i - stages];
            const double nominal = x;
            const double h = RelativeStep * nominal;
            const auto atAnEnd = i < stages ? sideAtAnEnd(i, h) : std::nullopt;
            const DerivativeSide side = atAnEnd.value_or(DerivativeSide::Central);
            if (atAnEnd) {
                m_result.Inputs[i].Derivative = side;
                noteSide(i, h);
            }
            const double direction = side == DerivativeSide::Below ? -1.0 : 1.0;
            x = nominal + direction * h;
            m_trials.run(readings, factors, first, states);
            x = side == DerivativeSide::Central ? nominal - h : nominal + 2 * direction * h;
            m_trials.run(readings, factors, second, states);
            // One deviation each way; a reading or factor below 0 counts as 0, as in Monte Carlo.
            const double up = nominal + sd;
            const double down = std::max(nominal - sd, 0.0);
            x = up;
            m_trials.run(readings, factors, high, states);
            x = down;
            m_trials.run(readings, factors, low, states);
            done += 4;
            if (!report(done, total))
                return Ending::Cancelled;
            for (std::size_t o = 0; o < outputs; ++o) {
                const double f1 = finiteOrNaN(first[o]);
                const double f2 = finiteOrNaN(second[o]);
                const double f0 = finiteOrNaN(m_nominal[o]);
                const double slope = side == DerivativeSide::Central
                    ? (f1 - f2) / (2.0 * h)
                    : direction * (4.0 * f1 - f2 - 3.0 * f0) / (2.0 * h);
                const double share = slope * sd * slope * sd;
                variance[o] += share; // a trial without pO2 makes it NaN, and it stays so
                shares[o * inputs + i] = share;
                const double fHigh = finiteOrNaN(high[o]);
                const double fLow = finiteOrNaN(low[o]);
                const double secant = (fHigh - fLow) / (up - down) * sd;
                secants[o] += secant * secant;
                const double bend =
                    ((fHigh - f0) / (up - nominal) - (f0 - fLow) / (nominal - down)) / (up - down);
                curvatures[o] += bend * sd * sd * bend * sd * sd;
            }
        }
        m_result.Samples = total;
        fillLinear(variance, secants, curvatures, shares);
        return Ending::Finished;
    }

    void fillLinear(std::span<const double> variance, std::span<const double> secants,
        std::span<const double> curvatures, std::span<const double> shares)
    {
        const std::size_t inputs = m_readings.size() + m_factors.size();
        const auto fill = [&](std::size_t o, Spread& spread) {
            spread.Sd = std::sqrt(variance[o]);
            const double secant = std::sqrt(secants[o]);
            const double bend = std::sqrt(curvatures[o]);
            // Round-off of a value that does not move is no curvature.
            const double floor = 1e-9 * std::abs(spread.Value) + 1e-15;
            const double allowed = NonLinearShare * std::max(spread.Sd, secant) + floor;
            return std::isfinite(spread.Sd) && bend <= allowed
                && std::abs(secant - spread.Sd) <= allowed;
        };
        for (std::size_t j = 0; j < m_result.Cells.size(); ++j) {
            CellUncertainty& cell = m_result.Cells[j];
            LinearCheck& linear = cell.Linear.emplace();
            for (int k = 0; k < m_trials.gases(); ++k)
                linear.Gases.push_back(
                    fill(m_trials.at(j, k), cell.Gases[static_cast<std::size_t>(k)].Fraction));
            linear.Flow = fill(m_trials.at(j, m_trials.flowSlot()), cell.Flow);
            if (!cell.Log10PO2)
                continue;
            const std::size_t o = m_trials.at(j, m_trials.pO2Slot());
            linear.Log10PO2 = fill(o, *cell.Log10PO2);
            setDominant(cell, shares.subspan(o * inputs, inputs));
        }
    }

    // The input with the largest share of a variance; none when no share is above 0.
    void setDominant(CellUncertainty& cell, std::span<const double> shares) const
    {
        cell.PO2Contributions.assign(shares.begin(), shares.end());
        double largest = 0.0;
        for (std::size_t i = 0; i < shares.size(); ++i) {
            if (!(shares[i] > largest))
                continue;
            largest = shares[i];
            cell.Dominant = i < m_readings.size()
                ? DominantInput { DominantInput::Kind::Reading, m_result.Inputs[i].Stage }
                : DominantInput { DominantInput::Kind::Calibration,
                      m_result.Curves[i - m_readings.size()] };
        }
        cell.DominantStage =
            cell.Dominant.What == DominantInput::Kind::Reading ? cell.Dominant.Number : 0;
    }

    // Every sample draws each input from its own stream; a reading or a curve factor drawn below
    // 0 counts as 0, as no meter reads a negative flow.
    Ending monteCarlo()
    {
        const int samples = m_options.Samples;
        const std::size_t outputs = m_trials.outputs();
        const std::size_t cells = m_trials.cells().size();
        const std::size_t stages = m_readings.size();
        const std::size_t inputs = stages + m_factors.size();
        const double flowSd = m_options.FlowPercent / 100.0;
        const auto count = static_cast<std::size_t>(samples);
        std::vector<double> drawn(count * inputs);
        std::vector<double> values(count * outputs);
        std::vector<PO2State> sampleStates(count * cells);
        std::vector<std::uint8_t> beyond(count * stages);

        // Samples are shared out among workers, each with its own copy of the rig; a sample's
        // draws and its place in the tables depend on its number alone, so every number of
        // workers gives the same answer. Only this thread reports progress.
        std::vector<Trials> helpers;
        for (int t = 1; t < workerCount(); ++t)
            helpers.push_back(m_trials.clone());
        std::atomic<int> next { 0 };
        std::atomic<int> done { 0 };
        std::atomic<bool> stop { false };
        const auto work = [&](Trials& trials, bool reports) {
            std::vector<double> readings(stages);
            std::vector<double> factors(m_factors.size());
            std::vector<double> out;
            std::vector<PO2State> states;
            for (int s = next++; s < samples && !stop; s = next++) {
                const auto row = static_cast<std::size_t>(s);
                RandomDraws draws(m_options.Seed, static_cast<std::uint64_t>(s));
                for (std::size_t i = 0; i < stages; ++i) {
                    readings[i] = std::max(0.0, m_readings[i] + m_sds[i] * draws.normal());
                    beyond[row * stages + i] = m_sds[i] > 0
                        && beyondCurves(trials.rig(), m_result.Inputs[i].Curves, readings[i]);
                }
                for (double& factor : factors)
                    factor = std::max(0.0, 1.0 + flowSd * draws.normal());
                trials.run(readings, factors, out, states);
                const auto place = [row](auto& table, const auto& part) {
                    std::copy(part.begin(), part.end(),
                        table.begin() + static_cast<std::ptrdiff_t>(row * part.size()));
                };
                std::copy(readings.begin(), readings.end(),
                    drawn.begin() + static_cast<std::ptrdiff_t>(row * inputs));
                std::copy(factors.begin(), factors.end(),
                    drawn.begin() + static_cast<std::ptrdiff_t>(row * inputs + stages));
                place(values, out);
                place(sampleStates, states);
                const int finished = ++done;
                if (reports && !report(finished, samples))
                    stop = true;
            }
        };
        if (const auto failed = RunWithHelpers(
                helpers.size(), stop, [&](std::size_t t) { work(helpers[t], false); },
                [&] { work(m_trials, true); })) {
            m_result.Message = "The uncertainty run could not start its workers: " + *failed;
            return Ending::Failed;
        }
        if (stop)
            return Ending::Cancelled;
        // The helpers may have finished the last samples after this thread's last report, or
        // before it reported at all (a busy machine): a cancel given there still counts.
        if (done != m_lastReported && !report(samples, samples))
            return Ending::Cancelled;
        m_result.Samples = samples;
        fillMonteCarlo(drawn, values, sampleStates);
        noteBeyond(beyond);
        return Ending::Finished;
    }

    int workerCount() const
    {
        constexpr int MostWorkers = 8;
        constexpr int LeastSamplesEach = 50; // fewer are not worth a copy of the rig
        int workers = m_options.Threads;
        if (workers <= 0)
            workers = static_cast<int>(std::thread::hardware_concurrency());
        workers = std::min({ workers, MostWorkers, m_options.Samples / LeastSamplesEach });
        return std::max(workers, 1);
    }

    void fillMonteCarlo(std::span<const double> drawn, std::span<const double> values,
        std::span<const PO2State> states)
    {
        const std::size_t samples = static_cast<std::size_t>(m_options.Samples);
        const std::size_t outputs = m_trials.outputs();
        const std::size_t cells = m_trials.cells().size();
        std::vector<double> finite;
        std::vector<double> banded;
        // The sd over the finite samples; the band over those and the samples without oxygen.
        const auto spreadOf = [&](std::size_t o, Spread& spread) {
            finite.clear();
            banded.clear();
            for (std::size_t s = 0; s < samples; ++s) {
                const double v = values[s * outputs + o];
                if (std::isfinite(v))
                    finite.push_back(v);
                if (std::isfinite(v) || v == -std::numeric_limits<double>::infinity())
                    banded.push_back(v);
            }
            spread.Sd = std::sqrt(moments(finite).variance);
            if (!banded.empty()) {
                std::sort(banded.begin(), banded.end());
                spread.P2_5 = quantile(banded, 0.025);
                spread.P97_5 = quantile(banded, 0.975);
            }
        };
        for (std::size_t j = 0; j < m_result.Cells.size(); ++j) {
            CellUncertainty& cell = m_result.Cells[j];
            for (int k = 0; k < m_trials.gases(); ++k)
                spreadOf(m_trials.at(j, k), cell.Gases[static_cast<std::size_t>(k)].Fraction);
            spreadOf(m_trials.at(j, m_trials.flowSlot()), cell.Flow);
            if (!m_options.Equilibrium)
                continue;
            for (std::size_t s = 0; s < samples; ++s)
                switch (states[s * cells + j]) {
                case PO2State::Value:
                    break;
                case PO2State::NoOxygen:
                    ++cell.NoOxygenSamples;
                    break;
                case PO2State::Unresolved:
                    ++cell.UnresolvedSamples;
                    break;
                case PO2State::Failed:
                    ++cell.FailedSamples;
                    break;
                }
            cell.PO2Dropped = cell.UnresolvedSamples + cell.FailedSamples;
            if (!cell.Log10PO2)
                continue;
            const std::size_t o = m_trials.at(j, m_trials.pO2Slot());
            spreadOf(o, *cell.Log10PO2);
            setDominant(cell, explainedShares(drawn, values, o));
        }
    }

    void noteBeyond(std::span<const std::uint8_t> beyond)
    {
        const std::size_t stages = m_readings.size();
        for (std::size_t i = 0; i < stages; ++i) {
            UncertaintyInput& input = m_result.Inputs[i];
            for (std::size_t s = 0; s < static_cast<std::size_t>(m_options.Samples); ++s)
                input.BeyondCurves += beyond[s * stages + i];
            if (input.BeyondCurves > 0)
                m_result.Notes.push_back(StageName(input.Stage) + ": "
                    + formatInt(input.BeyondCurves) + " of " + formatInt(m_options.Samples)
                    + " samples drew a reading beyond the ends of its curves, where the flow of"
                      " the end point (below 0: no flow) is taken");
        }
    }

    // The share of the output's variance each input explains on its own (the squared
    // covariance over the input's variance): the Monte Carlo counterpart of the linear share.
    std::vector<double> explainedShares(
        std::span<const double> drawn, std::span<const double> values, std::size_t o) const
    {
        const std::size_t samples = static_cast<std::size_t>(m_options.Samples);
        const std::size_t outputs = m_trials.outputs();
        const std::size_t inputs = m_readings.size() + m_factors.size();
        std::vector<double> shares(inputs, 0.0);
        std::vector<double> y;
        std::vector<std::size_t> used;
        for (std::size_t s = 0; s < samples; ++s)
            if (const double v = values[s * outputs + o]; std::isfinite(v)) {
                y.push_back(v);
                used.push_back(s);
            }
        const Moments my = moments(y);
        if (!std::isfinite(my.variance))
            return shares;
        for (std::size_t i = 0; i < inputs; ++i) {
            std::vector<double> x;
            for (const std::size_t s : used)
                x.push_back(drawn[s * inputs + i]);
            const Moments mx = moments(x);
            if (!(mx.variance > 0))
                continue;
            double covariance = 0.0;
            for (std::size_t n = 0; n < x.size(); ++n)
                covariance += (x[n] - mx.mean) * (y[n] - my.mean);
            covariance /= static_cast<double>(x.size() - 1);
            shares[i] = covariance * covariance / mx.variance;
        }
        return shares;
    }

    const UncertaintyOptions& m_options;
    const UncertaintyProgress& m_progress;
    Trials m_trials;
    UncertaintyResult m_result;
    std::vector<double> m_readings; //!< nominal, one per input stage
    std::vector<double> m_sds; //!< one per input stage
    std::vector<double> m_factors; //!< 1.0 per uncertain curve
    std::vector<double> m_nominal;
    std::vector<PO2State> m_nominalStates;
    int m_lastReported = 0;
};

} // namespace

std::string_view UncertaintyMethodName(UncertaintyMethod method)
{
    return method == UncertaintyMethod::Linear ? "linear" : "monte-carlo";
}

// A data set without settings of its own runs with the same accuracy as before they existed.
static_assert(MeterAccuracySettings {}.FullScalePercent == DefaultFullScalePercent);
static_assert(MeterAccuracySettings {}.Samples == DefaultSamples);
static_assert(MeterAccuracySettings {}.Seed == DefaultSeed);
static_assert(MaxAccuracySamples == MaxSamples);

UncertaintyOptions WithMeterAccuracy(
    UncertaintyOptions options, const MeterAccuracySettings& accuracy)
{
    options.Method =
        accuracy.MonteCarlo ? UncertaintyMethod::MonteCarlo : UncertaintyMethod::Linear;
    options.FullScalePercent = accuracy.FullScalePercent;
    options.FlowPercent = accuracy.FlowPercent;
    options.Samples = accuracy.Samples;
    options.Seed = accuracy.Seed;
    return options;
}

MeterAccuracySettings MeterAccuracyOf(const UncertaintyOptions& options)
{
    return { options.Method == UncertaintyMethod::MonteCarlo, options.FullScalePercent,
        options.FlowPercent, options.Samples, options.Seed };
}

std::optional<std::string> CheckUncertaintyOptions(const UncertaintyOptions& options)
{
    const auto percent = [](double value) { return std::isfinite(value) && value >= 0; };
    if (!percent(options.FullScalePercent))
        return "the full-scale percentage must be a number of 0 or more";
    if (!percent(options.FlowPercent))
        return "the flow percentage must be a number of 0 or more";
    for (const StageDeviation& given : options.StageSds) {
        if (!OneBased<FlowmeterRecord, MaxFlowmeters>::inRange(given.Stage))
            return "stage " + std::to_string(given.Stage) + " is not a stage 1..16";
        if (!percent(given.Sd))
            return "the deviation of stage " + std::to_string(given.Stage)
                + " must be a number of 0 or more";
    }
    if (options.Method == UncertaintyMethod::MonteCarlo
        && (options.Samples < 2 || options.Samples > MaxSamples))
        return "the samples must be 2.." + std::to_string(MaxSamples);
    return std::nullopt;
}

UncertaintyResult PropagateUncertainty(
    const Rig& rig, const UncertaintyOptions& options, const UncertaintyProgress& progress)
{
    if (const auto problem = CheckUncertaintyOptions(options)) {
        UncertaintyResult result;
        result.Method = options.Method;
        result.Message = *problem;
        return result;
    }
    return Runner(rig, options, progress).run();
}

} // namespace meldrix
