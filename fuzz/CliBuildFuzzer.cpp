// meldrix-cli build on arbitrary JSON. Whatever it accepts must survive a dump and a build again
// byte for byte (as compact JSON text, without the files and the indenting in between, which
// would slow the fuzzer down tenfold).

#include "Check.h"
#include "ScratchFolder.h"
#include "cli/Commands.h"
#include "cli/RigJson.h"
#include "rig/StartUp.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

using namespace meldrix;
using fuzz::check;

namespace {

std::unique_ptr<Rig> rigFrom(const std::string& json)
{
    auto rig = std::make_unique<Rig>();
    SetStartValues(*rig);
    RigFromJson(nlohmann::json::parse(json), *rig);
    return rig;
}

template <typename Records>
bool sameBytes(const Records& a, const Records& b)
{
    return std::memcmp(a.all().data(), b.all().data(), a.all().size_bytes()) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = fuzz::writeScratchFile("Rig.json", { data, size });
    const std::string base = fuzz::scratchFolder() + "/Built";
    std::ostringstream out;
    std::ostringstream err;
    const int status = cli::runBuild(path, base, out, err);
    check(status == cli::ExitOk || status == cli::ExitFailed, "build exits other than 0 or 1");
    check(status == cli::ExitOk || !err.str().empty(), "a failed build says nothing");
    if (status != cli::ExitOk)
        return 0;

    const auto built = rigFrom(std::string(reinterpret_cast<const char*>(data), size));
    std::unique_ptr<Rig> again;
    const std::string dumped = RigToJson(*built).dump();
    try {
        again = rigFrom(dumped);
    } catch (const std::exception& error) {
        check(false, "build refuses what dump wrote", error.what());
    }
    check(sameBytes(built->InputGases, again->InputGases), "dump and build change the input gases");
    check(sameBytes(built->Flowmeters, again->Flowmeters), "dump and build change the mixer");
    check(sameBytes(built->CalCurves, again->CalCurves), "dump and build change the calibrations");
    check(sameBytes(built->Cells, again->Cells), "dump and build change the output cells");
    return 0;
}
