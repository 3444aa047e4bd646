#include <gtest/gtest.h>

#include <cstring>

#include "image/CxImage.h"

TEST(Lifetime, StartupDefaults) {
    CxImage img(FORMAT_PCX);
    EXPECT_FALSE(img.IsValid());
    EXPECT_EQ(img.GetType(), static_cast<DWORD>(FORMAT_PCX));
    EXPECT_STREQ(img.GetLastError(), "");
    EXPECT_EQ(img.GetTransIndex(), -1);
    EXPECT_EQ(img.GetJpegQuality(), 90);
    EXPECT_EQ(img.GetXDPI(), 96);
    EXPECT_EQ(img.GetYDPI(), 96);
    EXPECT_TRUE(img.IsEnabled());
    EXPECT_STREQ(CxImage::GetVersion(), "CxImage 5.99c");
    EXPECT_FLOAT_EQ(CxImage::GetVersionNumber(), 5.99003f);
}

TEST(Lifetime, DestroyKeepsTheHeader) {
    CxImage img(12, 4, 24);
    EXPECT_TRUE(img.Destroy());
    EXPECT_FALSE(img.IsValid());
    EXPECT_EQ(img.GetWidth(), 12u);
    EXPECT_EQ(img.GetPalette(), nullptr);
}

TEST(Lifetime, TransferMovesTheBlockAndEmptiesTheSource) {
    CxImage from(4, 3, 8);
    from.AlphaCreate();
    from.SetPixelIndex(1, 1, 9);
    void* block = from.GetDIB();
    CxImage to;
    EXPECT_TRUE(to.Transfer(from));
    EXPECT_EQ(to.GetDIB(), block);
    EXPECT_EQ(to.GetPixelIndex(1, 1), 9);
    EXPECT_TRUE(to.AlphaIsValid());
    EXPECT_FALSE(from.IsValid());
    EXPECT_FALSE(from.AlphaIsValid());
    EXPECT_EQ(from.GetTransIndex(), 0);
    EXPECT_EQ(from.GetType(), 0u);
    EXPECT_EQ(from.GetWidth(), 0u);
}

TEST(Lifetime, GhostSharesPixelsAndFreesNothing) {
    CxImage body(5, 5, 24);
    body.Clear(0);
    body.AlphaCreate();
    {
        CxImage ghost;
        ghost.Ghost(&body);
        EXPECT_EQ(ghost.GetDIB(), body.GetDIB());
        ghost.SetPixelColor(2, 2, RGB(1, 2, 3));
        EXPECT_EQ(body.GetPixelColor(2, 2, false), (RGBQUAD{3, 2, 1, 0}));
        EXPECT_EQ(ghost.Create(3, 3, 8), nullptr);
        CxImage other(2, 2, 24);
        EXPECT_FALSE(ghost.Transfer(other));
        EXPECT_TRUE(other.IsValid());
        ghost.AlphaDelete(); // the body's plane is not the ghost's to free
        EXPECT_FALSE(ghost.AlphaFlip());
    }
    EXPECT_TRUE(body.IsValid());
    EXPECT_TRUE(body.AlphaIsValid());
    EXPECT_EQ(body.GetPixelColor(2, 2, false), (RGBQUAD{3, 2, 1, 0}));
}

TEST(Lifetime, CopyDuplicatesBlockAndPlanes) {
    CxImage src(6, 4, 4, FORMAT_TGA);
    src.SetPaletteColor(3, RGB(10, 20, 30));
    src.SetPixelIndex(5, 3, 3);
    src.AlphaCreate();
    src.AlphaSet(5, 3, 77);
    src.SetTransIndex(2);
    CxImage copy(src);
    ASSERT_TRUE(copy.IsValid());
    EXPECT_NE(copy.GetDIB(), src.GetDIB());
    EXPECT_EQ(0, std::memcmp(copy.GetDIB(), src.GetDIB(), src.GetSize()));
    EXPECT_EQ(copy.AlphaGet(5, 3), 77);
    EXPECT_EQ(copy.GetTransIndex(), 2);
    EXPECT_EQ(copy.GetType(), static_cast<DWORD>(FORMAT_TGA));

    CxImage paletteOnly(src, false, false, false);
    EXPECT_EQ(paletteOnly.GetPaletteColor(3), (RGBQUAD{30, 20, 10, 0}));
    EXPECT_FALSE(paletteOnly.AlphaIsValid());

    CxImage assigned;
    assigned = src;
    assigned = assigned;
    EXPECT_EQ(assigned.GetPixelIndex(5, 3), 3);
}

TEST(Lifetime, CopyOfAGhostIsAnIndependentImage) {
    CxImage body(3, 3, 24);
    CxImage ghost;
    ghost.Ghost(&body);
    CxImage copy(ghost);
    ASSERT_TRUE(copy.IsValid());
    EXPECT_NE(copy.GetDIB(), body.GetDIB());
    EXPECT_NE(copy.Create(2, 2, 8), nullptr); // not a ghost: it can be recreated

    CxImage empty;
    CxImage copyOfEmpty(empty);
    EXPECT_FALSE(copyOfEmpty.IsValid());
    EXPECT_EQ(copyOfEmpty.GetBits(), nullptr);
}

TEST(Lifetime, CopyInfoOnlyIntoAnEmptyImage) {
    CxImage src(FORMAT_GIF);
    src.SetFrame(3);
    CxImage empty;
    empty.CopyInfo(src);
    EXPECT_EQ(empty.GetFrame(), 3);
    CxImage valid(2, 2, 24);
    valid.CopyInfo(src);
    EXPECT_EQ(valid.GetFrame(), 0);
}

TEST(Lifetime, SmallAccessors) {
    CxImage img(FORMAT_BMP);
    img.SetXDPI(0);
    img.SetYDPI(-5);
    EXPECT_EQ(img.GetXDPI(), 96);
    EXPECT_EQ(img.GetYDPI(), 96);
    CxImage dpi300(1, 1, 24);
    dpi300.SetXDPI(300);
    dpi300.Create(1, 1, 24);
    const BYTE* block = static_cast<const BYTE*>(dpi300.GetDIB());
    EXPECT_EQ(block[24] | (block[25] << 8), 11811);

    EXPECT_EQ(img.GetCodecOption(8), 0u);
    EXPECT_FALSE(img.SetCodecOption(1, 9));
    EXPECT_TRUE(img.SetCodecOption(5));
    EXPECT_EQ(img.GetCodecOption(FORMAT_BMP), 5u);
    CxImage odd(99);
    EXPECT_FALSE(odd.SetCodecOption(1));
    EXPECT_EQ(odd.GetCodecOption(), 0u);

    img.SetFlags(0x12345678);
    EXPECT_EQ(img.GetFlags(), 0x5678u);
    img.SetFlags(0x12345678, false);
    EXPECT_EQ(img.GetFlags(), 0x12345678u);
    img.SetOffset(-4, 9);
    LONG x = 0, y = 0;
    img.GetOffset(&x, &y);
    EXPECT_EQ(x, -4);
    EXPECT_EQ(y, 9);
    CxImage::FreeMemory(nullptr);
}
