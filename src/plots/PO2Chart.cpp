#include "plots/PO2Chart.h"

#include "chart/ClipSegment.h"
#include "common/SvgCanvas.h"
#include "common/TextFormat.h"
#include "equil/CellGibbs.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>
#include <vector>

namespace meldrix {

namespace {

// One colour per cell, told apart on the white data area.
constexpr std::array<Rgb, MaxCells> CellColours { Rgb { 200, 0, 0 }, Rgb { 0, 0, 220 },
    Rgb { 0, 140, 0 }, Rgb { 200, 0, 200 }, Rgb { 230, 120, 0 }, Rgb { 0, 140, 140 },
    Rgb { 120, 70, 0 }, Rgb { 0, 0, 0 } };

constexpr int MarkArm = 4; // [px] of the cross at a cell's operating point
// [px] between a name and its curve: close where there is room, farther off where curves crowd.
constexpr int LabelGaps[] = { 3, 10, 20, 35 };

struct Box {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};

bool overlaps(const Box& a, const Box& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Whether the segment from (x1, y1) to (x2, y2) runs through the box.
bool crosses(double x1, double y1, double x2, double y2, const Box& box)
{
    return ClipSegment(x1, y1, x2, y2, box.left, box.top, box.right, box.bottom);
}

// Places each cell's name next to its curve where the name's box meets no line of the chart and
// no other name; where no such place exists, the place that meets the fewest lines.
void placeLabels(TVistrel& chart, std::span<const PO2Curve> curves, std::span<const int> labels)
{
    const SvgCanvas measure({ 0, 0 }); // the window's font, which both faces draw in
    const Size size = chart.ControlSize();
    const Box area { double(chart.MarginLeft() + 2), double(chart.MarginTop() + 2),
        double(size.width - chart.MarginRight() - 2),
        double(size.height - chart.MarginBottom() - 2) };
    const LayerMapping m = chart.Mapping(1);
    if (m.kx == 0 || m.ky == 0)
        return;
    std::vector<Box> segments;
    for (const TVistrelItem& item : chart.Items()) {
        const Point a = chart.DataToPixel(item.layer, item.x1, item.y1);
        const Point b = chart.DataToPixel(item.layer, item.x2, item.y2);
        segments.push_back({ double(a.x), double(a.y), double(b.x), double(b.y) });
    }
    std::vector<Box> placed;
    const auto hits = [&](const Box& box) {
        int count = 0;
        for (const Box& s : segments)
            count += crosses(s.left, s.top, s.right, s.bottom, box) ? 1 : 0;
        for (const Box& other : placed)
            count += overlaps(box, other) ? 1000 : 0;
        return count;
    };
    const int count = static_cast<int>(curves.size());
    for (int k = 0; k < count; ++k) {
        const PO2Curve& curve = curves[static_cast<std::size_t>(k)];
        TTextLabel& label = *chart.TextLabel(labels[static_cast<std::size_t>(k)]);
        const Size text = measure.textSize(label.Caption);
        const int points = static_cast<int>(curve.Points.size());
        // Tried from the place spread along the temperatures outwards, above and below, nearest
        // first.
        const int preferred = points * (k + 1) / (count + 1);
        Box best;
        int bestHits = -1;
        const auto tryAt = [&](int i, int gap) {
            const auto& point = curve.Points[static_cast<std::size_t>(i)];
            const Point at = chart.DataToPixel(1, point.first, point.second);
            for (const int side : { -1, 1 }) {
                const double top = side < 0 ? at.y - gap - text.height - 1 : at.y + gap;
                const Box box { double(at.x - text.width / 2 - 2), top,
                    double(at.x + text.width / 2 + 2), top + text.height + 1 };
                if (box.left < area.left || box.right > area.right || box.top < area.top
                    || box.bottom > area.bottom)
                    continue;
                const int n = hits(box);
                if (bestHits < 0 || n < bestHits) {
                    best = box;
                    bestHits = n;
                }
                if (n == 0)
                    return;
            }
        };
        for (const int gap : LabelGaps)
            for (int step = 0; step < 2 * points && bestHits != 0; ++step) {
                const int i = preferred + (step % 2 == 0 ? step / 2 : -(step / 2 + 1));
                if (i >= 0 && i < points)
                    tryAt(i, gap);
            }
        if (bestHits < 0)
            continue; // no room inside the data area: the label keeps its place on the curve
        placed.push_back(best);
        label.Alignment = TLabelAlignment::Left;
        label.VerticalAlignment = TLabelVerticalAlignment::Top;
        label.PosX = static_cast<double>((best.left + 2 - m.ox) / m.kx);
        label.PosY = static_cast<double>((best.top + 1 - m.oy) / m.ky);
    }
}

} // namespace

Rgb PO2CellColour(int cell)
{
    return OneBased<Rgb, MaxCells>::inRange(cell) ? CellColours[static_cast<std::size_t>(cell - 1)]
                                                  : Rgb { 128, 128, 128 };
}

void ConfigurePO2Chart(TVistrel& chart)
{
    chart.SetMarginLeft(50);
    chart.SetMarginRight(20);
    chart.SetMarginTop(24);
    chart.SetMarginBottom(40);
    chart.Caption = "log10 pO2 [bar] of each fed cell's gas against its temperature [\xB0"
                    "C]";
    chart.CaptionPosY = -18;
    UsePlainScales(chart, 5, 1.0);
}

int ShowPO2Chart(TVistrel& chart, const Rig& rig, std::vector<PO2Curve>* drawn)
{
    auto curves = PO2Curves(rig, PO2ChartFrom, PO2ChartTo, PO2ChartStep);
    chart.ClearItems();
    double low = 0.0;
    double high = 0.0;
    bool first = true;
    for (const PO2Curve& curve : curves)
        for (const auto& [celsius, log10PO2] : curve.Points) {
            low = first ? log10PO2 : std::min(low, log10PO2);
            high = first ? log10PO2 : std::max(high, log10PO2);
            first = false;
        }
    // Whole decades at both ends, so the curves never touch the frame.
    chart.SetLayerRanges(1, PO2ChartFrom, std::floor(low) - 1.0, PO2ChartTo, std::ceil(high) + 1.0);

    for (int c = 1; c <= MaxCells; ++c)
        chart.TextLabel(c)->Visible = false;
    const int count = static_cast<int>(curves.size());
    for (int k = 0; k < count; ++k) {
        const PO2Curve& curve = curves[static_cast<std::size_t>(k)];
        chart.DataColor = PO2CellColour(curve.Cell);
        chart.LineWidth = 2;
        for (std::size_t i = 1; i < curve.Points.size(); ++i)
            chart.AddLine(curve.Points[i - 1].first, curve.Points[i - 1].second,
                curve.Points[i].first, curve.Points[i].second);
        // Names spread along the temperatures, so that curves close together keep theirs apart.
        const std::size_t at = curve.Points.size() * static_cast<std::size_t>(k + 1)
            / static_cast<std::size_t>(count + 1);
        TTextLabel& label = *chart.TextLabel(curve.Cell);
        label.place(
            "OC " + formatInt(curve.Cell) + "; " + std::string(rig.Cells[curve.Cell].Name.view()),
            chart.DataColor, curve.Points[at].first, curve.Points[at].second);
        label.Layer = 1;
        label.AttachToData = TLabelAttachMode::tlamBoth;
        label.Alignment = TLabelAlignment::Centre;
        label.VerticalAlignment = TLabelVerticalAlignment::Bottom;
        label.Transparent = true;
        label.Mode = TTextLabelMode::tlsimple;
    }
    // Each cell's own temperature: a line across the chart and a cross where its gas is.
    const LayerMapping m = chart.Mapping(1);
    for (const PO2Curve& curve : curves) {
        const CellRecord& cell = rig.Cells[curve.Cell];
        chart.DataColor = CellColours[static_cast<std::size_t>(curve.Cell - 1)];
        chart.LineWidth = 1;
        chart.AddLine(cell.Temp, std::floor(low) - 1.0, cell.Temp, std::ceil(high) + 1.0);
        const GibbsResult at = CellGibbsAt(rig, curve.Cell, cell.Temp);
        if (at.Ok && at.PO2Resolved && std::isfinite(at.Log10PO2)) {
            // A chart not yet given its size has no pixels to speak of: a hundredth of the ranges.
            const double dx = m.kx != 0 ? static_cast<double>(MarkArm / std::abs(m.kx))
                                        : (PO2ChartTo - PO2ChartFrom) / 100.0;
            const double dy = m.ky != 0 ? static_cast<double>(MarkArm / std::abs(m.ky))
                                        : (std::ceil(high) - std::floor(low) + 2.0) / 100.0;
            chart.LineWidth = 2;
            chart.AddLine(cell.Temp - dx, at.Log10PO2 - dy, cell.Temp + dx, at.Log10PO2 + dy);
            chart.AddLine(cell.Temp - dx, at.Log10PO2 + dy, cell.Temp + dx, at.Log10PO2 - dy);
        }
    }
    PlacePO2Labels(chart, curves);
    chart.LineWidth = 1;
    chart.DataColor = { 0, 0, 0 };
    chart.Repaint();
    if (drawn)
        *drawn = std::move(curves);
    return count;
}

void PlacePO2Labels(TVistrel& chart, std::span<const PO2Curve> curves)
{
    std::vector<int> labels;
    for (const PO2Curve& curve : curves)
        labels.push_back(curve.Cell);
    placeLabels(chart, curves, labels);
}

} // namespace meldrix
