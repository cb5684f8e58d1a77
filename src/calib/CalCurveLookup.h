#pragma once

#include "rig/Rig.h"

#include <string_view>

namespace meldrix {

//! The flow through stage `stage` (1..16) of the pure gas `gasName` at `reading`, from the
//! best-matching calibration curve. 0 for a reading that is 0 or less or not a finite number.
//! Never NaN or infinite.
double FlowFromReading(const Rig& rig, int stage, std::string_view gasName, double reading);

//! The curve 1..1000 that best matches stage `stage` (1..16) and `gasName`: one point each for
//! Make, Size, Float, Gas and Flowmeter; ties go to the highest-numbered curve, so with no match at
//! all curve 1000 is chosen.
int FindCalCurve(const Rig& rig, int stage, std::string_view gasName);

//! The flow of curve `curve` (1..1000) at `reading`: the interpolating polynomial through the
//! points up to the one with the largest reading, without extrapolation. 0 when the curve has no
//! point above 0, when two interpolated points share a reading, and whenever the result would not
//! be a finite number.
double InterpolateCalCurve(const Rig& rig, int curve, double reading);

} // namespace meldrix
