#include "CliProcess.h"

#include "cli/ExecuteReport.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace meldrix::testsupport {

CliRun runCli(const std::string& arguments, const TempDir& dir, int timeoutSeconds)
{
    const std::string errFile = dir.file("stderr.txt");
    const std::string limit =
        timeoutSeconds > 0 ? "timeout -s KILL " + std::to_string(timeoutSeconds) + " " : "";
    const std::string command =
        limit + std::string(MELDRIX_CLI_PATH) + " " + arguments + " 2>" + errFile;
    CliRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return run;
    std::array<char, 4096> buffer {};
    std::size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        run.out.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (!limit.empty() && run.exitCode == 128 + 9)
        run.exitCode = -1; // the shell reports the killed program this way
    std::ifstream err(errFile);
    run.err.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
    return run;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

std::vector<std::string> keysOf(const nlohmann::ordered_json& object)
{
    std::vector<std::string> keys;
    for (const auto& item : object.items())
        keys.push_back(item.key());
    return keys;
}

std::string modelDifferenceLines(const nlohmann::ordered_json& differences)
{
    std::string lines;
    for (const auto& difference : differences)
        lines += std::string(ModelDifferencePrefix) + difference["text"].get<std::string>() + "\n";
    return lines;
}

std::string withoutModelDifferences(const std::string& err)
{
    std::istringstream lines(err);
    std::string kept;
    for (std::string line; std::getline(lines, line);)
        if (!line.starts_with(ModelDifferencePrefix))
            kept += line + "\n";
    return kept;
}

void ShippedDataSetTest::SetUp()
{
    std::ostringstream out, err;
    ASSERT_EQ(cli::runBuild(MELDRIX_DEFAULT_JSON, base, out, err), cli::ExitOk) << err.str();
}

} // namespace meldrix::testsupport
