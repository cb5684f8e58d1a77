#pragma once

#include "rig/Rig.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace meldrix::testsupport {

//! A rig on the heap (it is too large for a test's stack frame), zero-filled as at program start.
std::unique_ptr<Rig> freshRig();

//! A rig after SetStartValues, file names unset.
std::unique_ptr<Rig> rigAtStartValues();

std::vector<std::uint8_t> readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

//! Deterministic pseudo-random bytes.
std::vector<std::uint8_t> randomBytes(std::size_t count, std::uint32_t seed);

} // namespace meldrix::testsupport
