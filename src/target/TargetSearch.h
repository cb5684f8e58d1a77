#pragma once

#include "common/OneBased.h"
#include "rig/Rig.h"

#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace meldrix {

enum class TargetKind {
    Fraction, //!< the share of one gas in the cell's gas as mixed, leakages included [-]
    Log10PO2, //!< log10 pO2 of the cell's gas at equilibrium at its Temp and Pressure [log10 bar]
    Flow, //!< the flow of the mixture that feeds the cell (calibration flow units)
};

//! What the operator wants of one quantity of a cell's gas.
struct Target {
    TargetKind Kind = TargetKind::Fraction;
    std::string Gas; //!< for a fraction: the gas's name, compared with the gas list's names
    double Wanted = 0.0;
};

//! A question: which readings give these targets in cell `Cell`?
struct TargetRequest {
    int Cell = 0; //!< 1..8
    std::vector<Target> Targets;
    //! The stages the search may change (1..16); nullopt: every stage with a positive reading
    //! whose gas reaches the cell through the mixtures.
    std::optional<std::vector<int>> FreeStages;
};

//! The range a free reading stays in: from the lowest reading of the first points to the highest
//! reading of any point of the curves chosen for the gases the stage meters, never negative.
struct ReadingBounds {
    double Low = 0.0;
    double High = 0.0;
};

//! How close a target a result came.
inline constexpr double FractionTolerance = 1e-6; //!< absolute [-]
inline constexpr double Log10PO2Tolerance = 1e-3; //!< [decades]
inline constexpr double FlowTolerance = 1e-6; //!< relative [-]

enum class TargetStatus {
    Reached, //!< every target is met within its tolerance
    Closest, //!< not every target is met: the best readings found, and what stops the search
    Error, //!< the request means nothing (or the rig cannot run); Readings are the current ones
};

struct TargetResult {
    Target Wanted;
    std::optional<double> Achieved; //!< at the proposed readings; none when they could not run
};

struct StageProposal {
    double Was = 0.0; //!< the rig's reading
    double Reading = 0.0; //!< the proposed reading; Was for a stage that is not free
    bool Free = false;
    ReadingBounds Bounds; //!< for a free stage
};

struct TargetOutcome {
    TargetStatus Status = TargetStatus::Error;
    std::string Message; //!< one sentence for the operator
    int Cell = 0;
    std::vector<TargetResult> Targets; //!< in the order asked
    OneBased<StageProposal, MaxFlowmeters> Readings;
    int Iterations = 0; //!< steps of the least-squares search over all its starts
    int Evaluations = 0; //!< runs of Execute (with the equilibrium when pO2 is wanted)
    bool Cancelled = false; //!< stopped on request; the best readings so far are proposed
};

//! Progress of a search and the way to stop it. The callbacks run on the searching thread.
struct SearchControl {
    std::stop_token Stop;
    //! Evaluations done and the most the search will make.
    std::function<void(int done, int most)> Progress;
};

//! The search gives up after this many runs of Execute.
inline constexpr int MaxTargetEvaluations = 4000;

//! The stages free by default for cell `cell`: a positive reading, a valid source, and an output
//! whose gas reaches the cell through mixtures fed by stages with positive readings.
std::vector<int> DefaultFreeStages(const Rig& rig, int cell);

//! Finds readings of the free stages that give the targets in the cell, by bounded least squares
//! (fractions compared directly, pO2 in decades, flow relative) from the current readings and a
//! few fixed starts. Every trial runs Execute (and the cell's equilibrium when pO2 is wanted) on a
//! copy of `rig`; `rig` itself is never changed.
TargetOutcome FindReadings(
    const Rig& rig, const TargetRequest& request, const SearchControl& control = {});

//! "fraction", "log10_pO2" or "flow".
std::string_view TargetKindName(TargetKind kind);

} // namespace meldrix
