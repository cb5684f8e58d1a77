#include "ScratchFolder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace meldrix::fuzz {

namespace {

std::string makeFolder()
{
    const char* shared = "/dev/shm";
    std::string pattern = (std::filesystem::is_directory(shared) && ::access(shared, W_OK) == 0
                                  ? std::filesystem::path(shared)
                                  : std::filesystem::temp_directory_path())
        / "meldrix-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a scratch folder");
    return pattern;
}

void removeFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(scratchFolder(), ignored);
}

} // namespace

const std::string& scratchFolder()
{
    // Never destroyed, so that it still names the folder when the exit handler removes it.
    static const std::string* folder = [] {
        auto* made = new std::string(makeFolder());
        std::atexit(removeFolder);
        return made;
    }();
    return *folder;
}

std::string writeScratchFile(const std::string& name, std::span<const unsigned char> bytes)
{
    const std::string path = scratchFolder() + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(
        reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush())
        throw std::runtime_error("cannot write " + path);
    return path;
}

} // namespace meldrix::fuzz
