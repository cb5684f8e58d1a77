#include "equil/EquilibriumTables.h"

#include "support/Bytes.h"

#include <cmath>
#include <gtest/gtest.h>

namespace meldrix {
namespace {

TEST(EquilibriumTables, FillTheElementsAndTheNineCompounds)
{
    auto rig = testsupport::rigAtStartValues();
    rig->Compounds[12].Formula = "left over";
    rig->Elements[50].Symbol = "Sn";
    InitEquilibriumTables(*rig);

    EXPECT_EQ(rig->CompoundCount, 9);
    EXPECT_EQ(rig->Compounds[10].Formula, "");
    EXPECT_EQ(rig->Compounds[10].RangeTo, 9999.0);
    EXPECT_EQ(rig->Compounds[12].Formula, ""); // every entry is emptied first
    EXPECT_EQ(rig->Elements[50].Symbol.view(), "");
    EXPECT_EQ(rig->Elements[122].Symbol.view(), "D");
    EXPECT_EQ(rig->Elements[123].Symbol.view(), "T");
    EXPECT_EQ(rig->Elements[18].Symbol.view(), "Ar");

    int filled = 0;
    for (const ElementRecord& element : rig->Elements)
        filled += element.Symbol.empty() ? 0 : 1;
    EXPECT_EQ(filled, 13);
    for (int z : { 1, 7, 8, 9, 122, 123 })
        EXPECT_EQ(rig->Elements[z].AtomsPerMolecule, 2) << z;
    EXPECT_EQ(rig->Elements[6].State.view(), "s");
    EXPECT_EQ(rig->Elements[10].State.view(), "g");

    const CompoundRecord& water = rig->Compounds[7];
    EXPECT_EQ(water.Formula, "H2O");
    EXPECT_EQ(water.Name, "Water vapour");
    EXPECT_EQ(water.Atoms[1], 2.0);
    EXPECT_EQ(water.Atoms[8], 1.0);
    double atoms = 0.0;
    for (double count : water.Atoms)
        atoms += count;
    EXPECT_EQ(atoms, 3.0);
    EXPECT_EQ(rig->Compounds[9].Atoms[8], 2.0); // CO2
    for (int k = 1; k <= 20; ++k) {
        EXPECT_TRUE(rig->Compounds[k].Enabled) << k;
        EXPECT_FALSE(rig->Compounds[k].Available) << k;
    }
}

TEST(EquilibriumTables, CoefficientsGiveTheDocumentedConstantsAt25C)
{
    auto rig = testsupport::rigAtStartValues();
    InitEquilibriumTables(*rig);
    // ln K = -(DeltaH - T DeltaS) / (R T): about -7.29 for H2O and 7.18 for CO at 298.15 K.
    const auto lnK = [](const CompoundRecord& compound) {
        constexpr double R = 8.314;
        constexpr double T = 298.15;
        return -(compound.DeltaH - T * compound.DeltaS) / (R * T);
    };
    EXPECT_NEAR(lnK(rig->Compounds[7]), -7.29, 0.005);
    EXPECT_NEAR(lnK(rig->Compounds[8]), 7.18, 0.005);
    EXPECT_EQ(lnK(rig->Compounds[6]), lnK(rig->Compounds[7])); // O3 carries the pair of H2O
    EXPECT_EQ(lnK(rig->Compounds[4]), 0.0);
}

} // namespace
} // namespace meldrix
