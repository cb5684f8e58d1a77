#pragma once

#include "equil/ThermoData.h"
#include "mixer/ReadingWarnings.h"
#include "rig/Rig.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace meldrix {

enum class UncertaintyMethod {
    Linear, //!< first order, with a Jacobian by central differences: exact for small deviations
    MonteCarlo, //!< seeded normal samples of every input: shows skewed and bounded answers
};

//! "linear" or "monte-carlo".
std::string_view UncertaintyMethodName(UncertaintyMethod method);

inline constexpr double DefaultFullScalePercent = 1.0;
inline constexpr int DefaultSamples = 2000;
inline constexpr std::uint64_t DefaultSeed = 1;
//! Why a cell has no log10 pO2 when its equilibrium solved.
inline constexpr std::string_view NoOxygenProblem = "the gas holds no oxygen";
//! A Monte Carlo run takes at most this many samples.
inline constexpr int MaxSamples = 100000;

//! An explicit standard deviation for one stage's reading.
struct StageDeviation {
    int Stage = 0; //!< 1..16
    double Sd = 0.0; //!< [reading units], finite and not negative
};

//! What is uncertain and how it is carried to the cells.
struct UncertaintyOptions {
    UncertaintyMethod Method = UncertaintyMethod::Linear;
    //! The standard deviation of every reading as a share of its stage's full scale [%].
    double FullScalePercent = DefaultFullScalePercent;
    //! The relative standard deviation of the calibrated flow [%]. It belongs to a calibration
    //! curve: stages that read through the same curve share its error.
    double FlowPercent = 0.0;
    //! Stages whose reading has this deviation instead of the full-scale share.
    std::vector<StageDeviation> StageSds;
    int Samples = DefaultSamples; //!< Monte Carlo only, 2..MaxSamples
    std::uint64_t Seed = DefaultSeed; //!< Monte Carlo only
    //! Monte Carlo workers, each on a copy of the rig; 0: one per processor. The answer is the
    //! same for any number.
    int Threads = 0;
    //! Also log10 pO2 of each fed cell's gas at its temperature (one Gibbs minimisation per cell
    //! and trial).
    bool Equilibrium = false;
    //! 0: every fed cell; 1..8: that cell alone (none when it is not fed), which costs a quarter
    //! of the equilibria on a rig of four cells.
    int Cell = 0;
    //! The equilibrium's thermodynamic data; null: the data built into the programs.
    const ThermoData* Thermo = nullptr;
};

//! Where the linear method takes a reading's derivative.
enum class DerivativeSide {
    Central, //!< a step each way
    Above, //!< two steps above the reading: below it one of its curves changes its rule
    Below, //!< two steps below the reading
};

//! One reading with its deviation: every stage Execute computes with a positive reading.
struct UncertaintyInput {
    int Stage = 0; //!< 1..16
    double Reading = 0.0; //!< [reading units]
    //! The highest reading of any point of the curves chosen for the stage's gases [reading
    //! units]; 0 when no such curve has a point above 0.
    double FullScale = 0.0;
    double Sd = 0.0; //!< [reading units]
    //! The curves the stage's gases are metered through (1..1000), in gas-list order.
    std::vector<int> Curves;
    //! Linear only: the reading sits at (or within a step of) an end of one of its curves, so
    //! its derivative is taken on the side where the curves keep their rule.
    DerivativeSide Derivative = DerivativeSide::Central;
    //! Monte Carlo only: samples that drew the reading beyond an end of one of its curves (or
    //! below 0), where the flow of the end point (or none) is taken.
    int BeyondCurves = 0;
};

//! A quantity of a cell with its spread. Sd is NaN when it cannot be estimated (a trial whose
//! equilibrium failed in a linear run, fewer than two usable samples).
struct Spread {
    double Value = 0.0; //!< at the readings as they are (not a sample mean)
    double Sd = 0.0;
    std::optional<double> P2_5; //!< Monte Carlo only: the 2.5 % quantile of the samples
    std::optional<double> P97_5; //!< Monte Carlo only: the 97.5 % quantile
};

//! Whether each quantity of a cell stays near linear over one standard deviation of the inputs:
//! its second-order term small against its spread. Where one does not, the linear sd says little
//! and only Monte Carlo tells the spread.
struct LinearCheck {
    std::vector<bool> Gases; //!< one per gas, in the order of the cell's Gases
    bool Flow = true;
    bool Log10PO2 = true; //!< for Log10PO2 when it has a value
};

//! The input that contributes most to the variance of a quantity.
struct DominantInput {
    enum class Kind {
        None, //!< no input varies it
        Reading, //!< the reading of stage Number (1..16)
        Calibration, //!< the calibrated flow of curve Number (1..1000)
    };
    Kind What = Kind::None;
    int Number = 0;
};

struct GasSpread {
    std::string Name; //!< the gas as named in the gas list (8-bit)
    Spread Fraction; //!< [-]
};

struct CellUncertainty {
    int Cell = 0; //!< 1..8
    std::string Name; //!< the cell's name as stored (8-bit)
    double Celsius = 0.0; //!< the cell's temperature [°C]
    std::vector<GasSpread> Gases; //!< one per gas of the gas list, in its order
    //! The flow of the mixture that feeds the cell [calibration flow units].
    Spread Flow;
    std::optional<LinearCheck> Linear; //!< linear runs only
    //! [log10 bar]; nullopt when the equilibrium was not asked for, or the cell's gas at the
    //! readings as they are holds no oxygen, could not be solved or left its pO2 unresolved
    //! (then PO2Problem says why).
    std::optional<Spread> Log10PO2;
    std::string PO2Problem;
    //! Monte Carlo: the samples whose gas held no oxygen. They are the band's reducing tail: its
    //! quantiles count them below every finite value; the sd is over the others.
    int NoOxygenSamples = 0;
    //! Monte Carlo: the samples whose pO2 the minimiser left unresolved; left out of the spread.
    int UnresolvedSamples = 0;
    //! Monte Carlo: the samples whose equilibrium failed; left out of the spread.
    int FailedSamples = 0;
    //! Monte Carlo: the samples left out of the pO2's spread (unresolved or failed).
    int PO2Dropped = 0;
    //! The share of the variance of log10 pO2 each input contributes (explains, for Monte Carlo):
    //! one per input, the stages' readings in the order of Inputs, then the curves of Curves.
    //! Empty without a pO2.
    std::vector<double> PO2Contributions;
    //! The input that contributes most to the variance of log10 pO2.
    DominantInput Dominant;
    //! Dominant's stage when a reading dominates; 0 otherwise (no pO2, nothing varies it, or a
    //! calibration dominates).
    int DominantStage = 0;
};

//! The answer of an uncertainty run: a plain value the window, the command-line tool and a report
//! can take as it is.
struct UncertaintyResult {
    bool Ok = false; //!< false: Message says why, and the cells are empty
    std::string Message;
    bool Cancelled = false; //!< stopped through the progress callback; Ok is then false
    UncertaintyMethod Method = UncertaintyMethod::Linear;
    int Samples = 0; //!< Monte Carlo: the samples drawn; linear: the trials run
    std::uint64_t Seed = 0;
    double FullScalePercent = 0.0; //!< [%]
    double FlowPercent = 0.0; //!< [%]
    std::vector<UncertaintyInput> Inputs;
    std::vector<int> Curves; //!< the calibration curves whose flow is uncertain (FlowPercent > 0)
    std::vector<CellUncertainty> Cells; //!< every fed cell, in cell order
    //! What Execute says of the readings as they are: those beyond their curves.
    ReadingWarnings Warnings;
    //! One sentence each on how the answer was reached where that matters to it: a derivative
    //! taken on one side, samples drawn beyond a curve's end.
    std::vector<std::string> Notes;
};

//! Called with the trials done and the trials in all, after each trial this thread ran and once
//! at the end with both equal; returning false stops the run. Called on the thread that runs
//! PropagateUncertainty only.
using UncertaintyProgress = std::function<bool(int done, int total)>;

//! `options` with the meters' accuracy a data set's settings keep: method, percentages, samples
//! and seed.
UncertaintyOptions WithMeterAccuracy(
    UncertaintyOptions options, const MeterAccuracySettings& accuracy);

//! The meters' accuracy of `options`, as a data set's settings keep it.
MeterAccuracySettings MeterAccuracyOf(const UncertaintyOptions& options);

//! Why options cannot be used, or nullopt when they can.
std::optional<std::string> CheckUncertaintyOptions(const UncertaintyOptions& options);

//! Carries the meters' accuracy through Execute (and the equilibrium at each cell's temperature)
//! to every fed cell. Works on a copy of `rig`, which is never changed; every trial is one
//! Execute of that copy with other readings (and curve flows). Deterministic for given options:
//! a Monte Carlo run gives the same numbers for the same seed. A run error of Execute at the
//! readings as they are, or workers that cannot be started, give Ok = false with a message.
UncertaintyResult PropagateUncertainty(
    const Rig& rig, const UncertaintyOptions& options, const UncertaintyProgress& progress = {});

} // namespace meldrix
