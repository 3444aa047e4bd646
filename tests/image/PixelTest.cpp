#include <gtest/gtest.h>

#include <cstring>

#include "image/CxImage.h"

TEST(Pixel, OutsideReadsFallBackAndOutsideWritesDoNothing) {
    CxImage img(2, 2, 24);
    img.SetPixelColor(0, 0, RGB(50, 60, 70));
    EXPECT_EQ(img.GetPixelColor(-1, 0, true), (RGBQUAD{70, 60, 50, 0}));
    img.SetTransColor(RGBQUAD{1, 1, 1, 200});
    img.SetTransIndex(0);
    EXPECT_EQ(img.GetPixelColor(5, 5, true), (RGBQUAD{1, 1, 1, 0}));

    const CxImage before(img);
    for (LONG c : {-1, 2, INT32_MIN, INT32_MAX}) {
        img.SetPixelColor(c, 0, RGB(1, 2, 3));
        img.SetPixelColor(0, c, RGB(1, 2, 3));
        img.SetPixelIndex(c, c, 1);
        EXPECT_FALSE(img.IsInside(c, 0));
        EXPECT_FALSE(img.IsInside(0, c));
    }
    EXPECT_EQ(0, std::memcmp(img.GetDIB(), before.GetDIB(), img.GetSize()));
    EXPECT_TRUE(img.IsInside(1, 1));
    EXPECT_TRUE(img.SelectionDelete());
    EXPECT_TRUE(img.SelectionIsInside(1, 1));
    EXPECT_FALSE(img.SelectionIsInside(0, -1));

    CxImage empty;
    empty.SetTransColor(RGBQUAD{4, 5, 6, 0});
    EXPECT_EQ(empty.GetPixelColor(0, 0, true), (RGBQUAD{4, 5, 6, 0}));
    EXPECT_EQ(empty.GetPixelIndex(0, 0), 0);
    empty.SetPixelColor(0, 0, RGB(1, 1, 1));
}

TEST(Pixel, FourAndOneBitPacking) {
    CxImage nib(5, 1, 4);
    nib.GetBits()[0] = 0x05;
    nib.SetPixelIndex(0, 0, 0x1A);
    EXPECT_EQ(nib.GetBits()[0], 0xA5);
    EXPECT_EQ(nib.GetPixelIndex(1, 0), 5);

    CxImage bits(12, 2, 1);
    bits.SetPixelIndex(9, 1, 1);
    EXPECT_EQ(bits.GetBits(1)[1], 0x40); // bit 6 of the second byte
    EXPECT_EQ(bits.GetPixelIndex(9, 1), 1);
    bits.SetPixelIndex(9, 1, 2); // only the low bit counts
    EXPECT_EQ(bits.GetPixelIndex(9, 1), 0);
}

TEST(Pixel, BlindReadersThrowInsteadOfReadingOutside) {
    EXPECT_THROW(CxImage(3, 2, 24).BlindGetPixelIndex(0, 0), int); // no palette
    CxImage pal(3, 2, 8);
    pal.SetPaletteColor(0, 1, 2, 3, 4);
    EXPECT_EQ(pal.BlindGetPixelColor(1, 1), (RGBQUAD{3, 2, 1, 4}));
    EXPECT_THROW(pal.BlindGetPixelIndex(-1, 0), int);
    EXPECT_THROW(pal.BlindGetPixelColor(3, 0), int);
    EXPECT_THROW(CxImage().BlindGetPixelColor(0, 0), int);
}
