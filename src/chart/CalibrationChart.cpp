#include "chart/CalibrationChart.h"

#include <string>

namespace meldrix {

namespace {

// Distance of the title from the data area's top left corner [px].
constexpr int TitleOffset = 3;

} // namespace

void ConfigureCalChart(TVistrel& chart)
{
    chart.SetControlSize({ 235, 193 });
    chart.SetMarginRight(20);
    chart.SetMarginTop(20);
    chart.SetMarginBottom(40);
    chart.CaptionPosY = -16;
    UsePlainScales(chart, 3, 1e-10);
}

void ShowCalChart(TVistrel& chart, const CalCurveRecord& curve, int curveNumber)
{
    chart.ClearItems();
    chart.SetLayerRanges(0, 0, 0, 0, 0);
    TScaleProps& x = chart.Scale1X();
    TScaleProps& y = chart.Scale1Y();
    for (int i = 1; i < MaxCalPoints; ++i) {
        const double x1 = curve.Points[i].Reading;
        const double y1 = curve.Points[i].Flow;
        const double x2 = curve.Points[i + 1].Reading;
        const double y2 = curve.Points[i + 1].Flow;
        if (x.RangeLow() > x1)
            x.SetRangeLow(x1);
        if (x.RangeHigh() < x2)
            x.SetRangeHigh(x2);
        if (y.RangeLow() > y1)
            y.SetRangeLow(y1);
        if (y.RangeHigh() < y2)
            y.SetRangeHigh(y2);
        // A point (0, 0) is a point not filled in: the line stops before it.
        if (!(x2 == 0.0 && y2 == 0.0))
            chart.AddLine(x1, y1, x2, y2);
    }
    // The title sits in the top left corner of the data area, where a rising curve never runs,
    // whatever the curve's ranges.
    TTextLabel& title = *chart.TextLabel(1);
    title.Caption = "Calibration curve " + std::to_string(curveNumber);
    title.FontColor = { 255, 0, 0 };
    title.PosX = TitleOffset;
    title.PosY = TitleOffset;
    title.AttachToData = TLabelAttachMode::tlamNone;
    title.Alignment = TLabelAlignment::Left;
    title.VerticalAlignment = TLabelVerticalAlignment::Top;
    title.Mode = TTextLabelMode::tlsimple;
    title.Visible = true;
    chart.Repaint();
}

} // namespace meldrix
