#pragma once

#include "chart/TVistrel.h"
#include "equil/CellGibbs.h"
#include "rig/Rig.h"

#include <span>
#include <vector>

namespace meldrix {

//! The temperatures the pO2 chart spans and its step [°C, °C, K].
inline constexpr double PO2ChartFrom = 300.0;
inline constexpr double PO2ChartTo = 1500.0;
inline constexpr double PO2ChartStep = 10.0;

//! The colour of cell `cell`'s curve (1..8; grey for any other number).
Rgb PO2CellColour(int cell);

//! The pO2 chart's design: margins for its scales, linear scales of layer 1 at the bottom and
//! left, and its caption.
void ConfigurePO2Chart(TVistrel& chart);

//! Draws log10 pO2 of each fed cell's gas against its temperature from PO2ChartFrom to
//! PO2ChartTo, one colour per cell, each curve named by text label c ("OC c; Name") placed where
//! it meets no line, and each cell's own temperature marked by a line across the chart and a cross
//! at its operating point (three items per curve after its segments), then asks for a repaint.
//! The names are placed for the chart's current size. Returns the number of curves: cells whose gas
//! holds no oxygen or cannot be solved draw none. The curves drawn go to `drawn` when given.
int ShowPO2Chart(TVistrel& chart, const Rig& rig, std::vector<PO2Curve>* drawn = nullptr);

//! Places the names of the curves ShowPO2Chart drew again, for the chart's size now.
void PlacePO2Labels(TVistrel& chart, std::span<const PO2Curve> curves);

} // namespace meldrix
