#include "chart/PO2Bands.h"

#include "chart/PO2Chart.h"

#include <algorithm>
#include <cmath>

namespace meldrix {

namespace {

constexpr double NormalQuantile = 1.959964; // 97.5 % of the standard normal
constexpr double CapHalfWidth = 8.0; // [K]
constexpr double TickHalfWidth = 16.0; // [K]

} // namespace

std::optional<std::pair<double, double>> PO2Band(const CellUncertainty& cell)
{
    if (!cell.Log10PO2)
        return std::nullopt;
    const Spread& pO2 = *cell.Log10PO2;
    if (pO2.P2_5 && pO2.P97_5)
        return std::pair { *pO2.P2_5, *pO2.P97_5 };
    if (!std::isfinite(pO2.Sd) || !std::isfinite(pO2.Value))
        return std::nullopt;
    return std::pair { pO2.Value - NormalQuantile * pO2.Sd, pO2.Value + NormalQuantile * pO2.Sd };
}

int DrawPO2Bands(TVistrel& chart, const UncertaintyResult& result)
{
    const double left = chart.LayerScaleX(1).RangeLow();
    const double right = chart.LayerScaleX(1).RangeHigh();
    double low = chart.LayerScaleY(1).RangeLow();
    double high = chart.LayerScaleY(1).RangeHigh();
    int count = 0;
    const int width = chart.LineWidth;
    const Rgb colour = chart.DataColor;
    for (const CellUncertainty& cell : result.Cells) {
        const auto band = PO2Band(cell);
        const double x = cell.Celsius;
        if (!band || !(x >= left && x <= right))
            continue;
        const auto [bottom, top] = *band;
        chart.DataColor = PO2CellColour(cell.Cell);
        chart.LineWidth = 2;
        chart.AddLine(x, bottom, x, top);
        chart.AddLine(x - CapHalfWidth, bottom, x + CapHalfWidth, bottom);
        chart.AddLine(x - CapHalfWidth, top, x + CapHalfWidth, top);
        chart.AddLine(
            x - TickHalfWidth, cell.Log10PO2->Value, x + TickHalfWidth, cell.Log10PO2->Value);
        // A band past the curves' range widens it to the next whole decade beyond the band.
        if (bottom <= low)
            low = std::floor(bottom) - 1.0;
        if (top >= high)
            high = std::ceil(top) + 1.0;
        ++count;
    }
    chart.DataColor = colour;
    chart.LineWidth = width;
    if (low != chart.LayerScaleY(1).RangeLow() || high != chart.LayerScaleY(1).RangeHigh())
        chart.SetLayerRanges(1, left, low, right, high);
    chart.Repaint();
    return count;
}

} // namespace meldrix
