#include "report/RunReport.h"

#include "calib/CalCurveLookup.h"
#include "chart/ChartExport.h"
#include "chart/PO2Bands.h"
#include "chart/PO2Chart.h"
#include "common/TextFormat.h"
#include "diagram/DiagramExport.h"
#include "equil/CellGibbs.h"
#include "equil/EquilibriumDriver.h"
#include "mixer/Execute.h"
#include "mixer/FixGasStage.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace meldrix {

namespace {

constexpr Size PO2ChartArea { 640, 400 };
constexpr double NoValue = std::numeric_limits<double>::quiet_NaN();

std::string shortNumber(double value)
{
    return formatSignificant(value, 6);
}

std::string gasName(const Rig& rig, int n)
{
    if (n <= MaxInputGases)
        return "I" + formatInt(n) + " " + std::string(rig.InputGases[n].Name.view());
    return "M" + formatInt(n - MaxInputGases);
}

std::string cellTitle(const Rig& rig, int c)
{
    return "OC " + formatInt(c) + "; " + std::string(rig.Cells[c].Name.view());
}

std::string composition(const GasRecord& gas)
{
    std::vector<std::string> parts;
    for (const GasComponent& slot : gas.Components)
        if (slot.Fraction != 0.0 || !slot.Name.view().empty())
            if (!trimBlanks(slot.Name.view()).empty())
                parts.push_back(std::string(slot.Name.view()) + " " + shortNumber(slot.Fraction));
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : ", ") + part;
    return text;
}

std::string fixGasText(const FlowmeterRecord& stage)
{
    if (!isSet(stage.FixGasUsed))
        return {};
    return std::string(stage.FixGas.view()) + " " + std::string(stage.FixGasType.view()) + " at "
        + formatFixed(stage.FixGasT, 0, 1) + " \xB0" + "C, "
        + (isSet(stage.FixGasBefore) ? "before" : "after") + " the meter";
}

// A stage the run computes: a source among I1..I16 and M1..M16 and a mixture to feed.
bool inUse(const FlowmeterRecord& stage)
{
    return OneBased<GasRecord, MaxGases>::inRange(stage.Input) && stage.Output >= 1
        && stage.Output <= MaxMixtures;
}

std::string meterOf(std::string_view make, std::string_view size, std::string_view floatText)
{
    return std::string(make) + " " + std::string(size) + " " + std::string(floatText);
}

// What in the chosen curve is not what the stage and gas ask for.
std::string mismatch(
    const FlowmeterRecord& stage, int f, const CalCurveRecord& curve, std::string_view gas)
{
    std::vector<std::string> fields;
    if (curve.Make.view() != stage.Make.view())
        fields.emplace_back("make");
    if (curve.Size.view() != stage.Size.view())
        fields.emplace_back("size");
    if (curve.Float.view() != stage.Float.view())
        fields.emplace_back("float");
    if (curve.Gas.view() != gas)
        fields.emplace_back("gas");
    if (curve.Flowmeter != f)
        fields.emplace_back("stage");
    return listed(fields);
}

void addCurves(Rig& rig, std::shared_ptr<Rig> shared, int f, RunReport& report)
{
    const FlowmeterRecord& stage = rig.Flowmeters[f];
    if (!(stage.Reading > 0.0) || !std::isfinite(stage.Reading))
        return; // no curve is looked at
    // The gases the meter sees: after a fix-gas stage placed before it.
    rig.WorkComposition = rig.Gases[stage.Input].Components;
    if (isSet(stage.FixGasUsed) && isSet(stage.FixGasBefore))
        ApplyFixGasStage(rig, f);
    const Composition seen = rig.WorkComposition;
    for (const GasComponent& slot : seen) {
        if (!(slot.Fraction > 0.0))
            continue;
        const std::string gas(slot.Name.view());
        const int c = FindCalCurve(rig, f, gas);
        const double flow = InterpolateCalCurve(rig, c, stage.Reading);
        const CalCurveRecord& curve = rig.CalCurves[c];
        const std::string where = "Stage " + formatInt(f) + ", " + gas + ": ";
        if (const std::string fields = mismatch(stage, f, curve, gas); !fields.empty())
            report.Messages.push_back(where + "calibration curve " + formatInt(c)
                + " is used, whose " + fields + " differ from the stage's");
        auto picture =
            std::make_shared<CalChartPicture>(*shared, c, CalPointUsed { stage.Reading, flow });
        report.Curves.push_back({ f, gas, c, stage.Reading, flow,
            { "Stage " + formatInt(f) + ", " + gas + ": calibration curve " + formatInt(c),
                picture->PictureSize(), [picture](Canvas& canvas) { picture->Draw(canvas); },
                {} } });
    }
}

// The diagram's picture keeps the rig it draws alive.
struct DiagramOfRun {
    std::shared_ptr<Rig> rig;
    DiagramPicture picture;
};

} // namespace

RunReport BuildRunReport(const Rig& original, ReportInputs inputs)
{
    auto shared = std::make_shared<Rig>(original);
    Rig& rig = *shared;
    RunReport report;
    const std::string_view base = rig.BaseName;
    const auto slash = base.find_last_of('/');
    report.DataSet = std::string(slash == std::string_view::npos ? base : base.substr(slash + 1));
    report.Folder =
        slash == std::string_view::npos ? std::string(".") : std::string(base.substr(0, slash));
    report.Generated = std::move(inputs.Generated);
    report.Version = std::move(inputs.Version);
    report.Messages = std::move(inputs.Warnings);
    report.Uncertainties = std::move(inputs.Uncertainties);

    // The message of the run is what the run itself shows.
    rig.Message1 = MessageLine {};
    ExecuteHooks hooks;
    hooks.StartEquilibriumCalculations = [&rig] { StartEquilibriumCalculations(rig); };
    hooks.CompareFlowModels = true;
    const RunOutcome outcome = Execute(rig, hooks);
    report.FlowModel = FlowModelTitle(outcome.model);
    report.FlowUnit = rig.Settings.FlowUnit;
    report.RunOk = outcome.status == RunStatus::Ok;
    report.RunError = std::string(outcome.message);
    if (rig.Message1.Visible && rig.Message1.Text != outcome.message)
        report.Messages.push_back("Message line: " + rig.Message1.Text);
    // Execute's own words for readings beyond their curves, so the report and the window agree.
    report.RunWarnings = outcome.warnings;
    for (const ReadingWarning& warning : outcome.warnings)
        report.Messages.push_back(warning.Text);
    report.RunModelDifferences = outcome.differences;
    if (const std::string differences = ModelDifferencesMessage(outcome.differences);
        !differences.empty())
        report.Messages.push_back(differences);

    for (int n = 1; n <= MaxInputGases; ++n)
        if (isSet(rig.InputGases[n].Defined))
            report.InputGases.push_back(gasName(rig, n) + ": " + composition(rig.InputGases[n]));

    for (int f = 1; f <= MaxFlowmeters; ++f) {
        const FlowmeterRecord& stage = rig.Flowmeters[f];
        if (!inUse(stage))
            continue;
        report.Stages.push_back(
            { f, meterOf(stage.Make.view(), stage.Size.view(), stage.Float.view()),
                gasName(rig, stage.Input), stage.Output, stage.Reading,
                report.RunOk ? stage.Flow : NoValue, fixGasText(stage) });
    }
    if (!report.RunOk)
        return report; // the inputs are all a stopped run can show truthfully

    for (int k = 1; k <= std::min<int>(rig.GasListCount, MaxComponents); ++k)
        report.GasList.push_back(rig.GasList[k]);
    for (int c = 1; c <= MaxCells; ++c) {
        const CellRecord& cell = rig.Cells[c];
        if (!isFedCell(cell))
            continue;
        ReportCell row { c, std::string(cell.Name.view()), cell.Mix, cell.Temp, cell.Pressure, {} };
        for (int k = 1; k <= static_cast<int>(report.GasList.size()); ++k)
            row.Fractions.push_back(rig.CellGases[c][k].Fraction);
        report.Cells.push_back(std::move(row));
    }

    std::vector<const GibbsResult*> solved;
    for (CellGibbs& result : CellGibbsEquilibria(rig)) {
        if (!result.Result.Ok)
            report.Messages.push_back(
                cellTitle(rig, result.Cell) + ": no equilibrium: " + result.Result.Message);
        report.Equilibria.push_back({ result.Cell, std::string(rig.Cells[result.Cell].Name.view()),
            std::move(result.Result) });
    }
    for (const ReportEquilibrium& row : report.Equilibria)
        solved.push_back(&row.Result);
    report.EquilibriumSpecies = SpeciesReaching(solved, MainSpeciesFraction);

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
    } else if (!report.Cells.empty())
        report.Messages.emplace_back("No fed cell's gas holds oxygen: there is no pO2 chart.");

    // Last, as it places the mixture boxes in the rig it draws.
    auto diagram = std::make_shared<DiagramOfRun>(DiagramOfRun {
        shared, DiagramPicture(*shared, DiagramTitle(rig.BaseName, report.Generated)) });
    report.Diagram = ReportDrawing { "Mixer diagram", diagram->picture.PictureSize(),
        [diagram](Canvas& canvas) { diagram->picture.Draw(canvas); }, {} };
    return report;
}

} // namespace meldrix
