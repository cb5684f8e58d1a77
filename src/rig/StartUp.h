#pragma once

#include "rig/DataFiles.h"
#include "rig/Rig.h"

#include <array>
#include <functional>
#include <string>

namespace meldrix {

inline constexpr std::uint16_t ReferenceDiagramWidth = 800;
inline constexpr std::uint16_t ReferenceDiagramHeight = 600;

//! What the window and the equilibrium module add to start-up, at their places in its order.
struct StartUpSteps {
    std::function<void()> prepareEditorRows; //!< after the records have their start values
    std::function<void(Rig&)> initEquilibriumTables; //!< before the default data set is loaded
};

//! Gives every record its start value, lays out the diagram, runs the extra steps and loads the
//! data set `baseName`. The results of the four loads are returned; a missing default data set is
//! not a fault.
std::array<LoadResult, 4> StartUp(
    Rig& rig, const std::string& baseName, const StartUpSteps& steps = {});

//! The start values of the records and the layout boxes, without loading anything.
void SetStartValues(Rig& rig);

//! The whole part of DiagramHeight × 0.42: the level the diagram's mixture bus hangs from.
std::uint16_t BusLevel(const Rig& rig);

//! The base name of the shipped data set: share/meldrix/Default beside the executable's bin/.
std::string DefaultBaseName();

} // namespace meldrix
