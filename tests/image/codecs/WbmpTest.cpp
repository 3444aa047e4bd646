#include <gtest/gtest.h>

#include "tests/image/codecs/CodecTestSupport.h"

using namespace codectest;

TEST(Wbmp, RowsTopFirstOneIsWhiteShortRowsCleared) {
    // 16 x 3 with one and a half rows: the rest is cleared.
    CxImage img = Decoded({0x00, 0x00, 0x10, 0x03, 0xFF, 0xFF, 0xF0}, FORMAT_WBMP);
    EXPECT_EQ(img.GetBpp(), 1);
    EXPECT_EQ(img.GetPixelColor(0, 2, false), (RGBQUAD{255, 255, 255, 0}));
    for (LONG x = 0; x < 16; ++x) {
        EXPECT_EQ(img.GetPixelIndex(x, 2), 1) << x;
        EXPECT_EQ(img.GetPixelIndex(x, 1), x < 4 ? 1 : 0) << x;
        EXPECT_EQ(img.GetPixelIndex(x, 0), 0) << x;
    }
}

TEST(Wbmp, SizesUseMultiByteIntegersBothWays) {
    // Width 129 = 0x81 0x01, height 2; two rows of 17 bytes.
    Bytes file = {0x00, 0x00, 0x81, 0x01, 0x02};
    file.insert(file.end(), 17, 0x00);
    file.insert(file.end(), 17, 0x80);
    CxImage img = Decoded(file, FORMAT_WBMP);
    EXPECT_EQ(img.GetWidth(), 129u);
    EXPECT_EQ(img.GetPixelIndex(0, 0), 1);
    EXPECT_EQ(img.GetPixelIndex(128, 0), 1);
    CxImage wide = MakePicture(200, 130, 1);
    const Bytes out = EncodeBytes(wide, FORMAT_WBMP);
    ASSERT_EQ(out.size(), 6u + 25 * 130);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 6), (Bytes{0x00, 0x00, 0x81, 0x48, 0x81, 0x02}));
}

TEST(Wbmp, BadHeaders) {
    // A width cut inside; six continuation bytes; a value beyond 31 bits;
    // 2^14 x 2^14 pixels from 3 data bytes (refused before any allocation).
    ExpectRefusals(FORMAT_WBMP, {{"Not a WBMP", {{}, {0, 0, 8}, {0, 0, 0x81}}},
                                 {"Unsupported WBMP type", {{1, 0, 8, 2, 0xFF, 0}}},
                                 {"Corrupted WBMP",
                                  {Bytes{0, 0, 0, 2}, Bytes{0, 0, 2, 0},
                                   Bytes{0, 0, 0x81, 0x81, 0x81, 0x81, 0x81, 1, 1},
                                   Bytes{0, 0, 0x88, 0x80, 0x80, 0x80, 0, 1},
                                   Bytes{0, 0, 0x81, 0x80, 0x00, 0x81, 0x80, 0x00, 1, 2, 3}}}});
}
