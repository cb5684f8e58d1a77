#pragma once

#include "rig/DataFiles.h"
#include "rig/Rig.h"

#include <iosfwd>
#include <memory>
#include <string>

namespace meldrix::cli {

//! Exit codes of meldrix-cli.
inline constexpr int ExitOk = 0;
inline constexpr int ExitFailed = 1; //!< the job could not be done (bad data, a run error)
inline constexpr int ExitUsage = 2; //!< wrong arguments, or none of the four files could be read

//! A rig at start-up values with the data set `base` loaded as Open All loads it. Each file that
//! was not read or is damaged gives one warning line on `err`. Null when none of the four files
//! could be read (an error line has been written then).
std::unique_ptr<Rig> loadDataSet(const std::string& base, std::ostream& err);

//! `dump BASE`: the data set as JSON on `out`.
int runDump(const std::string& base, std::ostream& out, std::ostream& err);

//! `build RIG.json BASE`: the four files of BASE from a JSON description; nothing is written when
//! the JSON is malformed or does not describe a data set.
int runBuild(
    const std::string& jsonPath, const std::string& base, std::ostream& out, std::ostream& err);

} // namespace meldrix::cli
