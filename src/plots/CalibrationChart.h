#pragma once

#include "chart/TVistrel.h"
#include "rig/Rig.h"

#include <string_view>
#include <vector>

namespace meldrix {

//! The item classes of the calibration chart, so each part can be told apart (and hidden).
inline constexpr std::uint8_t CalSegmentClass = 0; //!< the chain of lines between the points
inline constexpr std::uint8_t CalCurveClass = 1; //!< the function Execute reads
inline constexpr std::uint8_t CalPointClass = 2; //!< the marks on the points
//! The colour of the function Execute reads, beside the black chain of lines.
inline constexpr Rgb CalCurveColour { 0, 0, 224 };

//! The calibration chart's design: 235 x 193 pixels, margins 50, 20, 20, 40, and on every layer
//! linear scales with 3 intervals, automatic decimals, short ticks, a minimum range of 1e-10 and
//! the range 0..1; only layer 1's bottom and left scales are shown.
void ConfigureCalChart(TVistrel& chart);

//! Draws calibration curve `curveNumber`: its points as a chain of lines with ranges grown from
//! the origin to enclose them (a segment into a (0, 0) point is left out), titled
//! "Calibration curve N" in red by text label 1 in the top left corner of the data area, then
//! asks for a repaint. Over the chain, thin and blue, the function the flow model `model` reads
//! from the first point to the top point (the one polynomial, or the monotone cubic), sampled
//! finely enough to show where it leaves the points; the flow range grows to show that too, by at
//! most the points' own span each way. A small square marks each point filled in. A curve without
//! a point above 0 says so in the middle of the data area ("no points" and no scales when every
//! point is empty). Text labels 2 to 4 are cleared for MarkUsedPoint and MarkNotTaken.
void ShowCalChart(TVistrel& chart, const CalCurveRecord& curve, int curveNumber,
    FlowModelKind model = FlowModelKind::AsSpecified);

//! Says in the bottom right corner of a chart ShowCalChart drew (text label 4) that its points
//! are those of the point editor, not yet stored.
void MarkNotTaken(TVistrel& chart);

//! The words MarkNotTaken shows.
inline constexpr std::string_view NotTakenNote = "not yet taken with OK";
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

//! The point curve `curve` (1..1000) gives for `reading` in the data set's flow model: the flow
//! Execute takes, marked where Execute takes it (at the curve's end when the reading lies beyond
//! it, at 0 for no flow).
CalPointUsed UsedPointOf(const Rig& rig, int curve, double reading);
//! The same for a curve as `model` reads it.
CalPointUsed UsedPointOf(const CalCurveRecord& curve, double reading, FlowModelKind model);

//! The points the stages of the last run read on curve `curve`, with its points as `points` holds
//! them: one for each stage with a reading other than 0 whose meter sees a gas that chooses the
//! curve. None unless the rig's results are current.
std::vector<CalPointUsed> UsedPointsOn(const Rig& rig, int curve, const CalCurveRecord& points);

//! Marks a used point on a chart ShowCalChart drew: a red cross, and where the reading is not on
//! the curve, text label 2 naming it ("reading 1e+300", "reading -5: no flow") beside the cross.
void MarkUsedPoint(TVistrel& chart, const CalPointUsed& used);

} // namespace meldrix
