#include "cli/Commands.h"

#include "CliProcess.h"
#include "cli/InputText.h"
#include "cli/RigJson.h"
#include "rig/StartUp.h"
#include "support/Bytes.h"
#include "support/TempDir.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>

namespace meldrix {
namespace {

using namespace clitest;
using testsupport::UsageCase;
using testsupport::UsageTest;
namespace fs = std::filesystem;

constexpr int HangSeconds = 120;

TEST(CliCommands, AFileOfTheDataSetNamesTheDataSet)
{
    TempDir dir;
    std::ostringstream built, byBase, byFile, executed, err;
    ASSERT_EQ(cli::runBuild(MELDRIX_DEFAULT_JSON, dir.file("A.inp"), built, err), cli::ExitOk);
    EXPECT_TRUE(fs::exists(dir.file("A.CEL")));
    EXPECT_FALSE(fs::exists(dir.file("A.inp.INP")));
    ASSERT_EQ(cli::runDump(dir.file("A"), byBase, err), cli::ExitOk);
    ASSERT_EQ(cli::runDump(dir.file("A.CEL"), byFile, err), cli::ExitOk);
    EXPECT_EQ(byBase.str(), byFile.str());
    EXPECT_EQ(cli::runExecute(dir.file("A.INP"), {}, cli::ExecuteFormat::Json, executed, err),
        cli::ExitOk);
    EXPECT_EQ(
        err.str(), modelDifferenceLines(ordered_json::parse(executed.str())["model_differences"]));
}

TEST(CliCommands, DumpBuildDumpGivesTheSameJsonAndBytes)
{
    TempDir dir;
    std::ostringstream out1, out2, out3, err;
    ASSERT_EQ(cli::runBuild(MELDRIX_DEFAULT_JSON, dir.file("A"), out1, err), cli::ExitOk)
        << err.str();
    ASSERT_EQ(cli::runDump(dir.file("A"), out2, err), cli::ExitOk);
    {
        std::ofstream(dir.file("a.json")) << out2.str();
    }
    ASSERT_EQ(cli::runBuild(dir.file("a.json"), dir.file("B"), out1, err), cli::ExitOk);
    ASSERT_EQ(cli::runDump(dir.file("B"), out3, err), cli::ExitOk);
    EXPECT_EQ(out2.str(), out3.str());
    EXPECT_EQ(err.str(), "");
    for (const DataFile file : AllDataFiles) {
        const std::string ext(extensionOf(file));
        EXPECT_EQ(testsupport::readBytes(dir.file("A") + ext),
            testsupport::readBytes(dir.file("B") + ext))
            << ext;
    }
}

TEST(CliCommands, DumpShowsTheFieldsOfFilesWrittenByAnotherProgram)
{
    TempDir dir;
    std::vector<std::uint8_t> mix(1664, 0);
    const double reading = 42.5, fixT = -3.25;
    const std::uint16_t input = 18, output = 7;
    std::memcpy(&mix[0], "\7Rotalab", 8);
    std::memcpy(&mix[40], &reading, 8);
    std::memcpy(&mix[56], &input, 2);
    std::memcpy(&mix[58], &output, 2);
    std::memcpy(&mix[60], "\3O2x", 4);
    std::memcpy(&mix[80], &fixT, 8);
    mix[96] = 1;
    testsupport::writeBytes(dir.file("Other.MIX"), mix);

    std::ostringstream out, err;
    ASSERT_EQ(cli::runDump(dir.file("Other"), out, err), cli::ExitOk);
    const auto json = nlohmann::json::parse(out.str());
    const auto& stage = json["Flowmeters"][0];
    EXPECT_EQ(stage["Make"], "Rotalab");
    EXPECT_EQ(stage["Size"], "");
    EXPECT_EQ(stage["Reading"], 42.5);
    EXPECT_EQ(stage["Input"], 18);
    EXPECT_EQ(stage["Output"], 7);
    EXPECT_EQ(stage["FixGas"], "O2x");
    EXPECT_EQ(stage["FixGasT"], -3.25);
    EXPECT_EQ(stage["FixGasUsed"], true);
    EXPECT_EQ(stage["FixGasBefore"], false);
    EXPECT_EQ(json["Flowmeters"][1]["Input"], 0);
    // The other three files are missing: start-up values, and one warning line each; the
    // mixer file itself holds a stage 2 without a source.
    EXPECT_EQ(json["Cells"][4]["Mix"], 5);
    const std::string warnings = err.str();
    EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), 4) << warnings;
    EXPECT_NE(warnings.find("is damaged: stage 2 has Input 0, outside 1..32."), std::string::npos);
}

TEST(CliCommands, AMalformedJsonIsNamedWithItsPlaceAndWritesNothing)
{
    TempDir dir;
    std::ofstream(dir.file("bad.json")) << "{\n  \"Cells\": [\n    {\"Name\": \"Oven\",}\n  ]\n}\n";
    const CliRun run = runCli("build " + dir.file("bad.json") + " " + dir.file("Rig"), dir);
    EXPECT_EQ(run.exitCode, cli::ExitFailed);
    EXPECT_NE(run.err.find("bad.json: parse error at line 3, column"), std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(dir.file("Rig.INP")));
    EXPECT_FALSE(fs::exists(dir.file("Rig.CEL")));
}

// The JSON library reports a number beyond double range apart from its syntax errors.
TEST(CliCommands, ANumberOutOfRangeIsNamedLikeASyntaxError)
{
    TempDir dir;
    std::ofstream(dir.file("big.json")) << "{\"Cells\": [{\"Temp\": 17E11718}]}";
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(cli::runBuild(dir.file("big.json"), dir.file("Rig"), out, err), cli::ExitFailed);
    EXPECT_EQ(err.str(),
        "meldrix-cli: " + dir.file("big.json") + ": number overflow parsing '17E11718'\n");
    EXPECT_FALSE(fs::exists(dir.file("Rig.INP")));
}

TEST(CliCommands, BuildReadsOnlyRegularFilesOrStandardInput)
{
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("rig.fifo").c_str(), 0600), 0);
    fs::create_directory(dir.file("folder.json"));
    {
        std::ofstream(dir.file("big.json"));
    }
    fs::resize_file(dir.file("big.json"), cli::MaxInputBytes + 1);
    struct Case {
        std::string arguments;
        std::string reason;
    };
    const std::vector<Case> cases {
        { "build " + dir.file("rig.fifo") + " " + dir.file("Rig"), "not a regular file" },
        { "build /dev/zero " + dir.file("Rig"), "not a regular file" },
        { "build " + dir.file("folder.json") + " " + dir.file("Rig"), "it is a folder" },
        { "build " + dir.file("big.json") + " " + dir.file("Rig"), "larger than 64 MiB" },
        // Standard input is read up to the limit before it is refused.
        { "build - " + dir.file("Rig") + " </dev/zero", "standard input: it holds more than" },
    };
    // A wait on the FIFO or an endless read of /dev/zero would hang: only such a run reaches the
    // kill, however busy the machine is.
    for (const Case& c : cases) {
        const CliRun run = runCli(c.arguments, dir, HangSeconds);
        EXPECT_NE(run.exitCode, -1)
            << c.arguments << ": still running after " << HangSeconds << " s";
        EXPECT_EQ(run.exitCode, cli::ExitFailed) << c.arguments;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
        EXPECT_FALSE(fs::exists(dir.file("Rig.INP"))) << c.arguments;
    }

    const CliRun piped =
        runCli("build - " + dir.file("Rig") + " <" + MELDRIX_DEFAULT_JSON, dir, HangSeconds);
    EXPECT_EQ(piped.exitCode, cli::ExitOk) << piped.err;
    EXPECT_TRUE(fs::exists(dir.file("Rig.CEL")));
}

TEST(CliCommands, UsageErrorsExitWithTwoAndOneLine)
{
    TempDir dir;
    for (const std::string arguments :
        { "", "dump", "build only-one", "frobnicate x", "dump a b c" }) {
        const CliRun run = runCli(arguments, dir);
        EXPECT_EQ(run.exitCode, cli::ExitUsage) << arguments;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_NE(run.err.find("--help"), std::string::npos) << run.err;
    }
    const CliRun none = runCli("dump " + dir.file("Nothing"), dir);
    EXPECT_EQ(none.exitCode, cli::ExitUsage);
    EXPECT_NE(none.err.find("none of the four files"), std::string::npos);
}

TEST_P(UsageTest, ExitsWithTwoAndOneLineSaysWhy)
{
    const CliRun run = cli(GetParam().command, GetParam().arguments, 120);
    EXPECT_EQ(run.exitCode, cli::ExitUsage);
    EXPECT_EQ(run.out, "");
    EXPECT_THAT(run.err, HasSubstr(GetParam().says));
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
}

INSTANTIATE_TEST_SUITE_P(Commands, UsageTest,
    ::testing::Values(UsageCase { "equilibrium", "--cell 9", "--cell 9 is not a cell 1..8" },
        UsageCase { "equilibrium", "--cell 0", "--cell 0 is not a cell 1..8" },
        UsageCase { "equilibrium", "--temperature-sweep 600:1000:100", "needs --cell C" },
        UsageCase { "equilibrium", "--cell 1 --temperature-sweep 600:1000", "is not FROM:TO:STEP" },
        UsageCase {
            "equilibrium", "--cell 1 --temperature-sweep 1000:600:100", "is not FROM:TO:STEP" },
        UsageCase { "equilibrium", "--cell 1 --temperature-sweep 0:1000:0", "is not FROM:TO:STEP" },
        UsageCase { "equilibrium", "--cell 1 --temperature-sweep 0:1000:0.01", "at most 10000" },
        UsageCase { "equilibrium", "--format xml", "--format" },
        UsageCase { "equilibrium", "--reading 17=1", "--reading '17=1'" },
        UsageCase { "equilibrium", "--cell x", "--cell" },
        UsageCase { "uncertainty", "--sd 3=-1", "--sd '3=-1' is not N=VALUE" },
        UsageCase { "uncertainty", "--sd 17=1", "--sd '17=1'" },
        UsageCase { "uncertainty", "--reading 2", "--reading '2'" },
        UsageCase { "uncertainty", "--full-scale-percent -2", "full-scale percentage" },
        UsageCase { "uncertainty", "--flow-percent nan", "flow percentage" },
        UsageCase {
            "uncertainty", "--method monte-carlo --samples 1", "the samples must be 2..100000" },
        UsageCase { "uncertainty", "--method exact", "--method" },
        UsageCase { "uncertainty", "--format xml", "--format" },
        UsageCase { "map", "--cell 2 --x 3 --y 4 --quantity pO2 --out m.svg",
            "--quantity 'pO2' must be log10-pO2, fraction:GAS or flow" },
        UsageCase { "map", "--cell 2 --x 3 --y 4 --grid 1 --out m.svg", "--grid" },
        UsageCase { "map", "--cell 2 --x 3 --y 17 --out m.svg", "--y" },
        UsageCase { "map", "--cell 2 --x 3 --y 4 --out m.jpg", "must end in .svg, .png or .csv" },
        UsageCase {
            "report", "--map 3 --out r.html", "--map '3' is not X,Y with two stages 1..16" },
        UsageCase { "report", "--map 3,17 --out r.html", "--map '3,17' is not X,Y" },
        UsageCase { "execute", "--flow-model Physical", "--flow-model" },
        UsageCase { "target", "--cell 2 --flow 5 --flow-model", "--flow-model" }));

} // namespace
} // namespace meldrix
