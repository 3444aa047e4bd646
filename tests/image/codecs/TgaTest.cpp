#include <gtest/gtest.h>

#include "tests/image/codecs/CodecTestSupport.h"

using namespace codectest;

namespace {

RGBQUAD Bgr(BYTE v) {
    return RGBQUAD{v, BYTE(v + 1), BYTE(v + 2), 0};
}

} // namespace

TEST(Tga, PacketsCrossRowsAndStopAtTheImagesEnd) {
    // Width 5: a raw packet of 3, then 0x85 (6 copies): 2 in this row, 4 in
    // the next, whose last pixel is a raw packet of 1.
    CxImage img = Decoded(Concat(TgaHeader(10, 5, 2, 24), {0x02, 10, 11, 12, 20, 21, 22, 30, 31, 32,
                                                           0x85, 40, 41, 42, 0x00, 50, 51, 52}),
                          FORMAT_TGA);
    const int expected[2][5] = {{10, 20, 30, 40, 40}, {40, 40, 40, 40, 50}};
    for (LONG i = 0; i < 10; ++i)
        EXPECT_EQ(img.GetPixelColor(i % 5, i / 5, false), Bgr(BYTE(expected[i / 5][i % 5]))) << i;
    // 8-bit grey, width 3: a raw packet of 5 crosses the row; a run of 1.
    img = Decoded(Concat(TgaHeader(11, 3, 2, 8), {0x04, 1, 2, 3, 4, 5, 0x80, 9}), FORMAT_TGA);
    EXPECT_TRUE(img.IsGrayScale());
    for (LONG i = 0; i < 6; ++i)
        EXPECT_EQ(img.GetPixelIndex(i % 3, i / 3), i < 5 ? i + 1 : 9) << i;
    // A run of 128 over a 2 x 2 image.
    img = Decoded(Concat(TgaHeader(10, 2, 2, 24), {0xFF, 7, 8, 9}), FORMAT_TGA);
    EXPECT_EQ(img.GetPixelColor(1, 1, false), (RGBQUAD{7, 8, 9, 0}));
}

TEST(Tga, OriginBitsOrientPixelsAndAlphaAlike) {
    // Two rows of 2 pixels, 32 bits; file row 0 holds alpha 10 and 20.
    const Bytes rows = {1, 1, 1, 10, 2, 2, 2, 20, 3, 3, 3, 30, 4, 4, 4, 40};
    for (BYTE descriptor : {0x00, 0x20, 0x10, 0x30}) {
        CxImage img = Decoded(Concat(TgaHeader(2, 2, 2, 32, descriptor), rows), FORMAT_TGA);
        ASSERT_TRUE(img.AlphaIsValid());
        const LONG y = (descriptor & 0x20) ? 1 : 0; // where file row 0 lands
        const LONG x = (descriptor & 0x10) ? 1 : 0; // where its first pixel lands
        EXPECT_EQ(img.GetPixelColor(x, y, true), (RGBQUAD{1, 1, 1, 10})) << int(descriptor);
        EXPECT_EQ(img.GetPixelColor(1 - x, y, true), (RGBQUAD{2, 2, 2, 20})) << int(descriptor);
        EXPECT_EQ(img.GetPixelColor(x, 1 - y, true), (RGBQUAD{3, 3, 3, 30})) << int(descriptor);
    }
}

TEST(Tga, SixteenBitPixelsAndThreeByteColourMaps) {
    CxImage img = Decoded(Concat(TgaHeader(2, 2, 1, 16), {0xFF, 0x7F, 0x1F, 0x80}), FORMAT_TGA);
    EXPECT_EQ(img.GetBpp(), 24);
    EXPECT_EQ(img.GetPixelColor(0, 0, false), (RGBQUAD{248, 248, 248, 0}));
    EXPECT_EQ(img.GetPixelColor(1, 0, false), (RGBQUAD{248, 0, 0, 0})); // bit 15 ignored
    // The entry-size field says 16; the two entries are still 3 bytes each.
    img = Decoded(
        Concat(TgaHeader(1, 2, 1, 8, 0, 2, 16, 3), {'i', 'd', 0, 10, 20, 30, 40, 50, 60, 1, 0}),
        FORMAT_TGA);
    EXPECT_EQ(img.GetPixelColor(0, 0, false), (RGBQUAD{40, 50, 60, 0}));
    EXPECT_EQ(img.GetPixelColor(1, 0, false), (RGBQUAD{10, 20, 30, 0}));
}

TEST(Tga, BadHeadersAndShortFiles) {
    // A colour map longer than the file, 65535 x 4095 pixels from a few
    // bytes (refused before any allocation), a row that starts at the end.
    ExpectRefusals(FORMAT_TGA,
                   {{"Not a TGA", {{}, Bytes(17, 0)}},
                    {"Unknown TGA image type", {TgaHeader(4, 1, 1, 24)}},
                    {"bad TGA header",
                     {TgaHeader(2, 0, 1, 24), TgaHeader(2, 1, 0, 24), TgaHeader(2, 1, 1, 12),
                      TgaHeader(1, 1, 1, 8, 0, 257)}},
                    {"corrupted TGA",
                     {TgaHeader(2, 1, 1, 24), Concat(TgaHeader(1, 2, 2, 8, 0, 256), Bytes(40, 7)),
                      Concat(TgaHeader(1, 0xFFFF, 0x0FFF, 8), {1, 2, 3}),
                      Concat(TgaHeader(11, 4, 3, 8), {0x83, 5, 0x83, 6})}}});
    // The last row cut after its first pixel, and compressed packets that run
    // out in the last row: what is missing is black.
    CxImage img = Decoded(
        Concat(TgaHeader(2, 3, 2, 24), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}), FORMAT_TGA);
    EXPECT_EQ(img.GetPixelColor(0, 1, false), (RGBQUAD{10, 11, 12, 0}));
    EXPECT_EQ(img.GetPixelColor(1, 1, false), (RGBQUAD{13, 0, 0, 0}));
    EXPECT_EQ(img.GetPixelColor(2, 1, false), (RGBQUAD{0, 0, 0, 0}));
    img = Decoded(Concat(TgaHeader(11, 4, 2, 8), {0x83, 5, 0x81, 6}), FORMAT_TGA);
    EXPECT_EQ(img.GetPixelIndex(1, 1), 6);
    EXPECT_EQ(img.GetPixelIndex(2, 1), 0);
}

TEST(Tga, EncoderScalesAlphaByAlphaMax) {
    // alphaMax has no setter; a subclass reaches the info record.
    struct Half : CxImage {
        Half() : CxImage(2, 1, 24) { info.alphaMax = 128; }
    } img;
    img.AlphaCreate();
    img.AlphaSet(1, 0, 100);
    const Bytes out = EncodeBytes(img, FORMAT_TGA);
    ASSERT_EQ(out.size(), 18u + 8);
    EXPECT_EQ((Bytes{out[16], out[21], out[25]}), (Bytes{32, 128, 100 * 128 / 255}));
}
