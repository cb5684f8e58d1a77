#include "tabed/NumberScanner.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

namespace meldrix {

namespace {

constexpr double ExtractLimit = 1.7e308;
constexpr long ExponentLimit = 4201;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// One number of the extract scanner starting at text[i]; i moves past what was read. Nothing is
// read (nullopt, i one further) when the start character is not followed by a digit.
std::optional<double> scanNumber(std::string_view text, std::size_t& i)
{
    std::size_t j = i;
    std::string literal;
    if (text[j] == '+' || text[j] == '-')
        literal += text[j++];
    int digits = 0;
    while (j < text.size() && isDigit(text[j]))
        literal += text[j++], ++digits;
    if (j < text.size() && (text[j] == '.' || text[j] == ',')) {
        literal += '.';
        ++j;
        while (j < text.size() && isDigit(text[j]))
            literal += text[j++], ++digits;
    }
    if (digits == 0) {
        ++i;
        return std::nullopt;
    }
    if (j < text.size() && (text[j] == 'E' || text[j] == 'e')) {
        std::size_t k = j + 1;
        bool negative = false;
        if (k < text.size() && (text[k] == '+' || text[k] == '-'))
            negative = text[k++] == '-';
        if (k < text.size() && isDigit(text[k])) {
            long exponent = 0;
            // A further digit is taken only while the exponent is below the limit; the digits
            // left over start the next number.
            for (; k < text.size() && isDigit(text[k]) && exponent < ExponentLimit; ++k)
                exponent = exponent * 10 + (text[k] - '0');
            literal += negative ? "e-" : "e";
            literal += std::to_string(exponent);
            j = k;
        }
    }
    i = j;
    const double value = std::strtod(literal.c_str(), nullptr);
    if (!(std::fabs(value) <= ExtractLimit))
        return std::copysign(ExtractLimit, value);
    return value;
}

} // namespace

std::vector<std::vector<double>> ScanNumbers(std::string_view text)
{
    std::string prepared(text);
    std::replace(prepared.begin(), prepared.end(), '\t', ' ');
    std::replace(prepared.begin(), prepared.end(), '\r', ' ');
    prepared += ' ';
    std::vector<std::vector<double>> lines(1);
    std::size_t i = 0;
    while (i < prepared.size()) {
        const char c = prepared[i];
        if (c == '\n') {
            lines.emplace_back();
            ++i;
        } else if (c == '+' || c == '-' || c == '.' || isDigit(c)) {
            if (const auto value = scanNumber(prepared, i))
                lines.back().push_back(*value);
        } else {
            ++i;
        }
    }
    return lines;
}

} // namespace meldrix
