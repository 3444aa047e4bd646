#include <gtest/gtest.h>

#include "image/CxImage.h"

TEST(Palette, NearestIndexScansWithTiesToTheLowerIndexAndCaches) {
    CxImage gray(2, 2, 8);
    gray.SetGrayPalette();
    EXPECT_TRUE(gray.IsGrayScale());
    EXPECT_EQ(gray.GetNearestIndex(RGBQUAD{128, 128, 128, 0}), 128);

    CxImage two(2, 2, 1);
    two.SetPaletteColor(0, RGB(0, 0, 0));
    two.SetPaletteColor(1, RGB(2, 2, 2));
    EXPECT_EQ(two.GetNearestIndex(RGBQUAD{1, 1, 1, 0}), 0);
    // a palette change invalidates the cached answer
    two.SetPaletteColor(0, RGB(9, 9, 9));
    EXPECT_EQ(two.GetNearestIndex(RGBQUAD{1, 1, 1, 0}), 1);
    EXPECT_EQ(CxImage(2, 2, 24).GetNearestIndex(RGBQUAD{1, 1, 1, 0}), 0);
}

TEST(Palette, SettersRespectThePaletteSize) {
    CxImage img(2, 2, 1);
    const RGBQUAD pal[4] = {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 9, 9, 9}, {9, 9, 9, 9}};
    img.SetPalette(pal, 4);
    EXPECT_EQ(img.GetPaletteColor(1), (RGBQUAD{5, 6, 7, 8}));
    EXPECT_EQ(img.GetPaletteColor(2), (RGBQUAD{0, 0, 0, 0}));
    img.SetPaletteColor(2, RGB(1, 1, 1)); // beyond the two entries: ignored

    const BYTE r[3] = {10, 20, 30};
    img.SetPalette(3, r);
    EXPECT_EQ(img.GetPaletteColor(0), (RGBQUAD{10, 10, 10, 4}));
    EXPECT_EQ(img.GetPaletteColor(1), (RGBQUAD{20, 20, 20, 8}));
    EXPECT_TRUE(img.AlphaPaletteIsValid());

    CxImage tc(2, 2, 24);
    tc.SetPalette(pal, 4);
    tc.SetGrayPalette();
    EXPECT_EQ(tc.GetPalette(), nullptr);
    EXPECT_FALSE(tc.IsGrayScale());
    EXPECT_FALSE(tc.AlphaPaletteIsValid());
}

TEST(Palette, GrayRampsByDepth) {
    CxImage four(2, 2, 4);
    four.SetGrayPalette();
    for (BYTE i = 0; i < 16; ++i)
        EXPECT_EQ(four.GetPaletteColor(i).rgbRed, i * 17);
    EXPECT_FALSE(four.IsGrayScale());
    CxImage one(2, 2, 1);
    one.SetGrayPalette();
    EXPECT_EQ(one.GetPaletteColor(1).rgbGreen, 255);
}

TEST(Palette, TransparentColourOfIndexedImagesComesFromThePalette) {
    CxImage img(2, 2, 8);
    img.SetPaletteColor(7, RGB(70, 80, 90));
    EXPECT_FALSE(img.IsTransparent());
    img.SetTransIndex(7);
    EXPECT_TRUE(img.IsTransparent());
    EXPECT_EQ(img.GetTransColor(), (RGBQUAD{90, 80, 70, 0}));
}

TEST(Alpha, PlaneLifecycleAndAccess) {
    CxImage img(3, 2, 24);
    EXPECT_EQ(img.AlphaGet(0, 0), 0);
    img.AlphaCreate();
    EXPECT_EQ(img.AlphaGet(2, 1), 255);
    img.AlphaSet(2, 1, 10);
    img.AlphaCreate(); // keeps the existing plane
    EXPECT_EQ(img.AlphaGet(2, 1), 10);
    EXPECT_EQ(img.AlphaGet(3, 1), 0);
    EXPECT_EQ(img.AlphaGetPointer(-1, 0), nullptr);
    img.SetPixelColor(1, 1, RGBQUAD{1, 2, 3, 44}, true);
    EXPECT_EQ(img.GetPixelColor(1, 1, true).rgbReserved, 44);
    EXPECT_EQ(img.GetPixelColor(1, 1, false).rgbReserved, 0);

    img.AlphaSet(0, 0, 1);
    ASSERT_TRUE(img.AlphaFlip());
    EXPECT_EQ(img.AlphaGet(0, 1), 1);
    EXPECT_EQ(img.AlphaGet(2, 0), 10);
    ASSERT_TRUE(img.AlphaMirror());
    EXPECT_EQ(img.AlphaGet(2, 1), 1);
    EXPECT_EQ(img.AlphaGet(0, 0), 10);
    img.AlphaDelete();
    EXPECT_FALSE(img.AlphaIsValid());
    EXPECT_FALSE(img.AlphaFlip());
    EXPECT_FALSE(img.AlphaMirror());

    CxImage empty;
    empty.AlphaCreate();
    EXPECT_FALSE(empty.AlphaIsValid());
}

TEST(Alpha, IndexedImagesIgnoreSetAlpha) {
    CxImage img(2, 2, 8);
    img.AlphaCreate();
    img.SetPixelColor(0, 0, RGBQUAD{0, 0, 0, 5}, true);
    EXPECT_EQ(img.AlphaGet(0, 0), 255);
}

TEST(Selection, DeleteResetsTheBoxAndEverythingInsideIsSelected) {
    CxImage img(4, 3, 24);
    EXPECT_TRUE(img.SelectionDelete());
    EXPECT_TRUE(img.SelectionIsInside(3, 2));
    EXPECT_FALSE(img.SelectionIsInside(4, 2));
    EXPECT_FALSE(img.SelectionIsInside(0, -1));
}
