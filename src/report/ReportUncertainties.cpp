#include "common/Latin1.h"
#include "common/TextFormat.h"
#include "report/RunReport.h"
#include "uncertainty/UncertaintyRemarks.h"

#include <array>
#include <cmath>
#include <limits>

namespace meldrix {

namespace {

std::string number(double value)
{
    return formatSignificant(value, 4);
}

// The deviations used, not the settings alone: a stage given its own --sd shows it.
std::string methodText(const UncertaintyResult& result)
{
    std::string text = result.Method == UncertaintyMethod::MonteCarlo
        ? "standard deviations of " + formatInt(result.Samples) + " Monte Carlo samples (seed "
            + std::to_string(result.Seed) + ")"
        : std::string("standard deviations by linear propagation");
    std::vector<std::string> readings;
    for (const UncertaintyInput& input : result.Inputs)
        readings.push_back("stage " + formatInt(input.Stage) + " \u00B1 " + number(input.Sd));
    if (readings.empty())
        text += ", with no reading uncertain";
    else
        text += ", from readings " + listed(readings) + " (" + number(result.FullScalePercent)
            + " % of full scale unless given)";
    if (result.FlowPercent > 0)
        text += " and calibrated flows \u00B1 " + number(result.FlowPercent) + " %";
    return text;
}

} // namespace

void AddUncertainties(ReportInputs& inputs, const UncertaintyResult& result)
{
    if (!result.Ok)
        return;
    ReportUncertainties spread;
    spread.Method = methodText(result);
    spread.Log10PO2.fill(std::numeric_limits<double>::quiet_NaN());
    for (const CellUncertainty& cell : result.Cells) {
        if (!OneBased<double, MaxCells>::inRange(cell.Cell))
            continue;
        for (const GasSpread& gas : cell.Gases)
            spread.Fractions[cell.Cell].push_back(gas.Fraction.Sd);
        if (cell.Log10PO2) {
            spread.Log10PO2[cell.Cell] = cell.Log10PO2->Sd;
            if (cell.Log10PO2->P2_5 && cell.Log10PO2->P97_5)
                spread.Log10PO2Band[cell.Cell] =
                    std::array { *cell.Log10PO2->P2_5, *cell.Log10PO2->P97_5 };
        }
    }
    // The report's own equilibrium table says which cells have no log10 pO2.
    for (const UncertaintyRemark& remark : UncertaintyRemarks(result))
        if (remark.Kind != RemarkKind::NoPO2)
            (IsWarning(remark) ? inputs.Warnings : inputs.Notes)
                .push_back(shownLatin1ToUtf8(remark.Text));
    inputs.Uncertainties = std::move(spread);
    inputs.UncertaintyRun = result;
}

} // namespace meldrix
