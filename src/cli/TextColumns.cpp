#include "cli/TextColumns.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace meldrix::cli {

std::size_t displayWidth(std::string_view utf8)
{
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(),
        [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string padLeft(const std::string& text, std::size_t width)
{
    const std::size_t shown = displayWidth(text);
    return shown >= width ? text : std::string(width - shown, ' ') + text;
}

std::string padRight(const std::string& text, std::size_t width)
{
    const std::size_t shown = displayWidth(text);
    return shown >= width ? text : text + std::string(width - shown, ' ');
}

std::string seventeenDigits(double value)
{
    if (!std::isfinite(value))
        return {};
    std::array<char, 40> text {};
    std::snprintf(text.data(), text.size(), "%.17g", value);
    return text.data();
}

std::string csvField(std::string_view text)
{
    const bool formula =
        !text.empty() && std::string_view("=+-@\t\r").find(text[0]) != std::string_view::npos;
    if (!formula && text.find_first_of(",;\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string quoted = formula ? "\"'" : "\"";
    for (const char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

} // namespace meldrix::cli
