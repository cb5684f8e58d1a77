#include "common/TextFormat.h"

#include "common/Latin1.h"
#include "common/Rounding.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace meldrix {
namespace {

struct FixedCase {
    double value;
    int width;
    int decimals;
    const char* expected;
};
class FormatFixedTest : public ::testing::TestWithParam<FixedCase> { };

TEST_P(FormatFixedTest, RightAlignsAndRounds)
{
    const auto& c = GetParam();
    EXPECT_EQ(formatFixed(c.value, c.width, c.decimals), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Formats, FormatFixedTest,
    ::testing::Values(FixedCase { 0.0, 6, 1, "   0.0" }, FixedCase { 25.0, 6, 1, "  25.0" },
        FixedCase { 1.0, 10, 4, "    1.0000" }, FixedCase { 0.21, 10, 8, "0.21000000" },
        FixedCase { -12.345, 6, 2, "-12.35" }, FixedCase { 123456.7, 4, 1, "123456.7" },
        FixedCase { -0.01, 6, 1, "   0.0" }, FixedCase { 2.5, 1, 0, "2" },
        FixedCase { 7.0, 2, 0, " 7" }));

class FormatFixedFittedTest : public ::testing::TestWithParam<FixedCase> { };

// What fits stays fixed, byte for byte; what does not takes the shortest scientific form that
// fits the width, never a cut one.
TEST_P(FormatFixedFittedTest, FitsTheWidthWithoutCutting)
{
    const auto& c = GetParam();
    EXPECT_EQ(formatFixedFitted(c.value, c.width, c.decimals), c.expected);
    if (formatFixed(c.value, c.width, c.decimals).size() <= static_cast<std::size_t>(c.width)) {
        EXPECT_EQ(formatFixedFitted(c.value, c.width, c.decimals),
            formatFixed(c.value, c.width, c.decimals));
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, FormatFixedFittedTest,
    ::testing::Values(FixedCase { 394.07, 6, 2, "394.07" }, FixedCase { 60.0, 5, 1, " 60.0" },
        FixedCase { 1e300, 5, 1, "1e300" }, FixedCase { 1e300, 6, 2, " 1e300" },
        FixedCase { 1234.5, 6, 2, "1.23e3" }, FixedCase { 999999.5, 6, 2, "1.00e6" },
        FixedCase { -1e300, 6, 2, "-1e300" }, FixedCase { 123456.7, 5, 1, "1.2e5" },
        FixedCase { 31000.0, 4, 1, " 3e4" }, FixedCase { -1e-300, 5, 1, "  0.0" },
        FixedCase { -3e300, 5, 1, "-3e300" },
        FixedCase { std::numeric_limits<double>::infinity(), 5, 1, " +INF" }));

struct SciCase {
    long double value;
    int width;
    const char* expected;
};
class FormatScientificTest : public ::testing::TestWithParam<SciCase> { };

TEST_P(FormatScientificTest, UsesAFourDigitExponent)
{
    const auto& c = GetParam();
    EXPECT_EQ(formatScientific(c.value, c.width), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Formats, FormatScientificTest,
    ::testing::Values(SciCase { 1.0E-5L, 12, " 1.000E-0005" }, SciCase { 0.0L, 12, " 0.000E+0000" },
        SciCase { 3.0E-5L, 12, " 3.000E-0005" }, SciCase { -2.5L, 12, "-2.500E+0000" },
        SciCase { 1.0E300L, 12, " 1.000E+0300" }, SciCase { 1.0E-4000L, 12, " 1.000E-4000" },
        SciCase { 0.42L, 23, " 4.20000000000000E-0001" },
        SciCase { 12345.678L, 22, " 1.2345678000000E+0004" }, SciCase { 1.5L, 5, " 1.5E+0000" }));

TEST(FormatInt, RightAlignsWithoutCuttingAWiderNumber)
{
    EXPECT_EQ(formatInt(3, 2), " 3");
    EXPECT_EQ(formatInt(16, 2), "16");
    EXPECT_EQ(formatInt(-123, 2), "-123");
    EXPECT_EQ(formatInt(7), "7");
}

TEST(FormatScientific, ShowsNonFiniteValuesAsWords)
{
    EXPECT_EQ(formatScientific(std::numeric_limits<double>::quiet_NaN(), 6), "   NAN");
    EXPECT_EQ(formatFixed(-std::numeric_limits<double>::infinity(), 6, 1), "  -INF");
}

TEST(ParseNumber, AcceptsWholeDecimalNumbersOnly)
{
    EXPECT_EQ(parseNumber("12.5"), 12.5);
    EXPECT_EQ(parseNumber("   -3"), -3.0);
    EXPECT_EQ(parseNumber("1E-5"), 1.0E-5);
    EXPECT_EQ(parseNumber(" 1.000E-0005"), 1.0E-5);
    EXPECT_EQ(parseNumber(".5"), 0.5);
    EXPECT_EQ(parseNumber("+7."), 7.0);
    for (const char* bad :
        { "", "   ", "abc", "12.5 ", "1,5", "1e", "0x10", "inf", "nan", "-", ".", "1e400", "2..3" })
        EXPECT_FALSE(parseNumber(bad).has_value()) << '"' << bad << '"';
}

TEST(ParseInteger, AcceptsWholeIntegersOnly)
{
    EXPECT_EQ(parseInteger("16"), 16);
    EXPECT_EQ(parseInteger("  -3"), -3);
    EXPECT_EQ(parseInteger("+5"), 5);
    // "--300" was taken as 300 (found by fuzz_editor_text); "--9223372036854775808" negated
    // the smallest long long.
    for (const char* bad : { "", "1.0", "12a", " 1 ", "+", "99999999999999999999", "--300", "+-3",
             "-+3", "--9223372036854775808", "- 3" })
        EXPECT_FALSE(parseInteger(bad).has_value()) << '"' << bad << '"';
}

TEST(Trim, RemovesBlanksAndOptionallyControls)
{
    EXPECT_EQ(trimBlanks("  CO2 "), "CO2");
    EXPECT_EQ(trimBlanks("\tCO2"), "\tCO2");
    EXPECT_EQ(trimBlanksAndControls("\t CO2\r\n"), "CO2");
    EXPECT_EQ(trimBlanksAndControls(" \x01 "), "");
    EXPECT_EQ(trimBlanksAndControls("\xE9t\xE9"), "\xE9t\xE9");
}

TEST(FormatSignificant, CutsToTheDigitsAndDropsTrailingZeros)
{
    EXPECT_EQ(formatSignificant(0.000123456, 3), "0.000123");
    EXPECT_EQ(formatSignificant(1e-12, 4), "1e-12");
    EXPECT_EQ(formatSignificant(2.5, 6), "2.5");
}

TEST(UpperCaseAscii, ChangesOnlyAToZ)
{
    EXPECT_EQ(upperCaseAscii("Getter-2 yes"), "GETTER-2 YES");
    // A Latin-1 letter stays as it is, whatever a locale would make of it.
    EXPECT_EQ(upperCaseAscii("\xE9t\xE9 \xFF"), "\xE9T\xE9 \xFF");
}

TEST(RoundHalfEven, SendsHalvesToTheEvenNeighbour)
{
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(2.5001), 3);
}

TEST(Latin1, EveryByteSurvivesTheRoundTrip)
{
    std::string bytes;
    for (int b = 0; b < 256; ++b)
        bytes += static_cast<char>(b);
    EXPECT_EQ(utf8ToLatin1(latin1ToUtf8(bytes)), bytes);
    EXPECT_EQ(latin1ToUtf8("\xB5"), "\xC2\xB5");
    EXPECT_FALSE(utf8ToLatin1("\xE2\x82\xAC").has_value()); // the euro sign is not Latin-1
    EXPECT_FALSE(utf8ToLatin1("\xC3").has_value());
}

} // namespace
} // namespace meldrix
