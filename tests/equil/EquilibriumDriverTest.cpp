#include "equil/EquilibriumDriver.h"

#include "common/TextFormat.h"
#include "equil/EquilibriumTables.h"
#include "support/Bytes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <initializer_list>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace meldrix {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// Cell c is fed by mixture Mc (the start values); the tests give M1 a composition in gas-list
// order and leave M2..M8 empty.
class EquilibriumDriverTest : public ::testing::Test {
protected:
    std::unique_ptr<Rig> rig = testsupport::rigAtStartValues();

    EquilibriumDriverTest() { InitEquilibriumTables(*rig); }

    void setMixture1(std::initializer_list<std::pair<const char*, double>> gases)
    {
        rig->GasListCount = 0;
        for (const auto& [name, fraction] : gases) {
            const int k = ++rig->GasListCount;
            rig->GasList[k] = name;
            for (int m = 1; m <= MaxMixtures; ++m)
                rig->Gases[MaxInputGases + m].Components[k].Name = name;
            rig->Gases[MaxInputGases + 1].Components[k].Fraction = fraction;
        }
    }

    std::vector<int> elementList() const
    {
        return { rig->ElementList.begin() + 1, rig->ElementList.begin() + 1 + rig->ElementList[0] };
    }

    std::vector<std::string> selection() const
    {
        std::vector<std::string> formulas;
        for (int i = 1; i <= rig->SelectedCount; ++i)
            formulas.push_back(rig->Compounds[rig->SelectedCompounds[i]].Formula);
        return formulas;
    }

    std::vector<Extended> amounts(int c, int count) const
    {
        std::vector<Extended> values;
        for (int i = 1; i <= count; ++i)
            values.push_back(rig->EquilAmounts[c][i]);
        return values;
    }
};

TEST_F(EquilibriumDriverTest, HydrogenAndOxygenSelectFourCompounds)
{
    setMixture1({ { "H2", 0.5 }, { "O2", 0.5 } });
    StartEquilibriumCalculations(*rig);

    EXPECT_THAT(elementList(), ElementsAre(1, 8));
    EXPECT_TRUE(rig->Elements[1].Present && rig->Elements[8].Present);
    EXPECT_FALSE(rig->Elements[6].Present);
    EXPECT_THAT(selection(), ElementsAre("H2", "O2", "O3", "H2O"));
    EXPECT_TRUE(rig->Compounds[6].Available); // O3 occurs in no cell, its element does
    EXPECT_FALSE(rig->Compounds[9].Available);
    EXPECT_THAT(amounts(1, 4), ElementsAre(0.5L, 0.5L, 0.0L, 0.0L));
    EXPECT_THAT(amounts(2, 4), ElementsAre(0.0L, 0.0L, 0.0L, 0.0L));
    for (int c = 1; c <= MaxCells; ++c)
        EXPECT_TRUE(isSet(rig->Cells[c].EquilDone)) << c;
    for (int i = 1; i <= MaxEquations; ++i) {
        EXPECT_EQ(rig->EquilInput[i].Compound, rig->SelectedCompounds[i]);
        EXPECT_EQ(rig->EquilInput[i].Amount, rig->EquilAmounts[1][i]);
    }
    // Two elements give no diagnostic: the message line stays hidden.
    EXPECT_FALSE(rig->Message1.Visible);

    const CellEquilibriumResult result =
        CellEquilibrium(*rig, 1, rig->EquilInput, "ConstantP", 25.0, 1.0);
    EXPECT_TRUE(result.PressureMatches);
    EXPECT_THAT(result.ElementTotals, ElementsAre(1.0L, 1.0L)); // H 2 × 0.5, O 2 × 0.5
}

TEST_F(EquilibriumDriverTest, FourElementsShowTheOxygenTotal)
{
    setMixture1({ { "H2", 0.125 }, { "N2", 0.25 }, { "O2", 0.375 }, { "CO2", 0.25 } });
    StartEquilibriumCalculations(*rig);

    EXPECT_THAT(elementList(), ElementsAre(1, 6, 7, 8));
    EXPECT_THAT(selection(), ElementsAre("H2", "C", "N2", "O2", "O3", "H2O", "CO", "CO2"));
    EXPECT_THAT(amounts(1, 8), ElementsAre(0.125L, 0.0L, 0.25L, 0.375L, 0.0L, 0.0L, 0.0L, 0.25L));
    // 2 × x(O2) + 2 × x(CO2) in the 23-character form.
    EXPECT_TRUE(rig->Message1.Visible);
    EXPECT_EQ(rig->Message1.Text, " 1.25000000000000E+0000");
}

TEST_F(EquilibriumDriverTest, TooManyEquationsKeepTheEarlierAmounts)
{
    setMixture1({ { "H2", 0.2 }, { "N2", 0.2 }, { "O2", 0.2 }, { "CO2", 0.2 }, { "Ar", 0.2 } });
    for (int i = 1; i <= MaxEquations; ++i)
        rig->EquilAmounts[1][i] = 7.0L;
    StartEquilibriumCalculations(*rig);

    EXPECT_EQ(rig->Message1.Text, "Sum of compounds and elements too large: 14");
    EXPECT_TRUE(rig->Message1.Visible);
    EXPECT_THAT(elementList(), ElementsAre(1, 6, 7, 8, 18));
    EXPECT_EQ(rig->SelectedCount, 9); // the selection stays as computed
    EXPECT_THAT(amounts(1, MaxEquations), ElementsAreArray(std::vector<Extended>(12, 7.0L)));
    EXPECT_FALSE(isSet(rig->Cells[1].EquilDone));
}

TEST_F(EquilibriumDriverTest, ACellAtTwoBarGivesNoDiagnostic)
{
    setMixture1({ { "H2", 0.125 }, { "N2", 0.25 }, { "O2", 0.375 }, { "CO2", 0.25 } });
    rig->Cells[1].Pressure = 2.0;
    StartEquilibriumCalculations(*rig);
    EXPECT_FALSE(rig->Message1.Visible);
    EXPECT_TRUE(isSet(rig->Cells[1].EquilDone)); // amounts are filled all the same
    EXPECT_EQ(rig->EquilAmounts[1][8], 0.25L);

    const CellEquilibriumResult result =
        CellEquilibrium(*rig, 1, rig->EquilInput, "ConstantP", 25.0, 2.0);
    EXPECT_FALSE(result.PressureMatches);
    EXPECT_TRUE(result.ElementTotals.empty());
}

TEST_F(EquilibriumDriverTest, PressureCheckAllowsOnlyRoundingAndFailsOnNaN)
{
    setMixture1({ { "H2", 0.125 }, { "N2", 0.25 }, { "O2", 0.375 }, { "CO2", 0.25 } });
    StartEquilibriumCalculations(*rig);
    for (const auto& [pressure, matches] : std::initializer_list<std::pair<double, bool>> {
             { 1.0 + 5e-14, true }, { 1.0 - 5e-14, true }, { 1.0 + 3e-13, false },
             { std::numeric_limits<double>::quiet_NaN(), false } })
        EXPECT_EQ(
            CellEquilibrium(*rig, 1, rig->EquilInput, "ConstantP", 25.0, pressure).PressureMatches,
            matches)
            << pressure;
}

TEST_F(EquilibriumDriverTest, NamesMatchFormulasExactly)
{
    setMixture1({ { "h2", 0.5 }, { "O2", 0.5 } });
    StartEquilibriumCalculations(*rig);
    EXPECT_THAT(elementList(), ElementsAre(8));
    EXPECT_FALSE(rig->Elements[1].Present);
    EXPECT_THAT(selection(), ElementsAre("O2", "O3"));
}

TEST_F(EquilibriumDriverTest, OnlyFedCellsAndPositiveFractionsTakePart)
{
    // CO2 only in M2, which cell 2 no longer takes; a fraction of 0 brings no element either.
    setMixture1({ { "H2", 1.0 }, { "CO2", 0.0 }, { "N2", 0.0 } });
    rig->Gases[MaxInputGases + 2].Components[2].Fraction = 1.0;
    rig->Cells[2].Mix = 0;
    rig->Cells[3].Mix = 17; // names no mixture
    rig->EquilAmounts[2][1] = 3.0L;
    StartEquilibriumCalculations(*rig);

    EXPECT_THAT(elementList(), ElementsAre(1));
    EXPECT_THAT(selection(), ElementsAre("H2"));
    EXPECT_FALSE(isSet(rig->Cells[2].EquilDone));
    EXPECT_FALSE(isSet(rig->Cells[3].EquilDone));
    EXPECT_TRUE(isSet(rig->Cells[4].EquilDone));
    EXPECT_EQ(rig->EquilAmounts[2][1], 3.0L);
}

TEST_F(EquilibriumDriverTest, NothingSelectedLeavesTheAmountsAlone)
{
    setMixture1({ { "He", 1.0 } });
    rig->EquilAmounts[1][1] = 3.0L;
    ShowMessage(*rig, "before");
    StartEquilibriumCalculations(*rig);
    EXPECT_EQ(rig->ElementList[0], 0);
    EXPECT_EQ(rig->SelectedCount, 0);
    EXPECT_EQ(rig->EquilAmounts[1][1], 3.0L);
    EXPECT_EQ(rig->Message1.Text, "before"); // a sum of 0 fails the check at 1 bar
}

TEST_F(EquilibriumDriverTest, ModeIsReadInAnyLetterCase)
{
    for (const auto& [mode, expected] :
        std::initializer_list<std::pair<const char*, EquilibriumMode>> {
            { "ConstantP", EquilibriumMode::ConstantP },
            { "constantv", EquilibriumMode::ConstantV },
            { "CONSTANTV", EquilibriumMode::ConstantV },
            { "Isochoric", EquilibriumMode::ConstantP }, { "", EquilibriumMode::ConstantP } })
        EXPECT_EQ(CellEquilibrium(*rig, 1, rig->EquilInput, mode, 25.0, 1.0).Mode, expected)
            << mode;
}

} // namespace
} // namespace meldrix
