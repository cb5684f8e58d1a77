#pragma once

#include "rig/Rig.h"

#include <memory>
#include <string>

namespace meldrix::bench {

//! The shipped default data set, as built beside the benchmarks.
inline std::string shippedBase()
{
    return std::string(MELDRIX_DATA_DIR) + "/Default";
}

//! The worst case for Execute, built by bench/worst-case-data-set.
inline std::string worstCaseBase()
{
    return std::string(MELDRIX_WORST_CASE);
}

//! A rig at start values, its equilibrium tables filled and the data set `base` loaded, as after
//! start-up.
std::unique_ptr<Rig> loadedRig(const std::string& base);

} // namespace meldrix::bench
