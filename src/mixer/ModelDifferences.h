#pragma once

#include "mixer/FlowModel.h"

#include <span>
#include <string>
#include <vector>

namespace meldrix {

//! What a run's flow model did at one stage beyond the specified rules.
struct StageModelNote {
    int Stage = 0; //!< 1..16
    StageModelNotes Notes;
};

//! A stage whose flow depends on the flow model: the flows of the two models differ by more than
//! 1 % of the larger, or the physical model fell back on another rule there.
struct ModelDifference {
    int Stage = 0; //!< 1..16
    double AsSpecified = 0.0; //!< the stage's flow in the specified model [the curves' unit]
    double Physical = 0.0; //!< the same in the physical model
    //! Without a full stop, 8-bit: "F 3: 54.94 as specified, 47.93 physical, -12.8 % (a mixture
    //! metered by its density and the dry gas kept behind its fix-gas stage)".
    std::string Text;
};
using ModelDifferences = std::vector<ModelDifference>;

//! Whether two flows of a stage differ by more than 1 % of the larger.
bool FlowsDiffer(double a, double b);

//! The stages where the stage flows of two converged runs of one rig, `asSpecified` and
//! `physical`, differ, in stage order; `physicalNotes` are what the physical run did beyond the
//! specified rules, and `unit` (8-bit, may be empty) follows each flow of the texts.
ModelDifferences DifferencesBetween(const OneBased<double, MaxFlowmeters>& asSpecified,
    const OneBased<double, MaxFlowmeters>& physical, std::span<const StageModelNote> physicalNotes,
    std::string_view unit);

//! One sentence for the message line naming every stage where the models differ; empty when there
//! is none.
std::string ModelDifferencesMessage(std::span<const ModelDifference> differences);

} // namespace meldrix
