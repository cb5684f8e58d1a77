#pragma once

#include "rig/Rig.h"

#include <cstdint>
#include <memory>
#include <random>
#include <span>
#include <string_view>

namespace meldrix::testsupport {

//! The gas names random rigs draw from: some differ from others only by case or a trailing space,
//! and one is empty.
std::span<const std::string_view> randomGasNames();

//! A rig at start values filled at random from small pools of texts, so that many calibration
//! curves tie and match a stage only in part: random curve headers (with stray bytes after the
//! texts and now and then a length byte past the field) and points, input gases, stages (readings
//! of 0, below 0 and not a number included, fix-gas stages, sources and outputs out of range now
//! and then, loops possible) and cells. The same seed gives the same rig.
std::unique_ptr<Rig> randomRig(std::uint32_t seed);

//! A rig at start values filled at random with nothing a careful operator would get wrong: bottles
//! of one known gas each, every stage metering a bottle through a straight curve of its own meter
//! and gas at a reading on that curve (or at 0), driers and getters before or after some meters,
//! every cell fed, at a temperature and pressure the equilibrium takes. Both flow models give the
//! same flows on it. Curves no stage chooses hold anything. The same seed gives the same rig.
std::unique_ptr<Rig> cleanRandomRig(std::uint32_t seed);

//! A rig of 2..4 bottles, 2..6 stages into M1..M3 (a stage from a mixture feeds a higher one, so
//! there is no loop), each stage with its own curve for every gas (flow a r + b r², which the
//! curve's polynomial reproduces exactly) over a range of its own, now and then a saturator; cell
//! 1 is fed by M3 at 800 °C. Readings lie inside every curve.
std::unique_ptr<Rig> mixingRig(std::mt19937& random);

} // namespace meldrix::testsupport
