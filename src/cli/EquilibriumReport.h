#pragma once

#include "equil/GibbsEquilibrium.h"
#include "rig/DataSetSettings.h"

#include <iosfwd>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace meldrix::cli {

//! One equilibrium to report: a cell's gas at one temperature.
struct EquilibriumRow {
    int Cell = 0; //!< 1..8
    std::string Name; //!< the cell's name as stored (8-bit)
    GibbsResult Result;
};

//! `FROM:TO:STEP` in °C.
struct TemperatureSweep {
    double From = 0.0; //!< [°C]
    double To = 0.0; //!< [°C]
    double Step = 0.0; //!< [K]

    //! FROM, FROM + STEP, ... up to TO (TO itself when it lies on the grid).
    std::vector<double> temperatures() const;
};

//! At most this many temperatures in one sweep.
inline constexpr int MaxSweepTemperatures = 10000;

//! FROM:TO:STEP with finite numbers, STEP above 0, TO not below FROM and at most
//! MaxSweepTemperatures temperatures; nullopt otherwise.
std::optional<TemperatureSweep> parseTemperatureSweep(std::string_view text);

//! {"cells": [...]}: one object per row with cell, name, temperature_K, pressure_bar, status,
//! message, species, log10_pO2, graphite and inert; numbers that are not finite are null.
nlohmann::ordered_json EquilibriumToJson(std::span<const EquilibriumRow> rows);

//! The species that reach 1e-12 in some row, then log10 pO2 and graphite, one column per row;
//! failures and inert components are listed below the table.
std::string EquilibriumTable(std::span<const EquilibriumRow> rows, bool sweep);

//! One line per row: cell, name, temperature_K, pressure_bar, status, message, log10_pO2,
//! graphite, then one column per species of any row.
std::string EquilibriumCsv(std::span<const EquilibriumRow> rows);

enum class EquilibriumFormat { Json, Table, Csv };

struct EquilibriumOptions {
    std::string Base;
    std::vector<std::string> Readings; //!< N=VALUE
    std::optional<int> Cell; //!< only this cell; every fed cell when none
    std::string Sweep; //!< FROM:TO:STEP, empty for none
    EquilibriumFormat Format = EquilibriumFormat::Json;
    std::optional<FlowModelKind> FlowModel; //!< instead of the data set's
};

//! `equilibrium BASE ...`: loads the data set as Open All does, sets the readings, runs Execute,
//! then the equilibrium of each fed cell at its temperature (or of one cell over a sweep of
//! temperatures). Exit 0 when every equilibrium solved, 1 when one failed or the run stopped with
//! an error, 2 for a usage error or when no file of the data set could be read.
int runEquilibrium(const EquilibriumOptions& options, std::ostream& out, std::ostream& err);

} // namespace meldrix::cli
