#include <gtest/gtest.h>

#include "image/CxImage.h"

// Flipping and mirroring whole 24-bit rows is checked through the BMP and TGA
// decoders against ImageMagick; here the packed depths and the alpha plane.
TEST(Transform, MirrorAndFlipMovePackedIndicesAndAlpha) {
    for (DWORD bpp : {1u, 4u, 8u}) {
        CxImage idx(11, 2, bpp);
        idx.AlphaCreate();
        idx.AlphaSet(0, 1, 3);
        for (LONG x = 0; x < 11; ++x)
            idx.SetPixelIndex(x, 1, BYTE(x * 5 + 1));
        const CxImage before(idx);
        ASSERT_TRUE(idx.Mirror());
        for (LONG x = 0; x < 11; ++x)
            EXPECT_EQ(idx.GetPixelIndex(x, 1), before.GetPixelIndex(10 - x, 1)) << bpp;
        EXPECT_EQ(idx.AlphaGet(10, 1), 3);
        ASSERT_TRUE(idx.Flip());
        EXPECT_EQ(idx.GetPixelIndex(0, 0), before.GetPixelIndex(10, 1)) << bpp;
        EXPECT_EQ(idx.AlphaGet(10, 0), 3);
    }
    EXPECT_FALSE(CxImage().Flip());
    EXPECT_FALSE(CxImage().Mirror());
}

TEST(Transform, NegativeInvertsPixelsOrThePalette) {
    CxImage tc(3, 2, 24);
    tc.SetPixelColor(1, 1, RGB(10, 20, 30));
    tc.SetTransColor(RGBQUAD{30, 20, 10, 0});
    ASSERT_TRUE(tc.Negative());
    EXPECT_EQ(tc.GetPixelColor(1, 1, false), (RGBQUAD{225, 235, 245, 0}));
    EXPECT_EQ(tc.GetTransColor(), (RGBQUAD{225, 235, 245, 0}));
    EXPECT_FALSE(CxImage().Negative());

    CxImage gray(4, 1, 8); // a gray ramp stays a ramp: the indices flip
    gray.SetGrayPalette();
    gray.SetPixelIndex(0, 0, 10);
    ASSERT_TRUE(gray.Negative());
    EXPECT_EQ(gray.GetPixelIndex(0, 0), 245);
    EXPECT_TRUE(gray.IsGrayScale());
    CxImage colour(4, 1, 1); // other palettes are inverted in place
    colour.SetPaletteColor(1, RGB(1, 2, 3));
    ASSERT_TRUE(colour.Negative());
    EXPECT_EQ(colour.GetPaletteColor(1), (RGBQUAD{252, 253, 254, 0}));
}
