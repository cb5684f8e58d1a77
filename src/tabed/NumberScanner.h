#pragma once

#include <string_view>
#include <vector>

namespace meldrix {

//! The numbers of a text, line by line: a number starts at "+", "-", "." or a digit, takes "."
//! or "," as its decimal separator and an optional exponent, which takes a further digit only
//! while it is below 4201; magnitudes beyond 1.7E308 are limited to it.
std::vector<std::vector<double>> ScanNumbers(std::string_view text);

} // namespace meldrix
