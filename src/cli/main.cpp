#include "cli/CheckCommand.h"
#include "cli/Commands.h"
#include "cli/EquilibriumCommand.h"
#include "cli/ExportCommands.h"
#include "cli/MapCommand.h"
#include "cli/Options.h"
#include "cli/ReportCommand.h"
#include "cli/TargetCommand.h"
#include "cli/UncertaintyCommand.h"
#ifdef MELDRIX_REPORT_PDF
#include "report/qt/HeadlessPng.h"
#include "report/qt/ReportPdf.h"
#endif

#include <CLI/CLI.hpp>
#include <iostream>
#include <string>
#include <vector>

using namespace meldrix::cli;

namespace {

ExecuteFormat executeFormat(const std::string& name)
{
    if (name == "table")
        return ExecuteFormat::Table;
    if (name == "csv")
        return ExecuteFormat::Csv;
    return ExecuteFormat::Json;
}

int run(int argc, char** argv)
{
    CLI::App app { "Meldrix without the window: data sets as JSON, and runs of the mixer.",
        "meldrix-cli" };
    app.require_subcommand(1);
    app.set_version_flag("--version", "meldrix-cli 0.301");

    std::string base;
    std::string jsonPath;
    std::vector<std::string> readings;
    std::string format = "json";
    bool logDisplay = false;
    std::optional<meldrix::FlowModelKind> flowModel;

    CLI::App* dump = app.add_subcommand(
        "dump", "Print the data set BASE (.INP, .MIX, .CAL, .CEL, .settings.json) as JSON");
    addBaseArgument(*dump, base);
    addFlowModelOption(*dump, flowModel);

    CLI::App* build =
        app.add_subcommand("build", "Write the four files of BASE from a JSON description");
    build
        ->add_option("RIG.json", jsonPath,
            "JSON as written by dump (\"-\": standard input); omitted fields take start-up values")
        ->required();
    build->add_option("BASE", base, "Base name of the data set to write")->required();
    addFlowModelOption(*build, flowModel);

    CLI::App* execute = app.add_subcommand(
        "execute", "Run the mixer on the data set BASE and print what every cell receives");
    addRunArguments(*execute, base, readings, flowModel);
    execute
        ->add_option("--format", format,
            "json (default): one JSON object; table: cells by gases; csv: the same as CSV")
        ->check(CLI::IsMember({ "json", "table", "csv" }));
    execute->add_flag(
        "--log", logDisplay, "With --format table or csv: base-10 logarithms instead of fractions");

    std::string outPath;
    bool asLoaded = false;
    CLI::App* diagram = app.add_subcommand("diagram",
        "Write the mixer diagram of the data set BASE, as the window shows it, as SVG or PNG");
    addBaseArgument(*diagram, base);
    addOutOption(*diagram, outPath, "FILE.svg|FILE.png",
        "The picture to write: .svg or .png; - for SVG on standard output");
    addReadingOption(*diagram, readings);
    addFlowModelOption(*diagram, flowModel);
    diagram->add_flag(
        "--no-execute", asLoaded, "Draw the data set as loaded, without running the mixer first");

    int curve = 0;
    CLI::App* chart = app.add_subcommand("chart",
        "Write a calibration curve of the data set BASE, drawn as the window's chart, as SVG or "
        "PNG");
    addBaseArgument(*chart, base);
    chart->add_option("--curve", curve, "The calibration curve to draw")
        ->type_name("N")
        ->check(CLI::Range(1, meldrix::MaxCalCurves))
        ->required();
    addOutOption(*chart, outPath, "FILE.svg|FILE.png",
        "The picture to write: .svg or .png; - for SVG on standard output");
    addFlowModelOption(*chart, flowModel);

    CLI::App* report = app.add_subcommand(
        "report", "Run the mixer on BASE and write the run's report as HTML or PDF");
    addBaseArgument(*report, base);
    addOutOption(*report, outPath, "FILE.html|FILE.pdf",
        "The report to write: .html (self-contained) or .pdf");
    addReadingOption(*report, readings);
    addFlowModelOption(*report, flowModel);
    std::string page = "a4";
    report->add_option("--page", page, "Paper of the PDF: a4 (default) or letter")
        ->check(CLI::IsMember({ "a4", "letter" }));
    bool reportUncertainty = false;
    AccuracyArguments reportAccuracy;
    CLI::Option* withUncertainty = report->add_flag("--uncertainty", reportUncertainty,
        "Show each cell's gas and log10 pO2 with its uncertainty from the meters' accuracy "
        "(the options below, as for uncertainty)");
    for (CLI::Option* option : addAccuracyOptions(*report, reportAccuracy))
        option->needs(withUncertainty);
    std::string reportMap;
    report
        ->add_option("--map", reportMap,
            "Add the operating map of each fed cell that stages X and Y reach: its log10 pO2 "
            "over their readings")
        ->type_name("X,Y");

    EquilibriumOptions equilibriumOptions;
    CLI::App* equilibrium = addEquilibriumCommand(app, equilibriumOptions);
    UncertaintyCommandOptions uncertaintyOptions;
    CLI::App* uncertainty = addUncertaintyCommand(app, uncertaintyOptions);

    TargetOptions targetOptions;
    CLI::App* target = addTargetCommand(app, targetOptions);
    MapOptions mapOptions;
    CLI::App* map = addMapCommand(app, mapOptions);

    CheckOptions checkOptions;
    CLI::App* check = addCheckCommand(app, checkOptions);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << Prefix << e.what() << " (see meldrix-cli --help)\n";
        return ExitUsage;
    }

    if (*dump)
        return runDump(base, std::cout, std::cerr, flowModel);
    if (*build)
        return runBuild(jsonPath, base, std::cout, std::cerr, flowModel);
    if (*execute)
        return runExecute(
            base, readings, executeFormat(format), std::cout, std::cerr, logDisplay, flowModel);
    PictureOut picture { outPath, {} };
#ifdef MELDRIX_REPORT_PDF
    picture.png = meldrix::HeadlessPng;
#endif
    if (*diagram)
        return runDiagram({ base, picture, readings, !asLoaded, flowModel }, std::cout, std::cerr);
    if (*chart)
        return runChart(base, curve, picture, std::cout, std::cerr, flowModel);
    if (*equilibrium)
        return runEquilibrium(equilibriumOptions, std::cout, std::cerr);
    if (*target)
        return runTarget(targetOptions, std::cout, std::cerr);
    if (*uncertainty)
        return runUncertainty(uncertaintyOptions, std::cout, std::cerr);
    if (*map)
        return runMap(mapOptions, picture.png, std::cout, std::cerr);
    if (*check)
        return runCheck(checkOptions, std::cout, std::cerr);
    if (*report) {
        ReportRequest request { base, outPath, readings, {}, std::nullopt, flowModel, reportMap };
        if (reportUncertainty)
            request.accuracy = reportAccuracy;
#ifdef MELDRIX_REPORT_PDF
        request.writePdf = [&page](const meldrix::RunReport& run, const std::string& path) {
            return meldrix::WriteReportPdf(run, path,
                page == "letter" ? meldrix::ReportPaper::Letter : meldrix::ReportPaper::A4);
        };
#endif
        return runReport(request, std::cout, std::cerr);
    }
    return ExitUsage;
}

} // namespace

int main(int argc, char** argv)
{
    // Whatever goes wrong ends in one line on stderr, never in a crash report.
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::cerr << Prefix << "not enough memory\n";
    } catch (const std::exception& error) {
        std::cerr << Prefix << error.what() << '\n';
    }
    return ExitFailed;
}
