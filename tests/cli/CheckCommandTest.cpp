#include "cli/CheckCommand.h"

#include "CliProcess.h"
#include "support/SampleRigs.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace meldrix {
namespace {

using namespace clitest;

class CheckCommandTest : public testsupport::ShippedDataSetTest { };

// The README lists these; each is a stage whose two flow models differ by more than 1 %, as
// execute's model differences say.
TEST_F(CheckCommandTest, TheShippedDataSetHoldsTheNotesTheReadmeLists)
{
    const CliRun run = cli("check");
    ASSERT_EQ(run.exitCode, cli::ExitFailed) << run.err;
    EXPECT_EQ(run.err, "");
    const auto json = ordered_json::parse(run.out);
    ASSERT_EQ(keysOf(json), std::vector<std::string> { "findings" });
    std::vector<int> stages;
    for (const auto& finding : json["findings"]) {
        EXPECT_EQ(keysOf(finding),
            (std::vector<std::string> { "severity", "kind", "record", "index", "field", "text" }));
        EXPECT_EQ(finding["severity"], "note");
        EXPECT_EQ(finding["kind"], "flow-models-differ");
        EXPECT_EQ(finding["record"], "Flowmeters");
        stages.push_back(finding["index"]);
    }
    EXPECT_THAT(stages, ElementsAre(3, 4, 7));

    const ordered_json executed = ordered_json::parse(cli("execute").out);
    std::vector<int> differing;
    for (const auto& difference : executed["model_differences"])
        differing.push_back(difference["stage"]);
    EXPECT_EQ(stages, differing);
}

TEST_F(CheckCommandTest, ATableLineForEachFindingAndTheExitCodesOfNothingAndUnreadable)
{
    edit([](Rig& rig) {
        for (int k = 1; k <= 15; ++k)
            rig.CalCurves[1].Points[k] = testsupport::OvershootingRotameterPoints[k - 1];
        rig.Cells[2].Pressure = 0.0;
    });
    const CliRun table = cli("check", "--format table --flow-model physical");
    ASSERT_EQ(table.exitCode, cli::ExitFailed) << table.err;
    EXPECT_THAT(table.out, HasSubstr("Severity Where             Finding\n"));
    EXPECT_THAT(table.out,
        HasSubstr("\nerror    cell 2, Pressure  cell 2 (Cell B): its pressure 0 bar is not a "
                  "number above 0, so its equilibrium cannot be computed.\n"));
    EXPECT_THAT(
        table.out, HasSubstr("\nnote     curve 1, Points   curve 1 (chosen for F 1 (Ar)): "));
    EXPECT_THAT(table.out,
        HasSubstr("(this data set's physical flow model reads the curve by "
                  "the monotone cubic).\n"));
    EXPECT_THAT(table.out, HasSubstr("\n1 error and 4 notes.\n"));

    // A data set with nothing to find: stage 1 alone, on its straight curve.
    edit([](Rig& rig) {
        rig.CalCurves[1].Points.fill(CalPoint {});
        rig.CalCurves[1].Points[1] = { 10, 10 };
        rig.CalCurves[1].Points[2] = { 100, 100 };
        rig.Cells[2].Pressure = 1.0;
        for (int f = 2; f <= MaxFlowmeters; ++f)
            rig.Flowmeters[f].Reading = 0.0;
    });
    const CliRun quiet = cli("check", "--format table");
    EXPECT_EQ(quiet.exitCode, cli::ExitOk) << quiet.out;
    EXPECT_EQ(quiet.out, "Nothing found.\n");
    EXPECT_EQ(ordered_json::parse(cli("check").out), ordered_json::parse(R"({"findings": []})"));

    const CliRun missing = runCli("check " + dir.file("Nowhere"), dir);
    EXPECT_EQ(missing.exitCode, cli::ExitUsage);
    EXPECT_EQ(missing.out, "");
}

} // namespace
} // namespace meldrix
