#include "mixer/GasPaths.h"

#include "calib/CalCurveLookup.h"
#include "mixer/Execute.h"
#include "rig/StartUp.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <memory>
#include <string_view>

namespace meldrix {
namespace {

GasMask maskOf(const Rig& run, std::initializer_list<std::string_view> gases)
{
    GasMask mask = 0;
    for (int k = 1; k <= run.GasListCount; ++k)
        for (const std::string_view gas : gases)
            if (run.GasList[k] == gas)
                mask = static_cast<GasMask>(mask | (1u << (k - 1)));
    return mask;
}

// The shipped data set: M1 is argon on F 1 and synthetic air on F 2, and goes on to M2 through
// F 4; F 3 meters 5 % H2 in argon before its saturator, whose water M2 takes on to F 7.
TEST(GasPathsTest, TheRunsMeterSeesTheGasesThatFlowedThePathsWhatTheyCanCarry)
{
    auto rig = std::make_unique<Rig>();
    for (const LoadResult& load : StartUp(*rig, MELDRIX_DEFAULT_BASE, {}))
        ASSERT_TRUE(load.read) << load.problem;
    ASSERT_EQ(Execute(*rig).status, RunStatus::Ok);
    {
        const GasPaths paths(*rig, GasPaths::PositiveReadings(*rig));
        EXPECT_EQ(MeteredInRun(*rig, 3), maskOf(*rig, { "H2", "Ar" }));
        EXPECT_EQ(paths.metered(3), MeteredInRun(*rig, 3));
        EXPECT_EQ(MeteredInRun(*rig, 4), maskOf(*rig, { "Ar", "N2", "O2" }));
        EXPECT_EQ(MeteredInRun(*rig, 7), maskOf(*rig, { "H2", "Ar", "N2", "O2", "H2O" }));
        EXPECT_EQ(paths.metered(7), MeteredInRun(*rig, 7));
    }

    // F 2 open, but its curves give no flow: no air reaches M1 in the run, though its path is open.
    for (const std::string_view gas : { "N2", "O2" })
        for (CalPoint& point : rig->CalCurves[FindCalCurve(*rig, 2, gas)].Points)
            point.Flow = 0.0;
    ASSERT_EQ(Execute(*rig).status, RunStatus::Ok);
    const GasPaths paths(*rig, GasPaths::PositiveReadings(*rig));
    EXPECT_EQ(MeteredInRun(*rig, 4), maskOf(*rig, { "Ar" }));
    EXPECT_EQ(paths.metered(4), maskOf(*rig, { "Ar", "N2", "O2" }));
}

} // namespace
} // namespace meldrix
