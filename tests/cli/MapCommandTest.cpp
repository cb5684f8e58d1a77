#include "cli/MapCommand.h"

#include "CliProcess.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>

namespace meldrix {
namespace {

using namespace clitest;
using ::testing::Not;

class MapCommandTest : public testsupport::ShippedDataSetTest { };

std::vector<std::string> csvRows(const std::string& csv)
{
    std::vector<std::string> rows;
    std::size_t start = 0;
    for (auto end = csv.find("\r\n"); end != std::string::npos; end = csv.find("\r\n", start)) {
        rows.push_back(csv.substr(start, end - start));
        start = end + 2;
    }
    EXPECT_EQ(start, csv.size()) << "the last row ends in CRLF";
    return rows;
}

// Each row is X, Y, value, state with X running fastest; a value fed back to equilibrium gives
// the same log10 pO2 to the last digit.
TEST_F(MapCommandTest, CsvRowsAreTheEquilibriumAtTheirReadings)
{
    const std::string path = dir.file("m.csv");
    const CliRun run = cli("map", "--cell 2 --x 3 --y 4 --grid 3 --reading 2=10 --out " + path);
    ASSERT_EQ(run.exitCode, cli::ExitOk) << run.err;
    const std::vector<std::string> rows = csvRows(readFile(path));
    ASSERT_EQ(rows.size(), 10U);
    EXPECT_EQ(rows[0], "F 3 reading,F 4 reading,log10 pO2 [bar],state");
    EXPECT_THAT(rows[1], ::testing::StartsWith("10,10,"));
    EXPECT_THAT(rows[2], ::testing::StartsWith("80,10,"));
    EXPECT_THAT(rows[4], ::testing::StartsWith("10,80,"));
    for (const std::size_t row : { 3U, 5U, 9U }) {
        std::istringstream fields(rows[row]);
        std::string x, y, value, state;
        std::getline(fields, x, ',');
        std::getline(fields, y, ',');
        std::getline(fields, value, ',');
        std::getline(fields, state, ',');
        const CliRun equilibrium =
            cli("equilibrium", "--cell 2 --reading 2=10 --reading 3=" + x + " --reading 4=" + y);
        const auto json = ordered_json::parse(equilibrium.out);
        ASSERT_EQ(state, "ok") << rows[row];
        EXPECT_EQ(std::stod(value), json["cells"][0]["log10_pO2"].get<double>()) << rows[row];
    }
}

TEST_F(MapCommandTest, AMapTheDataSetCannotMakeWritesNothing)
{
    struct Case {
        const char* arguments;
        const char* says;
    };
    for (const Case& c : { Case { "--cell 2 --x 3 --y 5", "F 5 does not reach cell 2." },
             Case { "--cell 2 --x 3 --y 3", "not F 3 twice" },
             Case {
                 "--cell 2 --x 3 --y 4 --quantity fraction:Xe", "No gas of the run is named Xe." },
             Case { "--cell 5 --x 3 --y 4", "is not fed by a mixture" } }) {
        const std::string path = dir.file("m.svg");
        const CliRun run = cli("map", std::string(c.arguments) + " --out " + path);
        EXPECT_EQ(run.exitCode, cli::ExitFailed) << c.arguments;
        EXPECT_THAT(run.err, HasSubstr(c.says));
        EXPECT_THAT(run.err, HasSubstr("(no map written)"));
        EXPECT_FALSE(std::filesystem::exists(path)) << c.arguments;
    }
}

// A fraction's map names its gas in the header and the picture; readings beyond the curves are
// warned of as execute warns, and a present reading beyond the map is noted.
TEST_F(MapCommandTest, FractionMapsNameTheirGasAndSayWhatThePictureHides)
{
    const CliRun run = cli("map",
        "--cell 2 --x 3 --y 4 --grid 2 --quantity fraction:H2 "
        "--reading 3=200 --out -");
    ASSERT_EQ(run.exitCode, cli::ExitOk) << run.err;
    EXPECT_THAT(run.out, HasSubstr(">OC 2; Cell B: H2 fraction<"));
    EXPECT_THAT(run.err, HasSubstr("meldrix-cli: warning: "));
    EXPECT_THAT(run.err,
        HasSubstr("meldrix-cli: note: F 3 reads 200, outside the readings its curves share"));
}

// The report holds the map of each fed cell both stages reach, drawn as map draws it; stages that
// share no cell are named among the warnings.
TEST_F(MapCommandTest, ReportAddsTheMapOfEveryCellBothStagesReach)
{
    const std::string path = dir.file("r.html");
    ASSERT_EQ(cli("report", "--map 3,4 --out " + path).exitCode, cli::ExitOk);
    const std::string html = readFile(path);
    EXPECT_THAT(html, HasSubstr("<h2>Operating maps</h2>"));
    EXPECT_THAT(html, HasSubstr("Operating map of OC 2; Cell B: its log10 pO2 over F 3 and F 4"));
    EXPECT_THAT(html, HasSubstr("Operating map of OC 4; Cell D"));
    EXPECT_THAT(html, Not(HasSubstr("Operating map of OC 1")));
    EXPECT_THAT(html, HasSubstr(">F 3 reading (Ar and H2; their curves share 10 to 150)<"));

    ASSERT_EQ(cli("report", "--map 3,5 --out " + path).exitCode, cli::ExitOk);
    EXPECT_THAT(readFile(path),
        HasSubstr("No operating map over F 3 and F 5: no fed cell's gas passes both stages."));
    EXPECT_THAT(readFile(path), Not(HasSubstr("<h2>Operating maps</h2>")));
}

} // namespace
} // namespace meldrix
