#include "common/NumberFormats.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

namespace meldrix {
namespace {

using Formatter = std::string (*)(double value, int width, int decimals);

struct FormatRow {
    double value;
    int width;
    int decimals;
    const char* expected;
};

struct FormatCase {
    Formatter format;
    FormatRow row;
};

std::vector<FormatCase> casesOf(Formatter format, std::initializer_list<FormatRow> rows)
{
    std::vector<FormatCase> cases;
    for (const FormatRow& row : rows)
        cases.push_back({ format, row });
    return cases;
}

class NumberFormatTest : public ::testing::TestWithParam<FormatCase> { };

TEST_P(NumberFormatTest, GivesTheLibraryText)
{
    const auto& [format, c] = GetParam();
    EXPECT_EQ(format(c.value, c.width, c.decimals), c.expected)
        << c.value << " width " << c.width << " decimals " << c.decimals;
}

INSTANTIATE_TEST_SUITE_P(FormatFixedOrSci, NumberFormatTest,
    ::testing::ValuesIn(casesOf(FormatFixedOrSci,
        { // Heading numbers: width 1, no decimals, no blanks.
            FormatRow { 12.0, 1, 0, "12" }, FormatRow { 4.0, 1, 0, "4" },
            FormatRow { -12.0, -5, 0, "-0012" }, FormatRow { 12.0, -5, 0, "00012" },
            FormatRow { 3.25, -7, 1, "00003.2" }, FormatRow { 123456.0, -3, 0, "123456" },
            FormatRow { 2.5, 6, 2, "  2.50" },
            // Scientific: |width| - 6 significant digits, two exponent digits.
            FormatRow { 12.5, 18, -2, " 1.25000000000E+01" },
            FormatRow { -0.00123, 12, -2, "-1.23000E-03" }, FormatRow { 0.0, 10, -2, " 0.000E+00" },
            FormatRow { 1.0E99, 10, -2, " 1.000E+99" },
            // A three-digit exponent does not fit the short form.
            FormatRow { 1.0E100, 10, -2, "**********" },
            FormatRow { -2.0E-150, 10, -2, "**********" },
            // Fewer than two significant digits are never written.
            FormatRow { 7.0, 4, -2, " 7.0E+00" } })));

// Fixed or scientific, by the value and the precision.
INSTANTIATE_TEST_SUITE_P(FormatCellNumber, NumberFormatTest,
    ::testing::ValuesIn(casesOf(FormatCellNumber,
        { // At and just beyond the upper limit of every precision.
            FormatRow { 999999999.0, 1, 0, "999999999" },
            FormatRow { 1000000000.0, 1, 0, " 1.0E+09" },
            FormatRow { 9999999.9, 10, 1, " 9999999.9" },
            FormatRow { 10000000.0, 10, 1, " 1.000000000E+07" },
            FormatRow { 0.99999999, 10, 8, "0.99999999" },
            FormatRow { 1.0, 10, 8, " 1.000000000E+00" },
            FormatRow { -9.9999999, 12, 7, "  -9.9999999" },
            FormatRow { 1.25, 12, 7, "   1.2500000" },
            FormatRow { 12.5, 12, 7, " 1.25000000000E+01" },
            FormatRow { 123456789.5, 12, 7, " 1.23456789500E+08" },
            // At and just below the lower limit.
            FormatRow { 0.001, 8, 3, "   0.001" }, FormatRow { 0.00099, 8, 3, " 9.9000000E-04" },
            FormatRow { 1.0, 4, 0, "   1" }, FormatRow { 0.5, 4, 0, " 5.000E-01" },
            FormatRow { 0.00000001, 1, 8, "0.00000001" },
            // Zero is fixed at every precision 0..8, scientific beyond.
            FormatRow { 0.0, 6, 0, "     0" }, FormatRow { 0.0, 6, 8, "0.00000000" },
            FormatRow { 0.0, 6, 9, " 0.00000E+00" }, FormatRow { 0.0, 6, -1, " 0.00000E+00" },
            // Precision -1, 9 and 10 are always scientific.
            FormatRow { 2.5, 6, -1, " 2.50000E+00" }, FormatRow { 2.5, 6, 10, " 2.50000E+00" },
            FormatRow { -4.39794, 12, 7, "  -4.3979400" },
            FormatRow { -1.737E-5, 12, 7, "  -0.0000174" },
            FormatRow { -1.737E-8, 12, 7, "-1.73700000000E-08" },
            FormatRow { -308.0, 12, 7, "-3.08000000000E+02" } })));

TEST(FormatCellNumber, ShowsNonFiniteValuesAsWords)
{
    EXPECT_EQ(FormatCellNumber(std::numeric_limits<double>::quiet_NaN(), 6, 3), "         NAN");
    EXPECT_EQ(FormatCellNumber(std::numeric_limits<double>::infinity(), 1, 3), "   +INF");
}

} // namespace
} // namespace meldrix
