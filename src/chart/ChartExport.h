#pragma once

#include "rig/Rig.h"

#include <string>

namespace meldrix {

//! Calibration curve `curveNumber` (1..1000) of the rig as an SVG document: the calibration chart
//! at its designed size, drawn as the window draws it.
std::string CalibrationChartSvg(const Rig& rig, int curveNumber);

} // namespace meldrix
