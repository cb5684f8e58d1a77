#include "report/ReportDate.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <string>

namespace meldrix {
namespace {

// Sets an environment variable, or clears it for nullptr; the zone is read again.
void setEnv(const char* name, const char* value)
{
    if (value)
        ::setenv(name, value, 1);
    else
        ::unsetenv(name);
    ::tzset();
}

struct ZoneCase {
    const char* tz; //!< POSIX TZ rule; nullptr: UTC asked for
    std::int64_t seconds;
    const char* shown;
};

class IsoDateTimeTest : public ::testing::TestWithParam<ZoneCase> { };

TEST_P(IsoDateTimeTest, CarriesItsOffsetFromUtc)
{
    const auto [tz, seconds, shown] = GetParam();
    setEnv("TZ", tz ? tz : "CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_EQ(IsoDateTime(seconds, tz == nullptr), shown);
    setEnv("TZ", nullptr);
}

// 1800000000 s is 2027-01-15 08:00:00 UTC; 1815000000 s is 2027-07-07 22:40:00 UTC.
INSTANTIATE_TEST_SUITE_P(Zones, IsoDateTimeTest,
    ::testing::Values(ZoneCase { nullptr, 1800000000, "2027-01-15T08:00:00+00:00" },
        ZoneCase { "UTC0", 1800000000, "2027-01-15T08:00:00+00:00" },
        ZoneCase { "CET-1CEST,M3.5.0,M10.5.0/3", 1800000000, "2027-01-15T09:00:00+01:00" },
        ZoneCase { "CET-1CEST,M3.5.0,M10.5.0/3", 1815000000, "2027-07-08T00:40:00+02:00" },
        ZoneCase { "NST3:30", 1800000000, "2027-01-15T04:30:00-03:30" },
        ZoneCase { nullptr, 0, "1970-01-01T00:00:00+00:00" }));

TEST(ReportDateTime, SourceDateEpochFixesItInUtc)
{
    setEnv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    setEnv("SOURCE_DATE_EPOCH", "1800000000");
    EXPECT_EQ(SourceDateEpoch(), 1800000000);
    EXPECT_EQ(ReportDateTime(), "2027-01-15T08:00:00+00:00");
    // Anything but a whole number of seconds is no epoch: the date is now, in local time.
    for (const char* text : { "", "18e8", "1800000000 ", "soon" }) {
        setEnv("SOURCE_DATE_EPOCH", text);
        EXPECT_EQ(SourceDateEpoch(), std::nullopt) << '"' << text << '"';
    }
    setEnv("SOURCE_DATE_EPOCH", nullptr);
    const std::string now = ReportDateTime();
    EXPECT_TRUE(now.ends_with("+01:00") || now.ends_with("+02:00")) << now;
    setEnv("TZ", nullptr);
}

} // namespace
} // namespace meldrix
