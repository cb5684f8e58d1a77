#include "cli/ExportCommands.h"

#include "CliProcess.h"
#include "cli/Commands.h"
#include "diagram/DiagramExport.h"
#include "mixer/Execute.h"
#include "plots/ChartExport.h"
#include "plots/MapPicture.h"
#include "rig/StartUp.h"
#include "support/TempDir.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <iterator>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

namespace meldrix {
namespace {

using namespace clitest;

std::vector<std::string> split(const std::string& text, const std::string& separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (auto end = text.find(separator); end != std::string::npos;
         end = text.find(separator, start)) {
        parts.push_back(text.substr(start, end - start));
        start = end + separator.size();
    }
    parts.push_back(text.substr(start));
    return parts;
}

struct CsvFieldCase {
    std::string text;
    std::string field;
};

class CsvFieldTest : public ::testing::TestWithParam<CsvFieldCase> { };

TEST_P(CsvFieldTest, QuotesOnlyWhatMustBeQuoted)
{
    EXPECT_EQ(cli::csvField(GetParam().text), GetParam().field);
}

INSTANTIATE_TEST_SUITE_P(Rfc4180, CsvFieldTest,
    ::testing::Values(CsvFieldCase { "OC 1; Cell A", "\"OC 1; Cell A\"" }, CsvFieldCase { "", "" },
        CsvFieldCase { "a,b", "\"a,b\"" }, CsvFieldCase { "5\" pipe", "\"5\"\" pipe\"" },
        CsvFieldCase { "two\r\nlines", "\"two\r\nlines\"" }, CsvFieldCase { "lf\n", "\"lf\n\"" },
        CsvFieldCase { " spaced ", " spaced " }, CsvFieldCase { "O2-free", "O2-free" },
        // What a spreadsheet would take for a formula stays text.
        CsvFieldCase { "=HYPERLINK(1", "\"'=HYPERLINK(1\"" }, CsvFieldCase { "+1", "\"'+1\"" },
        CsvFieldCase { "-2+3", "\"'-2+3\"" }, CsvFieldCase { "@SUM(A1)", "\"'@SUM(A1)\"" },
        CsvFieldCase { "\tx", "\"'\tx\"" }, CsvFieldCase { "\rx", "\"'\rx\"" },
        CsvFieldCase { "=A1&\"x\"", "\"'=A1&\"\"x\"\"\"" }));

class ExportCommandsTest : public testsupport::ShippedDataSetTest { };

// Fractions, or with --log their base-10 logarithms as the window shows them.
TEST_F(ExportCommandsTest, CsvHoldsTheNumbersOfTheJson)
{
    const CliRun json = runCli("execute " + base + " --reading 2=30", dir);
    ASSERT_EQ(json.exitCode, cli::ExitOk) << json.err;
    const auto result = nlohmann::ordered_json::parse(json.out);
    for (const bool log : { false, true }) {
        const CliRun csv =
            runCli("execute " + base + " --reading 2=30 --format csv" + (log ? " --log" : ""), dir);
        ASSERT_EQ(csv.exitCode, cli::ExitOk) << csv.err;
        std::vector<std::string> lines = split(csv.out, "\r\n");
        ASSERT_EQ(lines.back(), ""); // every line ends in CRLF, the last one too
        lines.pop_back();
        ASSERT_EQ(lines.size(), 1 + result["gas_list"].size());
        EXPECT_EQ(lines[0],
            std::string(log ? "Gas (log10 of fraction)" : "Gas")
                + ",\"OC 1; Cell A\",\"OC 2; Cell B\",\"OC 3; Cell C\",\"OC 4; Cell D\","
                  "\"OC 5; None\",\"OC 6; None\",\"OC 7; None\",\"OC 8; None\"");
        for (std::size_t k = 1; k < lines.size(); ++k) {
            const std::vector<std::string> fields = split(lines[k], ",");
            ASSERT_EQ(fields.size(), 9u) << lines[k];
            EXPECT_EQ(fields[0], result["gas_list"][k - 1]);
            for (std::size_t c = 1; c <= 8; ++c) {
                const auto& cell = result["cells"][c - 1];
                const double fraction = cell["gas"][k - 1]["fraction"];
                if (cell["mix"] == 0 || (log && fraction == 0))
                    EXPECT_EQ(fields[c], "") << "gas " << k << ", cell " << c;
                else if (log) // ln x / ln 10 in extended precision, against the library's log10
                    EXPECT_NEAR(std::stod(fields[c]), std::log10(fraction), 1e-14)
                        << "gas " << k << ", cell " << c;
                else
                    EXPECT_EQ(std::stod(fields[c]), fraction) << "gas " << k << ", cell " << c;
            }
        }
    }
    const CliRun refused = runCli("execute " + base + " --log", dir);
    EXPECT_EQ(refused.exitCode, cli::ExitUsage);
    EXPECT_EQ(refused.out, "");
    EXPECT_THAT(refused.err, HasSubstr("--log needs --format table or csv"));
}

TEST_F(ExportCommandsTest, CsvQuotesANameThatHoldsAComma)
{
    Rig rig;
    StartUp(rig, base);
    rig.Cells[2].Name = "Tube, left";
    ASSERT_EQ(Execute(rig).status, RunStatus::Ok);
    EXPECT_THAT(split(cli::CellGasCsv(rig), "\r\n")[0],
        HasSubstr(",\"OC 2; Tube, left\",\"OC 3; Cell C\","));
}

// The window's diagram export: cropped to the drawing, under the data set and the date.
TEST_F(ExportCommandsTest, DiagramIsTheWindowsPictureAfterTheRun)
{
    ::setenv("SOURCE_DATE_EPOCH", "1800000000", 1);
    const std::string title = "Default, 2027-01-15T08:00:00+00:00";
    const std::string svg = dir.file("rig.svg");
    const CliRun run = runCli("diagram " + base + " --reading 1=12.5 --out " + svg, dir);
    ASSERT_EQ(run.exitCode, cli::ExitOk) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");

    Rig rig;
    StartUp(rig, base);
    rig.Flowmeters[1].Reading = 12.5;
    ASSERT_EQ(Execute(rig).status, RunStatus::Ok);
    const std::string written = readFile(svg);
    EXPECT_EQ(written, DiagramPictureSvg(rig, title));
    EXPECT_THAT(written, HasSubstr(">" + title + "</text>"));
    EXPECT_THAT(written, HasSubstr(">12.5</text>"));
    // Blanks around a text are left as room, so a browser has none to collapse or stretch.
    EXPECT_FALSE(std::regex_search(written, std::regex("<text[^>]*> |  *</text>")));
    const Size cropped = DiagramPicture(rig, title).PictureSize();
    EXPECT_LT(cropped.width, DesignedDiagramArea.width);
    EXPECT_LT(cropped.height, DesignedDiagramArea.height);
    EXPECT_FALSE(std::filesystem::exists(svg + ".part"));

    // As loaded, the stored flows are drawn instead of the run's.
    const CliRun asLoaded = runCli("diagram " + base + " --no-execute --out -", dir);
    ::unsetenv("SOURCE_DATE_EPOCH");
    ASSERT_EQ(asLoaded.exitCode, cli::ExitOk) << asLoaded.err;
    Rig loaded;
    StartUp(loaded, base);
    EXPECT_EQ(asLoaded.out, DiagramPictureSvg(loaded, title));
    EXPECT_NE(asLoaded.out, written);
}

TEST_F(ExportCommandsTest, DiagramWritesNothingWhenItCannotBeComplete)
{
    const std::string svg = dir.file("kept.svg");
    std::ofstream(svg) << "earlier picture";

    // A mixture that feeds itself never converges.
    Rig rig;
    StartUp(rig, base);
    rig.Flowmeters[1].Input = 17;
    rig.Flowmeters[1].Output = 1;
    SetFileNamesFromBase(rig, dir.file("Loop"));
    ASSERT_EQ(SaveAll(rig), std::nullopt);
    const CliRun loop = runCli("diagram " + dir.file("Loop") + " --out " + svg, dir);
    EXPECT_EQ(loop.exitCode, cli::ExitFailed);
    EXPECT_THAT(loop.err, HasSubstr("Non-converging mixer!"));
    EXPECT_EQ(readFile(svg), "earlier picture");

    std::filesystem::create_directory(dir.file("folder.svg"));
    const CliRun folder = runCli("diagram " + base + " --out " + dir.file("folder.svg"), dir);
    EXPECT_EQ(folder.exitCode, cli::ExitFailed);
    EXPECT_THAT(folder.err, HasSubstr("not a regular file"));

    const CliRun noFolder = runCli("diagram " + base + " --out " + dir.file("no/such.svg"), dir);
    EXPECT_EQ(noFolder.exitCode, cli::ExitFailed);
    EXPECT_THAT(noFolder.err, HasSubstr("cannot write"));

    for (const std::string& arguments : { base, base + " --out", std::string("--out x.svg"),
             base + " --out x.svg --reading 17=1" }) {
        const CliRun usage = runCli("diagram " + arguments, dir);
        EXPECT_EQ(usage.exitCode, cli::ExitUsage) << arguments;
        EXPECT_THAT(usage.err, HasSubstr("--help")) << arguments;
    }
}

// The size a PNG file's header gives, or nothing for bytes that are not PNG.
std::optional<Size> pngSize(const std::string& bytes)
{
    if (bytes.size() < 24 || bytes.substr(0, 8) != "\x89PNG\r\n\x1a\n")
        return std::nullopt;
    const auto be32 = [&bytes](std::size_t at) {
        int value = 0;
        for (std::size_t i = 0; i < 4; ++i)
            value = value * 256 + static_cast<unsigned char>(bytes[at + i]);
        return value;
    };
    return Size { be32(16), be32(20) };
}

// The picture's kind follows --out: .svg or .png in any case; any other name is refused and
// nothing is written.
TEST_F(ExportCommandsTest, PicturesAreWrittenInTheKindTheirNameSays)
{
    Rig rig;
    StartUp(rig, base);
    const Size chart = CalChartPicture(rig, 2).PictureSize();
    ASSERT_EQ(Execute(rig).status, RunStatus::Ok);
    const Size diagram = DiagramPicture(rig, "title").PictureSize();
    struct Case {
        std::string arguments;
        std::string file;
        std::optional<Size> png; //!< nothing: SVG
    };
    for (const Case& c : { Case { "diagram", "d.png", diagram },
             Case { "diagram", "d.PNG", diagram }, Case { "diagram", "d.svg", std::nullopt },
             Case { "chart --curve 2", "c.png",
                 Size { chart.width * CalChartExportScale, chart.height * CalChartExportScale } },
             Case { "chart --curve 2", "c.Svg", std::nullopt },
             Case { "map --cell 2 --x 3 --y 4 --grid 5", "m.png", MapPictureSize },
             Case { "map --cell 2 --x 3 --y 4 --grid 5", "m.SVG", std::nullopt } }) {
        const CliRun run = cli(c.arguments, "--out " + dir.file(c.file));
        ASSERT_EQ(run.exitCode, cli::ExitOk) << c.file << ": " << run.err;
        const std::string bytes = readFile(dir.file(c.file));
        EXPECT_EQ(pngSize(bytes), c.png) << c.file;
        if (!c.png) {
            EXPECT_TRUE(bytes.starts_with("<?xml")) << c.file;
        }
    }
    for (const std::string& arguments : { std::string("diagram"), std::string("chart --curve 2") })
        for (const std::string file : { "x.jpg", "x.svg.txt", "png", "x." }) {
            const CliRun refused = cli(arguments, "--out " + dir.file(file));
            EXPECT_EQ(refused.exitCode, cli::ExitUsage) << arguments << " " << file;
            EXPECT_THAT(refused.err, HasSubstr("must end in .svg or .png"));
            EXPECT_FALSE(std::filesystem::exists(dir.file(file))) << file;
        }
}

TEST_F(ExportCommandsTest, ChartIsTheWindowsCalibrationChart)
{
    const std::string svg = dir.file("curve.svg");
    const CliRun run = runCli("chart " + base + ".CAL --curve 2 --out " + svg, dir);
    ASSERT_EQ(run.exitCode, cli::ExitOk) << run.err;
    Rig rig;
    StartUp(rig, base);
    EXPECT_EQ(readFile(svg), CalibrationChartSvg(rig, 2));
    EXPECT_THAT(readFile(svg), HasSubstr(">Calibration curve 2</text>"));

    for (const char* arguments : { "--curve 0 --out -", "--curve 1001 --out -", "--curve x --out -",
             "--out -", "--curve 1" }) {
        const CliRun usage = runCli("chart " + base + " " + std::string(arguments), dir);
        EXPECT_EQ(usage.exitCode, cli::ExitUsage) << arguments;
        EXPECT_EQ(usage.out, "") << arguments;
        EXPECT_THAT(usage.err, HasSubstr("--help")) << arguments;
    }
    const CliRun missing = runCli("chart " + dir.file("Nothing") + " --curve 1 --out -", dir);
    EXPECT_EQ(missing.exitCode, cli::ExitUsage);
    EXPECT_THAT(missing.err, HasSubstr("none of the four files"));
}

} // namespace
} // namespace meldrix
