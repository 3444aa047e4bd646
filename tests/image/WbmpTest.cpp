#include <gtest/gtest.h>

#include "image/codecs/CxImageMonoWbmp.h"
#include "tests/image/CodecTestSupport.h"

using namespace codectest;

TEST(Wbmp, DecodesRowsTopFirstWithOneAsWhite) {
    CxImage img;
    ASSERT_TRUE(DecodeBytes({0x00, 0x00, 0x08, 0x02, 0xFF, 0x00}, FORMAT_WBMP, img));
    EXPECT_EQ(img.GetWidth(), 8u);
    EXPECT_EQ(img.GetHeight(), 2u);
    EXPECT_EQ(img.GetBpp(), 1);
    EXPECT_EQ(img.GetType(), FORMAT_WBMP);
    EXPECT_EQ(img.GetPixelColor(3, 1, false), (RGBQUAD{255, 255, 255, 0}));
    EXPECT_EQ(img.GetPixelColor(3, 0, false), (RGBQUAD{0, 0, 0, 0}));
}

TEST(Wbmp, SizesUseMultiByteIntegersBothWays) {
    // Width 129 = 0x81 0x01, height 2; two rows of 17 bytes.
    Bytes file = {0x00, 0x00, 0x81, 0x01, 0x02};
    file.insert(file.end(), 17, 0x00);
    file.insert(file.end(), 17, 0x80);
    CxImage img;
    ASSERT_TRUE(DecodeBytes(file, FORMAT_WBMP, img));
    EXPECT_EQ(img.GetWidth(), 129u);
    EXPECT_EQ(img.GetPixelIndex(0, 0), 1);
    EXPECT_EQ(img.GetPixelIndex(0, 1), 0);
    EXPECT_EQ(img.GetPixelIndex(128, 0), 1);

    CxImage wide = MakePicture(200, 130, 1);
    const Bytes out = EncodeBytes(wide, FORMAT_WBMP);
    ASSERT_GE(out.size(), 6u);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 6), (Bytes{0x00, 0x00, 0x81, 0x48, 0x81, 0x02}));
    EXPECT_EQ(out.size(), 6u + 25 * 130);
    CxImage back;
    ASSERT_TRUE(DecodeBytes(out, FORMAT_WBMP, back));
    EXPECT_TRUE(SameColours(back, wide));
}

TEST(Wbmp, EncoderWritesTheStoredIndexBitsAsTheyLie) {
    CxImage img(9, 1, 1);
    img.SetGrayPalette();
    BYTE* row = img.GetBits(0);
    row[0] = 0xA5;
    row[1] = 0xFF; // pixel 8 set, and the 7 unused bits as they lie
    EXPECT_EQ(EncodeBytes(img, FORMAT_WBMP), (Bytes{0, 0, 9, 1, 0xA5, 0xFF}));

    // The palette is not looked at: white-on-black comes back swapped.
    CxImage inverted = MakePicture(5, 3, 1);
    inverted.SetPaletteColor(0, RGB(255, 255, 255));
    inverted.SetPaletteColor(1, RGB(0, 0, 0));
    CxImage back;
    ASSERT_TRUE(DecodeBytes(EncodeBytes(inverted, FORMAT_WBMP), FORMAT_WBMP, back));
    for (LONG x = 0; x < 5; ++x) {
        EXPECT_EQ(back.GetPixelIndex(x, 2), inverted.GetPixelIndex(x, 2));
        EXPECT_NE(back.GetPixelColor(x, 2).rgbRed, inverted.GetPixelColor(x, 2).rgbRed);
    }
}

TEST(Wbmp, RoundTripsAtSeveralSizes) {
    EXPECT_EQ(RoundTripFailures(FORMAT_WBMP, {1}, {1, 7, 8, 9, 127, 128, 255}, 3), "");
}

TEST(Wbmp, EncoderRefusals) {
    CxImage fourBit = MakePicture(4, 4, 4);
    EXPECT_EQ(EncodeError(fourBit, FORMAT_WBMP), "Can't save this image as WBMP");
    CxImage wide(256, 1, 1);
    EXPECT_EQ(EncodeError(wide, FORMAT_WBMP), "Can't save this image as WBMP");
    CxImage high(1, 256, 1);
    EXPECT_EQ(EncodeError(high, FORMAT_WBMP), "Can't save this image as WBMP");
    CxImage empty;
    EXPECT_EQ(EncodeError(empty, FORMAT_WBMP), "null image!!!");
}

TEST(Wbmp, BadHeaders) {
    EXPECT_EQ(DecodeError<CxImageMonoWbmp>({}), "Not a WBMP");
    EXPECT_EQ(DecodeError<CxImageMonoWbmp>({0x00, 0x00, 0x08}), "Not a WBMP");
    EXPECT_EQ(DecodeError<CxImageMonoWbmp>({0x00, 0x00, 0x81}), "Not a WBMP"); // width cut inside
    EXPECT_EQ(DecodeError<CxImageMonoWbmp>({0x01, 0x00, 0x08, 0x02, 0xFF, 0x00}),
              "Unsupported WBMP type");
    EXPECT_EQ(DecodeError<CxImageMonoWbmp>({0x00, 0x00, 0x00, 0x02}), "Corrupted WBMP");
    EXPECT_EQ(DecodeError<CxImageMonoWbmp>({0x00, 0x00, 0x02, 0x00}), "Corrupted WBMP");
    // Six continuation bytes, and a value beyond 31 bits.
    EXPECT_EQ(DecodeError<CxImageMonoWbmp>({0x00, 0x00, 0x81, 0x81, 0x81, 0x81, 0x81, 0x01, 0x01}),
              "Corrupted WBMP");
    EXPECT_EQ(DecodeError<CxImageMonoWbmp>({0x00, 0x00, 0x88, 0x80, 0x80, 0x80, 0x00, 0x01}),
              "Corrupted WBMP");
    // A header announcing far more rows than the file could hold (here
    // 2^21 x 2^21 pixels after 3 bytes) is refused before any allocation.
    EXPECT_EQ(
        DecodeError<CxImageMonoWbmp>({0x00, 0x00, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0x7F, 1, 2, 3}),
        "Corrupted WBMP");
    CxImageMonoWbmp codec;
    EXPECT_FALSE(codec.Decode(nullptr));
}

TEST(Wbmp, RowsAShortFileLacksAreCleared) {
    CxImage img;
    ASSERT_TRUE(DecodeBytes({0x00, 0x00, 0x10, 0x03, 0xFF, 0xFF, 0xF0}, FORMAT_WBMP, img));
    const LONG top = 2;
    for (LONG x = 0; x < 16; ++x) {
        EXPECT_EQ(img.GetPixelIndex(x, top), 1) << x;
        EXPECT_EQ(img.GetPixelIndex(x, top - 1), x < 4 ? 1 : 0) << x;
        EXPECT_EQ(img.GetPixelIndex(x, 0), 0) << x;
    }
}

TEST(Wbmp, ImageMagickFilesAndOurFilesAgree) {
    if (!testsupport::HaveMagick()) GTEST_SKIP() << "ImageMagick is not installed";
    for (const char* source : {"-size 300x200 pattern:checkerboard", "rose: -monochrome"})
        EXPECT_EQ(MagickFileDifferences(source, ".wbmp", FORMAT_WBMP), 0) << source;
    for (DWORD width : {1u, 130u, 255u}) {
        CxImage img = MakePicture(width, 129, 1);
        EXPECT_EQ(OurFileDifferences(img, FORMAT_WBMP, ".wbmp"), 0) << width;
    }
}
