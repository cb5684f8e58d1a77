#include "equil/EquilibriumDriver.h"

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

constexpr std::initializer_list<std::pair<const char*, double>> FourGases { { "H2", 0.125 },
    { "N2", 0.25 }, { "O2", 0.375 }, { "CO2", 0.25 } };

TEST_F(EquilibriumDriverTest, HydrogenAndOxygenSelectFourCompounds)
{
    setMixture1({ { "H2", 0.5 }, { "O2", 0.5 } });
    StartEquilibriumCalculations(*rig);

    EXPECT_THAT(elementList(), ElementsAre(1, 8));
    EXPECT_THAT(selection(), ElementsAre("H2", "O2", "O3", "H2O"));
    EXPECT_THAT(amounts(1, 4), ElementsAre(0.5L, 0.5L, 0.0L, 0.0L));
    EXPECT_TRUE(isSet(rig->Cells[8].EquilDone));
    EXPECT_EQ(rig->EquilInput[4].Compound, 7);
    EXPECT_FALSE(rig->Message1.Visible); // two elements give no diagnostic

    const CellEquilibriumResult result =
        CellEquilibrium(*rig, 1, rig->EquilInput, "ConstantP", 25.0, 1.0);
    EXPECT_TRUE(result.PressureMatches);
    EXPECT_THAT(result.ElementTotals, ElementsAre(1.0L, 1.0L)); // H 2 × 0.5, O 2 × 0.5
}

TEST_F(EquilibriumDriverTest, FourElementsShowTheOxygenTotal)
{
    setMixture1(FourGases);
    StartEquilibriumCalculations(*rig);

    EXPECT_THAT(elementList(), ElementsAre(1, 6, 7, 8));
    EXPECT_THAT(selection(), ElementsAre("H2", "C", "N2", "O2", "O3", "H2O", "CO", "CO2"));
    // 2 × x(O2) + 2 × x(CO2) in the 23-character form.
    EXPECT_EQ(rig->Message1.Text, " 1.25000000000000E+0000");
    EXPECT_TRUE(rig->Message1.Visible);
}

TEST_F(EquilibriumDriverTest, TooManyEquationsKeepTheEarlierAmounts)
{
    setMixture1({ { "H2", 0.2 }, { "N2", 0.2 }, { "O2", 0.2 }, { "CO2", 0.2 }, { "Ar", 0.2 } });
    rig->EquilAmounts[1][1] = 7.0L;
    StartEquilibriumCalculations(*rig);

    EXPECT_EQ(rig->Message1.Text, "Sum of compounds and elements too large: 14");
    // The note keeps its words; its account says what it means and where the equilibrium is.
    EXPECT_EQ(rig->Message1.Detail,
        rig->Message1.Text + " " + EquilibriumNoteExplanation(rig->Message1.Text));
    EXPECT_NE(rig->Message1.Detail.find("not an error"), std::string::npos);
    EXPECT_NE(EquilibriumNoteExplanation(EquilibriumNotOperativeMessage)
                  .find("Equilibrium at cell temperature"),
        std::string::npos);
    EXPECT_EQ(EquilibriumNoteExplanation("Non-converging mixer! Check for iterating loops!"), "");
    EXPECT_EQ(rig->SelectedCount, 9); // the selection stays as computed
    EXPECT_EQ(rig->EquilAmounts[1][1], 7.0L);
    EXPECT_FALSE(isSet(rig->Cells[1].EquilDone));
}

TEST_F(EquilibriumDriverTest, OnlyAPressureMatchingTheAmountsGivesADiagnostic)
{
    setMixture1(FourGases);
    rig->Cells[1].Pressure = 2.0;
    StartEquilibriumCalculations(*rig);
    EXPECT_FALSE(rig->Message1.Visible);
    EXPECT_TRUE(isSet(rig->Cells[1].EquilDone)); // amounts are filled all the same

    // Only rounding is forgiven, and a pressure that is not a number fails.
    for (const auto& [pressure, matches] :
        std::initializer_list<std::pair<double, bool>> { { 1.0 - 5e-14, true },
            { 1.0 + 3e-13, false }, { std::numeric_limits<double>::quiet_NaN(), false } })
        EXPECT_EQ(
            CellEquilibrium(*rig, 1, rig->EquilInput, "constantv", 25.0, pressure).PressureMatches,
            matches)
            << pressure;
    EXPECT_EQ(CellEquilibrium(*rig, 1, rig->EquilInput, "constantv", 25.0, 1.0).Mode,
        EquilibriumMode::ConstantV);
}

TEST_F(EquilibriumDriverTest, OnlyExactNamesInFedCellsWithPositiveFractionsTakePart)
{
    // "h2" is no formula; CO2 is only in M2, which cell 2 no longer takes; N2 has a fraction of 0.
    setMixture1({ { "h2", 0.5 }, { "O2", 0.5 }, { "CO2", 0.0 }, { "N2", 0.0 } });
    rig->Gases[MaxInputGases + 2].Components[3].Fraction = 1.0;
    rig->Cells[2].Mix = 0;
    rig->Cells[3].Mix = 17; // names no mixture
    rig->EquilAmounts[2][1] = 3.0L;
    StartEquilibriumCalculations(*rig);

    EXPECT_THAT(elementList(), ElementsAre(8));
    EXPECT_THAT(selection(), ElementsAre("O2", "O3"));
    EXPECT_FALSE(isSet(rig->Cells[2].EquilDone) || isSet(rig->Cells[3].EquilDone));
    EXPECT_EQ(rig->EquilAmounts[2][1], 3.0L);
}

} // namespace
} // namespace meldrix
