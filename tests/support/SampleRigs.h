#pragma once

#include "rig/Rig.h"

#include <memory>
#include <string_view>

namespace meldrix::testsupport {

//! A rig at start values that uses every element of the diagram: six working stages fed from
//! defined input gases and from mixtures (M1 feeds stage 4, which feeds M3), a fix-gas stage
//! before and one after its meter, an undefined input gas I4 on stages 7 and 8, cells fed from
//! M1..M4 and from nothing (Mix 0), and stages 9..16 left unconnected (Output 0).
std::unique_ptr<Rig> sampleRig();

//! A rig started on the shipped default data set; null when one of its files could not be read.
std::unique_ptr<Rig> defaultDataSetRig();

//! The rig a drawing test names by a word: "sample" (sampleRig), "default" (defaultDataSetRig)
//! or anything else for start values.
std::unique_ptr<Rig> namedRig(std::string_view name);

} // namespace meldrix::testsupport
