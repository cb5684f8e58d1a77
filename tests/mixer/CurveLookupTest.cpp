#include "calib/CalCurveLookup.h"
#include "mixer/Execute.h"
#include "support/Bytes.h"
#include "support/RandomRigs.h"

#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <random>

namespace meldrix {
namespace {

using testsupport::sameBytes;

// A run through the index must leave exactly the bytes a run that scans every curve leaves: the
// same curves, the same flows, in the same order of additions.
TEST(CurveLookupTest, IndexedRunsAreBitIdenticalToFullScans)
{
    int converged = 0;
    int looping = 0;
    int flowing = 0;
    int warned = 0;
    for (std::uint32_t seed = 1; seed <= 24; ++seed) {
        const auto indexed = testsupport::randomRig(seed);
        const auto scanned = std::make_unique<Rig>(*indexed);
        const RunOutcome a = Execute(*indexed, {}, CurveLookup::Indexed);
        const RunOutcome b = Execute(*scanned, {}, CurveLookup::FullScan);
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        ASSERT_EQ(a.status, b.status);
        EXPECT_EQ(a.passes, b.passes);
        EXPECT_EQ(a.message, b.message);
        EXPECT_TRUE(sameBytes(indexed->Flowmeters, scanned->Flowmeters));
        EXPECT_TRUE(sameBytes(indexed->Gases, scanned->Gases));
        EXPECT_TRUE(sameBytes(indexed->CellGases, scanned->CellGases));
        EXPECT_TRUE(sameBytes(indexed->WorkComposition, scanned->WorkComposition));
        ASSERT_EQ(a.warnings.size(), b.warnings.size());
        for (std::size_t i = 0; i < a.warnings.size(); ++i) {
            EXPECT_EQ(a.warnings[i].Curve, b.warnings[i].Curve);
            EXPECT_EQ(a.warnings[i].Text, b.warnings[i].Text);
        }
        warned += !a.warnings.empty();

        converged += a.status == RunStatus::Ok;
        looping += a.status == RunStatus::NonConverging;
        for (const FlowmeterRecord& stage : indexed->Flowmeters)
            if (stage.Flow > 0) {
                ++flowing;
                break;
            }
    }
    // The random rigs must exercise both endings and real flows, or the comparison proves little.
    EXPECT_GE(converged, 4);
    EXPECT_GE(looping, 4);
    EXPECT_GE(flowing, 12);
    EXPECT_GE(warned, 4);
}

// An index kept on one copy of the rig while only its readings change (as a map's worker keeps
// it) gives every run exactly what a fresh run gives.
TEST(CurveLookupTest, AKeptIndexServesRunsOfNewReadings)
{
    std::mt19937 random(36);
    for (std::uint32_t seed = 1; seed <= 24; ++seed) {
        const auto kept = testsupport::randomRig(seed);
        CalCurveIndex index(*kept);
        for (int round = 0; round < 3; ++round) {
            for (FlowmeterRecord& stage : kept->Flowmeters)
                stage.Reading = std::uniform_real_distribution(-5.0, 200.0)(random);
            const auto fresh = std::make_unique<Rig>(*kept);
            const RunOutcome a = Execute(*kept, index);
            const RunOutcome b = Execute(*fresh);
            SCOPED_TRACE(testing::Message() << "seed " << seed << ", round " << round);
            ASSERT_EQ(a.status, b.status);
            EXPECT_TRUE(sameBytes(kept->Flowmeters, fresh->Flowmeters));
            EXPECT_TRUE(sameBytes(kept->Gases, fresh->Gases));
            EXPECT_TRUE(sameBytes(kept->CellGases, fresh->CellGases));
            ASSERT_EQ(a.warnings.size(), b.warnings.size());
            for (std::size_t i = 0; i < a.warnings.size(); ++i)
                EXPECT_EQ(a.warnings[i].Text, b.warnings[i].Text);
        }
    }
}

} // namespace
} // namespace meldrix
