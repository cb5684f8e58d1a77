#pragma once

#include "chart/TVistrel.h"
#include "common/SvgCanvas.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>

namespace meldrix::testsupport {

//! Where the text of label `n` of `chart`, placed left and top aligned at its data point, meets a
//! line of the chart ("x, y" of the first pixel found); nothing when it meets none. Every pixel of
//! every line is tried against the text's box in the window's font.
inline std::optional<std::string> LabelMeetsLine(const TVistrel& chart, int n)
{
    const TTextLabel& label = *chart.TextLabel(n);
    const Point at = chart.DataToPixel(1, label.PosX, label.PosY);
    const Size text = SvgCanvas({ 0, 0 }).textSize(label.Caption);
    for (const TVistrelItem& item : chart.Items()) {
        const Point a = chart.DataToPixel(1, item.x1, item.y1);
        const Point b = chart.DataToPixel(1, item.x2, item.y2);
        const int steps = std::max({ std::abs(b.x - a.x), std::abs(b.y - a.y), 1 });
        for (int i = 0; i <= steps; ++i) {
            const double x = a.x + (b.x - a.x) * double(i) / steps;
            const double y = a.y + (b.y - a.y) * double(i) / steps;
            if (x >= at.x && x < at.x + text.width && y >= at.y && y < at.y + text.height)
                return std::to_string(x) + ", " + std::to_string(y);
        }
    }
    return std::nullopt;
}

} // namespace meldrix::testsupport
