#include "cli/ReportCommand.h"

#include "CliProcess.h"
#include "calib/CalCurveLookup.h"
#include "cli/Commands.h"
#include "common/SvgCanvas.h"
#include "equil/CellGibbs.h"
#include "mixer/Execute.h"
#include "plots/CalibrationChart.h"
#include "plots/ChartExport.h"
#include "plots/PO2Bands.h"
#include "plots/PO2Chart.h"
#include "report/ReportHtml.h"
#include "rig/StartUp.h"
#include "support/ChartLabels.h"
#include "support/TempDir.h"
#include "uncertainty/Uncertainty.h"
#include "uncertainty/UncertaintyRemarks.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>

namespace meldrix {
namespace {

using namespace clitest;

int count(const std::string& text, const std::regex& pattern)
{
    return static_cast<int>(std::distance(
        std::sregex_iterator(text.begin(), text.end(), pattern), std::sregex_iterator()));
}

class ReportCommandTest : public testsupport::ShippedDataSetTest { };

TEST_F(ReportCommandTest, NumbersAreThoseOfTheRunAndTheRigStaysAsItWas)
{
    Rig rig;
    StartUp(rig, base);
    rig.Flowmeters[2].Reading = 30;
    const Rig before = rig;
    const RunReport report =
        BuildRunReport(rig, { "2027-01-15 08:00", "0.301", {}, {}, {}, {}, {} });
    EXPECT_EQ(rig.CellGases[1], before.CellGases[1]); // the run was made on a copy
    ASSERT_TRUE(report.RunOk);

    Rig run = before;
    ASSERT_EQ(Execute(run).status, RunStatus::Ok);
    const std::string html = ReportHtml(report);
    ASSERT_FALSE(report.Cells.empty());
    for (const ReportCell& cell : report.Cells)
        for (int k = 1; k <= run.GasListCount; ++k) {
            const double fraction = run.CellGases[cell.Cell][k].Fraction;
            EXPECT_EQ(cell.Fractions[static_cast<std::size_t>(k - 1)], fraction);
            EXPECT_THAT(html, HasSubstr("<td class=\"n\">" + ReportNumber(fraction) + "</td>"));
        }
    for (const ReportStage& stage : report.Stages)
        EXPECT_EQ(stage.Flow, run.Flowmeters[stage.Stage].Flow) << "stage " << stage.Stage;
    const auto equilibria = CellGibbsEquilibria(run);
    ASSERT_EQ(report.Equilibria.size(), equilibria.size());
    for (std::size_t i = 0; i < equilibria.size(); ++i) {
        EXPECT_EQ(report.Equilibria[i].Result.Log10PO2, equilibria[i].Result.Log10PO2);
        if (std::isfinite(equilibria[i].Result.Log10PO2)) {
            EXPECT_THAT(html, HasSubstr(ReportLog10(equilibria[i].Result.Log10PO2)));
        }
    }
    // Every drawing is inline, and the clip paths of one never serve another.
    EXPECT_EQ(html.find("<?xml"), std::string::npos);
    EXPECT_EQ(html.find("href="), std::string::npos);
    std::set<std::string> ids;
    const std::regex id("<clipPath id=\"([^\"]+)\"");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), id); it != std::sregex_iterator();
         ++it)
        EXPECT_TRUE(ids.insert((*it)[1]).second) << (*it)[1];
}

TEST_F(ReportCommandTest, AStoppedRunSaysSoAtTheTopAndShowsTheInputs)
{
    Rig rig;
    StartUp(rig, base);
    rig.Flowmeters[1].Input = 17; // mixture 1 feeds itself and never converges
    rig.Flowmeters[1].Output = 1;
    const std::string html = ReportHtml(BuildRunReport(rig, {}));
    const auto stopped =
        html.find("The run stopped with an error: " + std::string(NonConvergingMessage));
    ASSERT_NE(stopped, std::string::npos);
    EXPECT_LT(stopped, html.find("<h2>Input gases</h2>"));
    EXPECT_THAT(html, HasSubstr("<h2>Readings and flows</h2>"));
    EXPECT_EQ(html.find("<h2>Gas of the cells</h2>"), std::string::npos);
}

TEST_F(ReportCommandTest, WritesHtmlAndPdfOnPaperOfTheChosenSize)
{
    const CliRun html =
        runCli("report " + base + " --reading 2=30 --out " + dir.file("r.html"), dir, 120);
    ASSERT_EQ(html.exitCode, cli::ExitOk) << html.err;
    EXPECT_THAT(readFile(dir.file("r.html")), HasSubstr("<h2>Calibration curves in use</h2>"));

    // A4 is 595 points wide, Letter 612; the shipped rig fills more than one page. Headless, as
    // under a script, there is no runtime folder, and that is no news worth a line on stderr.
    unsetenv("XDG_RUNTIME_DIR");
    const std::regex page("/Type\\s*/Page[^s]");
    for (const auto& [paper, width] :
        { std::pair { "a4", "595" }, std::pair { "letter", "612" } }) {
        const std::string pdf = dir.file(std::string(paper) + ".pdf");
        const CliRun run =
            runCli("report " + base + " --page " + paper + " --out " + pdf, dir, 120);
        ASSERT_EQ(run.exitCode, cli::ExitOk) << run.err;
        EXPECT_THAT(run.err, Not(HasSubstr("XDG_RUNTIME_DIR")));
        const std::string bytes = readFile(pdf);
        EXPECT_EQ(bytes.substr(0, 5), "%PDF-");
        EXPECT_GE(count(bytes, page), 2) << paper;
        EXPECT_THAT(bytes, HasSubstr("/MediaBox [0 0 " + std::string(width))) << paper;
    }

    const CliRun wrong = runCli("report " + base + " --out " + dir.file("r.txt"), dir, 120);
    EXPECT_EQ(wrong.exitCode, cli::ExitUsage);
    EXPECT_THAT(wrong.err, HasSubstr("must end in .html or .pdf"));
}

// The text poppler's pdftotext takes out of a PDF, one word a token.
std::set<std::string> pdfWords(const std::string& pdf)
{
    FILE* pipe = ::popen(("pdftotext -enc UTF-8 '" + pdf + "' - 2>&1").c_str(), "r");
    std::string text;
    std::array<char, 4096> buffer {};
    for (std::size_t n = 0; pipe && (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
        text.append(buffer.data(), n);
    const int status = pipe ? ::pclose(pipe) : -1;
    EXPECT_EQ(status, 0) << "pdftotext (poppler-utils, scripts/install-deps) must read " << pdf
                         << ": " << text;
    std::istringstream words(text);
    return { std::istream_iterator<std::string>(words), std::istream_iterator<std::string>() };
}

// All eight cells fed, under names as long as a cell's: the PDF cuts no number the run gave,
// on either paper.
TEST_F(ReportCommandTest, AWidePdfHoldsEveryNumberOfTheRun)
{
    edit([](Rig& rig) {
        for (int c = 5; c <= MaxCells; ++c) {
            rig.Cells[c].Name = "Overflow W " + std::to_string(c);
            rig.Cells[c].Mix = static_cast<std::uint16_t>(c - 4);
            rig.Cells[c].Temp = 550.0 + 100.0 * c;
        }
    });
    const auto execute = ordered_json::parse(cli("execute").out);
    const CliRun equilibrium = cli("equilibrium");
    ASSERT_EQ(equilibrium.exitCode, cli::ExitOk) << equilibrium.err;
    std::vector<std::string> numbers;
    for (const auto& cell : execute["cells"])
        for (std::size_t k = 0; cell["mix"] != 0 && k < execute["gas_list"].size(); ++k)
            numbers.push_back(ReportNumber(cell["gas"][k]["fraction"]));
    for (const auto& stage : execute["stages"])
        numbers.push_back(ReportNumber(stage["flow"]));
    const auto gibbs = ordered_json::parse(equilibrium.out);
    for (const auto& cell : gibbs["cells"]) {
        numbers.push_back(ReportLog10(cell["log10_pO2"]));
        numbers.push_back(ReportNumber(cell["graphite"]));
        for (const auto& species : cell["species"])
            if (species["fraction"] >= MainSpeciesFraction)
                numbers.push_back(ReportNumber(species["fraction"]));
    }
    ASSERT_GT(numbers.size(), 100U);

    for (const char* paper : { "a4", "letter" }) {
        const std::string pdf = dir.file(std::string("wide-") + paper + ".pdf");
        const CliRun run = cli("report", "--page " + std::string(paper) + " --out " + pdf, 120);
        ASSERT_EQ(run.exitCode, cli::ExitOk) << run.err;
        const std::set<std::string> words = pdfWords(pdf);
        for (const std::string& number : numbers)
            EXPECT_TRUE(words.contains(number)) << number << " is not in the " << paper << " PDF";
        for (const std::string& word : words)
            EXPECT_EQ(word.find("\u2026"), std::string::npos) << word << " is cut";
    }
}

// Under SOURCE_DATE_EPOCH two runs write the same bytes, dated then; the PDF's table of object
// offsets still finds every object after its date has been set.
TEST_F(ReportCommandTest, SourceDateEpochMakesReportsReproducible)
{
    ::setenv("SOURCE_DATE_EPOCH", "1800000000", 1);
    std::array<std::string, 2> html;
    std::array<std::string, 2> pdf;
    for (std::size_t run = 0; run < 2; ++run) {
        const std::string name = dir.file("r" + std::to_string(run));
        ASSERT_EQ(cli("report", "--out " + name + ".html").exitCode, cli::ExitOk);
        ASSERT_EQ(cli("report", "--out " + name + ".pdf", 120).exitCode, cli::ExitOk);
        html[run] = readFile(name + ".html");
        pdf[run] = readFile(name + ".pdf");
    }
    ::unsetenv("SOURCE_DATE_EPOCH");
    EXPECT_EQ(html[0], html[1]);
    EXPECT_TRUE(pdf[0] == pdf[1]) << "the two PDFs differ";
    EXPECT_THAT(html[0], HasSubstr("<td>2027-01-15T08:00:00+00:00</td>"));
    EXPECT_THAT(pdf[0], HasSubstr("/CreationDate (D:20270115080000Z)"));
    EXPECT_THAT(pdfWords(dir.file("r0.pdf")), ::testing::Contains("2027-01-15T08:00:00+00:00"));

    const std::smatch start = [&] {
        std::smatch found;
        std::regex_search(pdf[0], found, std::regex("startxref\\s+([0-9]+)\\s+%%EOF\\s*$"));
        return found;
    }();
    ASSERT_FALSE(start.empty());
    const std::size_t xref = std::stoul(start[1]);
    ASSERT_EQ(pdf[0].substr(xref, 4), "xref");
    const std::regex entry("([0-9]{10}) [0-9]{5} n");
    int objects = 0;
    for (auto it =
             std::sregex_iterator(pdf[0].begin() + static_cast<long>(xref), pdf[0].end(), entry);
         it != std::sregex_iterator(); ++it) {
        const std::size_t at = std::stoul((*it)[1]);
        EXPECT_TRUE(std::regex_search(pdf[0].substr(at, 16), std::regex("^[0-9]+ 0 obj")))
            << "object at " << at;
        ++objects;
    }
    EXPECT_GT(objects, 20);
}

// The curves in use explain each stage's flow: the fraction-weighted sum of the flows at the
// marked points is the flow the run gave the stage.
TEST_F(ReportCommandTest, CurvesInUseAddUpToTheStageFlows)
{
    Rig rig;
    StartUp(rig, base);
    const RunReport report = BuildRunReport(rig, {});
    Rig run = rig;
    ASSERT_EQ(Execute(run).status, RunStatus::Ok);
    int checked = 0;
    for (const ReportStage& stage : report.Stages) {
        const FlowmeterRecord& meter = run.Flowmeters[stage.Stage];
        if (isSet(meter.FixGasUsed) || !(meter.Reading > 0))
            continue; // a fix-gas stage changes the gas or the flow after the meter
        double flow = 0.0;
        for (const ReportCurve& curve : report.Curves) {
            if (curve.Stage != stage.Stage)
                continue;
            EXPECT_EQ(curve.Used.Reading, meter.Reading);
            EXPECT_EQ(curve.Curve, FindCalCurve(run, stage.Stage, curve.Gas));
            for (const GasComponent& slot : run.Gases[meter.Input].Components)
                if (slot.Name.view() == curve.Gas)
                    flow += slot.Fraction * curve.Used.Flow;
        }
        EXPECT_NEAR(flow, stage.Flow, 1e-12 * std::abs(stage.Flow)) << "stage " << stage.Stage;
        ++checked;
    }
    EXPECT_GE(checked, 4);
}

TEST_F(ReportCommandTest, UncertaintiesShowWhereTheyWereComputed)
{
    Rig rig;
    StartUp(rig, base);
    ReportUncertainties spread;
    spread.Method = "linear, from the meters' accuracy";
    spread.Fractions[2] = { 0.00125 };
    for (int c = 1; c <= MaxCells; ++c)
        spread.Log10PO2[c] = c == 2 ? 0.0375 : NAN;
    const std::string html = ReportHtml(BuildRunReport(rig, { "", "", {}, spread, {}, {}, {} }));
    // Each value rounded to the second digit of its deviation, halves to even: Ar of cell 2 is
    // 0.6434164 in the plain report.
    EXPECT_THAT(html, HasSubstr(">0.6434 \u00B1 0.0012</td>"));
    EXPECT_THAT(html, ::testing::ContainsRegex(">-1\\.23[0-9] \u00B1 0\\.038</td>"));
    EXPECT_THAT(html, HasSubstr("Uncertainties: linear, from the meters' accuracy."));
    EXPECT_EQ(count(html, std::regex("\u00B1")), 2);
}

// The report's pO2 chart carries an uncertainty run's bands as the window's chart draws them, and
// its caption says what the bars are; a report without one draws and says neither.
TEST_F(ReportCommandTest, PO2ChartDrawsTheBandsOfAnUncertaintyRun)
{
    Rig rig;
    StartUp(rig, base);
    UncertaintyOptions options;
    options.FullScalePercent = 20.0;
    options.Equilibrium = true;
    ReportInputs inputs;
    AddUncertainties(inputs, PropagateUncertainty(rig, options));
    ASSERT_TRUE(inputs.UncertaintyRun);
    const RunReport banded = BuildRunReport(rig, inputs);
    const RunReport plain = BuildRunReport(rig, {});
    ASSERT_TRUE(banded.PO2Chart && plain.PO2Chart);
    EXPECT_THAT(banded.PO2Chart->Caption, HasSubstr("95 %"));
    EXPECT_THAT(plain.PO2Chart->Caption, Not(HasSubstr("95 %")));

    const auto svg = [](const ReportDrawing& drawing) {
        SvgCanvas canvas(drawing.Area);
        drawing.Draw(canvas);
        return canvas.element();
    };
    Rig run = rig;
    Execute(run);
    TVistrel window;
    ConfigurePO2Chart(window);
    window.SetControlSize(banded.PO2Chart->Area);
    std::vector<PO2Curve> curves;
    ASSERT_GT(ShowPO2Chart(window, run, &curves), 0);
    ASSERT_GE(DrawPO2Bands(window, *inputs.UncertaintyRun), 3);
    PlacePO2Labels(window, curves);
    SvgCanvas expected(banded.PO2Chart->Area);
    window.Render(expected);
    EXPECT_EQ(svg(*banded.PO2Chart), expected.element());
    EXPECT_NE(svg(*plain.PO2Chart), expected.element());
}

// Every stage whose reading Execute could not take along its curve is named in the report, in
// Execute's own words, and on stderr as execute names it.
TEST_F(ReportCommandTest, CarriesTheReadingWarningsOfTheRun)
{
    Rig rig;
    StartUp(rig, base);
    rig.Flowmeters[1].Reading = 1e300;
    rig.Flowmeters[2].Reading = -5;
    const RunOutcome run = Execute(rig);
    ASSERT_EQ(run.warnings.size(), 3U); // stage 1's Ar, stage 2's O2 and N2

    const CliRun cli =
        runCli("report " + base + " --reading 1=1e300 --reading 2=-5 --out " + dir.file("r.html"),
            dir, 120);
    ASSERT_EQ(cli.exitCode, cli::ExitOk) << cli.err;
    const std::string html = readFile(dir.file("r.html"));
    const auto messages = html.find("<h2>Messages and warnings</h2>");
    ASSERT_NE(messages, std::string::npos);
    std::size_t after = messages;
    for (const ReadingWarning& warning : run.warnings) {
        const auto at = html.find("<li>" + xmlText(warning.Text) + "</li>", messages);
        ASSERT_NE(at, std::string::npos) << warning.Text;
        EXPECT_GT(at, after) << "in stage order";
        after = at;
        EXPECT_THAT(cli.err, HasSubstr("meldrix-cli: warning: " + warning.Text + "\n"));
    }
    EXPECT_THAT(run.warnings.front().Text, HasSubstr("F 1 (Ar)"));

    // Readings within their curves give no such line.
    Rig stored;
    StartUp(stored, base);
    EXPECT_TRUE(BuildRunReport(stored, {}).RunWarnings.empty());
}

// report --uncertainty carries exactly what the uncertainty run computes to the report's tables.
TEST_F(ReportCommandTest, UncertaintyOnRequestIsThatOfTheUncertaintyRun)
{
    const std::string readings = " --reading 2=10 --reading 4=12";
    const CliRun cli = runCli("report " + base + readings
            + " --uncertainty --method monte-carlo --samples 200 --seed 7 --flow-percent 0.5 --out "
            + dir.file("u.html"),
        dir, 300);
    ASSERT_EQ(cli.exitCode, cli::ExitOk) << cli.err;
    const std::string html = readFile(dir.file("u.html"));

    Rig rig;
    StartUp(rig, base);
    rig.Flowmeters[2].Reading = 10;
    rig.Flowmeters[4].Reading = 12;
    UncertaintyOptions options;
    options.Method = UncertaintyMethod::MonteCarlo;
    options.Samples = 200;
    options.Seed = 7;
    options.FlowPercent = 0.5;
    options.Equilibrium = true;
    const UncertaintyResult result = PropagateUncertainty(rig, options);
    ASSERT_TRUE(result.Ok);
    ASSERT_EQ(result.Cells.size(), 4U);
    for (const CellUncertainty& cell : result.Cells) {
        for (const GasSpread& gas : cell.Gases)
            EXPECT_THAT(html,
                HasSubstr("<td class=\"n\">"
                    + ReportWithDeviation(gas.Fraction.Value, gas.Fraction.Sd, ReportNumber)
                    + "</td>"))
                << cell.Cell << " " << gas.Name;
        ASSERT_TRUE(cell.Log10PO2 && cell.Log10PO2->P2_5 && cell.Log10PO2->P97_5);
        EXPECT_THAT(html,
            HasSubstr(ReportWithDeviation(cell.Log10PO2->Value, cell.Log10PO2->Sd, ReportLog10)
                + "</td>"));
        EXPECT_THAT(html, HasSubstr(ReportBand({ *cell.Log10PO2->P2_5, *cell.Log10PO2->P97_5 })));
    }
    // The report says what the command-line tool says beyond the numbers.
    const auto remarks = UncertaintyRemarks(result);
    ASSERT_FALSE(remarks.empty());
    for (const UncertaintyRemark& remark : remarks) {
        if (remark.Kind != RemarkKind::NoPO2) {
            EXPECT_THAT(html, HasSubstr(remark.Text));
        }
    }
    EXPECT_THAT(html, HasSubstr("200 Monte Carlo samples (seed 7)"));
    EXPECT_THAT(html, HasSubstr("calibrated flows \u00B1 0.5 %"));

    // Without --uncertainty there is nothing to carry, and its options are refused.
    const CliRun plain = runCli("report " + base + " --out " + dir.file("p.html"), dir, 120);
    ASSERT_EQ(plain.exitCode, cli::ExitOk) << plain.err;
    EXPECT_EQ(readFile(dir.file("p.html")).find("\u00B1"), std::string::npos);
    const CliRun refused =
        runCli("report " + base + " --method linear --out " + dir.file("w.html"), dir, 120);
    EXPECT_EQ(refused.exitCode, cli::ExitUsage);
    EXPECT_THAT(refused.err, HasSubstr("--method requires --uncertainty"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("w.html")));
}

TEST_F(ReportCommandTest, PO2NamesMeetNoLine)
{
    Rig rig;
    StartUp(rig, base);
    ASSERT_EQ(Execute(rig).status, RunStatus::Ok);
    for (const Size size : { Size { 640, 400 }, Size { 640, 440 }, Size { 900, 600 } }) {
        TVistrel chart;
        ConfigurePO2Chart(chart);
        chart.SetControlSize(size);
        ASSERT_EQ(ShowPO2Chart(chart, rig), 4);
        for (int c = 1; c <= 4; ++c) {
            const TTextLabel& label = *chart.TextLabel(c);
            ASSERT_TRUE(label.Visible);
            ASSERT_EQ(label.Alignment, TLabelAlignment::Left);
            ASSERT_EQ(label.VerticalAlignment, TLabelVerticalAlignment::Top);
            const auto meets = testsupport::LabelMeetsLine(chart, c);
            ASSERT_FALSE(meets) << label.Caption << " at " << size.width << "x" << size.height
                                << " meets a line at " << *meets;
        }
    }
}

TEST_F(ReportCommandTest, ChartExportReadsOnItsOwn)
{
    Rig rig;
    StartUp(rig, base);
    const CalCurveRecord& curve = rig.CalCurves[2];
    const std::string svg = CalibrationChartSvg(rig, 2);
    CalChartPicture picture(rig, 2);
    const Size size = picture.PictureSize();
    EXPECT_GE(size.width * CalChartExportScale, 600);
    // Scaled as a whole: the drawing keeps its own pixels in the view box.
    EXPECT_THAT(svg,
        HasSubstr("width=\"" + std::to_string(size.width * CalChartExportScale) + "\" height=\""
            + std::to_string(size.height * CalChartExportScale) + "\" viewBox=\"0 0 "
            + std::to_string(size.width) + " " + std::to_string(size.height) + "\""));
    EXPECT_THAT(svg, HasSubstr(">Calibration curve 2: " + std::string(curve.Gas.view()) + "<"));
    EXPECT_THAT(svg,
        HasSubstr(">Meter " + std::string(curve.Make.view()) + ", size "
            + std::string(curve.Size.view()) + ", float " + std::string(curve.Float.view()) + "<"));
    EXPECT_THAT(svg, HasSubstr(">Reading<"));
    EXPECT_THAT(svg, HasSubstr(">Flow<"));
}

// The longest names the records hold, in the widest letters: the title lines wrap within the
// data area's width, keep every character, and leave the picture the chart's own width.
TEST_F(ReportCommandTest, ChartExportTitleStaysWithinTheDataArea)
{
    Rig rig;
    StartUp(rig, base);
    const Size usual = CalChartPicture(rig, 2).PictureSize();
    CalCurveRecord& curve = rig.CalCurves[1000];
    curve = rig.CalCurves[2];
    curve.Make = "WWWWWWWW";
    curve.Size = "MMMMMMMM";
    curve.Float = "WWWW WWW";
    curve.Gas = "WWWWWWWWWWWW";
    TVistrel chart;
    ConfigureCalChart(chart);
    ShowCalChart(chart, curve, 1000);
    const int dataWidth = chart.ControlSize().width - chart.MarginLeft() - chart.MarginRight();

    CalChartPicture picture(rig, 1000);
    EXPECT_EQ(picture.PictureSize().width, usual.width);
    EXPECT_GT(picture.PictureSize().height, usual.height); // a line more at least
    const std::string svg = CalibrationChartSvg(rig, 1000);
    const SvgCanvas measure({ 0, 0 });
    const int band = picture.PictureSize().height - chart.ControlSize().height;
    std::string title;
    const std::regex text("<text x=\"(-?\\d+)\" y=\"(-?\\d+)\"[^>]*>([^<]*)</text>");
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), text); it != std::sregex_iterator();
         ++it) {
        const int x = std::stoi((*it)[1]);
        const int y = std::stoi((*it)[2]);
        if (y >= band)
            continue; // the chart's own texts
        const std::string line = (*it)[3];
        EXPECT_LE(x + measure.textSize(line).width, x + dataWidth) << line;
        EXPECT_GE(x, 0) << line;
        title += line;
    }
    std::erase(title, ' ');
    EXPECT_EQ(title, "Calibrationcurve1000:WWWWWWWWWWWWMeterWWWWWWWW,sizeMMMMMMMM,floatWWWWWWW");
}

} // namespace
} // namespace meldrix
