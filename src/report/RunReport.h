#pragma once

#include "common/Canvas.h"
#include "common/OneBased.h"
#include "equil/GibbsEquilibrium.h"
#include "mixer/ReadingWarnings.h"
#include "plots/CalibrationChart.h"
#include "rig/Rig.h"
#include "uncertainty/Uncertainty.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace meldrix {

// Every text of a report is UTF-8: the rig's 8-bit names are read as Latin-1 (control characters
// shown as the window shows them), file names as the system's UTF-8.

//! A picture of the report, drawn onto any canvas by the same drawing code the window uses.
struct ReportDrawing {
    std::string Title;
    Size Area; //!< [px]
    std::function<void(Canvas&)> Draw;
    std::string Caption; //!< what the picture shows, below it; empty for none
};

//! One line of where a report came from: "Folder" and its path, say.
struct ReportFact {
    std::string Name;
    std::string Value;
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
    CalPointUsed Used; //!< the stage's reading and the flow of the pure gas it gave
    ReportDrawing Chart;
};

//! A fed cell: what it is set to, and the gas it receives in gas-list order.
struct ReportCell {
    int Cell = 0; //!< 1..8
    std::string Name;
    int Mix = 0; //!< 1..16
    double Celsius = 0.0; //!< [°C]
    double Bar = 0.0; //!< [bar]
    std::array<double, 4> Leaks {}; //!< of O2, N2, H2 and H2O [fraction of the gas]
    std::vector<double> Fractions; //!< [-]; empty when the run stopped
};

//! The gases whose leakages ReportCell::Leaks holds, in its order.
inline constexpr std::array<const char*, 4> LeakGases { "O2", "N2", "H2", "H2O" };

struct ReportEquilibrium {
    int Cell = 0; //!< 1..8
    std::string Name;
    GibbsResult Result; //!< as the minimiser gives it: its texts are 8-bit
};

//! A species of the equilibrium table: its mole fraction in each of the report's Equilibria, in
//! their order (NaN where a cell has no equilibrium).
struct ReportSpecies {
    std::string Name;
    std::vector<double> Fractions; //!< [-]
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
    std::vector<std::string> Notes; //!< remarks beside the results that ask for nothing
    //! The stages (1..16) whose readings the operating maps of the fed cells run over, X then Y;
    //! none: no maps.
    std::optional<std::pair<int, int>> MapStages;
};

//! The meters' accuracy of an uncertainty run as the report shows it. A run that is not Ok adds
//! nothing; the reading that matters most for each cell's pO2 joins the notes, samples left out
//! of a spread the warnings.
void AddUncertainties(ReportInputs& inputs, const UncertaintyResult& result);

//! One run of a data set as a report.
struct RunReport {
    std::string DataSet; //!< the base name's file name
    std::string Folder; //!< absolute
    std::string Generated;
    std::string Version;
    std::string FlowUnit; //!< the curves' flow unit as the data set names it; empty when not named
    //! Where the report came from, one fact a line: data set, folder, date and time, version,
    //! thermodynamic data, the readings that are not those stored in the data set, flow model.
    std::vector<ReportFact> Provenance;
    bool RunOk = false;
    std::string RunError; //!< the run's message when it stopped
    std::vector<std::string> InputGases; //!< "I1 Name: N2 0.79, O2 0.21"
    std::vector<ReportStage> Stages;
    std::vector<std::string> GasList;
    std::vector<ReportCell> Cells;
    std::vector<ReportSpecies> EquilibriumSpecies; //!< reaching MainSpeciesFraction in some cell
    std::vector<ReportEquilibrium> Equilibria;
    std::optional<ReportDrawing> Diagram;
    std::optional<ReportDrawing> PO2Chart;
    std::vector<ReportCurve> Curves;
    //! The operating map of each fed cell that both map stages reach, when asked for.
    std::vector<ReportDrawing> Maps;
    //! Remarks that ask nothing of the reader (an internal limit of the compound table, say).
    std::vector<std::string> Notes;
    //! What a reader must act on: files read as damaged, readings beyond their curves, curves that
    //! do not match, cells without an equilibrium.
    std::vector<std::string> Messages;
    //! The readings the run could not take along their curves; each is among the Messages too.
    ReadingWarnings RunWarnings;
    std::optional<ReportUncertainties> Uncertainties;
};

//! Species below this fraction in every cell are left out of the equilibrium table.
inline constexpr double MainSpeciesFraction = 1e-6;

//! The sentence under the equilibrium table: which species it lists, and why a cell has none.
std::string EquilibriumNote(const RunReport& report);

//! Runs Execute on a copy of `rig` as the window's Execute runs it, then the equilibrium of each
//! fed cell at its temperature, and gathers the report. The rig itself is left as it was; the
//! report's drawings hold their own copy. A run that stops still shows its inputs: the stages,
//! the cells and the diagram as loaded.
RunReport BuildRunReport(const Rig& rig, ReportInputs inputs);

} // namespace meldrix
