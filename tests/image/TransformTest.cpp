#include <gtest/gtest.h>

#include <cstring>

#include "image/CxImage.h"

TEST(Transform, FlipTwiceRestoresPixelsAndAlpha) {
    CxImage img(5, 3, 24);
    for (LONG y = 0; y < 3; ++y)
        for (LONG x = 0; x < 5; ++x)
            img.SetPixelColor(x, y, RGB(BYTE(x), BYTE(y), 7));
    img.AlphaCreate();
    img.AlphaSet(1, 0, 9);
    const CxImage before(img);
    ASSERT_TRUE(img.Flip());
    EXPECT_EQ(img.GetPixelColor(4, 2, false), (RGBQUAD{7, 0, 4, 0}));
    EXPECT_EQ(img.AlphaGet(1, 2), 9);
    ASSERT_TRUE(img.Flip());
    EXPECT_EQ(0, std::memcmp(img.GetBits(), before.GetBits(), img.GetEffWidth() * 3));
    EXPECT_EQ(img.AlphaGet(1, 0), 9);
    EXPECT_FALSE(CxImage().Flip());
}

TEST(Transform, MirrorKeepsChannelOrderAtEveryDepth) {
    CxImage tc(2, 1, 24);
    tc.SetPixelColor(0, 0, RGBQUAD{1, 2, 3, 0});
    tc.SetPixelColor(1, 0, RGBQUAD{4, 5, 6, 0});
    ASSERT_TRUE(tc.Mirror());
    EXPECT_EQ(tc.GetPixelColor(0, 0, false), (RGBQUAD{4, 5, 6, 0}));
    EXPECT_EQ(tc.GetPixelColor(1, 0, false), (RGBQUAD{1, 2, 3, 0}));

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
    }
}

TEST(Transform, NegativeOfTrueColourInvertsPixelsAndTheTransparentColour) {
    CxImage img(3, 2, 24);
    img.Clear(0);
    img.SetPixelColor(1, 1, RGB(10, 20, 30));
    img.SetTransColor(RGBQUAD{30, 20, 10, 0});
    ASSERT_TRUE(img.Negative());
    EXPECT_EQ(img.GetPixelColor(1, 1, false), (RGBQUAD{225, 235, 245, 0}));
    EXPECT_EQ(img.GetPixelColor(0, 0, false), (RGBQUAD{255, 255, 255, 0}));
    EXPECT_EQ(img.GetTransColor(), (RGBQUAD{225, 235, 245, 0}));
    EXPECT_FALSE(CxImage().Negative());
}

TEST(Transform, NegativeOfIndexedImagesByPalette) {
    CxImage gray(4, 1, 8);
    gray.SetGrayPalette();
    gray.SetPixelIndex(0, 0, 10);
    ASSERT_TRUE(gray.Negative());
    EXPECT_EQ(gray.GetPixelIndex(0, 0), 245);
    EXPECT_TRUE(gray.IsGrayScale());

    CxImage colour(4, 1, 8);
    colour.SetPaletteColor(3, RGB(1, 2, 3));
    colour.SetPixelIndex(0, 0, 3);
    ASSERT_TRUE(colour.Negative());
    EXPECT_EQ(colour.GetPixelIndex(0, 0), 3);
    EXPECT_EQ(colour.GetPaletteColor(3), (RGBQUAD{252, 253, 254, 0}));

    CxImage mono(4, 1, 1);
    mono.SetPaletteColor(1, RGB(255, 255, 255));
    mono.SetPixelIndex(2, 0, 1);
    ASSERT_TRUE(mono.Negative());
    EXPECT_EQ(mono.GetPaletteColor(0), (RGBQUAD{255, 255, 255, 0}));
    EXPECT_EQ(mono.GetPaletteColor(1), (RGBQUAD{0, 0, 0, 0}));
    EXPECT_EQ(mono.GetPixelIndex(2, 0), 1);
}
