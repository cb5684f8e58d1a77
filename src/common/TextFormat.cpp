#include "common/TextFormat.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace meldrix {

namespace {

std::string padLeft(std::string text, int width)
{
    if (width > 0 && static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    return text;
}

std::string nonFinite(long double value)
{
    if (std::isnan(value))
        return "NAN";
    return value < 0 ? "-INF" : "+INF";
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

std::string formatFixed(double value, int width, int decimals)
{
    if (!std::isfinite(value))
        return padLeft(nonFinite(value), width);
    decimals = std::clamp(decimals, 0, 40);
    // snprintf rounds the exact binary value; the C locale is never changed by this program, so
    // the point is always ".".
    char buffer[400];
    const int n = std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string text(buffer, static_cast<std::size_t>(std::clamp(n, 0, int(sizeof buffer) - 1)));
    if (text.find_first_not_of("-0.") == std::string::npos && text.front() == '-')
        text.erase(0, 1); // -0.0 and values that round to zero print without a sign
    return padLeft(std::move(text), width);
}

std::string formatFixedFitted(double value, int width, int decimals)
{
    std::string fixed = formatFixed(value, width, decimals);
    if (static_cast<int>(fixed.size()) <= width || !std::isfinite(value))
        return fixed;
    std::string text;
    for (int digits = 17; digits >= 0; --digits) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.*e", digits, value);
        text = buffer;
        // "e+300" becomes "e300" and "e-07" "e-7": every character counts in a box.
        const auto e = text.find('e');
        std::string exponent = text.substr(e + 2);
        exponent.erase(0, std::min(exponent.find_first_not_of('0'), exponent.size() - 1));
        text = text.substr(0, e + 1) + (text[e + 1] == '-' ? "-" : "") + exponent;
        if (static_cast<int>(text.size()) <= width)
            return padLeft(std::move(text), width);
    }
    return text;
}

std::string formatScientific(long double value, int width)
{
    if (!std::isfinite(value))
        return padLeft(nonFinite(value), width);
    const int digits = std::clamp(width - 8, 2, 18);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*Le", digits - 1, value);
    std::string text(buffer);
    // C gives at least two exponent digits; the form here has exactly four.
    const auto e = text.find('e');
    const char sign = text[e + 1];
    std::string exponent = text.substr(e + 2);
    exponent.insert(0, exponent.size() < 4 ? 4 - exponent.size() : 0, '0');
    std::string mantissa = text.substr(0, e);
    if (mantissa.front() != '-')
        mantissa.insert(0, 1, ' ');
    return padLeft(mantissa + 'E' + sign + exponent, width);
}

std::optional<double> parseNumber(std::string_view text)
{
    std::size_t i = text.find_first_not_of(' ');
    if (i == std::string_view::npos)
        return std::nullopt;
    const std::size_t start = i;
    if (text[i] == '+' || text[i] == '-')
        ++i;
    std::size_t mantissaDigits = 0;
    while (i < text.size() && isDigit(text[i]))
        ++i, ++mantissaDigits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i]))
            ++i, ++mantissaDigits;
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        std::size_t exponentDigits = 0;
        while (i < text.size() && isDigit(text[i]))
            ++i, ++exponentDigits;
        if (exponentDigits == 0)
            return std::nullopt;
    }
    if (i != text.size())
        return std::nullopt;
    // The grammar is checked above; strtod does the correctly rounded conversion.
    const std::string number(text.substr(start));
    errno = 0;
    const double value = std::strtod(number.c_str(), nullptr);
    if (!std::isfinite(value))
        return std::nullopt; // beyond the range of a double
    return value;
}

std::optional<long long> parseInteger(std::string_view text)
{
    std::size_t i = text.find_first_not_of(' ');
    if (i == std::string_view::npos)
        return std::nullopt;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-')
        negative = text[i++] == '-';
    // from_chars would take a second minus sign ("--5") and give a value that cannot be negated.
    if (i == text.size() || !isDigit(text[i]))
        return std::nullopt;
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data() + i, text.data() + text.size(), value);
    if (error != std::errc {} || end != text.data() + text.size())
        return std::nullopt;
    return negative ? -value : value;
}

std::string_view trimBlanks(std::string_view text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string formatSignificant(double value, int digits)
{
    std::array<char, 32> buffer {};
    const auto end = std::to_chars(
        buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::general, digits)
                         .ptr;
    return std::string(buffer.data(), end);
}

std::string upperCaseAscii(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

std::string_view trimBlanksAndControls(std::string_view text)
{
    const auto keep = [](char c) { return static_cast<unsigned char>(c) > ' '; };
    const auto first = std::find_if(text.begin(), text.end(), keep);
    if (first == text.end())
        return {};
    const auto last = std::find_if(text.rbegin(), text.rend(), keep).base();
    return text.substr(
        static_cast<std::size_t>(first - text.begin()), static_cast<std::size_t>(last - first));
}

std::string formatInt(long long value, int width)
{
    return padLeft(std::to_string(value), width);
}

std::string listed(std::span<const std::string> items)
{
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            text += i + 1 == items.size() ? " and " : ", ";
        text += items[i];
    }
    return text;
}

} // namespace meldrix
