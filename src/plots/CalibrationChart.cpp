#include "plots/CalibrationChart.h"

#include "calib/CalCurveLookup.h"
#include "common/TextFormat.h"
#include "target/GasPaths.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace meldrix {

namespace {

// Distance of the title from the data area's top left corner [px].
constexpr int TitleOffset = 3;
// Lines per stretch between two neighbouring points that draw the function Execute reads: a
// polynomial of degree 19 turns at most a few times there.
constexpr int CurvePieces = 16;
constexpr int PointMarkSize = 5; // [px]
constexpr int UsedLabel = 2;
constexpr int NoteLabel = 3;
constexpr int NotTakenLabel = 4;

struct Sample {
    double reading = 0.0;
    double flow = 0.0;
};

// The function the model reads, from the first point to the top point: the readings it is read
// at are those of the points in between and CurvePieces steps between each two of them.
std::vector<Sample> curveSamples(const CalCurveRecord& curve, FlowModelKind model)
{
    const int top = SpanOfReading(curve, 1.0).Top;
    if (top == 0)
        return {};
    // No reading of 0 or less gives a flow: the function starts above 0.
    const double first = curve.Points[1].Reading;
    const double low = std::isfinite(first) && first > 0 ? first : 0.0;
    const double high = curve.Points[top].Reading;
    if (!(high > low))
        return {};
    std::vector<double> stops { low, high };
    for (int k = 1; k < top; ++k) {
        const double reading = curve.Points[k].Reading;
        if (reading > low && reading < high)
            stops.push_back(reading);
    }
    std::sort(stops.begin(), stops.end());
    stops.erase(std::unique(stops.begin(), stops.end()), stops.end());

    const CurveInterpolation read = InterpolationOf(model);
    std::vector<Sample> samples { { low, read(curve, low) } };
    for (std::size_t i = 0; i + 1 < stops.size(); ++i)
        for (int piece = 1; piece <= CurvePieces; ++piece) {
            const double reading = piece == CurvePieces
                ? stops[i + 1]
                : stops[i] + (stops[i + 1] - stops[i]) * piece / CurvePieces;
            samples.push_back({ reading, read(curve, reading) });
        }
    return samples;
}

// Widens the flow range to the function's values, by at most the range's own span each way: a
// polynomial that runs far off stays visible as leaving the chart, and the points stay legible.
void enclose(TScaleProps& y, const std::vector<Sample>& samples)
{
    const double low = y.RangeLow();
    const double high = y.RangeHigh();
    const double span = high - low;
    if (!std::isfinite(span))
        return;
    double least = low;
    double most = high;
    for (const Sample& sample : samples)
        if (std::isfinite(sample.flow)) {
            least = std::min(least, sample.flow);
            most = std::max(most, sample.flow);
        }
    if (least < low)
        y.SetRangeLow(std::max(least, low - span));
    if (most > high)
        y.SetRangeHigh(std::min(most, high + span));
}

void drawCurve(TVistrel& chart, const std::vector<Sample>& samples)
{
    const Rgb colour = chart.DataColor;
    const std::uint8_t itemClass = chart.ClassDefault;
    chart.DataColor = CalCurveColour;
    chart.ClassDefault = CalCurveClass;
    for (std::size_t i = 0; i + 1 < samples.size(); ++i)
        chart.AddLine(
            samples[i].reading, samples[i].flow, samples[i + 1].reading, samples[i + 1].flow);
    chart.ClassDefault = itemClass;
    chart.DataColor = colour;
}

void markPoints(TVistrel& chart, const CalCurveRecord& curve)
{
    const std::uint8_t itemClass = chart.ClassDefault;
    chart.ClassDefault = CalPointClass;
    // A first point (0, 0) is the origin, a point of the curve like any other.
    for (int k = 1; k <= MaxCalPoints; ++k)
        if (k == 1 || curve.Points[k] != CalPoint {})
            chart.AddMark(
                curve.Points[k].Reading, curve.Points[k].Flow, TMarkShape::Square, PointMarkSize);
    chart.ClassDefault = itemClass;
}

void clearLabel(TVistrel& chart, int label)
{
    TTextLabel& text = *chart.TextLabel(label);
    text.Mode = TTextLabelMode::tlOff;
    text.Visible = false;
}

// A text in the data area, in pixels from its top left corner.
void placeLabel(TVistrel& chart, int label, std::string caption, Rgb colour, double x, double y,
    TLabelAlignment alignment, TLabelVerticalAlignment vertical)
{
    TTextLabel& text = *chart.TextLabel(label);
    text.place(std::move(caption), colour, x, y);
    text.AttachToData = TLabelAttachMode::tlamNone;
    text.Alignment = alignment;
    text.VerticalAlignment = vertical;
    text.Mode = TTextLabelMode::tlsimple;
}
constexpr Rgb Red { 255, 0, 0 };
constexpr int CrossArm = 4; // [px]

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
    for (const int label : { UsedLabel, NoteLabel, NotTakenLabel })
        clearLabel(chart, label);

    // Without a point above 0 no reading gives a flow. An empty curve has no ranges worth a
    // scale: its axes would be labelled in steps of 1e-11, one label over the next.
    const bool empty = std::all_of(curve.Points.all().begin(), curve.Points.all().end(),
        [](const CalPoint& point) { return point == CalPoint {}; });
    x.SetVisible(!empty);
    y.SetVisible(!empty);
    const int dataWidth = chart.ControlSize().width - chart.MarginLeft() - chart.MarginRight();
    const int dataHeight = chart.ControlSize().height - chart.MarginTop() - chart.MarginBottom();
    if (SpanOfReading(curve, 1.0).Top == 0) {
        placeLabel(chart, NoteLabel, empty ? "no points" : "no point above 0: no flow",
            chart.ChartFrameColor, dataWidth / 2.0, dataHeight / 2.0, TLabelAlignment::Centre,
            TLabelVerticalAlignment::Centre);
    } else {
        const std::vector<Sample> samples = curveSamples(curve, model);
        enclose(y, samples);
        drawCurve(chart, samples);
        markPoints(chart, curve);
    }

    // The title sits in the top left corner of the data area, where a rising curve never runs,
    // whatever the curve's ranges.
    placeLabel(chart, 1, "Calibration curve " + std::to_string(curveNumber), { 255, 0, 0 },
        TitleOffset, TitleOffset, TLabelAlignment::Left, TLabelVerticalAlignment::Top);
    chart.Repaint();
}

void MarkNotTaken(TVistrel& chart)
{
    const int dataWidth = chart.ControlSize().width - chart.MarginLeft() - chart.MarginRight();
    const int dataHeight = chart.ControlSize().height - chart.MarginTop() - chart.MarginBottom();
    placeLabel(chart, NotTakenLabel, std::string(NotTakenNote), { 160, 96, 0 },
        dataWidth - TitleOffset, dataHeight - TitleOffset, TLabelAlignment::Right,
        TLabelVerticalAlignment::Bottom);
    chart.Repaint();
}

CalPointUsed UsedPointOf(const Rig& rig, int curve, double reading)
{
    return UsedPointOf(rig.CalCurves[curve], reading, rig.Settings.FlowModel);
}

CalPointUsed UsedPointOf(const CalCurveRecord& curve, double reading, FlowModelKind model)
{
    CalPointUsed used { reading, 0.0, 0.0, CalPointPlace::NoFlow };
    if (!(reading > 0.0) || !std::isfinite(reading))
        return used;
    used.Flow = InterpolationOf(model)(curve, reading);
    const auto clamp = ClampOfReading(curve, reading);
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

std::vector<CalPointUsed> UsedPointsOn(const Rig& rig, int curve, const CalCurveRecord& points)
{
    std::vector<CalPointUsed> used;
    if (!rig.ResultsCurrent)
        return used;
    const GasPaths paths(rig, GasPaths::PositiveReadings(rig));
    for (int f = 1; f <= MaxFlowmeters; ++f) {
        const FlowmeterRecord& stage = rig.Flowmeters[f];
        // A reading of 0 looks at no curve; a negative one is named, giving no flow.
        if (!IsComputedStage(stage) || stage.Reading == 0.0 || !std::isfinite(stage.Reading))
            continue;
        for (const CurveRange& range : StageCurves(rig, f, paths.metered(f)))
            if (range.Curve == curve)
                used.push_back(UsedPointOf(points, stage.Reading, rig.Settings.FlowModel));
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
    TTextLabel& label = *chart.TextLabel(UsedLabel);
    label.place("reading " + formatSignificant(used.Reading, 6)
            + (used.Place == CalPointPlace::NoFlow ? ": no flow" : ""),
        Red, used.At, used.Flow);
    label.AttachToData = TLabelAttachMode::tlamBoth;
    const bool top = used.Place == CalPointPlace::AboveTop;
    label.Alignment = top ? TLabelAlignment::Right : TLabelAlignment::Left;
    label.VerticalAlignment = top ? TLabelVerticalAlignment::Top : TLabelVerticalAlignment::Bottom;
    label.Mode = TTextLabelMode::tlsimple;
    chart.Repaint();
}

} // namespace meldrix
