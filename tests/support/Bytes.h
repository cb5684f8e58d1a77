#pragma once

#include "rig/Rig.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace meldrix::testsupport {

//! A rig on the heap (it is too large for a test's stack frame), zero-filled as at program start.
std::unique_ptr<Rig> freshRig();

//! A rig after SetStartValues, file names unset.
std::unique_ptr<Rig> rigAtStartValues();

std::vector<std::uint8_t> readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

//! Whether two values hold the same bytes: records, arrays of them, the bits of a double.
template <typename T>
bool sameBytes(const T& a, const T& b)
{
    static_assert(std::is_trivially_copyable_v<T>);
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

//! Deterministic pseudo-random bytes.
std::vector<std::uint8_t> randomBytes(std::size_t count, std::uint32_t seed);

} // namespace meldrix::testsupport
