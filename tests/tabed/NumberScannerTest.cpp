#include "tabed/NumberScanner.h"

#include <gtest/gtest.h>

namespace meldrix {
namespace {

struct ScanCase {
    const char* text;
    std::vector<std::vector<double>> lines;
};
class ScanNumbersTest : public ::testing::TestWithParam<ScanCase> { };

TEST_P(ScanNumbersTest, ReadsEveryNumberOfEveryLine)
{
    EXPECT_EQ(ScanNumbers(GetParam().text), GetParam().lines) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(NumberScanner, ScanNumbersTest,
    ::testing::Values(ScanCase { "1,5 -2e3 +.5 7E+2", { { 1.5, -2000.0, 0.5, 700.0 } } },
        ScanCase { "a1b2\n\nx-3", { { 1.0, 2.0 }, {}, { -3.0 } } },
        ScanCase { "3.4.5 1,2,3", { { 3.4, 0.5, 1.2, 3.0 } } },
        ScanCase { "- . + e5", { { 5.0 } } }, ScanCase { "5e 6E+ 7e-x", { { 5.0, 6.0, 7.0 } } },
        // Beyond the range of a double the value is limited; an exponent takes a further digit
        // only while it is below 4201, and the digits not taken start the next number.
        ScanCase { "1e400 -1.8e308 1.75e308", { { 1.7e308, -1.7e308, 1.7e308 } } },
        ScanCase { "1E99999", { { 1.7e308, 9.0 } } },
        ScanCase { "2e99999 1e-99999", { { 1.7e308, 9.0, 0.0, 9.0 } } },
        ScanCase { "1e4200 1e42001 1e-420019", { { 1.7e308, 1.7e308, 0.0, 9.0 } } },
        ScanCase { "0.000000000001e320", { { 1.0e308 } } }));

} // namespace
} // namespace meldrix
