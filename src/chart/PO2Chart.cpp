#include "chart/PO2Chart.h"

#include "common/TextFormat.h"
#include "equil/CellGibbs.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace meldrix {

namespace {

// One colour per cell, told apart on the white data area.
constexpr std::array<Rgb, MaxCells> CellColours { Rgb { 200, 0, 0 }, Rgb { 0, 0, 220 },
    Rgb { 0, 140, 0 }, Rgb { 200, 0, 200 }, Rgb { 230, 120, 0 }, Rgb { 0, 140, 140 },
    Rgb { 120, 70, 0 }, Rgb { 0, 0, 0 } };

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
    for (int layer = 1; layer <= MaxLayers; ++layer) {
        for (TScaleProps* scale : { &chart.LayerScaleX(layer), &chart.LayerScaleY(layer) }) {
            scale->SetMinTicks(5);
            scale->SetDecPlaces(-2);
            scale->SetShortTicks(true);
            scale->SetMinRange(1.0);
            scale->SetLabelType(TFigType::ftNum);
            scale->SetLogarithmic(false);
            scale->SetVisible(layer == 1);
        }
        chart.LayerScaleX(layer).SetScaleLocation(TScaleLocation::slBottom);
        chart.LayerScaleY(layer).SetScaleLocation(TScaleLocation::slLeft);
    }
}

int ShowPO2Chart(TVistrel& chart, const Rig& rig)
{
    const auto curves = PO2Curves(rig, PO2ChartFrom, PO2ChartTo, PO2ChartStep);
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
        label.Caption =
            "OC " + formatInt(curve.Cell) + "; " + std::string(rig.Cells[curve.Cell].Name.view());
        label.FontColor = chart.DataColor;
        label.PosX = curve.Points[at].first;
        label.PosY = curve.Points[at].second;
        label.Layer = 1;
        label.AttachToData = TLabelAttachMode::tlamBoth;
        label.Alignment = TLabelAlignment::Centre;
        label.VerticalAlignment = TLabelVerticalAlignment::Bottom;
        label.Transparent = true;
        label.Mode = TTextLabelMode::tlsimple;
        label.Visible = true;
    }
    chart.LineWidth = 1;
    chart.DataColor = { 0, 0, 0 };
    chart.Repaint();
    return count;
}

} // namespace meldrix
