#include "rig/StartUp.h"

#include "support/Bytes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace meldrix {
namespace {

using testsupport::freshRig;

TEST(StartUp, GivesTheDocumentedStartValues)
{
    testsupport::TempDir dir;
    auto rig = freshRig();
    const auto results = StartUp(*rig, dir.file("Default"));
    for (const LoadResult& result : results)
        EXPECT_FALSE(result.read);

    EXPECT_EQ(rig->InpFileName, dir.file("Default.INP"));
    EXPECT_EQ(rig->CelFileName, dir.file("Default.CEL"));
    EXPECT_EQ(rig->EditMode, 0);
    EXPECT_EQ(rig->CurrentCell, 1);
    EXPECT_EQ(rig->CurrentFlowmeter, 1);
    EXPECT_EQ(rig->CurrentCalCurve, 0);

    const FlowmeterRecord& stage3 = rig->Flowmeters[3];
    EXPECT_EQ(stage3.Make.view(), "None");
    EXPECT_EQ(stage3.Input, 1);
    EXPECT_EQ(stage3.Output, 2);
    EXPECT_EQ(stage3.FixGas.view(), "H2O");
    EXPECT_EQ(stage3.FixGasType.view(), "Pure");
    EXPECT_EQ(stage3.FixGasT, 25.0);
    EXPECT_EQ(stage3.FixGasUsed, 0);
    EXPECT_EQ(stage3.FixGasBefore, 1);
    EXPECT_EQ(rig->Flowmeters[16].Output, 8);

    const CellRecord& cell5 = rig->Cells[5];
    EXPECT_EQ(cell5.Name.view(), "None");
    EXPECT_EQ(cell5.Temp, 25.0);
    EXPECT_EQ(cell5.Pressure, 1.0);
    EXPECT_EQ(cell5.Mix, 5);
    EXPECT_EQ(cell5.LeakO2, 1.0E-5);
    EXPECT_EQ(cell5.LeakN2, 0.0);
    EXPECT_EQ(cell5.LeakH2, 0.0);
    EXPECT_EQ(cell5.LeakH2O, 3.0E-5);

    const CalCurveRecord& curve = rig->CalCurves[1000];
    EXPECT_EQ(curve.Make.view(), "None");
    EXPECT_TRUE(curve.Gas.empty());
    EXPECT_EQ(curve.Temp, 25.0);
    EXPECT_EQ(curve.Press, 1.0);

    EXPECT_EQ(rig->Gases[1].Name.view(), "None");
    EXPECT_EQ(rig->Gases[1].Reserved1, 1.0);
    EXPECT_TRUE(rig->Gases[17].Name.empty());
    EXPECT_EQ(rig->Gases[32].Reserved1, 1.0);

    // Input gases are not touched by start-up.
    for (const GasRecord& gas : rig->InputGases) {
        EXPECT_TRUE(gas.Name.empty());
        EXPECT_EQ(gas.Defined, 0);
        for (const GasComponent& component : gas.Components)
            EXPECT_EQ(component.Fraction, 0.0);
    }
}

TEST(StartUp, LaysOutTheDiagramBoxesFromTheReferenceSize)
{
    auto rig = testsupport::rigAtStartValues();
    EXPECT_EQ(rig->DiagramWidth, 800);
    EXPECT_EQ(rig->DiagramHeight, 600);
    EXPECT_EQ(BusLevel(*rig), 251);
    EXPECT_EQ(rig->FlowmeterBoxes[1], (LayoutBox { 2, 401, 44, 521, 24 }));
    EXPECT_EQ(rig->FlowmeterBoxes[16], (LayoutBox { 752, 401, 794, 521, 774 }));
    EXPECT_EQ(rig->GasBoxes[1], (LayoutBox { 2, 714, 44, 748, 24 }));
    EXPECT_EQ(rig->GasBoxes[16], (LayoutBox { 752, 714, 794, 748, 774 }));
    EXPECT_EQ(rig->GasBoxes[17], (LayoutBox { 0, 281, 0, 316, 0 }));
    EXPECT_EQ(rig->GasBoxes[32], (LayoutBox { 0, 281, 0, 316, 0 }));
    EXPECT_EQ(rig->CellBoxes[1], (LayoutBox { 4, 156, 88, 221, 46 }));
    EXPECT_EQ(rig->CellBoxes[8], (LayoutBox { 704, 156, 788, 221, 746 }));
}

TEST(StartUp, RunsTheExtraStepsBeforeLoading)
{
    testsupport::TempDir dir;
    auto rig = freshRig();
    std::vector<std::string> order;
    StartUpSteps steps;
    steps.prepareEditorRows = [&] { order.push_back("rows " + rig->InpFileName); };
    steps.initEquilibriumTables = [&](Rig& r) {
        order.push_back("tables " + std::string(r.Cells[1].Name.view()));
    };
    StartUp(*rig, dir.file("Default"), steps);
    EXPECT_EQ(
        order, (std::vector<std::string> { "rows " + dir.file("Default.INP"), "tables None" }));
}

TEST(UpdateGasDefined, NeedsAPositiveFractionWithANonBlankName)
{
    struct Case {
        const char* name;
        double fraction;
        bool defined;
    };
    for (const Case c : { Case { "Ar", 1.0, true }, Case { "Ar", 0.0, false },
             Case { "Ar", -0.5, false }, Case { "", 0.5, false }, Case { "   ", 0.5, false },
             Case { "\t\r", 0.5, false }, Case { " O2 ", 1e-300, true } }) {
        auto rig = freshRig();
        rig->InputGases[2].Components[7].Name = c.name;
        rig->InputGases[2].Components[7].Fraction = c.fraction;
        rig->InputGases[2].Defined = 77;
        UpdateGasDefined(*rig, 2);
        EXPECT_EQ(rig->InputGases[2].Defined, c.defined ? 1 : 0) << '"' << c.name << '"';
    }
}

} // namespace
} // namespace meldrix
