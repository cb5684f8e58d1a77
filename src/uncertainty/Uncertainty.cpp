#include "uncertainty/Uncertainty.h"

#include "calib/CalCurveLookup.h"
#include "equil/CellGibbs.h"
#include "mixer/Execute.h"
#include "mixer/FixGasStage.h"
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

bool givesFlow(double reading)
{
    return reading > 0 && std::isfinite(reading);
}

// The readings and curve flows of one trial, and what it gave: per fed cell the fraction of each
// gas of the gas list, then log10 pO2 (NaN when it has none).
class Trials {
public:
    Trials(const Rig& rig, bool equilibrium)
        : m_rig(std::make_unique<Rig>(rig))
        , m_equilibrium(equilibrium)
    {
    }

    Trials(Trials&&) = default;

    //! Another set of trials on a copy of this one's rig, with the same inputs and outputs.
    Trials clone() const
    {
        Trials copy(*m_rig, m_equilibrium);
        copy.m_gases = m_gases;
        copy.m_cells = m_cells;
        copy.m_stages = m_stages;
        copy.m_curves = m_curves;
        copy.m_curveFlows = m_curveFlows;
        return copy;
    }

    Rig& rig() { return *m_rig; }

    //! Runs Execute at the readings as they are and takes its fed cells and gas list.
    RunOutcome start()
    {
        const RunOutcome outcome = Execute(*m_rig);
        if (outcome.status != RunStatus::Ok)
            return outcome;
        m_gases = m_rig->GasListCount;
        for (int c = 1; c <= MaxCells; ++c)
            if (isFedCell(m_rig->Cells[c]))
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
    std::size_t outputs() const { return m_cells.size() * static_cast<std::size_t>(m_gases + 1); }
    std::size_t at(std::size_t cell, int gas) const
    {
        return cell * static_cast<std::size_t>(m_gases + 1) + static_cast<std::size_t>(gas);
    }

    //! One Execute with these readings (one per stage added) and curve flow factors (one per
    //! curve added); the outputs go to `out`.
    void run(
        std::span<const double> readings, std::span<const double> factors, std::vector<double>& out)
    {
        for (std::size_t i = 0; i < m_stages.size(); ++i)
            m_rig->Flowmeters[m_stages[i]].Reading = readings[i];
        for (std::size_t j = 0; j < m_curves.size(); ++j)
            for (int k = 1; k <= MaxCalPoints; ++k)
                m_rig->CalCurves[m_curves[j]].Points[k].Flow =
                    factors[j] * m_curveFlows[j][static_cast<std::size_t>(k - 1)];
        out.assign(outputs(), NaN);
        // Readings do not change the gas list, nor whether a mixture can be solved: the run at
        // the readings as they are converged, so every trial does.
        if (Execute(*m_rig).status != RunStatus::Ok)
            return;
        for (std::size_t j = 0; j < m_cells.size(); ++j) {
            const int c = m_cells[j];
            for (int k = 1; k <= m_gases; ++k)
                out[at(j, k - 1)] = m_rig->CellGases[c][k].Fraction;
            if (m_equilibrium) {
                const GibbsResult result = CellGibbsAt(*m_rig, c, m_rig->Cells[c].Temp);
                if (result.Ok && std::isfinite(result.Log10PO2))
                    out[at(j, m_gases)] = result.Log10PO2;
            }
        }
    }

private:
    std::unique_ptr<Rig> m_rig;
    bool m_equilibrium;
    int m_gases = 0;
    std::vector<int> m_cells;
    std::vector<int> m_stages;
    std::vector<int> m_curves;
    std::vector<std::array<double, MaxCalPoints>> m_curveFlows;
};

// The gases a stage meters, as Execute composes them: its source, after a fix-gas stage that
// sits before the meter.
std::vector<std::string> meteredGases(Rig& rig, int f)
{
    const FlowmeterRecord& stage = rig.Flowmeters[f];
    rig.WorkComposition = rig.Gases[stage.Input].Components;
    if (isSet(stage.FixGasUsed) && isSet(stage.FixGasBefore))
        (void)ApplyFixGasStage(rig, f);
    std::vector<std::string> names;
    for (const GasComponent& slot : rig.WorkComposition)
        if (slot.Fraction > 0 && !slot.Name.view().empty())
            names.emplace_back(slot.Name.view());
    return names;
}

double fullScale(const Rig& rig, int curve)
{
    double top = 0.0;
    for (const CalPoint& point : rig.CalCurves[curve].Points)
        if (std::isfinite(point.Reading))
            top = std::max(top, point.Reading);
    return top;
}

// Only stages Execute computes from a known source count: any other reading changes nothing.
bool isComputedStage(const Rig& rig, int f)
{
    const FlowmeterRecord& stage = rig.Flowmeters[f];
    return givesFlow(stage.Reading) && OneBased<GasRecord, MaxGases>::inRange(stage.Input)
        && stage.Output >= 1 && stage.Output <= MaxMixtures
        && isSet(rig.Gases[stage.Input].Defined);
}

// The 2.5 % or 97.5 % quantile of sorted samples, interpolated between order statistics.
double quantile(std::span<const double> sorted, double p)
{
    const double h = p * static_cast<double>(sorted.size() - 1);
    const auto low = static_cast<std::size_t>(std::floor(h));
    const std::size_t high = std::min(low + 1, sorted.size() - 1);
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

class Runner {
public:
    Runner(const Rig& rig, const UncertaintyOptions& options, const UncertaintyProgress& progress)
        : m_options(options)
        , m_progress(progress)
        , m_trials(rig, options.Equilibrium)
    {
    }

    UncertaintyResult run()
    {
        UncertaintyResult& result = m_result;
        result.Method = m_options.Method;
        result.Seed = m_options.Method == UncertaintyMethod::MonteCarlo ? m_options.Seed : 0;
        result.FullScalePercent = m_options.FullScalePercent;
        result.FlowPercent = m_options.FlowPercent;
        const RunOutcome outcome = m_trials.start();
        if (outcome.status != RunStatus::Ok) {
            result.Message = std::string(outcome.message);
            return result;
        }
        collectInputs();
        m_trials.run(m_readings, m_factors, m_nominal);
        describeCells();
        const bool finished =
            m_options.Method == UncertaintyMethod::Linear ? linear() : monteCarlo();
        if (!finished) {
            result.Cancelled = true;
            result.Cells.clear();
            result.Message = "The uncertainty run was cancelled.";
            return result;
        }
        result.Ok = true;
        return result;
    }

private:
    void collectInputs()
    {
        Rig& rig = m_trials.rig();
        std::vector<int> curves;
        for (int f = 1; f <= MaxFlowmeters; ++f) {
            if (!isComputedStage(rig, f))
                continue;
            UncertaintyInput input { f, rig.Flowmeters[f].Reading, 0.0, 0.0 };
            for (const std::string& gas : meteredGases(rig, f)) {
                const int curve = FindCalCurve(rig, f, gas);
                input.FullScale = std::max(input.FullScale, fullScale(rig, curve));
                if (std::find(curves.begin(), curves.end(), curve) == curves.end())
                    curves.push_back(curve);
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
                    { rig.GasList[k], { m_nominal[m_trials.at(j, k - 1)], 0.0, {}, {} } });
            if (m_options.Equilibrium) {
                const double value = m_nominal[m_trials.at(j, m_trials.gases())];
                if (std::isfinite(value))
                    cell.Log10PO2 = Spread { value, 0.0, {}, {} };
                else {
                    const GibbsResult solved = CellGibbsAt(rig, c, rig.Cells[c].Temp);
                    cell.PO2Problem = solved.Ok ? std::string(NoOxygenProblem) : solved.Message;
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

    // Each input with a deviation costs two trials; the Jacobian's column times the deviation is
    // that input's share of every output's standard deviation.
    bool linear()
    {
        const std::size_t inputs = m_readings.size() + m_factors.size();
        const auto sdOf = [&](std::size_t i) {
            return i < m_readings.size() ? m_sds[i] : m_options.FlowPercent / 100.0;
        };
        int total = 1;
        for (std::size_t i = 0; i < inputs; ++i)
            total += sdOf(i) > 0 ? 2 : 0;
        int done = 1;
        if (!report(done, total))
            return false;

        const std::size_t outputs = m_trials.outputs();
        std::vector<double> variance(outputs, 0.0);
        std::vector<double> stageShare(outputs * m_readings.size(), 0.0);
        std::vector<double> plus;
        std::vector<double> minus;
        for (std::size_t i = 0; i < inputs; ++i) {
            const double sd = sdOf(i);
            if (!(sd > 0))
                continue;
            std::vector<double> readings = m_readings;
            std::vector<double> factors = m_factors;
            double& x = i < m_readings.size() ? readings[i] : factors[i - m_readings.size()];
            const double nominal = x;
            const double h = RelativeStep * nominal;
            x = nominal + h;
            m_trials.run(readings, factors, plus);
            x = nominal - h;
            m_trials.run(readings, factors, minus);
            done += 2;
            if (!report(done, total))
                return false;
            for (std::size_t o = 0; o < outputs; ++o) {
                const double slope = (plus[o] - minus[o]) / (2.0 * h);
                const double share = slope * sd * slope * sd;
                variance[o] += share; // a trial without pO2 makes it NaN, and it stays so
                if (i < m_readings.size())
                    stageShare[o * m_readings.size() + i] = share;
            }
        }
        m_result.Samples = total;
        fillLinear(variance, stageShare);
        return true;
    }

    void fillLinear(std::span<const double> variance, std::span<const double> stageShare)
    {
        const int gases = m_trials.gases();
        for (std::size_t j = 0; j < m_result.Cells.size(); ++j) {
            CellUncertainty& cell = m_result.Cells[j];
            for (int k = 0; k < gases; ++k)
                cell.Gases[static_cast<std::size_t>(k)].Fraction.Sd =
                    std::sqrt(variance[m_trials.at(j, k)]);
            if (!cell.Log10PO2)
                continue;
            const std::size_t o = m_trials.at(j, gases);
            cell.Log10PO2->Sd = std::sqrt(variance[o]);
            cell.DominantStage =
                dominant(stageShare.subspan(o * m_readings.size(), m_readings.size()));
        }
    }

    // The stage with the largest share of a variance; 0 when no share is above 0.
    int dominant(std::span<const double> shares) const
    {
        int stage = 0;
        double largest = 0.0;
        for (std::size_t i = 0; i < shares.size(); ++i)
            if (shares[i] > largest) {
                largest = shares[i];
                stage = m_result.Inputs[i].Stage;
            }
        return stage;
    }

    // Every sample draws each input from its own stream; a reading or a curve factor drawn below
    // 0 counts as 0, as no meter reads a negative flow.
    bool monteCarlo()
    {
        const int samples = m_options.Samples;
        const std::size_t outputs = m_trials.outputs();
        const std::size_t stages = m_readings.size();
        const double flowSd = m_options.FlowPercent / 100.0;
        std::vector<double> drawn(static_cast<std::size_t>(samples) * stages);
        std::vector<double> values(static_cast<std::size_t>(samples) * outputs);

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
            for (int s = next++; s < samples && !stop; s = next++) {
                RandomDraws draws(m_options.Seed, static_cast<std::uint64_t>(s));
                for (std::size_t i = 0; i < stages; ++i)
                    readings[i] = std::max(0.0, m_readings[i] + m_sds[i] * draws.normal());
                for (double& factor : factors)
                    factor = std::max(0.0, 1.0 + flowSd * draws.normal());
                trials.run(readings, factors, out);
                const auto row = static_cast<std::size_t>(s);
                std::copy(readings.begin(), readings.end(),
                    drawn.begin() + static_cast<std::ptrdiff_t>(row * stages));
                std::copy(out.begin(), out.end(),
                    values.begin() + static_cast<std::ptrdiff_t>(row * outputs));
                const int finished = ++done;
                if (reports && !report(finished, samples))
                    stop = true;
            }
        };
        std::vector<std::exception_ptr> failures(helpers.size());
        std::vector<std::thread> workers;
        for (std::size_t t = 0; t < helpers.size(); ++t)
            workers.emplace_back([&, t] {
                try {
                    work(helpers[t], false);
                } catch (...) {
                    failures[t] = std::current_exception();
                    stop = true;
                }
            });
        try {
            work(m_trials, true);
        } catch (...) {
            stop = true;
            for (std::thread& worker : workers)
                worker.join();
            throw;
        }
        for (std::thread& worker : workers)
            worker.join();
        for (const std::exception_ptr& failure : failures)
            if (failure)
                std::rethrow_exception(failure);
        if (stop)
            return false;
        // The helpers may have finished the last samples after this thread's last report.
        if (done != m_lastReported)
            (void)report(samples, samples);
        m_result.Samples = samples;
        fillMonteCarlo(drawn, values);
        return true;
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

    void fillMonteCarlo(std::span<const double> drawn, std::span<const double> values)
    {
        const std::size_t samples = static_cast<std::size_t>(m_options.Samples);
        const std::size_t outputs = m_trials.outputs();
        const int gases = m_trials.gases();
        std::vector<double> column;
        const auto spreadOf = [&](std::size_t o, Spread& spread) {
            column.clear();
            for (std::size_t s = 0; s < samples; ++s)
                if (const double v = values[s * outputs + o]; std::isfinite(v))
                    column.push_back(v);
            const Moments m = moments(column);
            spread.Sd = std::sqrt(m.variance);
            if (!column.empty()) {
                std::vector<double> sorted = column;
                std::sort(sorted.begin(), sorted.end());
                spread.P2_5 = quantile(sorted, 0.025);
                spread.P97_5 = quantile(sorted, 0.975);
            }
            return static_cast<int>(samples - column.size());
        };
        for (std::size_t j = 0; j < m_result.Cells.size(); ++j) {
            CellUncertainty& cell = m_result.Cells[j];
            for (int k = 0; k < gases; ++k)
                spreadOf(m_trials.at(j, k), cell.Gases[static_cast<std::size_t>(k)].Fraction);
            if (!cell.Log10PO2)
                continue;
            const std::size_t o = m_trials.at(j, gases);
            cell.PO2Dropped = spreadOf(o, *cell.Log10PO2);
            cell.DominantStage = dominant(explainedShares(drawn, values, o));
        }
    }

    // The share of the output's variance each reading explains on its own (the squared
    // covariance over the reading's variance): the Monte Carlo counterpart of the linear share.
    std::vector<double> explainedShares(
        std::span<const double> drawn, std::span<const double> values, std::size_t o) const
    {
        const std::size_t samples = static_cast<std::size_t>(m_options.Samples);
        const std::size_t outputs = m_trials.outputs();
        const std::size_t stages = m_readings.size();
        std::vector<double> shares(stages, 0.0);
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
        for (std::size_t i = 0; i < stages; ++i) {
            std::vector<double> x;
            for (const std::size_t s : used)
                x.push_back(drawn[s * stages + i]);
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
