#include "ui/TForm1.h"

#include <QAction>
#include <QApplication>
#include <QWidget>
#include <benchmark/benchmark.h>
#include <memory>
#include <string>

namespace {

using namespace meldrix;

// Every curve filled, so that no row of the list is cheaper than a real one.
void fillCurves(Rig& rig)
{
    for (int c = 1; c <= MaxCalCurves; ++c) {
        CalCurveRecord& curve = rig.CalCurves[c];
        curve.Make = "Rotalab";
        curve.Size = "R2-15";
        curve.Float = "Glass";
        curve.Gas = "Ar " + std::to_string(c);
        curve.Temp = 20.0 + c / 1000.0;
        curve.Press = 1.013;
        curve.Flowmeter = static_cast<std::uint16_t>(c % 17);
        for (int i = 1; i <= MaxCalPoints; ++i)
            curve.Points[i] = { 7.5 * i, 0.01 * i * i * c };
    }
}

// Edit, Calibrations on a shown window, up to the repainted window with the list, the point
// editor and the chart; the editor is closed again (by another editor) outside the timing.
void OpenCalibrationEditor(benchmark::State& state)
{
    TForm1 window;
    fillCurves(window.rig());
    window.show();
    auto* open = window.findChild<QAction*>(QStringLiteral("Calibrations4"));
    auto* close = window.findChild<QAction*>(QStringLiteral("OutputCells3"));
    QApplication::processEvents();
    int curve = 1;
    for (auto _ : state) {
        state.PauseTiming();
        close->trigger();
        window.repaint();
        window.rig().CurrentCalCurve = static_cast<std::uint16_t>(curve);
        curve = curve % MaxCalCurves + 97;
        state.ResumeTiming();
        open->trigger();
        window.repaint();
    }
}
BENCHMARK(OpenCalibrationEditor)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    // The window is measured offscreen, as the window tests run it.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
