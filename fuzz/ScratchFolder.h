#pragma once

#include <span>
#include <string>

namespace meldrix::fuzz {

//! A folder for the files one fuzzing process writes, in memory where the system offers it
//! (/dev/shm), removed when the process ends.
const std::string& scratchFolder();

//! Writes `bytes` to `name` in the scratch folder, replacing it, and returns its path.
std::string writeScratchFile(const std::string& name, std::span<const unsigned char> bytes);

} // namespace meldrix::fuzz
