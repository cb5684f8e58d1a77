#include "CliProcess.h"
#include "cli/Commands.h"
#include "mixer/Execute.h"
#include "rig/StartUp.h"
#include "support/Bytes.h"
#include "support/TempDir.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>

namespace meldrix {
namespace {

using namespace clitest;

std::size_t lineCount(const std::string& text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// A small rig: argon (I1) through stage 1 into M1, which feeds cell 1 "Öfen"; the calibration
// of argon gives the reading as flow.
class ExecuteCommandTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string base = dir.file("Rig");
    std::unique_ptr<Rig> rig = testsupport::rigAtStartValues();

    ExecuteCommandTest()
    {
        rig->InputGases[1].Name = "Argon";
        rig->InputGases[1].Components[1].Name = "Ar";
        rig->InputGases[1].Components[1].Fraction = 1.0;
        for (FlowmeterRecord& stage : rig->Flowmeters)
            stage.Output = 0;
        connect(1, 1, 1, 2.0);
        rig->Cells[1].Name = "\xD6"
                             "fen";
        CalCurveRecord& curve = rig->CalCurves[1];
        curve.Gas = "Ar";
        curve.Points[1] = { 1.0, 1.0 };
        curve.Points[2] = { 3.0, 3.0 };
    }

    void connect(int f, int input, int output, double reading)
    {
        rig->Flowmeters[f].Input = static_cast<std::uint16_t>(input);
        rig->Flowmeters[f].Output = static_cast<std::uint16_t>(output);
        rig->Flowmeters[f].Reading = reading;
    }

    void save()
    {
        SetFileNamesFromBase(*rig, base);
        ASSERT_EQ(SaveAll(*rig), std::nullopt);
    }

    CliRun execute(const std::string& arguments = {})
    {
        save();
        return runCli("execute " + base + " " + arguments, dir);
    }

    // Executes a run that must fail: exit code 1, and the JSON it prints with this status,
    // message and number of passes.
    ordered_json executeFailing(const char* status, const char* message, int passes)
    {
        const CliRun run = execute();
        EXPECT_EQ(run.exitCode, cli::ExitFailed);
        const ordered_json json = ordered_json::parse(run.out);
        EXPECT_EQ(json["status"], status);
        EXPECT_EQ(json["message"], message);
        EXPECT_EQ(json["passes"], passes);
        return json;
    }
};

TEST_F(ExecuteCommandTest, PrintsOneObjectWithTheRunsResults)
{
    const CliRun run = execute();
    ASSERT_EQ(run.exitCode, cli::ExitOk) << run.err;
    const ordered_json json = ordered_json::parse(run.out);
    EXPECT_EQ(run.err, modelDifferenceLines(json["model_differences"]));
    EXPECT_THAT(keysOf(json),
        ElementsAre("status", "message", "passes", "gas_list", "stages", "mixtures", "cells",
            "equilibrium", "flow_model", "warnings", "model_differences"));
    EXPECT_EQ(json["flow_model"], "as-specified");
    EXPECT_EQ(json["status"], "ok");
    EXPECT_TRUE(json["message"].is_null());
    EXPECT_EQ(json["passes"], 1);
    EXPECT_EQ(json["gas_list"], ordered_json({ "Ar", "O2", "H2O" }));

    ASSERT_EQ(json["stages"].size(), 16u);
    EXPECT_EQ(json["stages"][0], ordered_json({ { "stage", 1 }, { "flow", 2.0 } }));
    EXPECT_EQ(json["stages"][15]["stage"], 16);

    ASSERT_EQ(json["mixtures"].size(), 16u);
    const ordered_json& m1 = json["mixtures"][0];
    EXPECT_THAT(keysOf(m1), ElementsAre("mixture", "defined", "flow", "components"));
    EXPECT_EQ(m1["defined"], true);
    EXPECT_EQ(m1["flow"], 2.0);
    ASSERT_EQ(m1["components"].size(), 12u);
    EXPECT_EQ(m1["components"][0], ordered_json({ { "name", "Ar" }, { "fraction", 1.0 } }));
    EXPECT_EQ(m1["components"][11]["name"], "");

    ASSERT_EQ(json["cells"].size(), 8u);
    const ordered_json& cell1 = json["cells"][0];
    EXPECT_THAT(keysOf(cell1), ElementsAre("cell", "name", "mix", "equil_done", "gas"));
    EXPECT_EQ(cell1["name"],
        "\xC3\x96"
        "fen"); // Latin-1 Ö as UTF-8
    EXPECT_EQ(cell1["mix"], 1);
    EXPECT_EQ(cell1["equil_done"], true);
    ASSERT_EQ(cell1["gas"].size(), 12u);

    // Argon alone: one element, one compound; the amounts are the mixtures' without leakages.
    const ordered_json& equilibrium = json["equilibrium"];
    EXPECT_THAT(keysOf(equilibrium), ElementsAre("elements", "selected", "amounts"));
    EXPECT_EQ(equilibrium["elements"], ordered_json({ "Ar" }));
    EXPECT_EQ(equilibrium["selected"], ordered_json({ "Ar" }));
    ASSERT_EQ(equilibrium["amounts"].size(), 8u);
    EXPECT_EQ(equilibrium["amounts"][0], ordered_json({ 1.0 }));
    EXPECT_EQ(equilibrium["amounts"][1], ordered_json({ 0.0 })); // cell 2: the empty M2
}

TEST_F(ExecuteCommandTest, MessageShowsTheDriversDiagnostic)
{
    GasRecord& gas = rig->InputGases[1];
    const std::array<std::pair<const char*, double>, 4> components { { { "H2", 0.125 },
        { "N2", 0.25 }, { "O2", 0.375 }, { "CO2", 0.25 } } };
    for (int k = 1; k <= 4; ++k) {
        gas.Components[k].Name = components[static_cast<std::size_t>(k - 1)].first;
        gas.Components[k].Fraction = components[static_cast<std::size_t>(k - 1)].second;
    }
    for (int k = 1; k <= 4; ++k) {
        CalCurveRecord& curve = rig->CalCurves[1 + k];
        curve = rig->CalCurves[1];
        curve.Gas = components[static_cast<std::size_t>(k - 1)].first;
    }
    const CliRun run = execute();
    ASSERT_EQ(run.exitCode, cli::ExitOk) << run.err;
    const ordered_json json = ordered_json::parse(run.out);
    // The oxygen total of cell 1, 2 × 0.375 + 2 × 0.25, as the window's message line shows it.
    EXPECT_EQ(json["message"], " 1.25000000000000E+0000");
    EXPECT_EQ(json["equilibrium"]["elements"], ordered_json({ "H", "C", "N", "O" }));
    EXPECT_EQ(json["equilibrium"]["selected"].size(), 8u);

    // Argon as a fifth gas: 9 compounds and 5 elements are too many; no cell gets amounts.
    rig->InputGases[2].Components[1].Name = "Ar";
    rig->InputGases[2].Components[1].Fraction = 1.0;
    connect(2, 2, 1, 1.0);
    const ordered_json tooMany = ordered_json::parse(execute().out);
    EXPECT_EQ(tooMany["message"], "Sum of compounds and elements too large: 14");
    EXPECT_EQ(tooMany["cells"][0]["equil_done"], false);
    EXPECT_EQ(tooMany["equilibrium"]["amounts"][0], nullptr);
}

TEST_F(ExecuteCommandTest, NumbersReadBackToTheSameDoubles)
{
    // Readings with long expansions, and the cells' renormalised fractions.
    connect(2, 1, 2, 2.0 / 3.0 + 1.0);
    connect(3, 17, 2, 1.1);
    const CliRun run = execute("--reading 1=2.7182818284590451");
    ASSERT_EQ(run.exitCode, cli::ExitOk) << run.err;
    const ordered_json json = ordered_json::parse(run.out);

    rig->Flowmeters[1].Reading = 2.7182818284590451;
    ASSERT_EQ(Execute(*rig).status, RunStatus::Ok);
    for (int f = 1; f <= MaxFlowmeters; ++f)
        EXPECT_EQ(json["stages"][f - 1]["flow"].get<double>(), rig->Flowmeters[f].Flow);
    for (int c = 1; c <= MaxCells; ++c)
        for (int k = 1; k <= MaxComponents; ++k)
            EXPECT_EQ(json["cells"][c - 1]["gas"][k - 1]["fraction"].get<double>(),
                rig->CellGases[c][k].Fraction)
                << "cell " << c << " slot " << k;
    for (int m = 1; m <= MaxMixtures; ++m)
        EXPECT_EQ(json["mixtures"][m - 1]["flow"].get<double>(), rig->Gases[16 + m].Flow);
}

TEST_F(ExecuteCommandTest, ReadingsReplaceTheStoredOnes)
{
    const CliRun run = execute("--reading 1=1.5 --reading 4=2 --reading 1=2.5 --format json");
    ASSERT_EQ(run.exitCode, cli::ExitOk) << run.err;
    const ordered_json json = ordered_json::parse(run.out);
    EXPECT_EQ(json["stages"][0]["flow"], 2.5); // the last reading of a stage wins
    EXPECT_EQ(json["mixtures"][0]["flow"], 2.5);

    // A negative reading is taken and gives no flow.
    const CliRun negative = runCli("execute --reading 1=-2 " + base, dir);
    ASSERT_EQ(negative.exitCode, cli::ExitOk) << negative.err;
    EXPECT_EQ(ordered_json::parse(negative.out)["stages"][0]["flow"], 0.0);
}

TEST_F(ExecuteCommandTest, ALoopExitsWithOneAndTheRunsMessage)
{
    connect(2, 18, 1, 1.0);
    connect(3, 17, 2, 1.0);
    const ordered_json json =
        executeFailing("non_converging", "Non-converging mixer! Check for iterating loops!", 100);
    EXPECT_EQ(json["mixtures"][0]["defined"], false);
    EXPECT_EQ(json["cells"][0]["gas"][0]["fraction"], 0.0); // cells are not updated

    const CliRun table = runCli("execute " + base + " --format table", dir);
    EXPECT_EQ(table.exitCode, cli::ExitFailed);
    EXPECT_EQ(table.out, "");
    EXPECT_EQ(table.err, "meldrix-cli: Non-converging mixer! Check for iterating loops!\n");
}

TEST_F(ExecuteCommandTest, ThirteenGasesStopTheRunAtTheGasList)
{
    for (int k = 1; k <= MaxComponents; ++k) {
        rig->InputGases[1].Components[k].Name = "G" + std::to_string(k);
        rig->InputGases[1].Components[k].Fraction = 1.0 / 12;
    }
    const ordered_json json =
        executeFailing("too_many_gases", "Inappropriate number of gases (too many)", 0);
    EXPECT_EQ(json["gas_list"].size(), 12u);
}

TEST_F(ExecuteCommandTest, NumbersThatAreNotFiniteArePrintedAsNull)
{
    rig->InputGases[1].Components[1].Fraction = 1e308; // twice that overflows
    const CliRun run = execute();
    ASSERT_EQ(run.exitCode, cli::ExitOk) << run.err;
    const ordered_json json = ordered_json::parse(run.out);
    EXPECT_TRUE(json["stages"][0]["flow"].is_null());
    EXPECT_TRUE(json["mixtures"][0]["flow"].is_null());
}

TEST_F(ExecuteCommandTest, TablePrintsCellsByGases)
{
    const CliRun run = execute("--format table");
    ASSERT_EQ(run.exitCode, cli::ExitOk) << run.err;
    std::vector<std::string> lines;
    std::istringstream in(run.out);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 4u) << run.out; // heading, Ar, O2, H2O
    EXPECT_THAT(lines[0],
        HasSubstr("OC 1; \xC3\x96"
                  "fen"));
    EXPECT_THAT(lines[0], HasSubstr("OC 8; None"));
    // 1 / 1.00004 and 1.0E-5 / 1.00004 with 7 decimals; cell 2 gets its leakages alone.
    EXPECT_THAT(lines[1], ::testing::StartsWith("Ar "));
    EXPECT_THAT(lines[1], HasSubstr("  0.9999600"));
    EXPECT_THAT(lines[2], HasSubstr("  0.0000100     0.2500000"));
    EXPECT_THAT(lines[3], ::testing::StartsWith("H2O"));

    // The logarithmic display: log10(1 / 1.00004), and "???" where a fraction of 0 has none.
    const CliRun log = runCli("execute " + base + " --format table --log", dir);
    ASSERT_EQ(log.exitCode, cli::ExitOk) << log.err;
    EXPECT_THAT(log.out, HasSubstr("\nAr     -0.0000174           ???"));
}

TEST_F(ExecuteCommandTest, TableMarksCellsThatNoMixtureFeeds)
{
    rig->Cells[3].Mix = 0;
    rig->Cells[5].Mix = 40; // not a mixture: fed by nothing
    for (const std::string options : { "--format table", "--format table --log" }) {
        const CliRun run = execute(options);
        ASSERT_EQ(run.exitCode, cli::ExitOk) << run.err;
        std::istringstream in(run.out);
        std::string heading;
        std::getline(in, heading);
        int rows = 0;
        for (std::string line; std::getline(in, line); ++rows) {
            std::vector<std::string> words;
            std::istringstream split(line);
            for (std::string word; split >> word;)
                words.push_back(word);
            // The gas, then per cell one value or the two words "not fed".
            ASSERT_EQ(words.size(), 1u + MaxCells + 2u) << line;
            EXPECT_EQ(words[3] + ' ' + words[4], "not fed") << line;
            EXPECT_EQ(words[6] + ' ' + words[7], "not fed") << line;
            EXPECT_NE(words[1], "not") << line;
        }
        EXPECT_EQ(rows, 3) << run.out;
    }
}

TEST_F(ExecuteCommandTest, UsageErrorsExitWithTwoAndOneLine)
{
    save();
    for (const std::string arguments :
        { "--reading 0=1", "--reading 17=1", "--reading 1=abc", "--reading 1", "--reading =1",
            "--reading 1=", "--reading 1=1e999", "--format xml", "--reading" }) {
        const CliRun run = runCli("execute " + base + " " + arguments, dir);
        EXPECT_EQ(run.exitCode, cli::ExitUsage) << arguments;
        EXPECT_EQ(run.out, "") << arguments;
        EXPECT_EQ(lineCount(run.err), 1u) << arguments << ": " << run.err;
        EXPECT_THAT(run.err, HasSubstr("--help")) << arguments;
    }
    const CliRun noBase = runCli("execute", dir);
    EXPECT_EQ(noBase.exitCode, cli::ExitUsage);
    EXPECT_EQ(lineCount(noBase.err), 1u) << noBase.err;
}

TEST_F(ExecuteCommandTest, WarnsOfEachMissingFileAndFailsWhenNoneIsThere)
{
    save();
    std::filesystem::remove(base + ".CAL");
    std::filesystem::remove(base + ".CEL");
    const CliRun partial = runCli("execute " + base, dir);
    EXPECT_EQ(partial.exitCode, cli::ExitOk);
    // Without the calibrations curve 1000 (no points) gives no flow, and each stage's gas says so
    // after the two files that were not read.
    const ordered_json result = ordered_json::parse(partial.out);
    EXPECT_EQ(result["stages"][0]["flow"], 0.0);
    ASSERT_FALSE(result["warnings"].empty());
    EXPECT_EQ(lineCount(partial.err), 2u + result["warnings"].size()) << partial.err;
    EXPECT_THAT(partial.err, HasSubstr("curve 1000 has no point above 0; no flow is used"));

    const CliRun none = runCli("execute " + dir.file("Nothing"), dir);
    EXPECT_EQ(none.exitCode, cli::ExitUsage);
    EXPECT_EQ(none.out, "");
    EXPECT_THAT(none.err, HasSubstr("none of the four files"));
}

TEST(ExecuteCommand, TheShippedDataSetConverges)
{
    TempDir dir;
    std::ostringstream out, err;
    ASSERT_EQ(cli::runBuild(MELDRIX_DEFAULT_JSON, dir.file("Default"), out, err), cli::ExitOk);
    const std::array<std::string, 0> noReadings {};
    std::ostringstream json;
    EXPECT_EQ(cli::runExecute(dir.file("Default"), noReadings, cli::ExecuteFormat::Json, json, err),
        cli::ExitOk)
        << err.str();
    const ordered_json result = ordered_json::parse(json.str());
    EXPECT_EQ(result["status"], "ok");
    for (const ordered_json& cell : result["cells"]) {
        if (cell["mix"] == 0)
            continue;
        double sum = 0.0;
        for (const ordered_json& slot : cell["gas"])
            sum += slot["fraction"].get<double>();
        EXPECT_NEAR(sum, 1.0, 1e-12) << "cell " << cell["cell"];
    }
    // Every stored reading lies on its curves.
    EXPECT_EQ(result["warnings"], ordered_json::array());
    EXPECT_EQ(withoutModelDifferences(err.str()), "");

    // A reading far beyond its curve gives the flow of the curve's top point, and says so once.
    const std::array<std::string, 1> huge { "1=1e300" };
    std::ostringstream hugeJson, hugeErr;
    EXPECT_EQ(
        cli::runExecute(dir.file("Default"), huge, cli::ExecuteFormat::Json, hugeJson, hugeErr),
        cli::ExitOk);
    const ordered_json clamped = ordered_json::parse(hugeJson.str());
    ASSERT_EQ(clamped["warnings"].size(), 1u);
    const ordered_json& warning = clamped["warnings"][0];
    EXPECT_THAT(keysOf(warning), ElementsAre("stage", "gas", "curve", "reading", "limit", "text"));
    EXPECT_EQ(warning["stage"], 1);
    EXPECT_EQ(warning["reading"], 1e300);
    EXPECT_EQ(withoutModelDifferences(hugeErr.str()),
        "meldrix-cli: warning: " + warning["text"].get<std::string>() + "\n");
    // The other keys are what a run at the top point's reading gives.
    const std::array<std::string, 1> top { "1=" + warning["limit"].dump() };
    std::ostringstream topJson;
    EXPECT_EQ(cli::runExecute(dir.file("Default"), top, cli::ExecuteFormat::Json, topJson, err),
        cli::ExitOk);
    ordered_json atTop = ordered_json::parse(topJson.str());
    EXPECT_EQ(atTop["warnings"], ordered_json::array());
    atTop.erase("warnings");
    ordered_json withoutWarnings = clamped;
    withoutWarnings.erase("warnings");
    EXPECT_EQ(withoutWarnings, atTop);
}

} // namespace
} // namespace meldrix
