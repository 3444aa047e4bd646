#include <gtest/gtest.h>

#include <algorithm>

#include "image/CxImage.h"
#include "platform/ByteOrder.h"

TEST(Create, LaysOutHeaderPaletteAndZeroedRowsPaddedToFourBytes) {
    const struct {
        DWORD asked, made, colors, effWidth;
    } depths[] = {{0, 1, 2, 4},   {1, 1, 2, 4},    {2, 4, 16, 4},   {4, 4, 16, 4},  {5, 8, 256, 8},
                  {8, 8, 256, 8}, {16, 24, 0, 24}, {24, 24, 0, 24}, {32, 24, 0, 24}};
    for (const auto& d : depths) {
        const CxImage img(7, 5, d.asked);
        ASSERT_TRUE(img.IsValid());
        EXPECT_EQ(img.GetBpp(), d.made) << "asked " << d.asked;
        EXPECT_EQ(img.GetNumColors(), d.colors) << "asked " << d.asked;
        const BYTE* block = static_cast<const BYTE*>(img.GetDIB());
        BYTE header[40];
        StoreInfoHeader(header, BITMAPINFOHEADER{40, 7, 5, 1, static_cast<WORD>(d.made), BI_RGB,
                                                 5 * d.effWidth, 3780, 3780, d.colors, 0});
        EXPECT_TRUE(std::equal(header, header + 40, block)) << "asked " << d.asked;
        const BYTE* bits = block + 40 + 4 * d.colors;
        EXPECT_EQ(img.GetBits(0), bits);
        EXPECT_EQ(img.GetBits(5), nullptr);
        EXPECT_EQ(img.GetSize(), 40 + 4 * d.colors + 5 * d.effWidth);
        EXPECT_TRUE(std::all_of(block + 40, block + img.GetSize(), [](BYTE b) { return b == 0; }));
    }
}

TEST(Create, RefusesZeroSizesAndHugeBlocks) {
    CxImage img;
    EXPECT_EQ(img.Create(5, 0, 24), nullptr);
    EXPECT_EQ(img.Create(0, 5, 24), nullptr);
    EXPECT_FALSE(img.IsValid());
    EXPECT_STREQ(img.GetLastError(),
                 "CxImage::Create : width and height must be greater than zero");
    // Above the quotient limit (width * height * bpp / 256 > 256,000,000), then
    // under it with a block too large for the 32-bit size fields.
    const DWORD huge[][3] = {
        {70000, 70000, 24}, {40000, 40000, 24}, {0xFFFFFFFFu, 1, 1}, {1, 0x80000000u, 1}};
    for (const auto& [w, h, bpp] : huge) {
        CxImage big;
        EXPECT_EQ(big.Create(w, h, bpp), nullptr) << w << " x " << h;
        EXPECT_STREQ(big.GetLastError(), "CXIMAGE_MAX_MEMORY exceeded");
    }
}
