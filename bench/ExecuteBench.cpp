#include "BenchData.h"
#include "calib/CalCurveLookup.h"
#include "diagram/MixerDiagram.h"
#include "equil/EquilibriumDriver.h"
#include "mixer/Execute.h"
#include "results/ResultsTable.h"
#include "support/RecordingCanvas.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace {

using namespace meldrix;

// Execute as the command-line tool runs it, equilibrium included; the worst case runs all 100
// passes.
void executeOn(benchmark::State& state, const std::string& base, CurveLookup lookup,
    FlowModelKind model = FlowModelKind::AsSpecified, bool compared = false)
{
    const auto loaded = bench::loadedRig(base);
    auto rig = std::make_unique<Rig>(*loaded);
    rig->Settings.FlowModel = model;
    ExecuteHooks hooks;
    hooks.StartEquilibriumCalculations = [&rig] { StartEquilibriumCalculations(*rig); };
    hooks.CompareFlowModels = compared;
    RunOutcome outcome;
    for (auto _ : state) {
        outcome = Execute(*rig, hooks, lookup);
        benchmark::DoNotOptimize(rig->Gases[17]);
    }
    state.counters["passes"] = outcome.passes;
}

void ExecuteShipped(benchmark::State& state)
{
    executeOn(state, bench::shippedBase(), CurveLookup::Indexed);
}
BENCHMARK(ExecuteShipped)->Unit(benchmark::kMicrosecond);

void ExecuteShippedFullScan(benchmark::State& state)
{
    executeOn(state, bench::shippedBase(), CurveLookup::FullScan);
}
BENCHMARK(ExecuteShippedFullScan)->Unit(benchmark::kMicrosecond);

// The physical flow model: each stage's gases metered by density, curves read by the monotone
// cubic. It may cost at most twice the specified model.
void ExecuteShippedPhysical(benchmark::State& state)
{
    executeOn(state, bench::shippedBase(), CurveLookup::Indexed, FlowModelKind::Physical);
}
BENCHMARK(ExecuteShippedPhysical)->Unit(benchmark::kMicrosecond);

// As the window and the command-line tool run it: the other model on the same records, to name the
// stages where the two differ.
void ExecuteShippedCompared(benchmark::State& state)
{
    executeOn(state, bench::shippedBase(), CurveLookup::Indexed, FlowModelKind::AsSpecified, true);
}
BENCHMARK(ExecuteShippedCompared)->Unit(benchmark::kMicrosecond);

void ExecuteWorstCase(benchmark::State& state)
{
    executeOn(state, bench::worstCaseBase(), CurveLookup::Indexed);
}
BENCHMARK(ExecuteWorstCase)->Unit(benchmark::kMicrosecond);

void ExecuteWorstCasePhysical(benchmark::State& state)
{
    executeOn(state, bench::worstCaseBase(), CurveLookup::Indexed, FlowModelKind::Physical);
}
BENCHMARK(ExecuteWorstCasePhysical)->Unit(benchmark::kMicrosecond);

void ExecuteWorstCaseFullScan(benchmark::State& state)
{
    executeOn(state, bench::worstCaseBase(), CurveLookup::FullScan);
}
BENCHMARK(ExecuteWorstCaseFullScan)->Unit(benchmark::kMicrosecond);

// One lookup for each gas of the worst case's bottle, cycling over its 14 working stages.
void FindCalCurveScan(benchmark::State& state)
{
    const auto rig = bench::loadedRig(bench::worstCaseBase());
    const auto& gases = rig->InputGases[1].Components;
    int i = 0;
    for (auto _ : state) {
        const int stage = i % 14 + 1;
        benchmark::DoNotOptimize(
            FindCalCurve(*rig, stage, gases[i % MaxComponents + 1].Name.view()));
        ++i;
    }
}
BENCHMARK(FindCalCurveScan);

void FindCalCurveIndexed(benchmark::State& state)
{
    const auto rig = bench::loadedRig(bench::worstCaseBase());
    const auto& gases = rig->InputGases[1].Components;
    CalCurveIndex index(*rig);
    int i = 0;
    for (auto _ : state) {
        const int stage = i % 14 + 1;
        benchmark::DoNotOptimize(
            index.FindCalCurve(stage, gases[i % MaxComponents + 1].Name.view()));
        ++i;
    }
}
BENCHMARK(FindCalCurveIndexed);

// What each run pays before its first lookup, and for the first lookup on each of 14 stages.
void CalCurveIndexBuild(benchmark::State& state)
{
    const auto rig = bench::loadedRig(bench::worstCaseBase());
    for (auto _ : state) {
        CalCurveIndex index(*rig);
        for (int stage = 1; stage <= 14; ++stage)
            benchmark::DoNotOptimize(index.FindCalCurve(stage, "Ar"));
    }
}
BENCHMARK(CalCurveIndexBuild)->Unit(benchmark::kMicrosecond);

void DrawMixerOnRecordingCanvas(benchmark::State& state, const std::string& base)
{
    auto rig = bench::loadedRig(base);
    Execute(*rig);
    for (auto _ : state) {
        testsupport::RecordingCanvas canvas;
        DrawMixer(*rig, canvas);
        benchmark::DoNotOptimize(canvas.ops.data());
    }
}
BENCHMARK_CAPTURE(DrawMixerOnRecordingCanvas, Shipped, bench::shippedBase())
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(DrawMixerOnRecordingCanvas, WorstCase, bench::worstCaseBase())
    ->Unit(benchmark::kMicrosecond);

// The results table's content after a run, in each of its displays.
void ShowResultsTable(benchmark::State& state, const std::string& base, ResultsDisplay display)
{
    auto rig = bench::loadedRig(base);
    ExecuteHooks hooks;
    hooks.StartEquilibriumCalculations = [&rig] { StartEquilibriumCalculations(*rig); };
    Execute(*rig, hooks);
    rig->LogDisplay = display.Log;
    rig->EquilDisplay = display.Equil;
    TCeltrixModel table;
    for (auto _ : state)
        benchmark::DoNotOptimize(ShowResults(*rig, table));
}
BENCHMARK_CAPTURE(ShowResultsTable, Shipped, bench::shippedBase(), ResultsDisplay {})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(
    ShowResultsTable, ShippedLog, bench::shippedBase(), ResultsDisplay { true, false })
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(
    ShowResultsTable, ShippedEquil, bench::shippedBase(), ResultsDisplay { false, true })
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ShowResultsTable, WorstCase, bench::worstCaseBase(), ResultsDisplay {})
    ->Unit(benchmark::kMicrosecond);

// meldrix-cli execute as a whole process, output thrown away. The time is the wall clock of each
// process; "process_cpu" is its own processor time, which a busy machine inflates less.
void CliExecuteProcess(benchmark::State& state, const std::string& base)
{
    std::string cli = MELDRIX_CLI;
    std::string command = "execute";
    std::string dataSet = base;
    char* argv[] = { cli.data(), command.data(), dataSet.data(), nullptr };
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    double processCpu = 0.0;
    for (auto _ : state) {
        pid_t pid = 0;
        if (posix_spawn(&pid, cli.c_str(), &actions, nullptr, argv, environ) != 0) {
            state.SkipWithError("cannot start meldrix-cli");
            break;
        }
        int status = 0;
        rusage usage {};
        wait4(pid, &status, 0, &usage);
        processCpu += static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
            + 1e-6 * static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
    }
    posix_spawn_file_actions_destroy(&actions);
    state.counters["process_cpu"] =
        benchmark::Counter(processCpu, benchmark::Counter::kAvgIterations);
}
BENCHMARK_CAPTURE(CliExecuteProcess, Shipped, bench::shippedBase())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CliExecuteProcess, WorstCase, bench::worstCaseBase())
    ->Unit(benchmark::kMillisecond);

} // namespace
