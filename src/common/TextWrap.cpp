#include "common/TextWrap.h"

namespace meldrix {

std::vector<std::string> WrapText(const Canvas& measure, std::string_view text, int width)
{
    std::vector<std::string> lines;
    std::string line;
    const auto fits = [&](const std::string& candidate) {
        return measure.textSize(candidate).width <= width;
    };
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t blank = text.find(' ', at);
        const std::string_view word =
            text.substr(at, blank == std::string_view::npos ? std::string_view::npos : blank - at);
        at = blank == std::string_view::npos ? text.size() : blank + 1;
        if (word.empty())
            continue;
        const std::string joined =
            line.empty() ? std::string(word) : line + " " + std::string(word);
        if (fits(joined)) {
            line = joined;
            continue;
        }
        if (!line.empty())
            lines.push_back(std::move(line));
        line.clear();
        // A word wider than the line is cut where the line is full.
        for (const char c : word) {
            if (!line.empty() && !fits(line + c)) {
                lines.push_back(std::move(line));
                line.clear();
            }
            line += c;
        }
    }
    if (!line.empty() || lines.empty())
        lines.push_back(std::move(line));
    return lines;
}

} // namespace meldrix
