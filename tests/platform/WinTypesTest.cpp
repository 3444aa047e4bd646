#include <gtest/gtest.h>

#include <cstring>

#include "platform/ByteOrder.h"
#include "platform/Truncate.h"

TEST(ByteOrder, InfoHeaderRoundTripsThroughItsPackedForm) {
    BITMAPINFOHEADER h{40, -3, 7, 1, 24, BI_RLE8, 0x01020304, 3780, -1, 256, 16};
    BYTE raw[40];
    StoreInfoHeader(raw, h);
    EXPECT_EQ(raw[4], 0xFD); // -3, little-endian
    EXPECT_EQ(raw[7], 0xFF);
    EXPECT_EQ(raw[20], 0x04);
    EXPECT_EQ(raw[23], 0x01);
    const BITMAPINFOHEADER back = LoadInfoHeader(raw);
    EXPECT_EQ(0, std::memcmp(&h, &back, sizeof h));
}

TEST(ByteOrder, ColorrefKeepsRedInTheLowByte) {
    EXPECT_EQ(RGB(0x11, 0x22, 0x33), 0x00332211u);
    EXPECT_EQ(GetRValue(0x00332211u), 0x11);
    EXPECT_EQ(GetGValue(0x00332211u), 0x22);
    EXPECT_EQ(GetBValue(0x00332211u), 0x33);
}

TEST(Truncate, GoesTowardZeroAndSaturatesOutsideTheIntRange) {
    EXPECT_EQ(TruncToInt(59.99999999999999), 59);
    EXPECT_EQ(TruncToInt(-0.7), 0);
    EXPECT_EQ(TruncToInt(-1.5), -1);
    EXPECT_EQ(TruncToInt(-2147483648.9), INT32_MIN);
    EXPECT_EQ(TruncToInt(1e300), INT32_MAX);
    EXPECT_EQ(TruncToInt(-1e300), INT32_MIN);
    EXPECT_EQ(TruncToInt(std::numeric_limits<double>::infinity()), INT32_MAX);
    EXPECT_EQ(TruncToInt(std::numeric_limits<double>::quiet_NaN()), INT32_MIN);
}
