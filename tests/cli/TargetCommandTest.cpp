#include "CliProcess.h"
#include "cli/Commands.h"
#include "support/TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

namespace meldrix {
namespace {

using namespace clitest;

// The shipped data set; cell 2 (Cell B, 800 °C) is its reducing cell.
class TargetCommandTest : public testsupport::ShippedDataSetTest {
protected:
    // --reading for every stage of a target outcome, with the digits it printed.
    static std::string readingsOf(const ordered_json& outcome)
    {
        std::string arguments;
        for (const ordered_json& stage : outcome["readings"])
            arguments += " --reading " + stage["stage"].dump() + "=" + stage["reading"].dump();
        return arguments;
    }
};

TEST_F(TargetCommandTest, ReachedReadingsGiveTheAchievedValuesInExecuteAndEquilibrium)
{
    // Wanted: what other readings give the cell, so the targets can be met together.
    const std::string other = " --reading 2=20 --reading 3=100 --reading 4=20";
    const CliRun made = cli("equilibrium", "--cell 2" + other);
    ASSERT_EQ(made.exitCode, cli::ExitOk) << made.err;
    const ordered_json madeCell = ordered_json::parse(made.out)["cells"][0];
    const CliRun mixed = cli("execute", other);
    ASSERT_EQ(mixed.exitCode, cli::ExitOk) << mixed.err;
    const ordered_json h2 = ordered_json::parse(mixed.out)["cells"][1]["gas"][3];
    ASSERT_EQ(h2["name"], "H2");
    const std::string wanted =
        "--fraction H2=" + h2["fraction"].dump() + " --log10-pO2 " + madeCell["log10_pO2"].dump();

    const CliRun run = cli("target", "--cell 2 --free 2,3,4 " + wanted);
    ASSERT_EQ(run.exitCode, cli::ExitOk) << run.err;
    const ordered_json outcome = ordered_json::parse(run.out);
    EXPECT_THAT(keysOf(outcome),
        ElementsAre("status", "message", "cell", "targets", "readings", "change", "side_effects",
            "flow_model", "warnings", "iterations", "evaluations"));
    EXPECT_EQ(outcome["flow_model"], "as-specified");
    EXPECT_EQ(outcome["status"], "reached");
    EXPECT_EQ(outcome["cell"], 2);
    ASSERT_EQ(outcome["targets"].size(), 2u);
    EXPECT_THAT(keysOf(outcome["targets"][0]),
        ElementsAre("kind", "gas", "wanted", "achieved", "sd", "problem"));
    // M1 feeds cell 1 and M2 cell 4 too: what changes there is listed, and said on stderr.
    ASSERT_FALSE(outcome["side_effects"].empty());
    EXPECT_THAT(
        keysOf(outcome["side_effects"][0]), ElementsAre("cell", "kind", "gas", "was", "now"));
    std::istringstream warnings(run.err);
    for (std::string line; std::getline(warnings, line);)
        EXPECT_THAT(line, ::testing::StartsWith("meldrix-cli: warning: "));
    EXPECT_THAT(run.err, HasSubstr("meldrix-cli: warning: Cell 4 (Cell D) changes too: "));
    EXPECT_EQ(outcome["targets"][0]["kind"], "fraction");
    EXPECT_EQ(outcome["targets"][0]["gas"], "H2");
    EXPECT_EQ(outcome["targets"][1]["kind"], "log10_pO2");
    EXPECT_TRUE(outcome["targets"][1]["gas"].is_null());
    ASSERT_EQ(outcome["readings"].size(), 16u);
    EXPECT_THAT(keysOf(outcome["readings"][0]), ElementsAre("stage", "was", "reading", "free"));
    EXPECT_EQ(outcome["readings"][4]["free"], false);
    EXPECT_EQ(outcome["readings"][4]["reading"], outcome["readings"][4]["was"]);

    const CliRun execute = cli("execute", readingsOf(outcome));
    ASSERT_EQ(execute.exitCode, cli::ExitOk) << execute.err;
    const ordered_json cell = ordered_json::parse(execute.out)["cells"][1];
    ASSERT_EQ(cell["gas"][3]["name"], "H2");
    EXPECT_EQ(cell["gas"][3]["fraction"], outcome["targets"][0]["achieved"]);

    const CliRun equilibrium = cli("equilibrium", "--cell 2" + readingsOf(outcome));
    ASSERT_EQ(equilibrium.exitCode, cli::ExitOk) << equilibrium.err;
    EXPECT_EQ(ordered_json::parse(equilibrium.out)["cells"][0]["log10_pO2"],
        outcome["targets"][1]["achieved"]);
}

TEST_F(TargetCommandTest, AGasNoReachingBottleHoldsIsAnErrorNamingIt)
{
    const CliRun run = cli("target", "--cell 2 --fraction CO2=0.01 --free 1,3");
    EXPECT_EQ(run.exitCode, cli::ExitFailed);
    const ordered_json outcome = ordered_json::parse(run.out);
    EXPECT_EQ(outcome["status"], "error");
    EXPECT_EQ(outcome["message"], "No bottle reaching cell 2 holds CO2.");
    EXPECT_EQ(run.err, "meldrix-cli: No bottle reaching cell 2 holds CO2.\n");
}

TEST_F(TargetCommandTest, ATargetThatMeansNothingIsAnErrorWithExitOne)
{
    const CliRun run = cli("target", "--cell 6 --flow 20 --format table");
    EXPECT_EQ(run.exitCode, cli::ExitFailed);
    EXPECT_THAT(run.out, HasSubstr("Cell 6: error"));
    EXPECT_EQ(run.err, "meldrix-cli: Cell 6 (None) is not fed by a mixture (Mix 0).\n");
}

TEST_F(TargetCommandTest, UsageErrorsExitTwoWithOneLine)
{
    for (const char* arguments : { "--cell 2", "--cell 0 --flow 3", "--cell 2 --fraction H2",
             "--cell 2 --fraction =0.1", "--cell 2 --flow 3 --free 1,x",
             "--cell 2 --flow 3 --reading 3", "--cell 2 --flow 3 --format csv" }) {
        const CliRun run = cli("target", arguments);
        EXPECT_EQ(run.exitCode, cli::ExitUsage) << arguments;
        EXPECT_EQ(run.out, "") << arguments;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << arguments << run.err;
        EXPECT_THAT(run.err, HasSubstr("--help")) << arguments;
    }
}

} // namespace
} // namespace meldrix
