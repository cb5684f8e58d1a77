#include "equil/EquilibriumTables.h"

#include "support/Bytes.h"

#include <gtest/gtest.h>

namespace meldrix {
namespace {

TEST(EquilibriumTables, FillTheElementsAndTheNineCompounds)
{
    auto rig = testsupport::rigAtStartValues();
    rig->Compounds[12].Formula = "left over";
    InitEquilibriumTables(*rig);

    EXPECT_EQ(rig->CompoundCount, 9);
    EXPECT_EQ(rig->Compounds[10].Formula, "");
    EXPECT_EQ(rig->Compounds[10].RangeTo, 9999.0);
    EXPECT_EQ(rig->Compounds[12].Formula, ""); // every entry is emptied first
    EXPECT_EQ(rig->Elements[122].Symbol.view(), "D");
    EXPECT_EQ(rig->Elements[8].AtomsPerMolecule, 2);
    EXPECT_EQ(rig->Compounds[7].Formula, "H2O");
    EXPECT_EQ(rig->Compounds[7].Atoms[1] + rig->Compounds[7].Atoms[8], 3.0);

    // ln K = -(DeltaH - T DeltaS) / (R T) at 298.15 K: about -7.29 for H2O and 7.18 for CO.
    const auto lnK = [](const CompoundRecord& compound) {
        return -(compound.DeltaH - 298.15 * compound.DeltaS) / (8.314 * 298.15);
    };
    EXPECT_NEAR(lnK(rig->Compounds[7]), -7.29, 0.005);
    EXPECT_NEAR(lnK(rig->Compounds[8]), 7.18, 0.005);
}

} // namespace
} // namespace meldrix
