#pragma once

#include "common/Canvas.h"
#include "common/OneBased.h"
#include "equil/GibbsEquilibrium.h"
#include "mixer/ModelDifferences.h"
#include "mixer/ReadingWarnings.h"
#include "rig/Rig.h"
#include "uncertainty/Uncertainty.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace meldrix {

//! A picture of the report, drawn onto any canvas by the same drawing code the window uses.
struct ReportDrawing {
    std::string Title;
    Size Area; //!< [px]
    std::function<void(Canvas&)> Draw;
    std::string Caption; //!< what the picture shows, below it; empty for none
};

//! A stage of the mixer the run computed.
struct ReportStage {
    int Stage = 0; //!< 1..16
    std::string Meter; //!< make, size and float
    std::string Source; //!< "I1 Name" or "M2"
    int Output = 0; //!< the mixture it feeds, 1..16
    double Reading = 0.0;
    double Flow = 0.0; //!< NaN when the run did not compute it
    std::string FixGas; //!< the fix-gas stage, empty when none
};

//! A calibration curve a stage used for one of its gases.
struct ReportCurve {
    int Stage = 0; //!< 1..16
    std::string Gas;
    int Curve = 0; //!< 1..1000
    double Reading = 0.0;
    double Flow = 0.0; //!< of the pure gas at the reading
    ReportDrawing Chart;
};

//! A fed cell and the gas it receives, in gas-list order.
struct ReportCell {
    int Cell = 0; //!< 1..8
    std::string Name;
    int Mix = 0; //!< 1..16
    double Celsius = 0.0; //!< [°C]
    double Bar = 0.0; //!< [bar]
    std::vector<double> Fractions; //!< [-]
};

struct ReportEquilibrium {
    int Cell = 0; //!< 1..8
    std::string Name;
    GibbsResult Result;
};

//! Meter accuracy carried to the cells, where it was computed.
struct ReportUncertainties {
    std::string Method; //!< how they were computed, in a few words
    //! Per cell, the standard uncertainty of each gas-list fraction [-]; NaN where none.
    OneBased<std::vector<double>, MaxCells> Fractions;
    //! Per cell, the standard uncertainty of log10 pO2 [log10 bar]; NaN where none.
    OneBased<double, MaxCells> Log10PO2;
    //! Per cell, Monte Carlo's 2.5 % and 97.5 % quantiles of log10 pO2 [log10 bar].
    OneBased<std::optional<std::array<double, 2>>, MaxCells> Log10PO2Band;
};

//! What the report is made from besides the rig.
struct ReportInputs {
    std::string Generated; //!< date and time of the report, as it is to be shown
    std::string Version; //!< Meldrix's
    std::vector<std::string> Warnings; //!< found before the run (loading the data set, say)
    std::optional<ReportUncertainties> Uncertainties;
    //! The run behind Uncertainties, whose pO2 bands the report's pO2 chart draws.
    std::optional<UncertaintyResult> UncertaintyRun;
};

//! The meters' accuracy of an uncertainty run as the report shows it. A run that is not Ok adds
//! nothing; its notes (the reading that matters most for each cell's pO2, samples left out) join
//! the warnings.
void AddUncertainties(ReportInputs& inputs, const UncertaintyResult& result);

//! One run of a data set as a report: everything in 8-bit texts, as the rig holds them.
struct RunReport {
    std::string DataSet; //!< the base name's file name
    std::string Folder;
    std::string Generated;
    std::string Version;
    std::string FlowModel; //!< "as specified" or "physical": the run's flow model
    std::string FlowUnit; //!< the curves' flow unit as the data set names it; empty when not named
    bool RunOk = false;
    std::string RunError; //!< the run's message when it stopped
    std::vector<std::string> InputGases; //!< "I1 Name: N2 0.79, O2 0.21"
    std::vector<ReportStage> Stages;
    std::vector<std::string> GasList;
    std::vector<ReportCell> Cells;
    std::vector<std::string> EquilibriumSpecies; //!< reaching MainSpeciesFraction in some cell
    std::vector<ReportEquilibrium> Equilibria;
    std::optional<ReportDrawing> Diagram;
    std::optional<ReportDrawing> PO2Chart;
    std::vector<ReportCurve> Curves;
    std::vector<std::string> Messages;
    //! The readings the run could not take along their curves; each is among the Messages too.
    ReadingWarnings RunWarnings;
    //! The stages where the other flow model differs; each is among the Messages too.
    ModelDifferences RunModelDifferences;
    std::optional<ReportUncertainties> Uncertainties;
};

//! Species below this fraction in every cell are left out of the equilibrium table.
inline constexpr double MainSpeciesFraction = 1e-6;

//! Runs Execute on a copy of `rig` as the window's Execute runs it, then the equilibrium of each
//! fed cell at its temperature, and gathers the report. The rig itself is left as it was; the
//! report's drawings hold their own copy.
RunReport BuildRunReport(const Rig& rig, ReportInputs inputs);

} // namespace meldrix
