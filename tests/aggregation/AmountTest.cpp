#include <gtest/gtest.h>

#include <limits>

#include "aggregation/Amount.h"

namespace {

TEST(Amount, HoldsWholeFractionAndSign) {
    Amount a = Amount::FromValue(12345678);
    EXPECT_EQ(a.Whole(), 1234);
    EXPECT_EQ(a.Fraction(), 5678u);
    EXPECT_EQ(a.Sign(), 1);
    Amount b = Amount::FromValue(-5000);
    EXPECT_EQ(b.Whole(), 0);
    EXPECT_EQ(b.Fraction(), 5000u);
    EXPECT_EQ(b.Sign(), -1);
    EXPECT_EQ(b.Value(), -5000);
    EXPECT_EQ(Amount().Sign(), 1);
    EXPECT_EQ(Amount::FromValue(0).Sign(), 1);
    EXPECT_EQ(Amount::FromYen(-12).Value(), -120000);
    Amount extreme = Amount::FromValue(std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(extreme.Value(), std::numeric_limits<std::int64_t>::min());
}

TEST(Amount, BoundedSumRefusesTenToTheEighteenth) {
    Amount almost = Amount::FromValue(Amount::kBound - 2);
    EXPECT_EQ(Amount::BoundedSum(almost, Amount::FromValue(1)).Value(), Amount::kBound - 1);
    EXPECT_THROW(Amount::BoundedSum(almost, Amount::FromValue(2)), AmountOverflow);
    EXPECT_THROW(Amount::BoundedSum(Amount::FromValue(-Amount::kBound), Amount()), AmountOverflow);
    Amount huge = Amount::FromValue(std::numeric_limits<std::int64_t>::max());
    EXPECT_THROW(Amount::BoundedSum(huge, huge), AmountOverflow);
}

TEST(Amount, UnboundedOperationsRefuseOnlyWhat64BitsCannotHold) {
    Amount big = Amount::FromValue(Amount::kBound);
    Amount sum = big;
    sum += big;
    EXPECT_EQ(sum.Value(), 2 * Amount::kBound);
    EXPECT_EQ(Amount::Difference(Amount::FromValue(5), Amount::FromValue(8)).Value(), -3);
    EXPECT_EQ(std::int64_t{7} + Amount::FromValue(-10), -3);
    Amount max = Amount::FromValue(std::numeric_limits<std::int64_t>::max());
    EXPECT_THROW(max += Amount::FromValue(1), AmountOverflow);
    EXPECT_THROW(
        Amount::Difference(Amount(), Amount::FromValue(std::numeric_limits<std::int64_t>::min())),
        AmountOverflow);
}

TEST(Amount, ComparesByValue) {
    EXPECT_EQ(Amount::FromValue(10000), Amount::FromYen(1));
    EXPECT_NE(Amount::FromValue(10001), Amount::FromYen(1));
    EXPECT_EQ(Amount::FromYen(-3).DiffersFrom(-3), 0);
    EXPECT_EQ(Amount::FromValue(-30001).DiffersFrom(-3), 1);
    EXPECT_EQ(Amount::FromYen(3).DiffersFrom(-3), 1);
}

}  // namespace
