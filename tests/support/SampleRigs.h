#pragma once

#include "rig/Rig.h"

#include <array>
#include <memory>
#include <string_view>

namespace meldrix::testsupport {

//! A rig at start values that uses every element of the diagram: six working stages fed from
//! defined input gases and from mixtures (M1 feeds stage 4, which feeds M3), a fix-gas stage
//! before and one after its meter, an undefined input gas I4 on stages 7 and 8, cells fed from
//! M1..M4 and from nothing (Mix 0), and stages 9..16 left unconnected (Output 0).
std::unique_ptr<Rig> sampleRig();

//! A rig started on the shipped default data set; null when one of its files could not be read.
std::unique_ptr<Rig> defaultDataSetRig();

//! The rig a drawing test names by a word: "sample" (sampleRig), "default" (defaultDataSetRig)
//! or anything else for start values.
std::unique_ptr<Rig> namedRig(std::string_view name);

//! Fifteen readings of a rotameter from 10 to 150, each within half a percent of a smooth curve
//! (flow = 1.27 reading^1.12), as a calibration gives them: the polynomial through all fifteen
//! falls to 282 between the last two points (321.6 and 345.5) and below 0 between the first two.
inline constexpr std::array<CalPoint, 15> OvershootingRotameterPoints = { { { 10, 16.8 },
    { 20, 36.6 }, { 30, 57.3 }, { 40, 78.8 }, { 50, 101.1 }, { 60, 124.6 }, { 70, 147.4 },
    { 80, 170.9 }, { 90, 196.3 }, { 100, 220.8 }, { 110, 246.1 }, { 120, 269.7 }, { 130, 296.1 },
    { 140, 321.6 }, { 150, 345.5 } } };

} // namespace meldrix::testsupport
