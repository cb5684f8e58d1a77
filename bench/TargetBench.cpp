#include "BenchData.h"
#include "target/TargetSearch.h"

#include <benchmark/benchmark.h>

namespace {

using namespace meldrix;

// One whole search on the shipped data set, from its stored readings, for the reducing cell 2
// with its hydrogen (F 3) and air (F 4) stages free: the hydrogen fraction alone (Execute per
// trial) and log10 pO2 (Execute and the equilibrium), each with the approach to the current
// readings, the other cells' changes and the proposal's standard deviations.
void TargetSearch(benchmark::State& state, Target target)
{
    const auto rig = bench::loadedRig(bench::shippedBase());
    const TargetRequest request { 2, { target }, std::vector<int> { 3, 4 } };
    int evaluations = 0;
    for (auto _ : state) {
        const TargetOutcome outcome = FindReadings(*rig, request);
        if (outcome.Status != TargetStatus::Reached)
            state.SkipWithError("the target was not reached");
        evaluations = outcome.Evaluations;
    }
    state.counters["trials"] = evaluations;
}
BENCHMARK_CAPTURE(TargetSearch, HydrogenFraction, Target { TargetKind::Fraction, "H2", 0.03 })
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(TargetSearch, Log10PO2, Target { TargetKind::Log10PO2, {}, -15.0 })
    ->Unit(benchmark::kMillisecond);

} // namespace
