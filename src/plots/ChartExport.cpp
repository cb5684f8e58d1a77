#include "plots/ChartExport.h"

#include "common/ShiftedCanvas.h"
#include "common/SvgCanvas.h"
#include "common/TextFormat.h"
#include "common/TextWrap.h"
#include "plots/CalibrationChart.h"

#include <algorithm>
#include <cmath>

namespace meldrix {

namespace {

constexpr int Pad = 4; // [px] around the title lines

std::string orDash(std::string_view text)
{
    return text.empty() ? std::string("-") : std::string(text);
}

} // namespace

CalChartPicture::CalChartPicture(const Rig& rig, int curveNumber, std::optional<CalPointUsed> used)
{
    const CalCurveRecord& curve = rig.CalCurves[curveNumber];
    ConfigureCalChart(m_chart);
    ShowCalChart(m_chart, curve, curveNumber, rig.Settings.FlowModel);
    if (!rig.Settings.FlowUnit.empty())
        m_flowTitle += " [" + rig.Settings.FlowUnit + "]";
    if (used)
        MarkUsedPoint(m_chart, *used);
    const std::string title =
        "Calibration curve " + formatInt(curveNumber) + ": " + orDash(curve.Gas.view());
    const std::string meter = "Meter " + orDash(curve.Make.view()) + ", size "
        + orDash(curve.Size.view()) + ", float " + orDash(curve.Float.view());
    // Measured in the window's font, which both faces of the picture draw in.
    const SvgCanvas measure({ 0, 0 });
    const Size chart = m_chart.ControlSize();
    const int width = chart.width - m_chart.MarginLeft() - m_chart.MarginRight();
    m_titleLines = WrapText(measure, title, width);
    for (std::string& line : WrapText(measure, meter, width))
        m_titleLines.push_back(std::move(line));
    m_size = chart;
    for (const std::string& line : m_titleLines)
        m_size.height += measure.textSize(line).height;
    m_size.height += Pad;
}

void CalChartPicture::Draw(Canvas& canvas)
{
    const Size chart = m_chart.ControlSize();
    const int band = m_size.height - chart.height;
    canvas.setFill(m_chart.WindColor);
    canvas.fillRect({ 0, 0 }, { m_size.width, m_size.height });
    canvas.setTextColour({ 0, 0, 0 });
    int y = Pad;
    for (const std::string& line : m_titleLines) {
        canvas.textOut({ Pad, y }, line);
        y += canvas.textSize(line).height;
    }

    ShiftedCanvas shifted(canvas, { 0, band });
    m_chart.Render(shifted);
    // The axis titles sit in the margins the scales leave free: flows above the left scale,
    // readings below the bottom one's figures.
    canvas.setFill(m_chart.WindColor);
    canvas.setTextColour({ 0, 0, 0 });
    canvas.textOut({ Pad, band + 2 }, m_flowTitle);
    const int dataLeft = m_chart.MarginLeft();
    const int dataRight = chart.width - m_chart.MarginRight();
    const Size reading = canvas.textSize("Reading");
    canvas.textOut(
        { (dataLeft + dataRight - reading.width) / 2, m_size.height - reading.height - 2 },
        "Reading");
}

std::string CalibrationChartSvg(const Rig& rig, int curveNumber, std::optional<CalPointUsed> used)
{
    CalChartPicture picture(rig, curveNumber, used);
    const Size size = picture.PictureSize();
    SvgCanvas canvas(size);
    canvas.setDisplaySize({ size.width * CalChartExportScale, size.height * CalChartExportScale });
    picture.Draw(canvas);
    return canvas.document();
}

} // namespace meldrix
