#pragma once

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
};

//! One reading with its deviation: every stage Execute computes with a positive reading.
struct UncertaintyInput {
    int Stage = 0; //!< 1..16
    double Reading = 0.0; //!< [reading units]
    //! The highest reading of any point of the curves chosen for the stage's gases [reading
    //! units]; 0 when no such curve has a point above 0.
    double FullScale = 0.0;
    double Sd = 0.0; //!< [reading units]
};

//! A quantity of a cell with its spread. Sd is NaN when it cannot be estimated (a trial whose
//! equilibrium failed in a linear run, fewer than two usable samples).
struct Spread {
    double Value = 0.0; //!< at the readings as they are (not a sample mean)
    double Sd = 0.0;
    std::optional<double> P2_5; //!< Monte Carlo only: the 2.5 % quantile of the samples
    std::optional<double> P97_5; //!< Monte Carlo only: the 97.5 % quantile
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
    //! [log10 bar]; nullopt when the equilibrium was not asked for, or the cell's gas at the
    //! readings as they are holds no oxygen or could not be solved (then PO2Problem says why).
    std::optional<Spread> Log10PO2;
    std::string PO2Problem;
    //! Monte Carlo: the samples whose equilibrium failed or held no oxygen; they are left out of
    //! the pO2's spread.
    int PO2Dropped = 0;
    //! The stage whose reading contributes most to the variance of log10 pO2; 0 when none does
    //! (no pO2, or no reading varies it).
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
//! readings as they are gives Ok = false with its message.
UncertaintyResult PropagateUncertainty(
    const Rig& rig, const UncertaintyOptions& options, const UncertaintyProgress& progress = {});

} // namespace meldrix
