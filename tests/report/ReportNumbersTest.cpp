#include "report/ReportNumbers.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace meldrix {
namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

struct DeviationCase {
    double value;
    double sd;
    bool log; //!< shown as log10 pO2, else as a fraction
    const char* shown;
};

class ReportWithDeviationTest : public ::testing::TestWithParam<DeviationCase> { };

TEST_P(ReportWithDeviationTest, RoundsTheValueToTheSecondDigitOfItsDeviation)
{
    const auto [value, sd, log, shown] = GetParam();
    EXPECT_EQ(ReportWithDeviation(value, sd, log ? ReportLog10 : ReportNumber), shown)
        << value << " \u00B1 " << sd;
}

INSTANTIATE_TEST_SUITE_P(Report, ReportWithDeviationTest,
    ::testing::Values(DeviationCase { 0.4179462, 0.01327, false, "0.418 \u00B1 0.013" },
        // Halves of the second digit go to the even neighbour.
        DeviationCase { 0.6434164, 0.00125, false, "0.6434 \u00B1 0.0012" },
        DeviationCase { 0.6434164, 0.00135, false, "0.6434 \u00B1 0.0014" },
        // A deviation that rounds up to a new digit takes the value with it.
        DeviationCase { 0.31234, 0.0996, false, "0.31 \u00B1 0.10" },
        DeviationCase { -16.0612, 6.3, true, "-16.1 \u00B1 6.3" },
        DeviationCase { 12345.6, 271, false, "12350 \u00B1 270" },
        // Round-off of the propagation, and no spread at all.
        DeviationCase { 0.2, 1.69e-21, false, "0.2 \u00B1 0" },
        DeviationCase { 0.0, 0.0, false, "0 \u00B1 0" },
        DeviationCase { -0.9128, 0.0, true, "-0.9128 \u00B1 0" },
        // No deviation computed: the value alone, as the report shows it.
        DeviationCase { 0.4179462, NaN, false, "0.4179462" },
        DeviationCase { NaN, 0.1, false, "-" },
        // A value below the deviation's place shows as zero, never as "-0".
        DeviationCase { -0.0001, 0.013, false, "0.000 \u00B1 0.013" },
        // Below 1e-6 the pair goes to scientific notation.
        DeviationCase { 2.99988e-05, 1.2e-09, false, "2.99988e-05 \u00B1 1.2e-09" },
        DeviationCase { 1e-12, 3.3e-9, false, "0 \u00B1 3.3e-09" }));

} // namespace
} // namespace meldrix
