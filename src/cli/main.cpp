#include "cli/Commands.h"

#include <CLI/CLI.hpp>
#include <iostream>

using namespace meldrix::cli;

int main(int argc, char** argv)
{
    CLI::App app { "Meldrix without the window: data sets as JSON, and runs of the mixer.",
        "meldrix-cli" };
    app.require_subcommand(1);
    app.set_version_flag("--version", "meldrix-cli 0.301");

    std::string base;
    std::string jsonPath;

    CLI::App* dump =
        app.add_subcommand("dump", "Print the data set BASE (.INP, .MIX, .CAL, .CEL) as JSON");
    dump->add_option("BASE", base, "Base name of the data set, without extension")->required();

    CLI::App* build =
        app.add_subcommand("build", "Write the four files of BASE from a JSON description");
    build
        ->add_option(
            "RIG.json", jsonPath, "JSON as written by dump; omitted fields take start-up values")
        ->required();
    build->add_option("BASE", base, "Base name of the data set to write")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << "meldrix-cli: " << e.what() << " (see meldrix-cli --help)\n";
        return ExitUsage;
    }

    if (*dump)
        return runDump(base, std::cout, std::cerr);
    if (*build)
        return runBuild(jsonPath, base, std::cout, std::cerr);
    return ExitUsage;
}
