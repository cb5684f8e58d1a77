#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace meldrix {

//! Fixed notation right-aligned in a field of at least `width` characters with `decimals`
//! decimals (the width:decimals form): formatFixed(0.0, 6, 1) is "   0.0".
std::string formatFixed(double value, int width, int decimals);

//! formatFixed where it fits `width`; a number whose fixed form is wider is written in the
//! shortest scientific form that fits ("1e300", "1.25e-7", right-aligned), never cut. When no
//! form fits (a negative number with a long exponent), the shortest one.
std::string formatFixedFitted(double value, int width, int decimals);

//! Scientific form with one digit before the point and a four-digit exponent, right-aligned in
//! `width` characters: a blank or minus, d.ddd, "E", sign, four digits. The number of significant
//! digits is width - 8, kept within 2..18, so formatScientific(1.0E-5, 12) is " 1.000E-0005".
std::string formatScientific(long double value, int width);

//! The whole text as a decimal number: leading blanks allowed, then an optional sign, digits with
//! an optional point, and an optional exponent; nothing may follow. Empty text is not a number.
std::optional<double> parseNumber(std::string_view text);

//! The whole text as a decimal integer: leading blanks, optional sign, digits, nothing after.
std::optional<long long> parseInteger(std::string_view text);

//! Text with leading and trailing blanks removed.
std::string_view trimBlanks(std::string_view text);

//! Text with a..z made A..Z and every other byte as it is, whatever the locale: the rig's names
//! and keywords are compared this way.
std::string upperCaseAscii(std::string_view text);

//! Text with leading and trailing blanks and control characters removed.
std::string_view trimBlanksAndControls(std::string_view text);

//! The shortest general form with at most `digits` significant digits, as a report shows
//! figures: formatSignificant(0.000123456, 3) is "0.000123", formatSignificant(1e-12, 4) "1e-12".
std::string formatSignificant(double value, int digits);

//! A whole number as decimal text, right-aligned in a field of at least `width` characters:
//! formatInt(3, 2) is " 3".
std::string formatInt(long long value, int width = 0);

//! Items joined as a sentence lists them: "a", "a and b", "a, b and c".
std::string listed(std::span<const std::string> items);

//! One sentence for the message line: `opening`, then the `Text` of each item joined by "; ", and
//! a full stop; empty when there are no items.
template <typename Item>
std::string clausesSentence(std::span<const Item> items, std::string_view opening = {})
{
    std::string text;
    for (const Item& item : items) {
        text += text.empty() ? opening : std::string_view("; ");
        text += item.Text;
    }
    return text.empty() ? text : text + ".";
}

} // namespace meldrix
