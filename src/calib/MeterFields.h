#pragma once

#include "rig/Rig.h"

#include <string>
#include <vector>

namespace meldrix {

//! Which of "make", "size" and "float" a curve names otherwise than the meter, in that order.
std::vector<std::string> MeterFieldsDiffering(
    const FlowmeterRecord& meter, const CalCurveRecord& curve);

} // namespace meldrix
