#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace meldrix {

//! The 8-bit texts of the records read as Latin-1, so every byte becomes valid UTF-8.
std::string latin1ToUtf8(std::string_view bytes);

//! UTF-8 back to Latin-1 bytes; nullopt when the text is not valid UTF-8 or holds a character
//! beyond U+00FF.
std::optional<std::string> utf8ToLatin1(std::string_view text);

} // namespace meldrix
