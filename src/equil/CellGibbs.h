#pragma once

#include "equil/GibbsEquilibrium.h"
#include "rig/Rig.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace meldrix {

//! The equilibrium of one cell's gas.
struct CellGibbs {
    int Cell = 0; //!< 1..8
    GibbsResult Result;
};

//! `celsius` [°C] in kelvin [K], added in extended precision so that the typed -73.15 °C is
//! exactly 200 K and 26.85 °C exactly 300 K.
double CelsiusToKelvin(double celsius);

//! The gas cell `cell` receives, leakages included (its CellGases slots with a name and a share).
std::vector<FeedComponent> CellFeed(const Rig& rig, int cell);

//! The equilibrium of the gas cell `cell` receives at `celsius` [°C] and the cell's Pressure; a
//! temperature outside the data is refused in °C, as the operator typed it.
GibbsResult CellGibbsAt(
    const Rig& rig, int cell, double celsius, const ThermoData& data = BuiltInThermoData());

//! The equilibrium of every fed cell's gas at its Temp + 273.15 K and Pressure, in cell order.
//! Read after an Execute that converged: between runs CellGases hold the last run's gases.
std::vector<CellGibbs> CellGibbsEquilibria(
    const Rig& rig, const ThermoData& data = BuiltInThermoData());

//! The species whose fraction reaches `least` in some solved result: the data's species in data
//! order, then the inert components in the order first met.
std::vector<std::string> SpeciesReaching(std::span<const GibbsResult* const> results, double least,
    const ThermoData& data = BuiltInThermoData());

//! What the results table shows in its display of the cells' equilibria.
struct GibbsDisplay {
    //! The species that reach 1e-12 in some cell, then Log10PO2Row.
    std::vector<std::string> RowNames;
    //! Per cell 1..8, one value per row; nullopt marks an undefined element (a cell not fed or
    //! not solved, a fraction of 0 in the logarithmic display, a gas without oxygen).
    OneBased<std::vector<std::optional<double>>, MaxCells> Values;
    //! One line per cell that could not be solved or whose pO2 is unresolved: "OC c; Name: why".
    std::vector<std::string> Problems;
};

inline constexpr std::string_view Log10PO2Row = "log10 pO2";

//! The display of every fed cell's equilibrium: fractions, or their base-10 logarithms when
//! `logarithmic`; the log10 pO2 row holds the logarithm in both.
GibbsDisplay CellGibbsDisplay(
    const Rig& rig, bool logarithmic, const ThermoData& data = BuiltInThermoData());

//! log10 pO2 of one cell's gas against temperature.
struct PO2Curve {
    int Cell = 0; //!< 1..8
    std::vector<std::pair<double, double>> Points; //!< [°C], [log10 bar]; solved points only
};

//! The curve of every fed cell whose gas holds oxygen, from `fromCelsius` to `toCelsius` in steps
//! of `stepKelvin` [°C, °C, K].
std::vector<PO2Curve> PO2Curves(const Rig& rig, double fromCelsius, double toCelsius,
    double stepKelvin, const ThermoData& data = BuiltInThermoData());

} // namespace meldrix
