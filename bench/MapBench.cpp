#include "BenchData.h"
#include "equil/ThermoData.h"
#include "map/OperatingMap.h"
#include "plots/MapPicture.h"
#include "support/RecordingCanvas.h"

#include <benchmark/benchmark.h>

namespace {

using namespace meldrix;

MapRequest reducingCell(int grid)
{
    MapRequest request;
    request.Cell = 2;
    request.StageX = 3;
    request.StageY = 4;
    request.Grid = grid;
    return request;
}

// A 101 x 101 map of the shipped reducing cell's log10 pO2 over F 3 and F 4: 10201 runs of
// Execute and the cell's equilibrium; the argument is the number of workers (0: one per
// processor).
void Map101Log10PO2(benchmark::State& state)
{
    const auto rig = bench::loadedRig(bench::shippedBase());
    BuiltInThermoData(); // parsed once per program, not per map
    MapControl control;
    control.Threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const OperatingMap map = ComputeOperatingMap(*rig, reducingCell(101), control);
        if (!map.Ok)
            state.SkipWithError("the map failed");
        benchmark::DoNotOptimize(map);
    }
}
BENCHMARK(Map101Log10PO2)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same grid of the cell's H2 fraction: Execute alone at every point, on one worker.
void Map101Fraction(benchmark::State& state)
{
    const auto rig = bench::loadedRig(bench::shippedBase());
    MapRequest request = reducingCell(101);
    request.Quantity = { MapQuantityKind::Fraction, "H2" };
    MapControl control;
    control.Threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const OperatingMap map = ComputeOperatingMap(*rig, request, control);
        if (!map.Ok)
            state.SkipWithError("the map failed");
        benchmark::DoNotOptimize(map);
    }
}
BENCHMARK(Map101Fraction)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Laying the map out (Execute and the linear uncertainty at the present readings) without its
// points.
void MapPrepare(benchmark::State& state)
{
    const auto rig = bench::loadedRig(bench::shippedBase());
    BuiltInThermoData();
    for (auto _ : state)
        benchmark::DoNotOptimize(PrepareOperatingMap(*rig, reducingCell(101)));
}
BENCHMARK(MapPrepare)->Unit(benchmark::kMillisecond);

// The picture of a whole 101 x 101 map: colours, contours and legend onto a recording canvas.
void MapPictureDraw(benchmark::State& state)
{
    const auto rig = bench::loadedRig(bench::shippedBase());
    const OperatingMap map = ComputeOperatingMap(*rig, reducingCell(101));
    for (auto _ : state) {
        MapPicture picture(map);
        testsupport::RecordingCanvas canvas;
        picture.Draw(canvas);
        benchmark::DoNotOptimize(canvas.ops.size());
    }
}
BENCHMARK(MapPictureDraw)->Unit(benchmark::kMillisecond);

} // namespace
