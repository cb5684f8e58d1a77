#include "chart/ChartExport.h"

#include "chart/CalibrationChart.h"
#include "common/SvgCanvas.h"

namespace meldrix {

std::string CalibrationChartSvg(const Rig& rig, int curveNumber)
{
    TVistrel chart;
    ConfigureCalChart(chart);
    ShowCalChart(chart, rig.CalCurves[curveNumber], curveNumber);
    SvgCanvas canvas(chart.ControlSize());
    chart.Render(canvas);
    return canvas.document();
}

} // namespace meldrix
