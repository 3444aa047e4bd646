#include <gtest/gtest.h>

#include "image/CxImage.h"
#include "platform/ByteOrder.h"

TEST(Create, PadsRowsToFourBytes) {
    CxImage a(10, 1, 24);
    ASSERT_TRUE(a.IsValid());
    EXPECT_EQ(a.GetEffWidth(), 32u);
    EXPECT_EQ(a.GetSize(), 40u + 32u);

    CxImage b(3, 2, 1);
    ASSERT_TRUE(b.IsValid());
    EXPECT_EQ(b.GetEffWidth(), 4u);
    EXPECT_EQ(b.GetNumColors(), 2u);
    EXPECT_EQ(b.GetSize(), 40u + 8u + 8u);
    EXPECT_EQ(b.GetPaletteColor(0), (RGBQUAD{0, 0, 0, 0}));
    EXPECT_EQ(b.GetPaletteColor(1), (RGBQUAD{0, 0, 0, 0}));
}

TEST(Create, NormalisesTheDepth) {
    const struct {
        DWORD asked, made, colors;
    } cases[] = {{0, 1, 2},   {1, 1, 2},   {2, 4, 16},  {4, 4, 16}, {5, 8, 256},
                 {8, 8, 256}, {16, 24, 0}, {24, 24, 0}, {32, 24, 0}};
    for (const auto& c : cases) {
        CxImage img(5, 3, c.asked);
        EXPECT_EQ(img.GetBpp(), c.made) << "asked " << c.asked;
        EXPECT_EQ(img.GetNumColors(), c.colors) << "asked " << c.asked;
    }
}

TEST(Create, WritesTheHeaderIntoTheBlockAndPointsBitsPastThePalette) {
    CxImage img(7, 5, 8, FORMAT_GIF);
    const BITMAPINFOHEADER h = LoadInfoHeader(static_cast<const BYTE*>(img.GetDIB()));
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 7);
    EXPECT_EQ(h.biHeight, 5);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 8);
    EXPECT_EQ(h.biCompression, BI_RGB);
    EXPECT_EQ(h.biSizeImage, 8u * 5u);
    EXPECT_EQ(h.biXPelsPerMeter, 3780);
    EXPECT_EQ(h.biClrUsed, 256u);
    EXPECT_EQ(img.GetType(), static_cast<DWORD>(FORMAT_GIF));
    const BYTE* block = static_cast<const BYTE*>(img.GetDIB());
    EXPECT_EQ(img.GetBits(0), block + 40 + 1024);
    EXPECT_EQ(img.GetBits(4), block + 40 + 1024 + 4 * 8);
    EXPECT_EQ(img.GetBits(5), nullptr);
    EXPECT_EQ(CxImage().GetBits(0), nullptr);
}

TEST(Create, NewPixelRowsAreZeroed) {
    CxImage img(33, 9, 24);
    const BYTE* bits = img.GetBits();
    for (DWORD i = 0; i < img.GetEffWidth() * img.GetHeight(); ++i)
        ASSERT_EQ(bits[i], 0) << i;
}

TEST(Create, RefusesZeroSizes) {
    CxImage img;
    EXPECT_EQ(img.Create(0, 5, 24), nullptr);
    EXPECT_FALSE(img.IsValid());
    EXPECT_STREQ(img.GetLastError(),
                 "CxImage::Create : width and height must be greater than zero");
    EXPECT_EQ(img.Create(5, 0, 24), nullptr);
}

TEST(Create, MemoryGuardRefusesHugeImagesWithoutAllocating) {
    CxImage img;
    // width * height * bpp / 256 above 256,000,000
    EXPECT_EQ(img.Create(70000, 70000, 24), nullptr);
    EXPECT_STREQ(img.GetLastError(), "CXIMAGE_MAX_MEMORY exceeded");
    // under the quotient limit, but the block would not fit the 32-bit size fields
    CxImage big;
    EXPECT_EQ(big.Create(40000, 40000, 24), nullptr);
    EXPECT_STREQ(big.GetLastError(), "CXIMAGE_MAX_MEMORY exceeded");
    CxImage wide;
    EXPECT_EQ(wide.Create(0xFFFFFFFFu, 1, 1), nullptr);
    EXPECT_STREQ(wide.GetLastError(), "CXIMAGE_MAX_MEMORY exceeded");
    CxImage tall;
    EXPECT_EQ(tall.Create(1, 0x80000000u, 1), nullptr);
    EXPECT_STREQ(tall.GetLastError(), "CXIMAGE_MAX_MEMORY exceeded");
}

TEST(Create, KeepsInfoFieldsAndAnEarlierErrorText) {
    CxImage img;
    img.Create(0, 0, 8);
    img.SetTransIndex(3);
    img.SetXDPI(300);
    ASSERT_NE(img.Create(4, 4, 8), nullptr);
    EXPECT_EQ(img.GetTransIndex(), 3);
    EXPECT_EQ(img.GetXDPI(), 300);
    EXPECT_STREQ(img.GetLastError(),
                 "CxImage::Create : width and height must be greater than zero");
}

TEST(Create, ClearFillsEveryRowByteByDepth) {
    CxImage c24(3, 2, 24);
    c24.Clear(255);
    for (LONG y = 0; y < 2; ++y)
        for (LONG x = 0; x < 3; ++x)
            EXPECT_EQ(c24.GetPixelColor(x, y, true), (RGBQUAD{255, 255, 255, 0}));
    CxImage c4(5, 2, 4);
    c4.Clear(7);
    for (DWORD i = 0; i < c4.GetEffWidth() * 2; ++i)
        EXPECT_EQ(c4.GetBits()[i], 0x77);
    CxImage c1(5, 2, 1);
    c1.Clear(2);
    EXPECT_EQ(c1.GetBits()[0], 0xFF);
    CxImage().Clear(3); // no block: nothing happens
}
