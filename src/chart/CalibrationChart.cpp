#include "chart/CalibrationChart.h"

#include "calib/CalCurveLookup.h"
#include "common/TextFormat.h"

#include <cmath>
#include <string>
#include <vector>

namespace meldrix {

namespace {

// Distance of the title from the data area's top left corner [px].
constexpr int TitleOffset = 3;
constexpr Rgb Red { 255, 0, 0 };
constexpr int CrossArm = 4; // [px]

// Lines per segment that draw the monotone cubic between two points.
constexpr int CubicPieces = 16;

// The points 1..top the physical model reads the curve between, when they rise in reading and
// are finite numbers: then each segment between two of them is the cubic. Empty otherwise, and
// the chain of lines stays.
std::vector<CalPoint> cubicPoints(const CalCurveRecord& curve)
{
    int top = 0;
    for (int k = 1; k <= MaxCalPoints; ++k)
        if (curve.Points[k].Reading > (top == 0 ? 0.0 : curve.Points[top].Reading))
            top = k;
    std::vector<CalPoint> points;
    for (int k = 1; k <= top; ++k) {
        const CalPoint& point = curve.Points[k];
        if (!std::isfinite(point.Reading) || !std::isfinite(point.Flow)
            || (!points.empty() && point.Reading <= points.back().Reading))
            return {};
        points.push_back(point);
    }
    return points.size() >= 3 ? points : std::vector<CalPoint> {};
}

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

void ShowCalChart(
    TVistrel& chart, const CalCurveRecord& curve, int curveNumber, FlowModelKind model)
{
    const std::vector<CalPoint> cubic =
        model == FlowModelKind::Physical ? cubicPoints(curve) : std::vector<CalPoint> {};
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
        if (x2 == 0.0 && y2 == 0.0)
            continue;
        if (i + 1 > static_cast<int>(cubic.size())) {
            chart.AddLine(x1, y1, x2, y2);
            continue;
        }
        double fromX = x1;
        double fromY = y1;
        for (int piece = 1; piece <= CubicPieces; ++piece) {
            const double toX = piece == CubicPieces ? x2 : x1 + (x2 - x1) * piece / CubicPieces;
            const double toY = MonotoneCubic(cubic, toX);
            chart.AddLine(fromX, fromY, toX, toY);
            fromX = toX;
            fromY = toY;
        }
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

CalPointUsed UsedPointOf(const Rig& rig, int curve, double reading)
{
    CalPointUsed used { reading, 0.0, 0.0, CalPointPlace::NoFlow };
    if (!(reading > 0.0) || !std::isfinite(reading))
        return used;
    used.Flow = InterpolateCalCurve(rig, curve, reading);
    const auto clamp = ClampOfReading(rig, curve, reading);
    if (!clamp) {
        used.At = reading;
        used.Place = CalPointPlace::OnCurve;
    } else if (clamp->Kind != CurveClampKind::NoPoints) {
        used.At = clamp->Limit;
        used.Place = clamp->Kind == CurveClampKind::Above ? CalPointPlace::AboveTop
                                                          : CalPointPlace::BelowFirst;
    }
    return used;
}

void MarkUsedPoint(TVistrel& chart, const CalPointUsed& used)
{
    // A cross of CrossArm pixels each way, made of two chart lines in data units.
    const LayerMapping m = chart.Mapping(1);
    if (m.kx == 0 || m.ky == 0 || !std::isfinite(used.At) || !std::isfinite(used.Flow))
        return;
    const double dx = static_cast<double>(CrossArm / std::abs(m.kx));
    const double dy = static_cast<double>(CrossArm / std::abs(m.ky));
    const Rgb colour = chart.DataColor;
    const int width = chart.LineWidth;
    chart.DataColor = Red;
    chart.LineWidth = 2;
    chart.AddLine(used.At - dx, used.Flow - dy, used.At + dx, used.Flow + dy);
    chart.AddLine(used.At - dx, used.Flow + dy, used.At + dx, used.Flow - dy);
    chart.DataColor = colour;
    chart.LineWidth = width;
    if (used.Place == CalPointPlace::OnCurve)
        return;

    // The reading itself lies off the chart: its value stands beside the end it was taken at,
    // towards the middle of the data area.
    TTextLabel& label = *chart.TextLabel(2);
    label.Caption = "reading " + formatSignificant(used.Reading, 6)
        + (used.Place == CalPointPlace::NoFlow ? ": no flow" : "");
    label.FontColor = Red;
    label.PosX = used.At;
    label.PosY = used.Flow;
    label.AttachToData = TLabelAttachMode::tlamBoth;
    const bool top = used.Place == CalPointPlace::AboveTop;
    label.Alignment = top ? TLabelAlignment::Right : TLabelAlignment::Left;
    label.VerticalAlignment = top ? TLabelVerticalAlignment::Top : TLabelVerticalAlignment::Bottom;
    label.Mode = TTextLabelMode::tlsimple;
    label.Visible = true;
    chart.Repaint();
}

} // namespace meldrix
