#include "view/round_half_even.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace korvix::view {
namespace {

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(round_half_even(0.5), 0.0);
    EXPECT_EQ(round_half_even(1.5), 2.0);
    EXPECT_EQ(round_half_even(2.5), 2.0);
    EXPECT_EQ(round_half_even(-0.5), 0.0);
    EXPECT_EQ(round_half_even(-1.5), -2.0);
    EXPECT_EQ(round_half_even(-2.5), -2.0);
    EXPECT_EQ(round_half_even(683.5), 684.0);
    EXPECT_EQ(round_half_even(684.5), 684.0);
}

TEST(RoundHalfEven, OtherFractionsGoToTheNearest) {
    EXPECT_EQ(round_half_even(2.4999), 2.0);
    EXPECT_EQ(round_half_even(2.5001), 3.0);
    EXPECT_EQ(round_half_even(-2.5001), -3.0);
    EXPECT_EQ(round_half_even(-36.0), -36.0);
}

TEST(RoundHalfEven, LongConversionSaturatesInsteadOfOverflowing) {
    EXPECT_EQ(round_to_long(3e10), INT32_MAX);
    EXPECT_EQ(round_to_long(-3e10), INT32_MIN);
    EXPECT_EQ(round_to_long(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(round_to_long(-683.5), -684);
}

}  // namespace
}  // namespace korvix::view
