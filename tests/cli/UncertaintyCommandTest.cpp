#include "CliProcess.h"
#include "cli/Commands.h"
#include "rig/DataFiles.h"
#include "support/TempDir.h"

#include <cmath>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

namespace meldrix {
namespace {

using namespace clitest;

// The shipped data set: eight stages whose curves reach 150, cells A..D fed from M1..M4.
class UncertaintyCommandTest : public testsupport::ShippedDataSetTest {
protected:
    CliRun uncertainty(const std::string& arguments = {})
    {
        return cli("uncertainty", arguments, 120);
    }
};

TEST_F(UncertaintyCommandTest, LinearJsonCarriesEveryCellsGasAndPO2)
{
    const CliRun run = uncertainty("--equilibrium");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const auto json = ordered_json::parse(run.out);
    EXPECT_THAT(keysOf(json),
        ElementsAre("method", "samples", "seed", "full_scale_percent", "flow_percent", "inputs",
            "cells", "flow_model", "warnings", "notes"));
    EXPECT_EQ(json["flow_model"], "as-specified");
    EXPECT_EQ(json["method"], "linear");
    EXPECT_TRUE(json["samples"].is_null());
    EXPECT_TRUE(json["seed"].is_null());
    ASSERT_EQ(json["inputs"].size(), 8u);
    EXPECT_EQ(json["inputs"][3]["stage"], 4);
    EXPECT_EQ(json["inputs"][3]["reading"], 30.0);
    EXPECT_DOUBLE_EQ(json["inputs"][3]["sd"].get<double>(), 1.5); // 1 % of 150

    ASSERT_EQ(json["cells"].size(), 4u);
    const auto& cell = json["cells"][1];
    EXPECT_THAT(keysOf(cell),
        ElementsAre("cell", "name", "gas", "log10_pO2", "no_oxygen_samples", "unresolved_samples",
            "failed_samples", "dominant", "dominant_stage"));
    EXPECT_EQ(cell["name"], "Cell B");
    EXPECT_THAT(keysOf(cell["gas"][0]),
        ElementsAre("name", "fraction", "sd", "p2_5", "p97_5", "linear_valid"));
    EXPECT_EQ(cell["gas"][0]["linear_valid"], true);
    EXPECT_TRUE(cell["no_oxygen_samples"].is_null()); // Monte Carlo's
    EXPECT_EQ(cell["gas"][3]["name"], "H2");
    EXPECT_NEAR(cell["gas"][3]["fraction"].get<double>(), 0.0214818, 1e-7); // execute's table
    EXPECT_GT(cell["gas"][3]["sd"].get<double>(), 0.0);
    EXPECT_TRUE(cell["gas"][3]["p2_5"].is_null());
    EXPECT_NEAR(cell["log10_pO2"]["value"].get<double>(), -1.2314, 1e-4); // equilibrium's table
    EXPECT_TRUE(cell["log10_pO2"]["p97_5"].is_null());
    // Cell B is fed through stage 4 from M1 and through stage 3 with hydrogen.
    EXPECT_EQ(cell["dominant_stage"], 4);
    EXPECT_EQ(cell["dominant"], ordered_json({ { "kind", "reading" }, { "stage", 4 } }));

    // Without the equilibrium there is no pO2 and no stage to point at.
    const auto plain = ordered_json::parse(uncertainty().out);
    EXPECT_TRUE(plain["cells"][0]["log10_pO2"].is_null());
    EXPECT_TRUE(plain["cells"][0]["dominant_stage"].is_null());
}

TEST_F(UncertaintyCommandTest, MonteCarloIsRepeatableAndHasItsBand)
{
    const std::string arguments = "--method monte-carlo --samples 200 --seed 5 --equilibrium "
                                  "--flow-percent 0.5 --reading 4=20";
    const CliRun run = uncertainty(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(uncertainty(arguments).out, run.out);
    const auto json = ordered_json::parse(run.out);
    EXPECT_EQ(json["samples"], 200);
    EXPECT_EQ(json["seed"], 5);
    EXPECT_EQ(json["inputs"][3]["reading"], 20.0);
    for (const auto& cell : json["cells"]) {
        const auto& pO2 = cell["log10_pO2"];
        EXPECT_LT(pO2["p2_5"].get<double>(), pO2["p97_5"].get<double>()) << cell["name"];
        EXPECT_GT(pO2["sd"].get<double>(), 0.0);
    }
}

TEST_F(UncertaintyCommandTest, TableAndCsvShowTheSameCells)
{
    const CliRun table = uncertainty("--equilibrium --format table");
    ASSERT_EQ(table.exitCode, 0) << table.err;
    EXPECT_THAT(table.out, HasSubstr("0.0214818 \u00B1 "));
    EXPECT_THAT(table.out, HasSubstr("OC 2; Cell B: read stage 4 more carefully"));
    EXPECT_THAT(
        table.out, HasSubstr("Stage 4: reading 30.000 \u00B1 1.500E+0000 (full scale 150.000)"));

    const CliRun csv = uncertainty("--equilibrium --method monte-carlo --samples 50 --format csv");
    ASSERT_EQ(csv.exitCode, 0) << csv.err;
    std::vector<std::string> lines;
    std::istringstream in(csv.out);
    for (std::string line; std::getline(in, line);) {
        ASSERT_FALSE(line.empty());
        EXPECT_EQ(line.back(), '\r');
        lines.push_back(line.substr(0, line.size() - 1));
    }
    ASSERT_EQ(lines.size(), 1u + 4u * 7u); // four cells, six gases and log10 pO2 each
    EXPECT_EQ(lines[0], "cell,name,quantity,value,sd,p2_5,p97_5,dominant_stage");
    EXPECT_THAT(lines[14], ::testing::StartsWith("2,Cell B,log10 pO2,"));
    EXPECT_THAT(lines[14], ::testing::EndsWith(",4"));
}

TEST_F(UncertaintyCommandTest, ReadingsAtAndBeyondTheirCurvesEndsAreNotedAndWarnedOf)
{
    // Stage 2 on its curves' first point, stage 4 beyond their top.
    const CliRun run = uncertainty("--reading 2=10 --reading 4=160 --equilibrium --format table");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.err, HasSubstr("meldrix-cli: warning: F 4 (Ar): reading 160 lies above curve"));
    EXPECT_THAT(run.out,
        HasSubstr("F 2: its reading 10 is at the first point of curve 2 (O2), so its derivative "
                  "is taken above the reading only\n"));
    EXPECT_THAT(run.out,
        HasSubstr("far from linear over one standard deviation of the inputs: "
                  "use Monte Carlo\n"));
    const auto json = ordered_json::parse(uncertainty("--reading 2=10 --reading 4=160").out);
    EXPECT_EQ(json["notes"].size(), 1u);
    EXPECT_EQ(json["warnings"][0]["stage"], 4);
}

TEST_F(UncertaintyCommandTest, RunErrorsExitOneAndUselessDeviationsAreNamed)
{
    const CliRun warned = uncertainty("--sd 12=0.5");
    EXPECT_EQ(warned.exitCode, 0);
    EXPECT_THAT(warned.err, HasSubstr("stage 12 has no positive reading"));

    // M1 and M2 feeding each other never converge.
    edit([](Rig& rig) {
        rig.Flowmeters[9].Input = 18;
        rig.Flowmeters[9].Output = 1;
        rig.Flowmeters[9].Reading = 5.0;
    });
    const CliRun failed = uncertainty();
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.out, "");
    EXPECT_EQ(failed.err, "meldrix-cli: Non-converging mixer! Check for iterating loops!\n");
}

} // namespace
} // namespace meldrix
