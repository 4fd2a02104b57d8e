#include "fitting/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>

namespace slabcal {
namespace {

TEST(ReadDecimalPrefix, ReadsTheLongestDecimalPrefixLikeWcstod) {
    EXPECT_EQ(ReadDecimalPrefix("1234.567"), 1234.567);
    EXPECT_EQ(ReadDecimalPrefix("  \t42abc"), 42.0);
    EXPECT_EQ(ReadDecimalPrefix("-7.5e2x"), -750.0);
    EXPECT_EQ(ReadDecimalPrefix("+.5"), 0.5);
    EXPECT_EQ(ReadDecimalPrefix("5."), 5.0);
    EXPECT_EQ(ReadDecimalPrefix("3e"), 3.0);
    EXPECT_EQ(ReadDecimalPrefix("3e+"), 3.0);
    EXPECT_EQ(ReadDecimalPrefix(""), 0.0);
    EXPECT_EQ(ReadDecimalPrefix("."), 0.0);
    EXPECT_EQ(ReadDecimalPrefix("-"), 0.0);
    EXPECT_EQ(ReadDecimalPrefix("abc"), 0.0);
}

TEST(ReadDecimalPrefix, NeverReadsInfinityOrNanFromWords) {
    EXPECT_EQ(ReadDecimalPrefix("inf"), 0.0);
    EXPECT_EQ(ReadDecimalPrefix("nan"), 0.0);
    EXPECT_EQ(ReadDecimalPrefix("0x10"), 0.0);
    EXPECT_TRUE(std::isinf(ReadDecimalPrefix("1e999"))); // beyond double: the caller refuses it
}

TEST(ReadIntegerPrefix, ReadsDigitsUpToTheFirstOtherCharacterLikeWtoi) {
    EXPECT_EQ(ReadIntegerPrefix("9895"), 9895);
    EXPECT_EQ(ReadIntegerPrefix("  -12x"), -12);
    EXPECT_EQ(ReadIntegerPrefix("+7"), 7);
    EXPECT_EQ(ReadIntegerPrefix("4140.7"), 4140);
    EXPECT_EQ(ReadIntegerPrefix("1e39"), 1);
    EXPECT_EQ(ReadIntegerPrefix(""), 0);
    EXPECT_EQ(ReadIntegerPrefix("- 5"), 0);
    EXPECT_EQ(ReadIntegerPrefix("x5"), 0);
}

TEST(ReadIntegerPrefix, SaturatesBeyondThirtyTwoBits) {
    EXPECT_EQ(ReadIntegerPrefix("99999999999999999999"), 2147483647);
    EXPECT_EQ(ReadIntegerPrefix("-99999999999999999999"), -2147483647 - 1);
    EXPECT_EQ(ReadIntegerPrefix("2147483647"), 2147483647);
}

} // namespace
} // namespace slabcal
