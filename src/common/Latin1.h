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

//! A record text (Latin-1) as UTF-8 the way the window shows it: control characters 0..31 and 127
//! as their control pictures (U+2400..U+241F, U+2421), 128..159 as U+FFFD.
std::string shownLatin1ToUtf8(std::string_view latin1);

//! Whether the bytes are valid UTF-8 (no overlong forms, no surrogates, nothing beyond U+10FFFF).
bool isValidUtf8(std::string_view bytes);

//! Text of the system (a path, a message naming one) as UTF-8: as it is when it is valid UTF-8, as
//! Latin-1 otherwise, so that a name from an older system still shows.
std::string systemTextToUtf8(std::string_view bytes);

//! UTF-8 as the 8-bit text a canvas draws: each character beyond Latin-1 becomes '?'. Bytes that
//! are not valid UTF-8 are taken as Latin-1 already.
std::string utf8ToLatin1Shown(std::string_view text);

} // namespace meldrix
