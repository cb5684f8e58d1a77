#include "common/OneBased.h"

#include "common/ShortString.h"

#include <gtest/gtest.h>

namespace meldrix {
namespace {

TEST(OneBased, NumbersFromOne)
{
    OneBased<int, 3> values;
    values[1] = 10;
    values[3] = 30;
    EXPECT_EQ(values.all()[0], 10);
    EXPECT_EQ(values.all()[2], 30);
    EXPECT_TRUE((OneBased<int, 3>::inRange(3)));
    EXPECT_FALSE((OneBased<int, 3>::inRange(0)));
    EXPECT_FALSE((OneBased<int, 3>::inRange(4)));
}

TEST(OneBasedDeathTest, StopsOnAnIndexOutsideTheRange)
{
    OneBased<int, 3> values;
    EXPECT_DEATH(values[4] = 1, "index 4 outside 1..3");
    EXPECT_DEATH(values[0] = 1, "index 0 outside 1..3");
}

TEST(ShortString, CutsToItsCapacityAndKeepsTheBytesBeyondTheLength)
{
    ShortString<8> text;
    text = "ABCDEFGHIJ";
    EXPECT_EQ(text.view(), "ABCDEFGH");
    text = "XY";
    EXPECT_EQ(text.view(), "XY");
    EXPECT_EQ(text.Length, 2);
    EXPECT_EQ(text.Chars[2], 'C'); // the old bytes stay where the text no longer reaches
}

TEST(ShortString, ReadsALengthBeyondItsCapacityAsTheFullField)
{
    ShortString<8> text;
    text = "ABCDEFGH";
    text.Length = 200;
    EXPECT_EQ(text.view(), "ABCDEFGH");
}

} // namespace
} // namespace meldrix
