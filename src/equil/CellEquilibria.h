#pragma once

#include "equil/GibbsEquilibrium.h"
#include "rig/Rig.h"

#include <span>
#include <string>
#include <vector>

namespace meldrix {

//! The equilibrium of one cell's gas.
struct CellEquilibrium {
    int Cell = 0; //!< 1..8
    GibbsResult Result;
};

//! The gas cell `cell` receives, leakages included (its CellGases slots with a name and a share).
std::vector<FeedComponent> CellFeed(const Rig& rig, int cell);

//! The equilibrium of the gas cell `cell` receives at `celsius` [°C] and the cell's Pressure.
GibbsResult CellEquilibriumAt(
    const Rig& rig, int cell, double celsius, const ThermoData& data = BuiltInThermoData());

//! The equilibrium of every fed cell's gas at its Temp + 273.15 K and Pressure, in cell order.
//! Read after an Execute that converged: between runs CellGases hold the last run's gases.
std::vector<CellEquilibrium> CellEquilibria(
    const Rig& rig, const ThermoData& data = BuiltInThermoData());

//! The species whose fraction reaches `least` in some solved result: the data's species in data
//! order, then the inert components in the order first met.
std::vector<std::string> SpeciesReaching(std::span<const GibbsResult* const> results, double least,
    const ThermoData& data = BuiltInThermoData());

} // namespace meldrix
