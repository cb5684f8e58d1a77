#include "BenchData.h"

#include "equil/EquilibriumTables.h"
#include "rig/StartUp.h"

#include <stdexcept>

namespace meldrix::bench {

std::unique_ptr<Rig> loadedRig(const std::string& base)
{
    auto rig = std::make_unique<Rig>();
    StartUpSteps steps;
    steps.initEquilibriumTables = InitEquilibriumTables;
    for (const LoadResult& result : StartUp(*rig, base, steps))
        if (!result.read || !result.problem.empty())
            throw std::runtime_error("cannot load the data set " + base);
    return rig;
}

} // namespace meldrix::bench
