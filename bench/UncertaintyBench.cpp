#include "BenchData.h"
#include "equil/ThermoData.h"
#include "uncertainty/Uncertainty.h"

#include <benchmark/benchmark.h>

namespace {

using namespace meldrix;

// The shipped data set at 1 % of full scale, with the equilibrium of its four fed cells in every
// trial; the argument is the number of Monte Carlo workers (0: one per processor).
void MonteCarlo2000Samples(benchmark::State& state)
{
    const auto rig = bench::loadedRig(bench::shippedBase());
    BuiltInThermoData(); // parsed once per program, not per run
    UncertaintyOptions options;
    options.Method = UncertaintyMethod::MonteCarlo;
    options.Samples = 2000;
    options.Equilibrium = true;
    options.Threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const UncertaintyResult result = PropagateUncertainty(*rig, options);
        if (!result.Ok || result.Cells.size() != 4)
            state.SkipWithError("the run failed");
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(MonteCarlo2000Samples)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

void LinearWithEquilibrium(benchmark::State& state)
{
    const auto rig = bench::loadedRig(bench::shippedBase());
    BuiltInThermoData();
    UncertaintyOptions options;
    options.Equilibrium = true;
    for (auto _ : state) {
        const UncertaintyResult result = PropagateUncertainty(*rig, options);
        if (!result.Ok)
            state.SkipWithError("the run failed");
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(LinearWithEquilibrium)->Unit(benchmark::kMillisecond);

} // namespace
