#pragma once

#include "chart/TVistrel.h"
#include "common/Canvas.h"
#include "plots/CalibrationChart.h"
#include "rig/Rig.h"

#include <optional>
#include <string>
#include <vector>

namespace meldrix {

//! How many times larger than its designed size a calibration chart is exported, so that the
//! picture reads on its own (at least 600 pixels wide).
inline constexpr int CalChartExportScale = 3;

//! The calibration chart as a picture of its own: above the chart the curve's number and gas,
//! and the make, size and float of its meter, wrapped to the data area's width; the axes titled
//! Reading and Flow (with the data set's flow unit); the curve as the data set's flow model reads
//! it; the point used, when given, marked as MarkUsedPoint marks it. The chart is drawn at its
//! designed size.
class CalChartPicture {
public:
    CalChartPicture(const Rig& rig, int curveNumber, std::optional<CalPointUsed> used = {});

    Size PictureSize() const { return m_size; }
    void Draw(Canvas& canvas);

private:
    TVistrel m_chart;
    std::vector<std::string> m_titleLines; //!< no wider than the data area
    std::string m_flowTitle = "Flow"; //!< with the curves' flow unit when the data set names it
    Size m_size;
};

//! Calibration curve `curveNumber` (1..1000) of the rig as an SVG document: the chart as the
//! window draws it, with its titles and the point used when given, scaled up CalChartExportScale
//! times.
std::string CalibrationChartSvg(
    const Rig& rig, int curveNumber, std::optional<CalPointUsed> used = {});

} // namespace meldrix
