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
//! `dir` so both streams can be checked. With `timeoutSeconds` a run that takes longer is killed
//! and reports exit code -1.
CliRun runCli(const std::string& arguments, const TempDir& dir, int timeoutSeconds = 0);

} // namespace meldrix::testsupport
