#include "map/OperatingMap.h"

#include "calib/CalCurveLookup.h"
#include "common/TextFormat.h"
#include "common/Workers.h"
#include "equil/CellGibbs.h"
#include "mixer/Execute.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>

namespace meldrix {

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::string_view FractionPrefix = "fraction:";
constexpr int MostWorkers = 16;

// The slot of the gas list that names `gas`; 0 when none does.
int gasListSlot(const Rig& rig, std::string_view gas)
{
    for (int k = 1; k <= rig.GasListCount && k <= MaxComponents; ++k)
        if (rig.GasList[k] == gas)
            return k;
    return 0;
}

const ThermoData& thermoOf(const MapRequest& request)
{
    return request.Thermo ? *request.Thermo : BuiltInThermoData();
}

// The readings of a map's two stages open their paths whatever their present readings.
GasPaths mapPaths(const Rig& analysed, int stageX, int stageY)
{
    return GasPaths(analysed, [&analysed, stageX, stageY](int f) {
        return f == stageX || f == stageY || HasPositiveReading(analysed.Flowmeters[f]);
    });
}

// Why stage `f` cannot be an axis of a map of cell `c`; empty when it can. Sets its bounds.
std::string axisProblem(const Rig& analysed, const GasPaths& paths, int c, MapAxis& axis)
{
    const int f = axis.Stage;
    if (!OneBased<FlowmeterRecord, MaxFlowmeters>::inRange(f))
        return "Stage " + formatInt(f) + " is not a stage 1..16.";
    if (!IsComputedStage(analysed.Flowmeters[f]))
        return StageName(f)
            + " is not connected: its source or its mixture lies outside the mixer.";
    if (!paths.reaches(f, c))
        return StageName(f) + " does not reach cell " + formatInt(c) + ".";
    axis.Curves = StageCurves(analysed, f, paths.metered(f));
    axis.Bounds = StageReadingBounds(analysed, paths, f);
    if (axis.Bounds.empty())
        return StageName(f) + " has no reading on every curve of its gases ("
            + CurveRangesNamed(axis.Curves) + ").";
    if (!(axis.Bounds.High > axis.Bounds.Low))
        return "No gas passes the meter of " + StageName(f) + ": its reading changes nothing.";
    return {};
}

std::string requestProblem(const Rig& rig, const MapRequest& request)
{
    const int c = request.Cell;
    if (!OneBased<CellRecord, MaxCells>::inRange(c))
        return "Cell " + formatInt(c) + " is not a cell 1..8.";
    if (!isFedCell(rig.Cells[c]))
        return "Cell " + formatInt(c) + " (" + std::string(rig.Cells[c].Name.view())
            + ") is not fed by a mixture (Mix " + formatInt(rig.Cells[c].Mix) + ").";
    if (request.StageX == request.StageY)
        return "A map needs two different stages, not " + StageName(request.StageX) + " twice.";
    if (request.Grid < MinMapGrid || request.Grid > MaxMapGrid)
        return "A map's grid takes " + formatInt(MinMapGrid) + ".." + formatInt(MaxMapGrid)
            + " points along each axis, not " + formatInt(request.Grid) + ".";
    if (request.Quantity.Kind == MapQuantityKind::Fraction
        && trimBlanks(request.Quantity.Gas).empty())
        return "A map of a fraction names its gas.";
    if (const auto problem = CheckUncertaintyOptions(request.Accuracy))
        return "The meter accuracy cannot be used: " + *problem + ".";
    return {};
}

// The quantity of the cell as a run of `rig` left it, and whether it has a value.
struct PointValue {
    double Value = NaN;
    MapPointState State = MapPointState::Failed;
};

// Evaluates points on its own copy of the rig: one Execute per point, and the cell's equilibrium
// only when the quantity is its pO2.
class PointEvaluator {
public:
    PointEvaluator(const Rig& rig, const MapRequest& request)
        : m_rig(std::make_unique<Rig>(rig))
        , m_index(std::make_unique<CalCurveIndex>(*m_rig))
        , m_request(request)
        , m_thermo(thermoOf(request))
    {
    }

    PointValue at(double x, double y)
    {
        Rig& rig = *m_rig;
        rig.Flowmeters[m_request.StageX].Reading = x;
        rig.Flowmeters[m_request.StageY].Reading = y;
        // Only readings change from point to point: the curves' index serves every run.
        if (Execute(rig, *m_index).status != RunStatus::Ok)
            return {};
        const int c = m_request.Cell;
        switch (m_request.Quantity.Kind) {
        case MapQuantityKind::Fraction: {
            const int k = gasListSlot(rig, trimBlanks(m_request.Quantity.Gas));
            return { k == 0 ? 0.0 : rig.CellGases[c][k].Fraction, MapPointState::Value };
        }
        case MapQuantityKind::Flow:
            return { rig.Gases[MaxInputGases + rig.Cells[c].Mix].Flow, MapPointState::Value };
        case MapQuantityKind::Log10PO2:
            break;
        }
        const GibbsResult result = CellGibbsAt(rig, c, rig.Cells[c].Temp, m_thermo);
        // An unresolved pO2 is the minimiser's estimate, never a value.
        if (!result.Ok)
            return { NaN, MapPointState::Failed };
        if (!result.PO2Resolved)
            return { NaN, MapPointState::Unresolved };
        if (!std::isfinite(result.Log10PO2))
            return { -std::numeric_limits<double>::infinity(), MapPointState::NoOxygen };
        return { result.Log10PO2, MapPointState::Value };
    }

private:
    std::unique_ptr<Rig> m_rig;
    std::unique_ptr<CalCurveIndex> m_index; //!< of m_rig's curves
    const MapRequest& m_request;
    const ThermoData& m_thermo;
};

// The present readings' deviations and the quantity's linear sd there, as the uncertainty's
// linear method gives them under the meter accuracy.
void addPresentSpread(const Rig& rig, const MapRequest& request, OperatingMap& map)
{
    UncertaintyOptions options = request.Accuracy;
    options.Method = UncertaintyMethod::Linear;
    options.Equilibrium = request.Quantity.Kind == MapQuantityKind::Log10PO2;
    options.Cell = request.Cell;
    options.Thermo = request.Thermo;
    const UncertaintyResult result = PropagateUncertainty(rig, options);
    if (!result.Ok)
        return;
    for (const UncertaintyInput& input : result.Inputs) {
        if (input.Stage == map.X.Stage)
            map.X.Sd = input.Sd;
        if (input.Stage == map.Y.Stage)
            map.Y.Sd = input.Sd;
    }
    if (result.Cells.empty())
        return;
    const CellUncertainty& cell = result.Cells.front();
    const Spread* spread = nullptr;
    switch (request.Quantity.Kind) {
    case MapQuantityKind::Log10PO2:
        spread = cell.Log10PO2 ? &*cell.Log10PO2 : nullptr;
        break;
    case MapQuantityKind::Fraction:
        for (const GasSpread& gas : cell.Gases)
            if (gas.Name == trimBlanks(request.Quantity.Gas))
                spread = &gas.Fraction;
        break;
    case MapQuantityKind::Flow:
        spread = &cell.Flow;
        break;
    }
    if (spread && std::isfinite(spread->Sd))
        map.PresentSd = spread->Sd;
}

void noteOutside(const MapAxis& axis, OperatingMap& map)
{
    const double reading = axis.Present;
    if (reading >= axis.Bounds.Low && reading <= axis.Bounds.High)
        return;
    map.Notes.push_back(StageName(axis.Stage) + " reads " + formatSignificant(reading, 6)
        + ", outside the readings its curves share (" + formatSignificant(axis.Bounds.Low, 6)
        + " to " + formatSignificant(axis.Bounds.High, 6)
        + "): the present readings lie beyond the map");
}

int workerCount(int threads, int rows)
{
    int workers = threads > 0 ? threads : static_cast<int>(std::thread::hardware_concurrency());
    return std::max(1, std::min({ workers, MostWorkers, rows }));
}

} // namespace

double MapAxis::at(int i, int grid) const
{
    if (i >= grid - 1)
        return Bounds.High;
    return Bounds.Low + (Bounds.High - Bounds.Low) * i / (grid - 1);
}

std::string MapQuantityName(const MapQuantity& quantity)
{
    switch (quantity.Kind) {
    case MapQuantityKind::Log10PO2:
        return "log10-pO2";
    case MapQuantityKind::Fraction:
        return std::string(FractionPrefix) + quantity.Gas;
    case MapQuantityKind::Flow:
        return "flow";
    }
    return {};
}

std::optional<MapQuantity> ParseMapQuantity(std::string_view text)
{
    if (text == "log10-pO2")
        return MapQuantity { MapQuantityKind::Log10PO2, {} };
    if (text == "flow")
        return MapQuantity { MapQuantityKind::Flow, {} };
    if (text.starts_with(FractionPrefix) && !trimBlanks(text.substr(FractionPrefix.size())).empty())
        return MapQuantity { MapQuantityKind::Fraction,
            std::string(trimBlanks(text.substr(FractionPrefix.size()))) };
    return std::nullopt;
}

std::string MapQuantityTitle(const MapQuantity& quantity)
{
    switch (quantity.Kind) {
    case MapQuantityKind::Log10PO2:
        return "log10 pO2 [bar]";
    case MapQuantityKind::Fraction:
        return quantity.Gas + " fraction";
    case MapQuantityKind::Flow:
        return "flow";
    }
    return {};
}

OperatingMap PrepareOperatingMap(const Rig& rig, const MapRequest& request)
{
    OperatingMap map;
    map.Cell = request.Cell;
    map.Quantity = request.Quantity;
    map.Quantity.Gas = std::string(trimBlanks(request.Quantity.Gas));
    map.X.Stage = request.StageX;
    map.Y.Stage = request.StageY;
    if (std::string problem = requestProblem(rig, request); !problem.empty()) {
        map.Message = std::move(problem);
        return map;
    }
    const CellRecord& cell = rig.Cells[request.Cell];
    map.CellName = std::string(cell.Name.view());
    map.Celsius = cell.Temp;
    map.FlowModel = rig.Settings.FlowModel;

    // The run at the present readings builds the gas list, which no reading changes, and says
    // whether the mixer can be solved at all.
    auto analysed = std::make_unique<Rig>(rig);
    RunOutcome outcome = Execute(*analysed);
    if (outcome.status != RunStatus::Ok) {
        map.Message = "The rig cannot run: " + std::string(outcome.message);
        return map;
    }
    map.Warnings = std::move(outcome.warnings);
    if (map.Quantity.Kind == MapQuantityKind::Fraction
        && gasListSlot(*analysed, map.Quantity.Gas) == 0) {
        map.Message = "No gas of the run is named " + map.Quantity.Gas + ".";
        return map;
    }
    const GasPaths paths = mapPaths(*analysed, request.StageX, request.StageY);
    for (MapAxis* axis : { &map.X, &map.Y }) {
        if (std::string problem = axisProblem(*analysed, paths, request.Cell, *axis);
            !problem.empty()) {
            map.Message = std::move(problem);
            return map;
        }
        axis->Present = rig.Flowmeters[axis->Stage].Reading;
        noteOutside(*axis, map);
    }

    map.Grid = request.Grid;
    const auto points = static_cast<std::size_t>(map.Grid) * static_cast<std::size_t>(map.Grid);
    map.Values.assign(points, NaN);
    map.States.assign(points, MapPointState::Pending);
    PointEvaluator present(rig, request);
    if (const PointValue here = present.at(map.X.Present, map.Y.Present);
        here.State == MapPointState::Value)
        map.PresentValue = here.Value;
    addPresentSpread(rig, request, map);
    map.Ok = true;
    return map;
}

void FillOperatingMap(
    const Rig& rig, const MapRequest& request, OperatingMap& map, const MapControl& control)
{
    if (!map.Ok)
        return;
    const int grid = map.Grid;
    const int total = grid * grid;
    std::atomic<int> nextRow { 0 };
    std::atomic<int> done { 0 };
    std::atomic<bool> stop { false };
    std::mutex rows;
    // Rows are shared out among the workers, each with its own copy of the rig; a point's value
    // depends on its readings alone, so every number of workers gives the same map. A row is
    // stored whole or, when the run stops within it, not at all.
    const auto work = [&](PointEvaluator& evaluator, bool reports) {
        std::vector<double> values(static_cast<std::size_t>(grid));
        std::vector<MapPointState> states(static_cast<std::size_t>(grid));
        for (int j = nextRow++; j < grid; j = nextRow++) {
            const double y = map.Y.at(j, grid);
            for (int i = 0; i < grid; ++i) {
                if (stop || control.Stop.stop_requested()) {
                    stop = true;
                    return;
                }
                const PointValue point = evaluator.at(map.X.at(i, grid), y);
                values[static_cast<std::size_t>(i)] = point.Value;
                states[static_cast<std::size_t>(i)] = point.State;
                const int finished = ++done;
                if (reports && control.Progress)
                    control.Progress(finished, total);
            }
            const std::scoped_lock lock(rows);
            std::copy(values.begin(), values.end(),
                map.Values.begin() + static_cast<std::ptrdiff_t>(map.index(0, j)));
            std::copy(states.begin(), states.end(),
                map.States.begin() + static_cast<std::ptrdiff_t>(map.index(0, j)));
            if (control.RowDone)
                control.RowDone(j, values, states);
        }
    };

    std::vector<std::unique_ptr<PointEvaluator>> helpers;
    for (int t = 1; t < workerCount(control.Threads, grid); ++t)
        helpers.push_back(std::make_unique<PointEvaluator>(rig, request));
    if (const auto failed = RunWithHelpers(
            helpers.size(), stop, [&](std::size_t t) { work(*helpers[t], false); },
            [&] {
                PointEvaluator own(rig, request);
                work(own, true);
            })) {
        map.Ok = false;
        map.Message = "The operating map could not start its workers: " + *failed;
        return;
    }
    map.Cancelled = stop;
    if (!map.Cancelled && control.Progress)
        control.Progress(total, total);
}

OperatingMap ComputeOperatingMap(
    const Rig& rig, const MapRequest& request, const MapControl& control)
{
    OperatingMap map = PrepareOperatingMap(rig, request);
    FillOperatingMap(rig, request, map, control);
    return map;
}

std::vector<int> MapDefaultStages(const Rig& rig, int cell, const UncertaintyOptions& accuracy)
{
    std::vector<int> stages;
    if (!OneBased<CellRecord, MaxCells>::inRange(cell) || !isFedCell(rig.Cells[cell]))
        return stages;
    Rig analysed = rig;
    if (Execute(analysed).status != RunStatus::Ok)
        return stages;
    const GasPaths paths(analysed, GasPaths::PositiveReadings(analysed));
    std::vector<int> candidates;
    for (int f = 1; f <= MaxFlowmeters; ++f) {
        if (!HasPositiveReading(analysed.Flowmeters[f]) || !IsComputedStage(analysed.Flowmeters[f])
            || !paths.reaches(f, cell))
            continue;
        const ReadingBounds bounds = StageReadingBounds(analysed, paths, f);
        if (!bounds.empty() && bounds.High > bounds.Low)
            candidates.push_back(f);
    }
    UncertaintyOptions options = accuracy;
    options.Method = UncertaintyMethod::Linear;
    options.Equilibrium = true;
    options.Cell = cell;
    std::vector<std::pair<double, int>> ranked;
    const UncertaintyResult result = PropagateUncertainty(rig, options);
    for (const int f : candidates) {
        double share = 0.0;
        if (result.Ok && !result.Cells.empty())
            for (std::size_t i = 0; i < result.Inputs.size(); ++i)
                if (result.Inputs[i].Stage == f && i < result.Cells.front().PO2Contributions.size())
                    share = result.Cells.front().PO2Contributions[i];
        ranked.emplace_back(std::isfinite(share) ? share : 0.0, f);
    }
    // The largest share first; equal shares keep stage order.
    std::stable_sort(ranked.begin(), ranked.end(),
        [](const auto& a, const auto& b) { return a.first > b.first; });
    for (std::size_t i = 0; i < ranked.size() && i < 2; ++i)
        stages.push_back(ranked[i].second);
    return stages;
}

} // namespace meldrix
