#include <gtest/gtest.h>

#include <limits>

#include "platform/Truncate.h"

TEST(Truncate, GoesTowardZeroAndSaturatesOutsideTheIntRange) {
    EXPECT_EQ(TruncToInt(59.99999999999999), 59);
    EXPECT_EQ(TruncToInt(-1.5), -1);
    EXPECT_EQ(TruncToInt(-2147483648.9), INT32_MIN);
    EXPECT_EQ(TruncToInt(1e300), INT32_MAX);
    EXPECT_EQ(TruncToInt(-std::numeric_limits<double>::infinity()), INT32_MIN);
    EXPECT_EQ(TruncToInt(std::numeric_limits<double>::quiet_NaN()), INT32_MIN);
}
