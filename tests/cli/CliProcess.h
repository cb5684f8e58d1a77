#pragma once

#include "cli/Commands.h"
#include "rig/DataFiles.h"
#include "support/TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace meldrix::testsupport {

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

//! Runs the real meldrix-cli with `arguments` (passed through the shell); stderr goes to a file in
//! `dir` so both streams can be checked. With `timeoutSeconds` a run that takes longer is killed
//! and reports exit code -1.
CliRun runCli(const std::string& arguments, const TempDir& dir, int timeoutSeconds = 0);

//! The whole file at `path`, as bytes; empty when it cannot be read.
std::string readFile(const std::string& path);

//! The keys of a JSON object in their order.
std::vector<std::string> keysOf(const nlohmann::ordered_json& object);

//! The lines meldrix-cli writes on stderr for the "model_differences" of its JSON, in order.
std::string modelDifferenceLines(const nlohmann::ordered_json& differences);

//! `err` without the lines that name the stages where the flow models differ: what a test of the
//! other lines compares.
std::string withoutModelDifferences(const std::string& err);

//! A test on the shipped data set, built from its JSON into a fresh folder.
class ShippedDataSetTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string base = dir.file("Default");

    void SetUp() override;

    //! meldrix-cli COMMAND BASE ARGUMENTS.
    CliRun cli(
        const std::string& command, const std::string& arguments = {}, int timeoutSeconds = 0)
    {
        return runCli(command + " " + base + " " + arguments, dir, timeoutSeconds);
    }

    //! Loads the data set, lets `change` edit it and saves it back.
    template <typename Change>
    void edit(Change change)
    {
        std::ostringstream err;
        const auto rig = cli::loadDataSet(base, err);
        ASSERT_TRUE(rig) << err.str();
        change(*rig);
        SetFileNamesFromBase(*rig, base);
        ASSERT_EQ(SaveAll(*rig), std::nullopt);
    }
};

//! A command line meldrix-cli refuses as a usage error, and what its one line must say.
struct UsageCase {
    const char* command;
    const char* arguments;
    const char* says;
};

//! Each case's command and arguments on the shipped data set: exit code 2, nothing on stdout and
//! one line on stderr that says what the case says.
class UsageTest : public ShippedDataSetTest, public ::testing::WithParamInterface<UsageCase> { };

} // namespace meldrix::testsupport

//! The names the CLI tests share, taken in with one `using namespace clitest`.
namespace meldrix::clitest {
using nlohmann::ordered_json;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testsupport::CliRun;
using testsupport::keysOf;
using testsupport::modelDifferenceLines;
using testsupport::readFile;
using testsupport::runCli;
using testsupport::TempDir;
using testsupport::withoutModelDifferences;
} // namespace meldrix::clitest
