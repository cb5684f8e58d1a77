#include "report/RunReport.h"

#include "equil/EquilibriumDriver.h"
#include "equil/EquilibriumTables.h"
#include "mixer/Execute.h"
#include "report/ReportHtml.h"
#include "support/RecordingCanvas.h"
#include "support/SampleRigs.h"

#include <algorithm>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace meldrix {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;
using testsupport::RecordingCanvas;

class RunReportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        rig = testsupport::defaultDataSetRig();
        ASSERT_TRUE(rig) << "the default data set is built beside the tests";
        InitEquilibriumTables(*rig); // as the window and the tool start
    }

    RunReport report() const { return BuildRunReport(*rig, { Date, "0.301", {}, {}, {}, {}, {} }); }

    static std::vector<std::string> textsOf(const ReportDrawing& drawing)
    {
        RecordingCanvas canvas;
        drawing.Draw(canvas);
        std::vector<std::string> texts;
        for (const RecordingCanvas::Text& text : canvas.texts)
            texts.push_back(text.text);
        return texts;
    }

    static constexpr const char* Date = "2027-01-15T08:00:00+00:00";
    std::unique_ptr<Rig> rig;
};

std::string factOf(const RunReport& report, std::string_view name)
{
    for (const ReportFact& fact : report.Provenance)
        if (fact.Name == name)
            return fact.Value;
    return "(none)";
}

// File names are the system's UTF-8 (or Latin-1 where they are not valid UTF-8); the folder is
// absolute wherever the tool was started.
TEST_F(RunReportTest, ProvenanceNamesTheDataSetWhereverItLies)
{
    struct Case {
        std::string base;
        std::string dataSet;
        std::string folder;
    };
    const std::string here = std::filesystem::current_path().string();
    for (const Case& c :
        { Case { "/data/Pr\u00FCfung/Lauf \u00DC", "Lauf \u00DC", "/data/Pr\u00FCfung" },
            Case { "/data/Pr\xFC"
                   "fung/Rig",
                "Rig", "/data/Pr\u00FCfung" },
            Case { "Rig", "Rig", here }, Case { "./runs/../runs/Rig", "Rig", here + "/runs" } }) {
        rig->BaseName = c.base;
        const RunReport shown = report();
        EXPECT_EQ(shown.DataSet, c.dataSet) << c.base;
        EXPECT_EQ(shown.Folder, c.folder) << c.base;
        EXPECT_EQ(factOf(shown, "Folder"), c.folder) << c.base;
    }

    // The diagram's title line is drawn in the canvas's 8-bit text.
    rig->BaseName = "/data/Pr\u00FCfung/Lauf \u00DC";
    EXPECT_THAT(textsOf(*report().Diagram), ::testing::Contains(std::string("Lauf \xDC, ") + Date));

    std::vector<std::string> names;
    for (const ReportFact& fact : report().Provenance)
        names.push_back(fact.Name);
    EXPECT_THAT(names,
        ::testing::ElementsAre("Data set", "Folder", "Date and time", "Meldrix version",
            "Thermodynamic data", "Readings", "Flow model"));
    EXPECT_EQ(factOf(report(), "Date and time"), Date);
    EXPECT_EQ(factOf(report(), "Flow model"), "as specified");
    EXPECT_THAT(factOf(report(), "Thermodynamic data"), HasSubstr("NASA/TP-2002-211556"));
}

// Readings typed on the command line or changed in the window and not saved are named against
// the file; a reading set back to its stored value is none.
TEST_F(RunReportTest, NamesTheReadingsThatAreNotThoseStored)
{
    const std::string file = std::filesystem::path(rig->MixFileName).filename().string();
    EXPECT_EQ(factOf(report(), "Readings"), "as stored in " + file);
    rig->Flowmeters[2].Reading = 30;
    rig->Flowmeters[4].Reading = 1e300;
    EXPECT_EQ(factOf(report(), "Readings"),
        "stage 2 at 30 instead of 40 and stage 4 at 1e+300 instead of 30; the others as stored in "
            + file);
    rig->Flowmeters[2].Reading = 40;
    rig->Flowmeters[4].Reading = 30;
    EXPECT_EQ(factOf(report(), "Readings"), "as stored in " + file);
}

// The specified equilibrium step leaves an element total or a limit of its compound table on the
// message line: internal notes, never warnings.
TEST_F(RunReportTest, TheEquilibriumStepsNotesAreNoWarnings)
{
    // What the window's Execute leaves on the message line.
    const auto messageOfRun = [](Rig run) {
        ExecuteHooks hooks;
        hooks.StartEquilibriumCalculations = [&run] { StartEquilibriumCalculations(run); };
        EXPECT_EQ(Execute(run, hooks).status, RunStatus::Ok);
        return run.Message1.Text;
    };
    // The shipped gases hold H, C, N, O and Ar: 14 equations where the table takes 12.
    ASSERT_THAT(messageOfRun(*rig), StartsWith("Sum of compounds and elements too large"));
    RunReport shown = report();
    // The one warning is the stages the physical flow model meters otherwise.
    EXPECT_THAT(shown.Messages, ::testing::ElementsAre(StartsWith("Flow models differ: F 3: ")));
    ASSERT_EQ(shown.Notes.size(), 1U);
    EXPECT_THAT(shown.Notes[0], HasSubstr("compounds and 5 elements make more than its 12"));

    // Cell 1 alone, on H, C, N and O: the step shows its fourth element total, a bare number.
    GasRecord& bottle = rig->InputGases[1];
    bottle.Components[1].Name = "H2";
    bottle.Components[1].Fraction = 0.5;
    bottle.Components[2].Name = "CO2";
    bottle.Components[2].Fraction = 0.5;
    for (int c = 2; c <= MaxCells; ++c)
        rig->Cells[c].Mix = 0;
    const std::string total = messageOfRun(*rig);
    ASSERT_THAT(total, ::testing::ContainsRegex("^ [0-9]\\.[0-9]{14}E[-+][0-9]{4}$"));
    shown = report();
    // The bottle's gases have no curves of their own on its stages, and those warnings stay, after
    // the stages where the flow models differ.
    ASSERT_FALSE(shown.Messages.empty());
    EXPECT_THAT(shown.Messages.front(), StartsWith("Flow models differ: "));
    EXPECT_THAT(std::vector(shown.Messages.begin() + 1, shown.Messages.end()),
        ::testing::Each(HasSubstr(": calibration curve ")));
    EXPECT_TRUE(shown.Notes.empty()) << shown.Notes.front();
    EXPECT_THAT(ReportHtml(shown), ::testing::Not(HasSubstr(total)));
}

TEST_F(RunReportTest, AStoppedRunShowsItsCellsAndTheDiagramAsLoaded)
{
    rig->Flowmeters[1].Input = 17; // mixture 1 feeds itself and never converges
    const RunReport shown = report();
    ASSERT_FALSE(shown.RunOk);
    ASSERT_EQ(shown.Cells.size(), 4U);
    for (const ReportCell& cell : shown.Cells) {
        EXPECT_EQ(cell.Leaks, (std::array { 1e-5, 0.0, 0.0, 3e-5 })) << cell.Cell;
        EXPECT_TRUE(cell.Fractions.empty()) << cell.Cell;
    }
    EXPECT_TRUE(shown.Curves.empty());
    ASSERT_TRUE(shown.Diagram);
    EXPECT_THAT(shown.Diagram->Caption, HasSubstr("as loaded"));
    // Its flows are those of the data set, drawn as not computed.
    const auto texts = textsOf(*shown.Diagram);
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(),
        [](const std::string& text) { return text.starts_with("Flows in light grey"); }));
    const std::string html = ReportHtml(shown);
    EXPECT_THAT(html, HasSubstr("<h2>Output cells</h2>"));
    EXPECT_THAT(html, HasSubstr("<h2>Mixer diagram</h2>"));
    EXPECT_THAT(html, HasSubstr("<td>Leakage of H2O [fraction]</td>"));
}

// Every curve a stage's reading was looked up on is shown, marked where Execute took the flow.
TEST_F(RunReportTest, CurvesShowWhereEachReadingWasTaken)
{
    rig->Flowmeters[1].Reading = 1e300;
    rig->Flowmeters[2].Reading = -5;
    const RunReport shown = report();
    std::vector<std::string> seen;
    for (const ReportCurve& curve : shown.Curves) {
        seen.push_back(std::to_string(curve.Stage) + " " + curve.Gas);
        const CalCurveRecord& record = rig->CalCurves[curve.Curve];
        if (curve.Stage == 1) {
            EXPECT_EQ(curve.Used.Place, CalPointPlace::AboveTop);
            EXPECT_EQ(curve.Used.At, record.Points[7].Reading); // the top point, 150
            EXPECT_EQ(curve.Used.Flow, record.Points[7].Flow);
            EXPECT_THAT(curve.Chart.Caption, HasSubstr("reading 1e+300 lies above"));
            EXPECT_THAT(textsOf(curve.Chart), ::testing::Contains("reading 1e+300"));
        } else if (curve.Stage == 2) {
            EXPECT_EQ(curve.Used.Place, CalPointPlace::NoFlow);
            EXPECT_EQ(curve.Used.Flow, 0.0);
            EXPECT_THAT(curve.Chart.Caption, HasSubstr("reading -5 gives no flow"));
        } else {
            EXPECT_EQ(curve.Used.Place, CalPointPlace::OnCurve) << curve.Stage;
        }
    }
    // Stages at 0 look no curve up; the others all show theirs.
    EXPECT_THAT(seen, ::testing::IsSupersetOf({ "1 Ar", "2 O2", "2 N2", "3 Ar", "3 H2", "8 Ar" }));
    EXPECT_EQ(std::count_if(
                  seen.begin(), seen.end(), [](const std::string& s) { return std::stoi(s) > 8; }),
        0);
}

} // namespace
} // namespace meldrix
