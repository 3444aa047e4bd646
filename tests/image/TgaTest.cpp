#include <gtest/gtest.h>

#include "image/codecs/CxImageTGA.h"
#include "tests/image/CodecTestSupport.h"

using namespace codectest;

namespace {

struct TgaLayout {
    BYTE imageType = 2;
    WORD width = 1;
    WORD height = 1;
    BYTE depth = 24;
    BYTE descriptor = 0;
    BYTE colorMapType = 0;
    WORD colorMapLength = 0;
    BYTE colorMapEntrySize = 0;
    BYTE idLength = 0;
};

Bytes TgaHeader(const TgaLayout& t) {
    return {t.idLength,
            t.colorMapType,
            t.imageType,
            0,
            0,
            static_cast<BYTE>(t.colorMapLength),
            static_cast<BYTE>(t.colorMapLength >> 8),
            t.colorMapEntrySize,
            0,
            0,
            0,
            0,
            static_cast<BYTE>(t.width),
            static_cast<BYTE>(t.width >> 8),
            static_cast<BYTE>(t.height),
            static_cast<BYTE>(t.height >> 8),
            t.depth,
            t.descriptor};
}

RGBQUAD Bgr(BYTE v) {
    return RGBQUAD{v, static_cast<BYTE>(v + 1), static_cast<BYTE>(v + 2), 0};
}

} // namespace

TEST(Tga, RunPacketCrossingTheRowEndContinuesOnTheNextRow) {
    // Width 5: a raw packet of 3 pixels, then 0x85 (6 copies) with 2 pixels
    // left in the row: 2 copies here, 4 at the start of the next row, whose
    // last pixel comes from a raw packet of 1.
    const Bytes data = {0x02, 10,   11, 12, 20, 21,   22, 30, 31,
                        32,   0x85, 40, 41, 42, 0x00, 50, 51, 52};
    CxImage img;
    ASSERT_TRUE(DecodeBytes(Concat(TgaHeader({10, 5, 2, 24}), data), FORMAT_TGA, img));
    EXPECT_EQ(img.GetPixelColor(0, 0, false), Bgr(10));
    EXPECT_EQ(img.GetPixelColor(2, 0, false), Bgr(30));
    for (LONG x : {3, 4})
        EXPECT_EQ(img.GetPixelColor(x, 0, false), Bgr(40)) << x;
    for (LONG x : {0, 1, 2, 3})
        EXPECT_EQ(img.GetPixelColor(x, 1, false), Bgr(40)) << x;
    EXPECT_EQ(img.GetPixelColor(4, 1, false), Bgr(50));
}

TEST(Tga, RawPacketCrossingTheRowEndContinuesOnTheNextRow) {
    // 8-bit grey, width 3: one raw packet of 5 pixels, then a run of 1.
    const Bytes data = {0x04, 1, 2, 3, 4, 5, 0x80, 9};
    CxImage img;
    ASSERT_TRUE(DecodeBytes(Concat(TgaHeader({11, 3, 2, 8}), data), FORMAT_TGA, img));
    const BYTE expected[2][3] = {{1, 2, 3}, {4, 5, 9}};
    for (LONG y = 0; y < 2; ++y)
        for (LONG x = 0; x < 3; ++x)
            EXPECT_EQ(img.GetPixelIndex(x, y), expected[y][x]) << x << "," << y;
    EXPECT_TRUE(img.IsGrayScale());
}

TEST(Tga, RunPacketsLongerThanTheImageStopAtItsEnd) {
    CxImage img;
    ASSERT_TRUE(DecodeBytes(Concat(TgaHeader({10, 2, 2, 24}), {0xFF, 7, 8, 9}), FORMAT_TGA, img));
    for (LONG y = 0; y < 2; ++y)
        for (LONG x = 0; x < 2; ++x)
            EXPECT_EQ(img.GetPixelColor(x, y, false), (RGBQUAD{7, 8, 9, 0}));
}

TEST(Tga, OriginBitsOrientPixelsAndAlphaAlike) {
    // Two rows of 2 pixels, 32 bits; file row 0 holds alpha 10 and 20.
    const Bytes rows = {1, 1, 1, 10, 2, 2, 2, 20, 3, 3, 3, 30, 4, 4, 4, 40};
    for (BYTE descriptor : {0x00, 0x20, 0x10, 0x30}) {
        CxImage img;
        ASSERT_TRUE(
            DecodeBytes(Concat(TgaHeader({2, 2, 2, 32, descriptor}), rows), FORMAT_TGA, img));
        ASSERT_TRUE(img.AlphaIsValid());
        const LONG y = (descriptor & 0x20) ? 1 : 0; // where file row 0 lands
        const LONG x = (descriptor & 0x10) ? 1 : 0; // where its first pixel lands
        EXPECT_EQ(img.GetPixelColor(x, y, true), (RGBQUAD{1, 1, 1, 10})) << int(descriptor);
        EXPECT_EQ(img.GetPixelColor(1 - x, y, true), (RGBQUAD{2, 2, 2, 20})) << int(descriptor);
        EXPECT_EQ(img.GetPixelColor(x, 1 - y, true), (RGBQUAD{3, 3, 3, 30})) << int(descriptor);
    }
}

TEST(Tga, SixteenBitPixelsKeepTheTopFiveBitsOfEachChannel) {
    CxImage img;
    ASSERT_TRUE(
        DecodeBytes(Concat(TgaHeader({2, 2, 1, 16}), {0xFF, 0x7F, 0x1F, 0x80}), FORMAT_TGA, img));
    EXPECT_EQ(img.GetBpp(), 24);
    EXPECT_EQ(img.GetPixelColor(0, 0, false), (RGBQUAD{248, 248, 248, 0}));
    EXPECT_EQ(img.GetPixelColor(1, 0, false), (RGBQUAD{248, 0, 0, 0})); // bit 15 ignored
}

TEST(Tga, ColourMapsAreReadAsThreeByteEntries) {
    // The entry-size field says 16; the two entries are still 3 bytes each.
    TgaLayout t{1, 2, 1, 8};
    t.colorMapType = 1;
    t.colorMapLength = 2;
    t.colorMapEntrySize = 16;
    t.idLength = 3;
    CxImage img;
    const Bytes file = Concat(TgaHeader(t), {'i', 'd', '!', 10, 20, 30, 40, 50, 60, 1, 0});
    ASSERT_TRUE(DecodeBytes(file, FORMAT_TGA, img));
    EXPECT_EQ(img.GetPaletteColor(0), (RGBQUAD{10, 20, 30, 0}));
    EXPECT_EQ(img.GetPixelColor(0, 0, false), (RGBQUAD{40, 50, 60, 0}));
    EXPECT_EQ(img.GetPixelColor(1, 0, false), (RGBQUAD{10, 20, 30, 0}));
}

TEST(Tga, BadHeadersAndCancel) {
    EXPECT_EQ(DecodeError<CxImageTGA>({}), "Not a TGA");
    EXPECT_EQ(DecodeError<CxImageTGA>(Bytes(17, 0)), "Not a TGA");
    EXPECT_EQ(DecodeError<CxImageTGA>(TgaHeader({4, 1, 1, 24})), "Unknown TGA image type");
    EXPECT_EQ(DecodeError<CxImageTGA>(TgaHeader({2, 0, 1, 24})), "bad TGA header");
    EXPECT_EQ(DecodeError<CxImageTGA>(TgaHeader({2, 1, 0, 24})), "bad TGA header");
    EXPECT_EQ(DecodeError<CxImageTGA>(TgaHeader({2, 1, 1, 12})), "bad TGA header");
    TgaLayout longMap{1, 1, 1, 8};
    longMap.colorMapType = 1;
    longMap.colorMapLength = 257;
    EXPECT_EQ(DecodeError<CxImageTGA>(TgaHeader(longMap)), "bad TGA header");
    EXPECT_EQ(DecodeError<CxImageTGA>(TgaHeader({2, 1, 1, 24})), "corrupted TGA");
    // A colour map longer than the file.
    TgaLayout cut{1, 2, 2, 8};
    cut.colorMapType = 1;
    cut.colorMapLength = 256;
    EXPECT_EQ(DecodeError<CxImageTGA>(Concat(TgaHeader(cut), Bytes(40, 7))), "corrupted TGA");
    // 65535 x 65535 at 8 bits from a few bytes: refused before any allocation.
    EXPECT_EQ(DecodeError<CxImageTGA>(Concat(TgaHeader({1, 0xFFFF, 0xFFFF, 8}), {1, 2, 3})),
              "corrupted TGA");

    CxImageTGA codec;
    codec.SetEscape(1);
    EXPECT_FALSE(DecodeWith(Concat(TgaHeader({2, 1, 1, 24}), {1, 2, 3}), codec));
    EXPECT_STREQ(codec.GetLastError(), "Cancelled");
    EXPECT_FALSE(codec.Decode(nullptr));
}

TEST(Tga, ShortFilesClearWhatTheyDoNotSupply) {
    // The last row is cut after its first pixel: the rest is black.
    CxImage img;
    ASSERT_TRUE(
        DecodeBytes(Concat(TgaHeader({2, 3, 2, 24}), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}),
                    FORMAT_TGA, img));
    EXPECT_EQ(img.GetPixelColor(2, 0, false), (RGBQUAD{7, 8, 9, 0}));
    EXPECT_EQ(img.GetPixelColor(0, 1, false), (RGBQUAD{10, 11, 12, 0}));
    EXPECT_EQ(img.GetPixelColor(1, 1, false), (RGBQUAD{13, 0, 0, 0}));
    EXPECT_EQ(img.GetPixelColor(2, 1, false), (RGBQUAD{0, 0, 0, 0}));
    // A compressed last row whose packets run out.
    ASSERT_TRUE(DecodeBytes(Concat(TgaHeader({11, 4, 2, 8}), {0x83, 5, 0x81, 6}), FORMAT_TGA, img));
    EXPECT_EQ(img.GetPixelIndex(1, 1), 6);
    EXPECT_EQ(img.GetPixelIndex(2, 1), 0);
    EXPECT_EQ(img.GetPixelIndex(3, 1), 0);
    // A row that starts at the end of the file fails.
    EXPECT_EQ(DecodeError<CxImageTGA>(Concat(TgaHeader({11, 4, 3, 8}), {0x83, 5, 0x83, 6})),
              "corrupted TGA");
}

TEST(Tga, EncoderLayouts) {
    CxImage grey(3, 2, 8);
    grey.SetGrayPalette();
    const Bytes indexed = EncodeBytes(grey, FORMAT_TGA);
    ASSERT_EQ(indexed.size(), 18u + 768 + 6);
    TgaLayout t{1, 3, 2, 8};
    t.colorMapType = 1;
    t.colorMapLength = 256;
    t.colorMapEntrySize = 24;
    EXPECT_EQ(Bytes(indexed.begin(), indexed.begin() + 18), TgaHeader(t));

    CxImage rgb = MakePicture(3, 2, 24);
    const Bytes plain = EncodeBytes(rgb, FORMAT_TGA);
    ASSERT_EQ(plain.size(), 18u + 18);
    EXPECT_EQ(Bytes(plain.begin(), plain.begin() + 18), TgaHeader({2, 3, 2, 24}));
    EXPECT_TRUE(std::equal(plain.begin() + 18, plain.begin() + 27, rgb.GetBits(0)));
}

TEST(Tga, EncoderScalesAlphaByAlphaMax) {
    // alphaMax has no setter; a subclass reaches the info record.
    struct Limited : CxImage {
        explicit Limited(BYTE alphaMax) : CxImage(2, 1, 24) { info.alphaMax = alphaMax; }
    };
    for (BYTE alphaMax : {255, 128}) {
        Limited img(alphaMax);
        img.AlphaCreate();
        img.AlphaSet(1, 0, 100);
        const Bytes out = EncodeBytes(img, FORMAT_TGA);
        ASSERT_EQ(out.size(), 18u + 8);
        EXPECT_EQ(out[16], 32);
        EXPECT_EQ(out[18 + 3], alphaMax);
        EXPECT_EQ(out[18 + 7], 100 * alphaMax / 255);
    }
}

TEST(Tga, EncoderRefusals) {
    CxImage fourBit = MakePicture(2, 2, 4);
    EXPECT_EQ(EncodeError(fourBit, FORMAT_TGA), "Bit depth must be 8 or 24");
    CxImage oneBit = MakePicture(2, 2, 1);
    EXPECT_EQ(EncodeError(oneBit, FORMAT_TGA), "Bit depth must be 8 or 24");
    CxImage wide(65536, 1, 24);
    EXPECT_EQ(EncodeError(wide, FORMAT_TGA), "Image too large for TGA");
}

TEST(Tga, RoundTrips) {
    EXPECT_EQ(RoundTripFailures(FORMAT_TGA, {8, 24}, {1, 5, 130}, 7), "");
    CxImage rgba = PictureWithAlpha(6, 3);
    CxImage back;
    ASSERT_TRUE(DecodeBytes(EncodeBytes(rgba, FORMAT_TGA), FORMAT_TGA, back));
    EXPECT_EQ(testsupport::ToRgba8(back), testsupport::ToRgba8(rgba));
}

TEST(Tga, ImageMagickFilesAndOurFilesAgree) {
    if (!testsupport::HaveMagick()) GTEST_SKIP() << "ImageMagick is not installed";
    for (const char* arguments : {
             "rose: -compress RLE",
             "rose: -compress RLE -orient TopLeft",
             "rose: -alpha set -channel A -fx i/w +channel -compress RLE",
             "rose: -alpha set -channel A -fx j/h +channel -orient TopLeft",
             "rose: -type palette -compress RLE",
             "rose: -colorspace gray -compress RLE",
             "rose: -colorspace gray",
         })
        EXPECT_EQ(MagickFileDifferences(arguments, ".tga", FORMAT_TGA), 0) << arguments;
    // 15/16-bit channels are v << 3; ImageMagick also fills the low bits.
    const auto fiveBits = [](BYTE v) { return static_cast<BYTE>(v & 0xF8); };
    for (const char* arguments : {"rose: -compress RLE -depth 5", "rose: -depth 5 -orient TopLeft"})
        EXPECT_EQ(MagickFileDifferences(arguments, ".tga", FORMAT_TGA, fiveBits), 0) << arguments;

    for (DWORD bpp : {8u, 24u}) {
        CxImage img = MakePicture(37, 23, bpp);
        EXPECT_EQ(OurFileDifferences(img, FORMAT_TGA, ".tga"), 0) << bpp;
    }
    CxImage rgba = PictureWithAlpha(37, 23);
    EXPECT_EQ(OurFileDifferences(rgba, FORMAT_TGA, ".tga"), 0);
}
