#include "BenchData.h"
#include "ui/TForm1.h"
#include "ui/canvas/MixerDiagramPainter.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <benchmark/benchmark.h>
#include <clocale>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

using namespace meldrix;
using Step = std::function<void(TForm1&)>;

// Every window figure is the command and then the frame it leads to: the posted events, the paints
// among them, are handled before the clock stops.
void finishFrame()
{
    QApplication::sendPostedEvents();
    QApplication::processEvents();
}

// Counts the diagram's paints, so that a command that paints it twice shows in the figures.
int* countDiagramPaints(TForm1& window)
{
    auto paints = std::make_shared<int>(0);
    window.setDiagramPainter([&window, paints](QPainter& painter) {
        ++*paints;
        paintMixerDiagram(painter, window.rig());
    });
    static std::vector<std::shared_ptr<int>> counters;
    counters.push_back(paints);
    return paints.get();
}

void openWindow(TForm1& window, const std::string& base)
{
    window.StartUp(base);
    window.show();
    QApplication::processEvents();
    finishFrame();
}

void windowCommand(
    benchmark::State& state, const std::string& base, const Step& prepare, const Step& command)
{
    TForm1 window;
    const int* paints = countDiagramPaints(window);
    openWindow(window, base);
    if (prepare) {
        prepare(window);
        finishFrame();
    }
    const int before = *paints;
    for (auto _ : state) {
        command(window);
        finishFrame();
    }
    state.counters["diagram_paints"] =
        benchmark::Counter(*paints - before, benchmark::Counter::kAvgIterations);
}

void spinStep(TForm1& window)
{
    window.findChild<QSpinBox*>(u"SpinEdit1"_s)->stepUp();
}

void pressOK(TForm1& window)
{
    window.findChild<QPushButton*>(u"Button1"_s)->click();
}

// Opening the calibration editor has its own benchmark (CalibrationEditorBench.cpp): it closes the
// editor between openings, over 1000 filled curves.
struct Command {
    std::string name;
    Step prepare;
    Step command;
};

std::vector<Command> commands()
{
    return {
        { "Redraw", {}, [](TForm1& w) { w.DrawMixer(); } },
        { "Execute", {}, [](TForm1& w) { w.Run1Click(); } },
        { "OpenInputGasesEditor", {}, [](TForm1& w) { w.InputMixtures3Click(); } },
        { "OpenMixerEditor", {}, [](TForm1& w) { w.Flowmeters2Click(); } },
        { "OpenCellsEditor", {}, [](TForm1& w) { w.OutputCells3Click(); } },
        { "OpenReadingsEditor", {}, [](TForm1& w) { w.FlowmeterReadings1Click(); } },
        { "OKInputGases", [](TForm1& w) { w.InputMixtures3Click(); }, pressOK },
        { "OKMixer", [](TForm1& w) { w.Flowmeters2Click(); }, pressOK },
        { "OKCells", [](TForm1& w) { w.OutputCells3Click(); }, pressOK },
        { "OKReadings", [](TForm1& w) { w.FlowmeterReadings1Click(); }, pressOK },
        { "OKCalibrations", [](TForm1& w) { w.Calibrations4Click(); }, pressOK },
        { "SpinStepInputGases", [](TForm1& w) { w.InputMixtures3Click(); }, spinStep },
        { "SpinStepMixer", [](TForm1& w) { w.Flowmeters2Click(); }, spinStep },
        { "SpinStepCells", [](TForm1& w) { w.OutputCells3Click(); }, spinStep },
        { "SpinStepCalibrations", [](TForm1& w) { w.Calibrations4Click(); }, spinStep },
        { "LinLogToggle", [](TForm1& w) { w.Run1Click(); },
            [](TForm1& w) { w.Linlogtoggle1Click(); } },
        { "EquilToggle", [](TForm1& w) { w.Run1Click(); },
            [](TForm1& w) { w.EquilRTtoggle1Click(); } },
    };
}

void OpenAll(benchmark::State& state, const std::string& base)
{
    TForm1 window;
    openWindow(window, base);
    const QString chosen = QString::fromLocal8Bit(base + ".INP");
    window.setFileChooser([chosen](QFileDialog&) { return std::optional<QString>(chosen); });
    for (auto _ : state) {
        window.OpenAll1Click();
        finishFrame();
    }
}

// Start-up on a window already made, as main() does it, and the whole start of the program.
void StartUp(benchmark::State& state, const std::string& base)
{
    TForm1 window;
    for (auto _ : state)
        window.StartUp(base);
}

void StartProgram(benchmark::State& state, const std::string& base)
{
    for (auto _ : state) {
        TForm1 window;
        openWindow(window, base);
    }
}

void DrawMixerOnImage(benchmark::State& state, const std::string& base)
{
    auto rig = bench::loadedRig(base);
    QImage image(1067, 853, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        painter.fillRect(image.rect(), Qt::black);
        paintMixerDiagram(painter, *rig);
    }
}

void registerAll()
{
    const std::vector<std::pair<std::string, std::string>> dataSets = {
        { "Shipped", bench::shippedBase() }, { "WorstCase", bench::worstCaseBase() }
    };
    for (const auto& [setName, base] : dataSets) {
        for (const Command& c : commands()) {
            benchmark::RegisterBenchmark(("Window/" + c.name + "/" + setName).c_str(),
                [base = base, c](
                    benchmark::State& state) { windowCommand(state, base, c.prepare, c.command); })
                ->Unit(benchmark::kMillisecond);
        }
        benchmark::RegisterBenchmark(("Window/OpenAll/" + setName).c_str(), OpenAll, base)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(
            ("DrawMixerOnImage/" + setName).c_str(), DrawMixerOnImage, base)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("StartUp/Shipped", StartUp, bench::shippedBase())
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("StartProgram/Shipped", StartProgram, bench::shippedBase())
        ->Unit(benchmark::kMillisecond);
}

} // namespace

// The offscreen platform says once per window that it cannot pass size hints on: noise here.
void dropSizeHintNotes(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.contains(u"propagateSizeHints"_s))
        return;
    qt_message_output(type, context, message);
}

int main(int argc, char* argv[])
{
    qInstallMessageHandler(dropSizeHintNotes);
    // Offscreen unless told otherwise, so the figures need no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    benchmark::Initialize(&argc, argv);
    registerAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
