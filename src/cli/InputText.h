#pragma once

#include <cstddef>
#include <string>
#include <variant>

namespace meldrix::cli {

//! The most a JSON description may hold [bytes]; far above any rig, far below the memory.
inline constexpr std::size_t MaxInputBytes = std::size_t { 64 } << 20;

//! Why an input could not be read, as the end of "cannot read 'NAME': ...".
struct InputError {
    std::string reason;
};

//! The whole text of a regular file, or of standard input when `path` is "-". Anything else (a
//! FIFO, a device, a folder) is refused without waiting on it, and so is more than `limit` bytes.
std::variant<std::string, InputError> readInputText(
    const std::string& path, std::size_t limit = MaxInputBytes);

} // namespace meldrix::cli
