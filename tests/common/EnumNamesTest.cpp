#include "common/EnumNames.h"

#include <gtest/gtest.h>

namespace meldrix {
namespace {

enum class Valve : unsigned char { Open, Shut, Stuck };

constexpr auto ValveNames =
    std::to_array<EnumName<Valve>>({ { Valve::Open, "open" }, { Valve::Shut, "shut" } });

TEST(EnumNames, NamesTheListedValuesAndFallsBackForTheRest)
{
    EXPECT_EQ(NameOf(Valve::Open, ValveNames, "?"), "open");
    EXPECT_EQ(NameOf(Valve::Shut, ValveNames, "?"), "shut");
    // An enumerator left out on purpose, and a byte read from a file that names none.
    EXPECT_EQ(NameOf(Valve::Stuck, ValveNames, "stuck"), "stuck");
    EXPECT_EQ(NameOf(static_cast<Valve>(200), ValveNames, "unknown"), "unknown");
    static_assert(NameOf(Valve::Shut, ValveNames, "?") == "shut", "usable in constant expressions");
}

} // namespace
} // namespace meldrix
