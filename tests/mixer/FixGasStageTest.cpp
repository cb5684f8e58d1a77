#include "mixer/FixGasStage.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <optional>
#include <utility>

namespace meldrix {
namespace {

Composition compositionOf(std::initializer_list<std::pair<std::string_view, double>> components)
{
    Composition slots;
    int k = 1;
    for (const auto& [name, fraction] : components) {
        slots[k].Name = name;
        slots[k].Fraction = fraction;
        ++k;
    }
    return slots;
}

TEST(ApplyFixGas, SetsTheFixGasAndRescalesTheOthers)
{
    Composition slots = compositionOf({ { "Ar", 0.6 }, { "H2O", 0.1 }, { "N2", 0.3 } });
    const auto change = ApplyFixGas(slots, "H2O", 0.2);
    ASSERT_TRUE(change);
    EXPECT_EQ(*change, (FixGasChange { 0.1, 0.2 }));
    EXPECT_EQ(slots[2].Fraction, 0.2);
    EXPECT_DOUBLE_EQ(slots[1].Fraction, 0.6 * 0.8 / 0.9);
    EXPECT_DOUBLE_EQ(slots[3].Fraction, 0.3 * 0.8 / 0.9);
    EXPECT_DOUBLE_EQ(slots[1].Fraction + slots[2].Fraction + slots[3].Fraction, 1.0);
}

TEST(ApplyFixGas, UsesTheLastSlotOfThatExactName)
{
    Composition slots = compositionOf({ { "O2", 0.5 }, { "Ar", 0.5 }, { "O2", 0.0 } });
    ASSERT_TRUE(ApplyFixGas(slots, "O2", 0.0));
    EXPECT_EQ(slots[1].Fraction, 0.5); // an earlier slot of the same name is just rescaled
    EXPECT_EQ(slots[3].Fraction, 0.0);

    const Composition before = slots;
    EXPECT_FALSE(ApplyFixGas(slots, "O2 ", 0.5));
    EXPECT_FALSE(ApplyFixGas(slots, "o2", 0.5));
    EXPECT_EQ(slots, before);
}

TEST(ApplyFixGas, HoldsTheNewFractionToTheWholeGas)
{
    Composition slots = compositionOf({ { "Ar", 0.9 }, { "H2O", 0.1 } });
    EXPECT_EQ(*ApplyFixGas(slots, "H2O", 1.3), (FixGasChange { 0.1, 1.0 }));
    EXPECT_EQ(slots[1].Fraction, 0.0);
    EXPECT_EQ(slots[2].Fraction, 1.0);

    slots = compositionOf({ { "Ar", 0.9 }, { "D2O", 0.1 } });
    EXPECT_EQ(*ApplyFixGas(slots, "D2O", -0.2), (FixGasChange { 0.1, 0.0 }));
    EXPECT_DOUBLE_EQ(slots[1].Fraction, 1.0);
}

TEST(ApplyFixGas, AGasOfNothingButTheFixGasLeavesNothingToRescale)
{
    // Old fraction 1: the rescaling would divide by zero.
    Composition slots = compositionOf({ { "Ar", 0.3 }, { "H2O", 1.0 } });
    EXPECT_EQ(*ApplyFixGas(slots, "H2O", 0.03), (FixGasChange { 1.0, 0.03 }));
    EXPECT_EQ(slots[1].Fraction, 0.0);
    EXPECT_EQ(slots[2].Fraction, 0.03);
}

} // namespace
} // namespace meldrix
