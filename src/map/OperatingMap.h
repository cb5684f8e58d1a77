#pragma once

#include "equil/ThermoData.h"
#include "mixer/GasPaths.h"
#include "mixer/ReadingWarnings.h"
#include "rig/Rig.h"
#include "uncertainty/Uncertainty.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace meldrix {

//! What a map shows of its cell.
enum class MapQuantityKind {
    Log10PO2, //!< log10 pO2 of the cell's gas at equilibrium at its Temp and Pressure [log10 bar]
    Fraction, //!< the share of one gas in the cell's gas as mixed, leakages included [-]
    Flow, //!< the flow of the mixture that feeds the cell [calibration flow units]
};

struct MapQuantity {
    MapQuantityKind Kind = MapQuantityKind::Log10PO2;
    std::string Gas; //!< for a fraction: the gas as the gas list names it (8-bit)

    friend bool operator==(const MapQuantity&, const MapQuantity&) = default;
};

//! "log10-pO2", "fraction:GAS" or "flow", as the command line names a quantity.
std::string MapQuantityName(const MapQuantity& quantity);
//! The quantity a command-line name means; nullopt for any other text (a fraction without a gas).
std::optional<MapQuantity> ParseMapQuantity(std::string_view text);

inline constexpr int DefaultMapGrid = 51;
inline constexpr int MinMapGrid = 2;
inline constexpr int MaxMapGrid = 401;

//! A map: one quantity of one cell over a grid of two stages' readings, the other readings as
//! they are.
struct MapRequest {
    int Cell = 0; //!< 1..8
    int StageX = 0; //!< 1..16
    int StageY = 0; //!< 1..16, another than StageX
    MapQuantity Quantity;
    int Grid = DefaultMapGrid; //!< points along each axis, MinMapGrid..MaxMapGrid
    //! How well the meters are read, for the present readings' deviations; the method is always
    //! the linear one.
    UncertaintyOptions Accuracy;
    //! The equilibrium's thermodynamic data; null: the data built into the programs.
    const ThermoData* Thermo = nullptr;
};

//! What one grid point gave.
enum class MapPointState : std::uint8_t {
    Pending, //!< not computed: not yet, or the run was cancelled
    Value, //!< the value is the quantity's
    NoOxygen, //!< the gas holds no oxygen: log10 pO2 is minus infinity
    Unresolved, //!< the minimiser left pO2 unresolved: no value
    Failed, //!< the equilibrium (or Execute) failed: no value
};

//! One axis of a map: a stage and the readings it runs over.
struct MapAxis {
    int Stage = 0; //!< 1..16
    //! Where every gas the stage meters is on its own curve, as target mode bounds a free stage.
    ReadingBounds Bounds;
    std::vector<CurveRange> Curves; //!< the curves the stage meters its gases through
    double Present = 0.0; //!< the rig's reading [reading units]
    //! The present reading's standard deviation under the meter accuracy [reading units]; 0 for a
    //! reading without one (not above 0).
    double Sd = 0.0;

    //! The reading of grid line `i` (0..grid - 1), both bounds exactly at the ends.
    double at(int i, int grid) const;
};

//! A map, whole or as far as it has been computed.
struct OperatingMap {
    bool Ok = false; //!< false: Message says why (a request that means nothing, a failed run)
    std::string Message; //!< one sentence for the operator (8-bit)
    bool Cancelled = false; //!< stopped on request: the points not reached stay Pending
    int Cell = 0;
    std::string CellName; //!< as stored (8-bit)
    double Celsius = 0.0; //!< the cell's temperature [°C]
    FlowModelKind FlowModel = FlowModelKind::AsSpecified; //!< the rig's, which every point used
    MapQuantity Quantity;
    int Grid = 0;
    MapAxis X;
    MapAxis Y;
    //! Grid × Grid values, point (i, j) at j * Grid + i: i along X, j along Y. A point without a
    //! value holds NaN (minus infinity without oxygen).
    std::vector<double> Values;
    std::vector<MapPointState> States;
    //! The quantity at the present readings, with its linear standard deviation when known.
    std::optional<double> PresentValue;
    std::optional<double> PresentSd;
    //! What Execute says of the readings as they are: those beyond their curves.
    ReadingWarnings Warnings;
    //! Sentences on what the picture alone would hide: a present reading beyond the map.
    std::vector<std::string> Notes;

    std::size_t index(int i, int j) const
    {
        return static_cast<std::size_t>(j) * static_cast<std::size_t>(Grid)
            + static_cast<std::size_t>(i);
    }
    double value(int i, int j) const { return Values[index(i, j)]; }
    MapPointState state(int i, int j) const { return States[index(i, j)]; }
};

//! A map's progress and the way to stop it.
struct MapControl {
    std::stop_token Stop;
    //! Points done and in all, after each point of the calling thread and once at the end; called
    //! on the thread that runs the map only.
    std::function<void(int done, int total)> Progress;
    //! Row `j` of the grid is done: its Grid values and states. Called from any worker, one call
    //! at a time.
    std::function<void(
        int j, std::span<const double> values, std::span<const MapPointState> states)>
        RowDone;
    //! Workers, each on a copy of the rig; 0: one per processor. The map is the same for any
    //! number.
    int Threads = 0;
};

//! Checks the request against `rig`, runs Execute at the readings as they are and lays the map
//! out: its axes and their bounds, the present readings with their deviations, every point
//! Pending. Not Ok, with a sentence, for a request that means nothing or a rig that cannot run.
//! `rig` is never changed.
OperatingMap PrepareOperatingMap(const Rig& rig, const MapRequest& request);

//! Computes every point of a prepared map: one Execute (and, for log10 pO2, the cell's
//! equilibrium) of a copy of `rig` per point, with the two stages at the point's readings. `rig`
//! is the one the map was prepared from. Points are shared among the workers by rows; each value
//! depends on its readings alone. Cancelled through `control.Stop`; workers that cannot start
//! make the map not Ok with a message.
void FillOperatingMap(
    const Rig& rig, const MapRequest& request, OperatingMap& map, const MapControl& control = {});

//! PrepareOperatingMap, then FillOperatingMap when it is Ok.
OperatingMap ComputeOperatingMap(
    const Rig& rig, const MapRequest& request, const MapControl& control = {});

//! The stages a map of cell `cell` runs over by default: of the stages whose gas reaches the cell
//! and whose reading can move along its curves, the two that move the cell's log10 pO2 most, as
//! the linear uncertainty under `accuracy` ranks their contributions; stages the ranking leaves
//! equal (or a cell without a pO2) in stage order. Fewer than two when fewer stages qualify.
std::vector<int> MapDefaultStages(
    const Rig& rig, int cell, const UncertaintyOptions& accuracy = {});

//! "log10 pO2 [bar]", "H2 fraction", "flow": the quantity as a title names it (8-bit).
std::string MapQuantityTitle(const MapQuantity& quantity);

} // namespace meldrix
