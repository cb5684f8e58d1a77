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

//! Where a reading is taken on a calibration curve.
enum class CalPointPlace {
    OnCurve, //!< between the curve's first and top points
    AboveTop, //!< beyond the top point: the top point's flow is taken
    BelowFirst, //!< below the first point: that point's flow is taken
    NoFlow, //!< a reading of 0 or less, not a number, or a curve without points: no flow
};

//! The point of a calibration curve a stage used at its reading, as Execute takes it.
struct CalPointUsed {
    double Reading = 0.0; //!< the stage's reading, as stored
    double Flow = 0.0; //!< the flow the curve gives at it
    double At = 0.0; //!< the reading where the point lies: the end the reading was clamped to
    CalPointPlace Place = CalPointPlace::OnCurve;
};

//! The point curve `curve` (1..1000) gives for `reading`: the flow Execute takes, marked where
//! Execute takes it (at the curve's end when the reading lies beyond it, at 0 for no flow).
CalPointUsed UsedPointOf(const Rig& rig, int curve, double reading);

//! Marks a used point on a chart ShowCalChart drew: a red cross, and where the reading is not on
//! the curve, text label 2 naming it ("reading 1e+300", "reading -5: no flow") beside the cross.
void MarkUsedPoint(TVistrel& chart, const CalPointUsed& used);

} // namespace meldrix
