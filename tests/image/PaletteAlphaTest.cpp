#include <gtest/gtest.h>

#include "image/CxImage.h"

TEST(Palette, NearestIndexScansWithTiesToTheLowerIndexAndCaches) {
    CxImage two(2, 2, 1);
    two.SetPaletteColor(1, RGB(2, 2, 2));
    EXPECT_EQ(two.GetNearestIndex(RGBQUAD{1, 1, 1, 0}), 0);
    two.SetPaletteColor(0, RGB(9, 9, 9)); // a palette change invalidates the cached answer
    EXPECT_EQ(two.GetNearestIndex(RGBQUAD{1, 1, 1, 0}), 1);
}

TEST(Palette, SettersRespectThePaletteSize) {
    CxImage img(2, 2, 1);
    const RGBQUAD pal[4] = {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 9, 9, 9}, {9, 9, 9, 9}};
    img.SetPalette(pal, 4);
    EXPECT_EQ(img.GetPaletteColor(1), (RGBQUAD{5, 6, 7, 8}));
    img.SetPaletteColor(2, RGB(1, 1, 1)); // beyond the two entries: ignored
    EXPECT_EQ(img.GetBits()[0], 0) << "the rows after the palette are untouched";
    const BYTE r[3] = {10, 20, 30};
    img.SetPalette(3, r);
    EXPECT_EQ(img.GetPaletteColor(1), (RGBQUAD{20, 20, 20, 8}));
    EXPECT_TRUE(img.AlphaPaletteIsValid());
    img.SetTransIndex(1);
    EXPECT_EQ(img.GetTransColor(), img.GetPaletteColor(1));

    CxImage tc(2, 2, 24);
    tc.SetPalette(pal, 4);
    tc.SetGrayPalette();
    EXPECT_EQ(tc.GetPalette(), nullptr);
}

TEST(Alpha, PlaneLifecycleAndAccess) {
    CxImage img(3, 2, 24);
    img.AlphaCreate();
    img.AlphaSet(2, 1, 10);
    img.AlphaCreate(); // keeps the existing plane
    EXPECT_EQ(img.AlphaGet(2, 1), 10);
    EXPECT_EQ(img.AlphaGet(3, 1), 0);
    img.SetPixelColor(1, 1, RGBQUAD{1, 2, 3, 44}, true);
    EXPECT_EQ(img.GetPixelColor(1, 1, true).rgbReserved, 44);
    EXPECT_EQ(img.GetPixelColor(1, 1, false).rgbReserved, 0);

    CxImage indexed(2, 2, 8); // ignores the alpha of a colour write
    indexed.AlphaCreate();
    indexed.SetPixelColor(0, 0, RGBQUAD{0, 0, 0, 5}, true);
    EXPECT_EQ(indexed.AlphaGet(0, 0), 255);
    CxImage empty;
    empty.AlphaCreate();
    EXPECT_FALSE(empty.AlphaIsValid());
}
