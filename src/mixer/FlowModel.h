#pragma once

#include "mixer/FixGasStage.h"
#include "rig/Rig.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace meldrix {

//! What a flow model did at one stage beyond the specified rules, for the sentence that names a
//! stage where the two models differ.
struct StageModelNotes {
    bool Mixture = false; //!< a mixture metered by its density
    bool Corrected = false; //!< a curve measured for another gas, corrected for density
    bool Cubic = false; //!< a reading taken between curve points by the monotone cubic
    bool DryGas = false; //!< the dry gas kept behind a fix-gas stage after the meter
    //! Where the model's own rule could not be used and another was, one clause each (8-bit).
    std::vector<std::string> Fallbacks;

    bool any() const { return Mixture || Corrected || Cubic || DryGas || !Fallbacks.empty(); }
};

//! The flow of one gas through a stage at its reading.
struct GasFlow {
    double Flow = 0.0;
    bool Corrected = false; //!< scaled from a curve of another gas
    bool Cubic = false; //!< taken between two curve points by the monotone cubic
    std::string Unscaled; //!< the clause saying why a curve of another gas was used unscaled
};

//! The rules by which a stage's reading becomes its flow. Execute takes them from the rig's
//! settings and never asks which model it has.
class FlowModel {
public:
    virtual ~FlowModel() = default;

    virtual FlowModelKind kind() const = 0;

    //! The flow of gas `gas` read from curve `curve` (1..1000) at `reading` (finite, above 0).
    virtual GasFlow gasFlow(
        const Rig& rig, int curve, std::string_view gas, double reading) const = 0;

    //! The stage's flow from its composition and the flow of each slot's gas, `flows[k - 1]` for
    //! slot k.
    virtual double meter(const Composition& composition,
        std::span<const double, MaxComponents> flows, StageModelNotes& notes) const = 0;

    //! The factor by which a fix-gas stage after the meter changes the stage's flow.
    virtual double afterMeterFactor(FixGasChange change, StageModelNotes& notes) const = 0;
};

//! The model of that kind; it lives as long as the program.
const FlowModel& FlowModelOf(FlowModelKind kind);

//! The molar mass the thermodynamic data give the gas named exactly `name` (blanks around it
//! aside) [g/mol]; 0 when they do not know it.
double MolarMassOf(std::string_view name);

} // namespace meldrix
