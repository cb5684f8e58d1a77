#include "plots/PO2Bands.h"

#include "plots/PO2Chart.h"

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
    // A band past the curves' range widens it to the next whole decade beyond the band. A band
    // whose bottom lies among samples without oxygen (below every finite pO2) runs open to the
    // chart's bottom.
    const auto shown = [&](const CellUncertainty& cell) {
        const double x = cell.Celsius;
        return x >= left && x <= right ? PO2Band(cell) : std::nullopt;
    };
    for (const CellUncertainty& cell : result.Cells)
        if (const auto band = shown(cell)) {
            const double lowest = std::isfinite(band->first) ? band->first : cell.Log10PO2->Value;
            if (lowest <= low)
                low = std::floor(lowest) - 1.0;
            if (band->second >= high)
                high = std::ceil(band->second) + 1.0;
        }
    int count = 0;
    const int width = chart.LineWidth;
    const Rgb colour = chart.DataColor;
    for (const CellUncertainty& cell : result.Cells) {
        const auto band = shown(cell);
        if (!band)
            continue;
        const double x = cell.Celsius;
        const bool open = !std::isfinite(band->first);
        const double bottom = open ? low : band->first;
        const double top = band->second;
        chart.DataColor = PO2CellColour(cell.Cell);
        chart.LineWidth = 2;
        chart.AddLine(x, bottom, x, top);
        if (!open)
            chart.AddLine(x - CapHalfWidth, bottom, x + CapHalfWidth, bottom);
        chart.AddLine(x - CapHalfWidth, top, x + CapHalfWidth, top);
        chart.AddLine(
            x - TickHalfWidth, cell.Log10PO2->Value, x + TickHalfWidth, cell.Log10PO2->Value);
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
