#include <gtest/gtest.h>

#include <cstring>

#include "image/CxImage.h"

TEST(Pixel, ColourConversions) {
    EXPECT_EQ(CxImage::RGBtoRGBQUAD(0x00332211), (RGBQUAD{0x33, 0x22, 0x11, 0}));
    EXPECT_EQ(CxImage::RGBQUADtoRGB(RGBQUAD{0x33, 0x22, 0x11, 0x99}), 0x00332211u);
}

TEST(Pixel, TrueColourBytesAreBlueGreenRedFromTheBottomRow) {
    CxImage img(4, 3, 24);
    img.Clear(0);
    img.SetPixelColor(0, 0, static_cast<COLORREF>(0x000000FF));
    const BYTE* bits = img.GetBits();
    EXPECT_EQ(bits[0], 0);
    EXPECT_EQ(bits[1], 0);
    EXPECT_EQ(bits[2], 255);
    img.SetPixelColor(3, 2, RGBQUAD{1, 2, 3, 4});
    const BYTE* top = img.GetBits(2) + 9;
    EXPECT_EQ(top[0], 1);
    EXPECT_EQ(top[2], 3);
    EXPECT_EQ(img.GetPixelColor(3, 2, true), (RGBQUAD{1, 2, 3, 0}));
}

TEST(Pixel, OutsideReadsFallBackAndOutsideWritesDoNothing) {
    CxImage img(2, 2, 24);
    img.Clear(9);
    img.SetPixelColor(0, 0, RGB(50, 60, 70));
    EXPECT_EQ(img.GetPixelColor(-1, 0, true), (RGBQUAD{70, 60, 50, 0}));
    img.SetTransColor(RGBQUAD{1, 1, 1, 200});
    EXPECT_EQ(img.GetTransColor(), (RGBQUAD{1, 1, 1, 0}));
    img.SetTransIndex(0);
    EXPECT_EQ(img.GetPixelColor(5, 5, true), (RGBQUAD{1, 1, 1, 0}));

    CxImage before(img);
    for (LONG c : {-1, 2, INT32_MIN, INT32_MAX}) {
        img.SetPixelColor(c, 0, RGB(1, 2, 3));
        img.SetPixelColor(0, c, RGB(1, 2, 3));
        img.SetPixelIndex(c, c, 1);
    }
    EXPECT_EQ(0, std::memcmp(img.GetDIB(), before.GetDIB(), img.GetSize()));

    CxImage empty;
    empty.SetTransColor(RGBQUAD{4, 5, 6, 0});
    EXPECT_EQ(empty.GetPixelColor(0, 0, true), (RGBQUAD{4, 5, 6, 0}));
    EXPECT_EQ(empty.GetPixelIndex(0, 0), 0);
    empty.SetPixelColor(0, 0, RGB(1, 1, 1));
}

TEST(Pixel, IndexedOutsideReadsUseTheTransparentIndexOrPixelZero) {
    CxImage img(3, 3, 8);
    img.SetPixelIndex(0, 0, 42);
    EXPECT_EQ(img.GetPixelIndex(-1, 7), 42);
    img.SetTransIndex(300); // low byte 44
    EXPECT_EQ(img.GetPixelIndex(-1, 7), 44);
    img.SetPaletteColor(44, RGB(9, 8, 7));
    EXPECT_EQ(img.GetPixelColor(3, 0, false), (RGBQUAD{7, 8, 9, 0}));
}

TEST(Pixel, FourAndOneBitPacking) {
    CxImage nib(5, 1, 4);
    nib.Clear(0);
    nib.GetBits()[0] = 0x05;
    nib.SetPixelIndex(0, 0, 0x1A);
    EXPECT_EQ(nib.GetBits()[0], 0xA5);
    EXPECT_EQ(nib.GetPixelIndex(0, 0), 10);
    EXPECT_EQ(nib.GetPixelIndex(1, 0), 5);

    CxImage bits(12, 2, 1);
    bits.Clear(0);
    bits.SetPixelIndex(9, 1, 1);
    EXPECT_EQ(bits.GetBits(1)[1], 0x40); // bit 6 of the second byte
    EXPECT_EQ(bits.GetPixelIndex(9, 1), 1);
    bits.SetPixelIndex(9, 1, 2); // only the low bit counts
    EXPECT_EQ(bits.GetPixelIndex(9, 1), 0);
}

TEST(Pixel, IndexedColourWritesPickTheNearestEntry) {
    CxImage img(2, 1, 1);
    img.SetPaletteColor(0, RGB(0, 0, 0));
    img.SetPaletteColor(1, RGB(255, 255, 255));
    img.SetPixelColor(1, 0, RGBQUAD{200, 200, 200, 9}, true);
    EXPECT_EQ(img.GetPixelIndex(1, 0), 1);
    EXPECT_EQ(img.GetPixelColor(1, 0, true), (RGBQUAD{255, 255, 255, 0}));
}

TEST(Pixel, BlindReadersMatchTheCheckedOnesAndRefuseOutside) {
    CxImage tc(3, 2, 24);
    tc.SetPixelColor(2, 1, RGB(10, 20, 30));
    tc.AlphaCreate();
    tc.AlphaSet(2, 1, 99);
    EXPECT_EQ(tc.BlindGetPixelColor(2, 1), (RGBQUAD{30, 20, 10, 99}));
    EXPECT_EQ(tc.BlindGetPixelPointer(2, 1), tc.GetBits(1) + 6);
    EXPECT_THROW(tc.BlindGetPixelColor(3, 0), int);
    EXPECT_THROW(tc.BlindGetPixelIndex(0, 0), int); // no palette

    CxImage pal(3, 2, 8);
    pal.SetPaletteColor(5, 1, 2, 3, 4);
    pal.SetPixelIndex(1, 1, 5);
    EXPECT_EQ(pal.BlindGetPixelIndex(1, 1), 5);
    EXPECT_EQ(pal.BlindGetPixelColor(1, 1), (RGBQUAD{3, 2, 1, 4}));
    EXPECT_EQ(pal.BlindGetPixelPointer(1, 1), nullptr);
    EXPECT_THROW(pal.BlindGetPixelIndex(-1, 0), int);
    EXPECT_THROW(CxImage().BlindGetPixelColor(0, 0), int);
}

TEST(Pixel, IsInsideUsesSignedBounds) {
    CxImage img(3, 2, 24);
    EXPECT_TRUE(img.IsInside(0, 0));
    EXPECT_TRUE(img.IsInside(2, 1));
    EXPECT_FALSE(img.IsInside(3, 1));
    EXPECT_FALSE(img.IsInside(0, -1));
    EXPECT_FALSE(img.IsInside(INT32_MIN, 0));
}
