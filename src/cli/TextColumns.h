#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Plain-text columns and fields shared by the command-line tool's tables and CSV.

namespace meldrix::cli {

//! Characters shown by a UTF-8 text: a Latin-1 name may take two bytes per character.
std::size_t displayWidth(std::string_view utf8);
std::string padLeft(const std::string& text, std::size_t width);
std::string padRight(const std::string& text, std::size_t width);

//! A number with 17 significant digits; empty for one that is not finite.
std::string seventeenDigits(double value);

//! Ends every line of every CSV the tool writes (RFC 4180).
inline constexpr std::string_view CsvLineEnd = "\r\n";

//! A text field of a CSV, quoted (with doubled quotes) when it holds a comma, a semicolon (the
//! separator many spreadsheets import with), a quote or a line end. A text that a spreadsheet
//! would take for a formula (it begins with =, +, -, @, a tab or a carriage return) is quoted with
//! an apostrophe before it. Numbers are written as they are, never through this.
std::string csvField(std::string_view text);

} // namespace meldrix::cli
