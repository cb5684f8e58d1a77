#pragma once

#include "calib/CalCurveLookup.h"

#include <span>
#include <string>
#include <vector>

namespace meldrix {

//! A stage whose reading Execute could not take along one of its calibration curves: a reading
//! outside the curve's points (the flow of the nearest end point is used), a negative reading or
//! one that is not a number (no flow), or a curve without points (no flow). The run computes what
//! it always computes; this only says so.
struct ReadingWarning {
    int Stage = 0; //!< 1..16
    std::string Gas; //!< the gas of the stage's composition, 8-bit as stored
    int Curve = 0; //!< the calibration curve 1..1000 chosen for that gas
    double Reading = 0.0; //!< the stage's reading, as stored
    double Limit = 0.0; //!< the reading of the curve point whose flow was taken; 0 for no flow
    std::string Text; //!< one sentence without its full stop, 8-bit
};
using ReadingWarnings = std::vector<ReadingWarning>;

//! The warning for a stage's gas when its reading is not taken along curve `curve`; nothing when
//! the reading is 0 or lies between the curve's points.
std::optional<ReadingWarning> CheckReading(
    const Rig& rig, int stage, std::string_view gas, int curve, double reading);

//! The warnings of one run for the message line: every sentence, joined; empty when none.
std::string ReadingWarningsMessage(std::span<const ReadingWarning> warnings);

} // namespace meldrix
