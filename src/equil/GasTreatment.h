#pragma once

#include "common/Rounding.h"

#include <optional>
#include <string_view>

namespace meldrix {

//! The fraction of `fixGas` in the gas leaving a fix-gas stage of kind `fixGasType` held at
//! `fixGasT` [°C]: a partial pressure [bar] taken as a fraction of a gas at 1 bar.
//! The type is compared in upper case (letters a to z only), the gas name exactly. The result is
//! returned as computed, also above 1 (a saturator above the boiling point) or below 0 (heavy water
//! far below freezing); the caller clamps it. nullopt when the pair defines no fraction, and for a
//! saturator (PURE, KBR) at or below -273.15 °C or at a temperature that is not a finite number.
std::optional<double> GasTreatmentFraction(
    std::string_view fixGas, std::string_view fixGasType, double fixGasT);

//! Saturation vapour pressure over liquid water [hPa] at `kelvin` [K] (Goff–Gratch).
Extended WaterVapourPressure(Extended kelvin);

//! Vapour pressure of heavy water [kPa] at `celsius` [°C].
Extended HeavyWaterVapourPressure(Extended celsius);

} // namespace meldrix
