#pragma once

#include "common/OneBased.h"
#include "equil/ThermoData.h"
#include "mixer/GasPaths.h"
#include "rig/Rig.h"

#include <functional>
#include <optional>
#include <span>
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
    //! The stages the search may change (1..16); nullopt: DefaultFreeStages. A named stage may
    //! send its gas to other cells too; the outcome then names what changes there.
    std::optional<std::vector<int>> FreeStages;
};

//! How close a target a result came.
inline constexpr double FractionTolerance = 1e-6; //!< relative to the wanted fraction [-]
inline constexpr double FractionFloor = 1e-9; //!< the least tolerance of a fraction, absolute [-]
inline constexpr double Log10PO2Tolerance = 1e-3; //!< [decades]
inline constexpr double FlowTolerance = 1e-6; //!< relative [-]

//! Whether `achieved` meets `target` within its tolerance.
bool TargetMet(const Target& target, double achieved);

//! A proposal whose log10 pO2 moves by more than this for one standard deviation of the meters'
//! readings is not firm, and says so [decades].
inline constexpr double FirmLog10PO2Sd = 0.5;

enum class TargetStatus {
    Reached, //!< every target is met within its tolerance
    Closest, //!< not every target is met: the best readings found, and what stops the search
    Error, //!< the request means nothing (or the rig cannot run); Readings are the current ones
};

struct TargetResult {
    Target Wanted;
    //! At the proposed readings; none when they could not run or the quantity has no value there
    //! (Problem says why).
    std::optional<double> Achieved;
    //! Why Achieved is none although the readings ran: the gas holds no oxygen, or its pO2 is
    //! unresolved, or its equilibrium failed. Empty otherwise.
    std::string Problem;
    //! The linear standard deviation of the quantity at the proposed readings when every reading
    //! has the default meter accuracy (a share of its stage's full scale) [the target's unit].
    std::optional<double> Sd;
};

struct StageProposal {
    double Was = 0.0; //!< the rig's reading
    double Reading = 0.0; //!< the proposed reading; Was for a stage that is not free
    bool Free = false;
    //! For a free stage: where every gas it meters is on its curve, from the highest first point
    //! to the lowest top point of those curves, never below 0.
    ReadingBounds Bounds;
};

//! A fed cell other than the asked one whose gas or pO2 the proposed readings change beyond the
//! targets' tolerances.
struct SideEffect {
    int Cell = 0; //!< 1..8
    TargetKind Kind = TargetKind::Fraction; //!< Fraction or Log10PO2
    std::string Gas; //!< for a fraction (8-bit)
    //! At the readings as they are and as proposed; none for a pO2 without a value.
    std::optional<double> Was;
    std::optional<double> Now;
};

struct TargetOutcome {
    TargetStatus Status = TargetStatus::Error;
    std::string Message; //!< one sentence for the operator
    int Cell = 0;
    std::vector<TargetResult> Targets; //!< in the order asked
    OneBased<StageProposal, MaxFlowmeters> Readings;
    //! How far the free readings move: the root of the sum of the squared changes, each over its
    //! stage's bounds' width [-].
    double Change = 0.0;
    //! Every other fed cell's gas or pO2 that the proposal changes, in cell order.
    std::vector<SideEffect> SideEffects;
    //! Sentences on what makes the proposal less than it seems: a stage left out, a reading on a
    //! bound, a pO2 the meters cannot hold (the other cells it changes are SideEffects).
    std::vector<std::string> Warnings;
    int Iterations = 0; //!< steps of the least-squares search and its approach to the readings
    int Evaluations = 0; //!< runs of Execute (with the equilibrium when pO2 is wanted), all of them
    bool Cancelled = false; //!< stopped on request; the best readings so far are proposed
};

//! The search gives up after this many runs of Execute unless told otherwise.
inline constexpr int MaxTargetEvaluations = 4000;

//! Progress of a search and the way to stop it. The callbacks run on the searching thread.
struct SearchControl {
    std::stop_token Stop;
    //! Evaluations done and the most the search will make.
    std::function<void(int done, int most)> Progress;
    //! The equilibrium's thermodynamic data; null: the data built into the programs.
    const ThermoData* Thermo = nullptr;
    //! The search gives up after this many runs of Execute, and says so.
    int MostEvaluations = MaxTargetEvaluations;
};

//! The stages free by default for cell `cell`: a positive reading, a valid source and output,
//! and gas that reaches the cell and no other fed cell through stages with positive readings.
std::vector<int> DefaultFreeStages(const Rig& rig, int cell);

//! Why DefaultFreeStages has no stage for fed cell `cell`: one sentence for the operator.
std::string NoDefaultFreeStage(const Rig& rig, int cell);

//! Finds readings of the free stages that give the targets in the cell, by bounded least squares
//! (fractions compared directly, pO2 in decades, flow relative) from the current readings and a
//! few fixed starts; once the targets are met, it moves the readings back towards the current
//! ones as far as they stay met, so the proposal changes the least. Every trial runs Execute (and
//! the cell's equilibrium when pO2 is wanted) on a copy of `rig`; `rig` itself is never changed.
TargetOutcome FindReadings(
    const Rig& rig, const TargetRequest& request, const SearchControl& control = {});

//! One sentence per cell of `effects` (in their order), naming each change from was to now.
std::vector<std::string> SideEffectSentences(const Rig& rig, std::span<const SideEffect> effects);

//! "fraction", "log10_pO2" or "flow".
std::string_view TargetKindName(TargetKind kind);

} // namespace meldrix
