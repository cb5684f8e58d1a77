#pragma once

#include "chart/TVistrel.h"
#include "rig/Rig.h"

namespace meldrix {

//! The calibration chart's design: 235 x 193 pixels, margins 50, 20, 20, 40, and on every layer
//! linear scales with 3 intervals, automatic decimals, short ticks, a minimum range of 1e-10 and
//! the range 0..1; only layer 1's bottom and left scales are shown.
void ConfigureCalChart(TVistrel& chart);

//! Draws calibration curve `curveNumber`: its points as a chain of lines with ranges grown from
//! the origin to enclose them (a segment into a (0, 0) point is left out), titled
//! "Calibration curve N" in red by text label 1 in the top left corner of the data area, then
//! asks for a repaint. In the physical flow model a segment between two points the model reads
//! the curve between is drawn as the monotone cubic it reads there.
void ShowCalChart(TVistrel& chart, const CalCurveRecord& curve, int curveNumber,
    FlowModelKind model = FlowModelKind::AsSpecified);

} // namespace meldrix
