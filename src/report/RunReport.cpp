#include "report/RunReport.h"

#include "calib/CalCurveLookup.h"
#include "calib/MeterFields.h"
#include "common/Latin1.h"
#include "common/TextFormat.h"
#include "diagram/DiagramExport.h"
#include "equil/CellGibbs.h"
#include "equil/EquilibriumDriver.h"
#include "equil/ThermoData.h"
#include "map/OperatingMap.h"
#include "mixer/Execute.h"
#include "mixer/FixGasStage.h"
#include "mixer/ModelDifferences.h"
#include "plots/ChartExport.h"
#include "plots/MapPicture.h"
#include "plots/PO2Bands.h"
#include "plots/PO2Chart.h"
#include "report/ReportNumbers.h"
#include "rig/DataFiles.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>

namespace meldrix {

namespace {

constexpr Size PO2ChartArea { 640, 400 };
constexpr double NoValue = std::numeric_limits<double>::quiet_NaN();

// A record's 8-bit text as the report shows it.
std::string shown(std::string_view latin1)
{
    return shownLatin1ToUtf8(latin1);
}

std::string shortNumber(double value)
{
    return formatSignificant(value, 6);
}

// The shortest text that reads back as the same number, so a reading can be typed in again.
std::string exactNumber(double value)
{
    std::array<char, 32> text {};
    const auto end = std::to_chars(text.data(), text.data() + text.size(), value).ptr;
    return std::string(text.data(), end);
}

std::string gasName(const Rig& rig, int n)
{
    if (n <= MaxInputGases)
        return "I" + formatInt(n) + " " + shown(rig.InputGases[n].Name.view());
    return "M" + formatInt(n - MaxInputGases);
}

std::string cellTitle(const Rig& rig, int c)
{
    return "OC " + formatInt(c) + "; " + shown(rig.Cells[c].Name.view());
}

std::string composition(const GasRecord& gas)
{
    std::string text;
    for (const GasComponent& slot : gas.Components)
        if (!trimBlanks(slot.Name.view()).empty())
            text += (text.empty() ? "" : ", ") + shown(slot.Name.view()) + " "
                + shortNumber(slot.Fraction);
    return text;
}

std::string fixGasText(const FlowmeterRecord& stage)
{
    if (!isSet(stage.FixGasUsed))
        return {};
    return shown(stage.FixGas.view()) + " " + shown(stage.FixGasType.view()) + " at "
        + formatFixed(stage.FixGasT, 0, 1) + " \u00B0C, "
        + (isSet(stage.FixGasBefore) ? "before" : "after") + " the meter";
}

// A stage the run computes: a source among I1..I16 and M1..M16 and a mixture to feed.
bool inUse(const FlowmeterRecord& stage)
{
    return OneBased<GasRecord, MaxGases>::inRange(stage.Input) && stage.Output >= 1
        && stage.Output <= MaxMixtures;
}

std::string meterOf(const FlowmeterRecord& stage)
{
    return shown(stage.Make.view()) + " " + shown(stage.Size.view()) + " "
        + shown(stage.Float.view());
}

// What in the chosen curve is not what the stage and gas ask for: "gas differs", "make and size
// differ"; empty when all match.
std::string mismatch(
    const FlowmeterRecord& stage, int f, const CalCurveRecord& curve, std::string_view gas)
{
    std::vector<std::string> fields = MeterFieldsDiffering(stage, curve);
    if (curve.Gas.view() != gas)
        fields.emplace_back("gas");
    if (curve.Flowmeter != f)
        fields.emplace_back("stage");
    if (fields.empty())
        return {};
    return listed(fields) + (fields.size() == 1 ? " differs" : " differ");
}

// What the marked point says: the reading, and the flow taken for it.
std::string curveCaption(const CalPointUsed& used)
{
    const std::string reading = "reading " + ReportNumber(used.Reading);
    switch (used.Place) {
    case CalPointPlace::OnCurve:
        break;
    case CalPointPlace::AboveTop:
        return reading + " lies above the curve's last point, " + ReportNumber(used.At)
            + ", whose flow " + ReportNumber(used.Flow) + " is taken";
    case CalPointPlace::BelowFirst:
        return reading + " lies below the curve's first point, " + ReportNumber(used.At)
            + ", whose flow " + ReportNumber(used.Flow) + " is taken";
    case CalPointPlace::NoFlow:
        return reading + " gives no flow";
    }
    return reading + " gives flow " + ReportNumber(used.Flow);
}

// Every curve the stage's reading was looked up on: a positive reading, and a negative one,
// which gives no flow but is still named against its curve.
void addCurves(Rig& rig, std::shared_ptr<Rig> shared, int f, RunReport& report)
{
    const FlowmeterRecord& stage = rig.Flowmeters[f];
    if (stage.Reading == 0.0 || !std::isfinite(stage.Reading))
        return; // no curve is looked at
    // The gases the meter sees: after a fix-gas stage placed before it.
    rig.WorkComposition = rig.Gases[stage.Input].Components;
    if (isSet(stage.FixGasUsed) && isSet(stage.FixGasBefore))
        ApplyFixGasStage(rig, f);
    const Composition seen = rig.WorkComposition;
    for (const GasComponent& slot : seen) {
        if (!(slot.Fraction > 0.0))
            continue;
        const std::string gas = shown(slot.Name.view());
        const int c = FindCalCurve(rig, f, slot.Name.view());
        const CalPointUsed used = UsedPointOf(rig, c, stage.Reading);
        const CalCurveRecord& curve = rig.CalCurves[c];
        const std::string where = "Stage " + formatInt(f) + ", " + gas + ": ";
        if (const std::string fields = mismatch(stage, f, curve, slot.Name.view()); !fields.empty())
            report.Messages.push_back(where + "calibration curve " + formatInt(c)
                + " is used, whose " + fields + " from the stage's");
        auto picture = std::make_shared<CalChartPicture>(*shared, c, used);
        report.Curves.push_back({ f, gas, c, used,
            { "Stage " + formatInt(f) + ", " + gas + ": calibration curve " + formatInt(c),
                picture->PictureSize(), [picture](Canvas& canvas) { picture->Draw(canvas); },
                where + curveCaption(used) } });
    }
}

// The readings that are not those the mixer file holds: given on the command line, or changed in
// the window and not saved.
std::string readingsAgainstFile(const Rig& rig)
{
    const auto stored = StoredFlowmeters(rig);
    const std::string file =
        systemTextToUtf8(std::filesystem::path(rig.MixFileName).filename().string());
    if (!stored)
        return "not compared with " + file;
    std::vector<std::string> changed;
    for (int f = 1; f <= MaxFlowmeters; ++f) {
        const double now = rig.Flowmeters[f].Reading;
        const double was = (*stored)[f].Reading;
        if (now != was && !(std::isnan(now) && std::isnan(was)))
            changed.push_back("stage " + formatInt(f) + " at " + exactNumber(now) + " instead of "
                + exactNumber(was));
    }
    if (changed.empty())
        return "as stored in " + file;
    return listed(changed) + "; the others as stored in " + file;
}

// The equilibrium driver's own notes on the message line are internal: a bare element total, or
// a limit of the compound table the Equil./RT display shows. The second is said plainly.
std::optional<std::string> driverNote(const Rig& rig, std::string_view message)
{
    if (!message.starts_with(TooManyEquationsMessage))
        return std::nullopt;
    return "The compound table of the Equil./RT display cannot take this gas: "
        + formatInt(rig.SelectedCount) + " compounds and " + formatInt(rig.ElementList[0])
        + " elements make more than its 12 equations. The equilibrium at each cell's temperature "
          "above does not depend on it.";
}

void addCells(const Rig& rig, RunReport& report)
{
    for (int c = 1; c <= MaxCells; ++c) {
        const CellRecord& cell = rig.Cells[c];
        if (!isFedCell(cell))
            continue;
        ReportCell row { c, shown(cell.Name.view()), cell.Mix, cell.Temp, cell.Pressure,
            { cell.LeakO2, cell.LeakN2, cell.LeakH2, cell.LeakH2O }, {} };
        if (report.RunOk)
            for (int k = 1; k <= static_cast<int>(report.GasList.size()); ++k)
                row.Fractions.push_back(rig.CellGases[c][k].Fraction);
        report.Cells.push_back(std::move(row));
    }
}

void addProvenance(const Rig& rig, RunReport& report)
{
    // An absolute folder says where the data set lies wherever the report is read.
    std::error_code error;
    const std::filesystem::path base =
        std::filesystem::absolute(rig.BaseName, error).lexically_normal();
    report.DataSet = systemTextToUtf8(base.filename().string());
    report.Folder = systemTextToUtf8(base.parent_path().string());
    report.Provenance = {
        { "Data set", report.DataSet },
        { "Folder", report.Folder },
        { "Date and time", report.Generated },
        { "Meldrix version", report.Version },
        { "Thermodynamic data", BuiltInThermoData().Citation },
        { "Readings", readingsAgainstFile(rig) },
        { "Flow model", std::string(FlowModelTitle(rig.Settings.FlowModel)) },
    };
}

// The diagram's picture keeps the rig it draws alive.
struct DiagramOfRun {
    std::shared_ptr<Rig> rig;
    DiagramPicture picture;
};

ReportDrawing diagramOf(std::shared_ptr<Rig> rig, const std::string& generated, std::string caption)
{
    auto diagram = std::make_shared<DiagramOfRun>(
        DiagramOfRun { rig, DiagramPicture(*rig, DiagramTitle(rig->BaseName, generated)) });
    return { "Mixer diagram", diagram->picture.PictureSize(),
        [diagram](Canvas& canvas) { diagram->picture.Draw(canvas); }, std::move(caption) };
}

// The log10 pO2 map of every fed cell both stages reach; when none has one, why not.
void addMaps(const Rig& rig, std::pair<int, int> stages, RunReport& report)
{
    std::string problem;
    for (int c = 1; c <= MaxCells; ++c) {
        if (!isFedCell(rig.Cells[c]))
            continue;
        MapRequest request;
        request.Cell = c;
        request.StageX = stages.first;
        request.StageY = stages.second;
        OperatingMap map = ComputeOperatingMap(rig, request);
        // A cell the stages do not both feed has no map and needs no word.
        if (!map.Ok) {
            if (problem.empty() && map.Message.find("does not reach") == std::string::npos)
                problem = map.Message;
            continue;
        }
        std::string caption = "Operating map of " + cellTitle(rig, c) + ": its log10 pO2 over "
            + StageName(stages.first) + " and " + StageName(stages.second)
            + ", the other readings as they are. The cross marks the present readings, the "
              "ellipse 95 % of them when every meter is read to 1 % of its full scale (linear); "
              "hatched points have no value.";
        for (const std::string& note : map.Notes)
            caption += " " + shown(note) + ".";
        auto picture = std::make_shared<MapPicture>(std::move(map));
        report.Maps.push_back({ "Operating map of " + cellTitle(rig, c), MapPictureSize,
            [picture](Canvas& canvas) { picture->Draw(canvas); }, std::move(caption) });
    }
    if (report.Maps.empty())
        report.Messages.push_back("No operating map over " + StageName(stages.first) + " and "
            + StageName(stages.second) + ": "
            + (problem.empty() ? "no fed cell's gas passes both stages." : shown(problem)));
}

} // namespace

std::string EquilibriumNote(const RunReport& report)
{
    std::string note = "Main species: mole fractions of at least 1e-6 in some cell.";
    for (const ReportEquilibrium& row : report.Equilibria)
        if (!row.Result.Ok)
            note += " OC " + formatInt(row.Cell) + "; " + row.Name + ": "
                + shown(row.Result.Message) + ".";
    return note;
}

RunReport BuildRunReport(const Rig& original, ReportInputs inputs)
{
    auto shared = std::make_shared<Rig>(original);
    Rig& rig = *shared;
    RunReport report;
    report.Generated = std::move(inputs.Generated);
    report.Version = std::move(inputs.Version);
    addProvenance(original, report);
    report.Messages = std::move(inputs.Warnings);
    report.Notes = std::move(inputs.Notes);
    report.Uncertainties = std::move(inputs.Uncertainties);

    // The message of the run is what the run itself shows; the driver's notes are told apart.
    rig.Message1 = MessageLine {};
    std::optional<std::uint64_t> driverShown;
    ExecuteHooks hooks;
    hooks.StartEquilibriumCalculations = [&rig, &driverShown] {
        const std::uint64_t before = rig.Message1.Shown;
        StartEquilibriumCalculations(rig);
        if (rig.Message1.Shown != before)
            driverShown = rig.Message1.Shown;
    };
    hooks.CompareFlowModels = true;
    const RunOutcome outcome = Execute(rig, hooks);
    report.FlowUnit = shown(rig.Settings.FlowUnit);
    report.RunOk = outcome.status == RunStatus::Ok;
    report.RunError = std::string(outcome.message);
    if (rig.Message1.Visible && rig.Message1.Shown == driverShown) {
        if (auto note = driverNote(rig, rig.Message1.Text))
            report.Notes.push_back(std::move(*note));
    } else if (rig.Message1.Visible && rig.Message1.Text != outcome.message) {
        report.Messages.push_back("Message line: " + shown(rig.Message1.Text));
    }
    // Execute's own words for readings beyond their curves, so the report and the window agree.
    report.RunWarnings = outcome.warnings;
    for (const ReadingWarning& warning : outcome.warnings)
        report.Messages.push_back(shown(warning.Text));
    if (const std::string differences = ModelDifferencesMessage(outcome.differences);
        !differences.empty())
        report.Messages.push_back(shown(differences));

    for (int n = 1; n <= MaxInputGases; ++n)
        if (isSet(rig.InputGases[n].Defined))
            report.InputGases.push_back(gasName(rig, n) + ": " + composition(rig.InputGases[n]));

    for (int f = 1; f <= MaxFlowmeters; ++f) {
        const FlowmeterRecord& stage = rig.Flowmeters[f];
        if (!inUse(stage))
            continue;
        report.Stages.push_back({ f, meterOf(stage), gasName(rig, stage.Input), stage.Output,
            stage.Reading, report.RunOk ? stage.Flow : NoValue, fixGasText(stage) });
    }
    if (report.RunOk)
        for (int k = 1; k <= std::min<int>(rig.GasListCount, MaxComponents); ++k)
            report.GasList.push_back(shown(rig.GasList[k]));
    addCells(rig, report);
    if (!report.RunOk) {
        // The schematic as loaded shows what stopped the run (a loop of mixtures, say); the flows
        // it holds are not this run's and are drawn as not current.
        auto loaded = std::make_shared<Rig>(original);
        loaded->ResultsCurrent = false;
        report.Diagram = diagramOf(loaded, report.Generated,
            "The data set as loaded: the run stopped, so no flow is computed.");
        return report;
    }

    std::vector<const GibbsResult*> solved;
    for (CellGibbs& result : CellGibbsEquilibria(rig)) {
        if (!result.Result.Ok)
            report.Messages.push_back(
                cellTitle(rig, result.Cell) + ": no equilibrium: " + shown(result.Result.Message));
        else if (!result.Result.PO2Resolved)
            report.Messages.push_back(
                cellTitle(rig, result.Cell) + ": no log10 pO2: " + std::string(UnresolvedPO2));
        report.Equilibria.push_back(
            { result.Cell, shown(rig.Cells[result.Cell].Name.view()), std::move(result.Result) });
    }
    for (const ReportEquilibrium& row : report.Equilibria)
        solved.push_back(&row.Result);
    for (const std::string& name : SpeciesReaching(solved, MainSpeciesFraction)) {
        ReportSpecies species { shown(name), {} };
        for (const ReportEquilibrium& row : report.Equilibria)
            species.Fractions.push_back(row.Result.Ok ? row.Result.fraction(name) : NoValue);
        report.EquilibriumSpecies.push_back(std::move(species));
    }

    for (const ReportStage& stage : report.Stages)
        addCurves(rig, shared, stage.Stage, report);

    auto chart = std::make_shared<TVistrel>();
    ConfigurePO2Chart(*chart);
    chart->SetControlSize(PO2ChartArea);
    std::vector<PO2Curve> curves;
    if (ShowPO2Chart(*chart, rig, &curves) > 0) {
        std::string caption =
            "Each fed cell's gas; the vertical line and the cross mark the cell's own temperature.";
        // As in the window: the bands may widen the range, so the names are placed again.
        if (inputs.UncertaintyRun && DrawPO2Bands(*chart, *inputs.UncertaintyRun) > 0) {
            PlacePO2Labels(*chart, curves);
            caption += " The bar there holds 95 % of the cell's log10 pO2 under the meters' "
                       "accuracy.";
        }
        report.PO2Chart = ReportDrawing { "log10 pO2 against temperature", PO2ChartArea,
            [chart](Canvas& canvas) { chart->Render(canvas); }, std::move(caption) };
    } else if (!report.Cells.empty()) {
        report.Notes.emplace_back("No fed cell's gas holds oxygen: there is no pO2 chart.");
    }

    if (inputs.MapStages && report.RunOk)
        addMaps(rig, *inputs.MapStages, report);

    // Last, as it places the mixture boxes in the rig it draws.
    report.Diagram = diagramOf(shared, report.Generated, {});
    return report;
}

} // namespace meldrix
