#include "CliProcess.h"
#include "cli/Commands.h"
#include "cli/EquilibriumReport.h"
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

// The shipped data set: cells A..D fed from M1..M4 at 700..1000 °C, cells 5..8 not fed.
class EquilibriumCommandTest : public testsupport::ShippedDataSetTest {
protected:
    CliRun equilibrium(const std::string& arguments = {}) { return cli("equilibrium", arguments); }
};

TEST_F(EquilibriumCommandTest, PrintsEveryFedCellAsJson)
{
    const CliRun run = equilibrium();
    ASSERT_EQ(run.exitCode, cli::ExitOk) << run.err;
    const ordered_json json = ordered_json::parse(run.out);
    EXPECT_EQ(run.err, modelDifferenceLines(json["model_differences"]));
    EXPECT_THAT(keysOf(json), ElementsAre("cells", "flow_model", "warnings", "model_differences"));
    EXPECT_EQ(json["warnings"], ordered_json::array());
    ASSERT_EQ(json["cells"].size(), 4u);
    const ordered_json& b = json["cells"][1];
    EXPECT_THAT(keysOf(b),
        ElementsAre("cell", "name", "temperature_K", "pressure_bar", "status", "message", "species",
            "log10_pO2", "graphite", "inert", "warnings", "graphite_activity",
            "element_potentials"));
    EXPECT_EQ(b["warnings"], ordered_json::array());
    EXPECT_TRUE(b["graphite_activity"].is_null()); // no carbon in this gas
    EXPECT_THAT(keysOf(b["element_potentials"]), ElementsAre("H", "O", "N", "Ar"));
    EXPECT_EQ(b["cell"], 2);
    EXPECT_EQ(b["name"], "Cell B");
    EXPECT_EQ(b["temperature_K"], 1073.15);
    EXPECT_EQ(b["pressure_bar"], 1.0);
    EXPECT_EQ(b["status"], "ok");
    EXPECT_TRUE(b["message"].is_null());
    EXPECT_EQ(b["graphite"], 0.0);
    EXPECT_EQ(b["inert"], ordered_json::array());
    double sum = 0.0;
    double o2 = 0.0;
    for (const ordered_json& species : b["species"]) {
        sum += species["fraction"].get<double>();
        if (species["name"] == "O2")
            o2 = species["fraction"].get<double>();
    }
    EXPECT_NEAR(sum, 1.0, 1e-12);
    // 17 digits: log10_pO2 reads back as exactly the logarithm of the printed O2 fraction.
    EXPECT_NEAR(b["log10_pO2"].get<double>(), std::log10(o2), 1e-15);
}

TEST_F(EquilibriumCommandTest, SweepsOneCellOverTemperatures)
{
    const CliRun run = equilibrium("--cell 3 --temperature-sweep 600:1000:200");
    ASSERT_EQ(run.exitCode, cli::ExitOk) << run.err;
    const ordered_json json = ordered_json::parse(run.out);
    ASSERT_EQ(json["cells"].size(), 3u);
    EXPECT_EQ(json["cells"][0]["temperature_K"], 873.15);
    EXPECT_EQ(json["cells"][2]["temperature_K"], 1273.15);
    for (const ordered_json& cell : json["cells"])
        EXPECT_EQ(cell["cell"], 3);
}

TEST_F(EquilibriumCommandTest, AFailedCellIsReportedAndExitsWithOne)
{
    edit([](Rig& rig) {
        rig.Cells[2].Pressure = 0.0;
        rig.Cells[3].Temp = 6000.0;
    });
    const CliRun run = equilibrium();
    EXPECT_EQ(run.exitCode, cli::ExitFailed);
    const ordered_json json = ordered_json::parse(run.out);
    const ordered_json& b = json["cells"][1];
    EXPECT_EQ(b["status"], "error");
    EXPECT_EQ(b["message"], "pressure 0 bar is not above 0");
    EXPECT_EQ(b["species"], ordered_json::array());
    EXPECT_TRUE(b["log10_pO2"].is_null());
    EXPECT_TRUE(b["graphite"].is_null());
    EXPECT_EQ(json["cells"][2]["status"], "error");
    EXPECT_EQ(json["cells"][3]["status"], "ok");
    EXPECT_THAT(run.err, HasSubstr("OC 2; Cell B at 1073.15 K: pressure"));
    EXPECT_THAT(
        run.err, HasSubstr("OC 3; Cell C at 6273.15 K: temperature 6000 \u00B0C is outside"));
}

// An unresolved pO2 is never a plain "ok": the status, the table and the exit code say so.
TEST(EquilibriumReportTest, AnUnresolvedPO2IsFlaggedInEveryFormat)
{
    GibbsResult result;
    result.Ok = true;
    result.PO2Resolved = false;
    result.Kelvin = 300.0;
    result.Bar = 1.0;
    result.Species = { { "H2O", 1.0 }, { "O2", 1e-30 } };
    result.Log10PO2 = -30.0;
    result.Warnings = { "taken below the lower limit of their data, 300 K: O3" };
    const std::vector<cli::EquilibriumRow> rows { { 1, "Cell A", result } };
    const ordered_json cell = cli::EquilibriumToJson(rows)["cells"][0];
    EXPECT_EQ(cell["status"], "unresolved");
    EXPECT_EQ(cell["message"], std::string(UnresolvedPO2));
    EXPECT_EQ(cell["warnings"], ordered_json({ result.Warnings.front() }));
    const std::string table = cli::EquilibriumTable(rows, false);
    EXPECT_THAT(table, HasSubstr("unresolved"));
    EXPECT_THAT(table, HasSubstr("OC 1; Cell A: " + std::string(UnresolvedPO2)));
    EXPECT_THAT(table, HasSubstr("OC 1; Cell A: taken below the lower limit"));
    EXPECT_THAT(cli::EquilibriumCsv(rows), HasSubstr(",unresolved,"));
}

TEST_F(EquilibriumCommandTest, ComponentsTheDataDoNotKnowAreListedAsInert)
{
    edit([](Rig& rig) { rig.InputGases[1].Components[1].Name = "Ar,x"; });
    const CliRun json = equilibrium("--cell 1");
    ASSERT_EQ(json.exitCode, cli::ExitOk) << json.err;
    EXPECT_EQ(ordered_json::parse(json.out)["cells"][0]["inert"], ordered_json({ "Ar,x" }));

    const CliRun csv = equilibrium("--cell 1 --format csv");
    ASSERT_EQ(csv.exitCode, cli::ExitOk) << csv.err;
    std::istringstream lines(csv.out);
    std::string header, row, rest;
    std::getline(lines, header);
    std::getline(lines, row);
    EXPECT_FALSE(std::getline(lines, rest));
    for (std::string* line : { &header, &row }) { // CRLF, as every CSV of the tool
        ASSERT_TRUE(line->ends_with('\r'));
        line->pop_back();
    }
    EXPECT_THAT(header,
        ::testing::StartsWith(
            "cell,name,temperature_K,pressure_bar,status,message,log10_pO2,graphite,H2,O2,"));
    EXPECT_THAT(header, ::testing::EndsWith(",\"Ar,x\""));
    EXPECT_THAT(row, ::testing::StartsWith("1,Cell A,973.14999999999998,1,ok,,-0.91"));
}

TEST_F(EquilibriumCommandTest, TableShowsSpeciesByCells)
{
    const CliRun run = equilibrium("--format table");
    ASSERT_EQ(run.exitCode, cli::ExitOk) << run.err;
    std::istringstream lines(run.out);
    std::string header;
    std::getline(lines, header);
    EXPECT_THAT(header, HasSubstr("OC 1; Cell A"));
    EXPECT_THAT(header, HasSubstr("OC 4; Cell D"));
    EXPECT_THAT(run.out, HasSubstr("\nlog10 pO2 "));
    EXPECT_THAT(run.out, HasSubstr("\ngraphite "));
    EXPECT_THAT(run.out, ::testing::Not(HasSubstr("\nNH3 "))); // below 1e-12 in every cell
}

TEST_F(EquilibriumCommandTest, ACellWithoutMixtureFails)
{
    const CliRun run = equilibrium("--cell 6");
    EXPECT_EQ(run.exitCode, cli::ExitFailed);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(
        withoutModelDifferences(run.err), "meldrix-cli: cell 6 is not fed by a mixture (Mix 0)\n");
}

TEST(EquilibriumCommandDataTest, AMissingDataSetIsAUsageError)
{
    TempDir dir;
    const CliRun run = runCli("equilibrium " + dir.file("Nothing"), dir);
    EXPECT_EQ(run.exitCode, cli::ExitUsage);
    EXPECT_THAT(run.err, HasSubstr("none of the four files"));
}

TEST(TemperatureSweepTest, EndsOnTheLastTemperatureWithoutDrift)
{
    const auto sweep = cli::parseTemperatureSweep("300:301:0.1");
    ASSERT_TRUE(sweep);
    const auto temperatures = sweep->temperatures();
    ASSERT_EQ(temperatures.size(), 11u);
    EXPECT_DOUBLE_EQ(temperatures[3], 300.3);
    EXPECT_EQ(temperatures.back(), 301.0);
    EXPECT_EQ(cli::parseTemperatureSweep("5:5:1")->temperatures(), std::vector<double> { 5.0 });
}

} // namespace
} // namespace meldrix
