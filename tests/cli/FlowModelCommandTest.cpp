#include "CliProcess.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace meldrix {
namespace {

using namespace clitest;

// The shipped data set: stage 3 meters 5 % H2 in argon, where the two flow models differ most.
class FlowModelCommandTest : public testsupport::ShippedDataSetTest {
protected:
    std::string settingsFile = base + ".settings.json";

    // Runs execute with `arguments`; its JSON, with stderr checked to be the model differences.
    ordered_json execute(const std::string& arguments = {})
    {
        const CliRun run = cli("execute", arguments);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        const ordered_json json = ordered_json::parse(run.out);
        EXPECT_EQ(withoutModelDifferences(run.err), "");
        EXPECT_EQ(run.err, modelDifferenceLines(json["model_differences"]));
        return json;
    }

    static const ordered_json& stage3(const ordered_json& json)
    {
        for (const ordered_json& difference : json["model_differences"])
            if (difference["stage"] == 3)
                return difference;
        ADD_FAILURE() << "stage 3 is not among the model differences";
        return json;
    }
};

// The data set's settings choose the model, --flow-model overrides them, and every run names the
// model it used and the other model's flow of each stage that differs.
TEST_F(FlowModelCommandTest, TheSettingsOrTheCommandLineChooseTheModel)
{
    const ordered_json specified = execute();
    EXPECT_EQ(specified["flow_model"], "as-specified");
    EXPECT_EQ(stage3(specified)["as_specified"], specified["stages"][2]["flow"]);

    std::ofstream(settingsFile) << R"({"flow_model": "physical", "flow_unit": "ml/min"})";
    const ordered_json physical = execute();
    EXPECT_EQ(physical["flow_model"], "physical");
    EXPECT_EQ(stage3(physical)["physical"], physical["stages"][2]["flow"]);
    EXPECT_EQ(stage3(physical)["as_specified"], specified["stages"][2]["flow"]);
    EXPECT_THAT(stage3(physical)["text"].get<std::string>(),
        HasSubstr("55.85 ml/min as specified, 48.78 ml/min physical"));
    const ordered_json overridden = execute("--flow-model as-specified");
    EXPECT_EQ(overridden["flow_model"], "as-specified");
    EXPECT_EQ(overridden["stages"], specified["stages"]);
    EXPECT_EQ(overridden["cells"], specified["cells"]);

    const CliRun equilibrium = cli("equilibrium", "--flow-model as-specified");
    EXPECT_EQ(ordered_json::parse(equilibrium.out)["flow_model"], "as-specified");
    const CliRun report = cli("report", "--out " + dir.file("run.html"));
    EXPECT_EQ(report.exitCode, 0) << report.err;
    const std::string html = readFile(dir.file("run.html"));
    EXPECT_THAT(html, HasSubstr("<th>Flow model</th><td>physical</td>"));
    EXPECT_THAT(html, HasSubstr("<th>Flow [ml/min]</th>"));
    EXPECT_THAT(html, HasSubstr("Flow models differ: F 3: 55.85 ml/min as specified"));
}

// dump and build carry the settings, keys Meldrix does not know included; a settings file that
// cannot be used is named, and the run goes on with the defaults.
TEST_F(FlowModelCommandTest, DumpAndBuildCarryTheSettings)
{
    const CliRun plain = cli("dump");
    EXPECT_FALSE(ordered_json::parse(plain.out).contains("Settings"));

    std::ofstream(settingsFile) << R"({"kept": {"by": "kb"}, "flow_model": "physical"})";
    const CliRun dumped = cli("dump");
    const ordered_json json = ordered_json::parse(dumped.out);
    EXPECT_EQ(json["Settings"]["flow_model"], "physical");
    EXPECT_EQ(json["Settings"]["kept"]["by"], "kb");
    std::ofstream(dir.file("a.json")) << dumped.out;
    const CliRun built = runCli("build " + dir.file("a.json") + " " + dir.file("B"), dir);
    EXPECT_THAT(built.out, HasSubstr(" and " + dir.file("B.settings.json")));
    EXPECT_EQ(ordered_json::parse(readFile(dir.file("B.settings.json"))), json["Settings"]);
    EXPECT_TRUE(runCli("dump " + dir.file("B"), dir).out == dumped.out);

    const CliRun overridden = cli("dump", "--flow-model as-specified");
    EXPECT_EQ(ordered_json::parse(overridden.out)["Settings"]["flow_model"], "as-specified");

    std::ofstream(settingsFile) << "{\"flow_model\": 3}";
    const CliRun damaged = cli("execute");
    EXPECT_EQ(ordered_json::parse(damaged.out)["flow_model"], "as-specified");
    EXPECT_THAT(damaged.err,
        HasSubstr("meldrix-cli: warning: The settings file '" + settingsFile
            + "' could not be used (flow_model is neither \"as-specified\" nor \"physical\"); "
              "the default settings are used.\n"));
}

// The meter accuracy kept with the data set is what uncertainty takes unless told otherwise.
TEST_F(FlowModelCommandTest, UncertaintyTakesTheMeterAccuracyOfTheSettings)
{
    std::ofstream(settingsFile)
        << R"({"meter_accuracy": {"full_scale_percent": 0.5, "flow_percent": 2}})";
    const ordered_json kept = ordered_json::parse(cli("uncertainty").out);
    EXPECT_EQ(kept["full_scale_percent"], 0.5);
    EXPECT_EQ(kept["flow_percent"], 2.0);
    const ordered_json given =
        ordered_json::parse(cli("uncertainty", "--full-scale-percent 3").out);
    EXPECT_EQ(given["full_scale_percent"], 3.0);
    EXPECT_EQ(given["flow_percent"], 2.0);
}

} // namespace
} // namespace meldrix
