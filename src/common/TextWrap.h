#pragma once

#include "common/Canvas.h"

#include <string>
#include <string_view>
#include <vector>

namespace meldrix {

//! `text` broken into lines no wider than `width` pixels as `measure` draws them: at blanks where
//! it can, inside a word only where that word alone is wider. Nothing is left out but the blanks a
//! line breaks at; where not even one character fits, each line holds one.
std::vector<std::string> WrapText(const Canvas& measure, std::string_view text, int width);

} // namespace meldrix
