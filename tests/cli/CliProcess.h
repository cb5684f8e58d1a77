#pragma once

#include "support/TempDir.h"

#include <string>

namespace meldrix::testsupport {

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

//! Runs the real meldrix-cli with `arguments` (passed through the shell); stderr goes to a file in
//! `dir` so both streams can be checked.
CliRun runCli(const std::string& arguments, const TempDir& dir);

} // namespace meldrix::testsupport
