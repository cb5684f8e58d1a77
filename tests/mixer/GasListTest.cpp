#include "mixer/GasList.h"

#include "MixerFixture.h"

#include <gmock/gmock.h>
#include <string>

namespace meldrix {
namespace {

using ::testing::ElementsAre;

class GasListTest : public testsupport::MixerFixture {
protected:
    // The working copies as Execute makes them before the gas list.
    [[nodiscard]] bool build()
    {
        for (int i = 1; i <= MaxInputGases; ++i)
            rig->Gases[i] = rig->InputGases[i];
        return BuildGasList(*rig);
    }
};

TEST_F(GasListTest, ListsInputGasesThenLeakagesInTheOrderMet)
{
    setInputGas(1, { { "Ar", 1.0 } });
    setInputGas(2, { { "O2", 0.2 }, { "N2", 0.8 } });
    connect(1, 1, 1);
    connect(2, 2, 1);
    ASSERT_FALSE(build());
    EXPECT_THAT(gasList(), ElementsAre("Ar", "O2", "N2", "H2O"));

    // I2 rewritten into list order: slot k names GasList[k] in every working gas.
    const Composition& i2 = rig->Gases[2].Components;
    EXPECT_EQ(i2[1].Name.view(), "Ar");
    EXPECT_EQ(i2[1].Fraction, 0.0);
    EXPECT_EQ(i2[2].Fraction, 0.2);
    EXPECT_EQ(i2[3].Fraction, 0.8);
    EXPECT_EQ(i2[4].Name.view(), "H2O");
    EXPECT_EQ(i2[4].Fraction, 0.0);
    for (int k = 5; k <= MaxComponents; ++k)
        EXPECT_TRUE(i2[k].Name.empty()) << "slot " << k;
    for (int m = 1; m <= MaxMixtures; ++m) {
        EXPECT_EQ(rig->Gases[16 + m].Components[3].Name.view(), "N2");
        EXPECT_EQ(sumOf(rig->Gases[16 + m].Components), 0.0);
    }
}

TEST_F(GasListTest, TrimsNamesAndKeepsOnlyListedComponents)
{
    setInputGas(1,
        { { "  CO2 ", 0.5 }, { "He", 0.0 }, { "   ", 0.3 }, { "Ar", 0.2 }, { "Kr", -0.1 },
            { "Ar", 0.4 } });
    connect(1, 1, 1);
    ASSERT_FALSE(build());
    EXPECT_THAT(gasList(), ElementsAre("CO2", "Ar", "O2", "H2O"));
    const Composition& i1 = rig->Gases[1].Components;
    EXPECT_EQ(i1[1].Name.view(), "CO2");
    EXPECT_EQ(i1[1].Fraction, 0.5);
    EXPECT_EQ(i1[2].Fraction, 0.4); // the later of two Ar slots wins
    EXPECT_NEAR(sumOf(i1), 0.9, 1e-15); // He, the blank name and Kr are dropped
}

TEST_F(GasListTest, AZeroFractionStillArrivesWhenAnotherGasListsItsName)
{
    setInputGas(1, { { "O2", 0.0 }, { "Ar", 1.0 } });
    connect(1, 1, 1);
    ASSERT_FALSE(build());
    EXPECT_THAT(gasList(), ElementsAre("Ar", "O2", "H2O")); // O2 from the leakages
    EXPECT_EQ(rig->Gases[1].Components[2].Name.view(), "O2");
}

TEST_F(GasListTest, InputGasesNoStageUsesContributeNothing)
{
    setInputGas(1, { { "Ar", 1.0 } });
    setInputGas(3, { { "A", 1 }, { "B", 1 }, { "C", 1 }, { "D", 1 }, { "E", 1 }, { "F", 1 } });
    connect(1, 1, 1);
    for (FlowmeterRecord& stage : rig->Flowmeters)
        stage.Input = 1;
    ASSERT_FALSE(build());
    EXPECT_THAT(gasList(), ElementsAre("Ar", "O2", "H2O"));
    EXPECT_EQ(rig->Gases[3].Components[1].Name.view(), "A"); // not rewritten
}

TEST_F(GasListTest, StopsAtTheThirteenthDistinctGas)
{
    setInputGas(1,
        { { "G1", 1 }, { "G2", 1 }, { "G3", 1 }, { "G4", 1 }, { "G5", 1 }, { "G6", 1 }, { "G7", 1 },
            { "G8", 1 }, { "G9", 1 }, { "G10", 1 }, { "G11", 1 } });
    setInputGas(2, { { "G1", 1 }, { "G12", 1 }, { "G13", 1 } });
    connect(2, 2, 0);
    const GasRecord before = rig->InputGases[2];
    EXPECT_TRUE(build());
    EXPECT_EQ(rig->GasListCount, 12);
    EXPECT_EQ(rig->GasList[12], "G12");
    EXPECT_EQ(rig->Gases[2], before); // nothing rewritten
}

TEST_F(GasListTest, TwelveGasesFitWhenTheLeakagesAreAmongThem)
{
    setInputGas(1,
        { { "G1", 1 }, { "G2", 1 }, { "G3", 1 }, { "G4", 1 }, { "G5", 1 }, { "G6", 1 }, { "G7", 1 },
            { "G8", 1 }, { "G9", 1 }, { "G10", 1 }, { "O2", 1 } });
    setInputGas(2, { { "H2O", 1 } });
    connect(1, 1, 1);
    connect(2, 2, 1);
    EXPECT_FALSE(build());
    EXPECT_EQ(rig->GasListCount, 12);
    setLeakages(8, 0, 1e-6, 0, 0); // N2 would be the 13th
    EXPECT_TRUE(build());
}

TEST_F(GasListTest, FixGasesEnterOnlyWhileUsed)
{
    setInputGas(1, { { "Ar", 1.0 } });
    connect(1, 1, 1);
    FlowmeterRecord& stage = connect(9, 1, 0); // not connected, still counted
    stage.FixGas = " D2O ";
    stage.FixGasUsed = 1;
    ASSERT_FALSE(build());
    EXPECT_THAT(gasList(), ElementsAre("Ar", "D2O", "O2", "H2O"));
    stage.FixGasUsed = 0;
    ASSERT_FALSE(build());
    EXPECT_THAT(gasList(), ElementsAre("Ar", "O2", "H2O"));
}

TEST_F(GasListTest, OnlyFedCellsBringTheirPositiveLeakages)
{
    setInputGas(1, { { "Ar", 1.0 } });
    connect(1, 1, 1);
    for (CellRecord& cell : rig->Cells)
        cell.Mix = 0;
    rig->Cells[2].Mix = 17; // names no mixture: not fed
    setLeakages(2, 1, 1, 1, 1);
    ASSERT_FALSE(build());
    EXPECT_THAT(gasList(), ElementsAre("Ar"));

    rig->Cells[5].Mix = 16;
    setLeakages(5, 0, 2e-5, -1, 0);
    setLeakages(6, 1e-5, 0, 1e-5, 1e-5); // cell 6 is not fed
    ASSERT_FALSE(build());
    EXPECT_THAT(gasList(), ElementsAre("Ar", "N2"));
}

class CellGasesTest : public GasListTest {
protected:
    // Mixture M1 holding `argon` of argon; cell 1 fed from it, the other cells not fed.
    void setUpArgonMixture(double argon)
    {
        setInputGas(1, { { "Ar", 1.0 } });
        connect(1, 1, 1);
        for (int c = 2; c <= MaxCells; ++c)
            rig->Cells[c].Mix = 0;
        ASSERT_FALSE(build());
        rig->Gases[17].Components[1].Fraction = argon;
    }
};

TEST_F(CellGasesTest, AddsLeakagesOnlyToSlotsNamedExactly)
{
    setInputGas(2, { { "N2", 0.5 }, { "h2", 0.5 } });
    connect(2, 2, 1);
    setUpArgonMixture(0.5);
    rig->Gases[17].Components[2].Fraction = 0.25;
    rig->Gases[17].Components[3].Fraction = 0.25;
    setLeakages(1, 0, 0.5, 0.5, -0.1); // H2 is not in the list; H2O is, and gets -0.1
    ComputeCellGases(*rig);
    const Composition& cell = rig->CellGases[1];
    const double sum = 0.5 + 0.75 + 0.25 - 0.1;
    EXPECT_DOUBLE_EQ(fractionOf(cell, "N2"), 0.75 / sum);
    EXPECT_DOUBLE_EQ(fractionOf(cell, "h2"), 0.25 / sum);
    EXPECT_DOUBLE_EQ(fractionOf(cell, "H2O"), -0.1 / sum);
}

TEST_F(CellGasesTest, NothingDeliveredGivesAllZeros)
{
    setUpArgonMixture(0.0);
    setLeakages(1, 0, 0, 0, 0);
    ComputeCellGases(*rig);
    EXPECT_EQ(fractionOf(rig->CellGases[1], "Ar"), 0.0);
    for (const GasComponent& slot : rig->CellGases[1])
        EXPECT_EQ(slot.Fraction, 0.0);

    setLeakages(1, 0, 0, 0, -1.0); // a negative sum
    ComputeCellGases(*rig);
    for (const GasComponent& slot : rig->CellGases[1])
        EXPECT_EQ(slot.Fraction, 0.0);
}

TEST_F(CellGasesTest, CellsNotFedKeepTheirEntry)
{
    setUpArgonMixture(1.0);
    rig->Cells[3].Mix = 400;
    rig->CellGases[3][1].Name = "old";
    rig->CellGases[3][1].Fraction = 7.0;
    const Composition before2 = rig->CellGases[2];
    const Composition before3 = rig->CellGases[3];
    ComputeCellGases(*rig);
    EXPECT_EQ(rig->CellGases[2], before2);
    EXPECT_EQ(rig->CellGases[3], before3);
}

} // namespace
} // namespace meldrix
