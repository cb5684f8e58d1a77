#pragma once

#include "mixer/ModelDifferences.h"
#include "mixer/ReadingWarnings.h"
#include "rig/Rig.h"

#include <functional>
#include <string_view>

namespace meldrix {

class CalCurveIndex;

inline constexpr std::string_view TooManyGasesMessage = "Inappropriate number of gases (too many)";
inline constexpr std::string_view NonConvergingMessage =
    "Non-converging mixer! Check for iterating loops!";

//! The solver gives up after this many passes over the mixtures.
inline constexpr int MaxPasses = 100;

enum class RunStatus {
    Ok, //!< every mixture was solved; cells, diagram, table and equilibrium were updated
    TooManyGases, //!< a 13th gas stopped the run at the gas list
    NonConverging, //!< some mixture was still waiting after MaxPasses passes
};

struct RunOutcome {
    RunStatus status = RunStatus::Ok;
    int passes = 0; //!< passes made over the mixtures; 0 when the run stopped at the gas list
    std::string_view message; //!< the text put in Message1, empty when the run converged
    //! Every computed stage and gas whose reading was not taken along its curve, in stage order
    //! and, within a stage, in the order of its gases; never put in Message1 by the run itself.
    ReadingWarnings warnings;
    //! The flow model of the run: the rig's setting.
    FlowModelKind model = FlowModelKind::AsSpecified;
    //! What the model did beyond the specified rules, for each stage where it did something, in
    //! stage order; always empty in the specified model.
    std::vector<StageModelNote> modelNotes;
    //! With ExecuteHooks::CompareFlowModels, the stages of a converged run where the other model
    //! differs; never put in Message1 by the run itself.
    ModelDifferences differences;
};

//! What the face running Execute adds at the solver's places. Each is optional; a face without a
//! window (the command-line tool, tests) leaves the drawing ones empty.
struct ExecuteHooks {
    std::function<void()> HideCalForms; //!< first of all: hide the calibration forms, redraw
    std::function<void()> Beep; //!< with each of the two run errors
    std::function<void()> DrawMixer; //!< after a converged run, once the cell gases are known
    std::function<void()> ShowResults; //!< then: fill the results table
    std::function<void()> StartEquilibriumCalculations; //!< last of a converged run
    //! Whether a converged run also runs the mixer under the other flow model, its records put
    //! back afterwards, to name the stages where the two differ: for a run whose results the
    //! operator reads, never for the trial runs of a search or an uncertainty run, which it would
    //! make twice as slow.
    bool CompareFlowModels = false;
};

//! How a run finds the calibration curve of each gas of a stage. Both choose the same curves and
//! give bit-identical results.
enum class CurveLookup {
    Indexed, //!< through a CalCurveIndex; a stage's flow of a gas is looked up once per run
    FullScan, //!< every slot of every computed stage in every pass scans all 1000 curves
};

//! A reading above 0 that is a number: the stage carries gas. Any other reading counts as 0: no
//! flow, and it holds no mixture back.
bool HasPositiveReading(const FlowmeterRecord& stage);

//! The Execute command: makes the working copies of the input gases, builds the gas list, solves
//! the mixer pass by pass in the rig's flow model and, once every mixture is known, computes the
//! cell gases and calls the hooks. A run error is put in Message1 and returned; no stored value
//! can make it index outside an array or loop without end.
RunOutcome Execute(
    Rig& rig, const ExecuteHooks& hooks = {}, CurveLookup lookup = CurveLookup::Indexed);

//! Execute through `index`, built on this very rig (CalCurveIndex(rig)) and kept for runs that
//! change nothing but readings: the many runs of one copy of the rig a map makes. The same
//! results as Execute, bit for bit.
RunOutcome Execute(Rig& rig, CalCurveIndex& index, const ExecuteHooks& hooks = {});

} // namespace meldrix
