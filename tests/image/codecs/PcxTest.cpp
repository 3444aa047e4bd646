#include <gtest/gtest.h>

#include "tests/image/codecs/CodecTestSupport.h"

using namespace codectest;

namespace {

constexpr std::size_t kHeader = 128;

// The 256-colour map after the data: entry i is (i, 255 - i, 7).
Bytes VgaPalette() {
    Bytes p = {12};
    for (int i = 0; i < 256; ++i)
        p.insert(p.end(), {BYTE(i), BYTE(255 - i), 7});
    return p;
}

// The run-length data our encoder writes for an 8-bit row.
Bytes EncodedRow(const Bytes& row) {
    CxImage img(static_cast<DWORD>(row.size()), 1, 8);
    for (std::size_t x = 0; x < row.size(); ++x)
        img.SetPixelIndex(static_cast<LONG>(x), 0, row[x]);
    const Bytes file = EncodeBytes(img, FORMAT_PCX);
    return Bytes(file.begin() + kHeader, file.end() - 769);
}

} // namespace

TEST(Pcx, RunLengthCoding) {
    CxImage img = Decoded(
        Concat(PcxHeader(3, 1, 8, 1, 4), Concat({0xC3, 0x41, 0x00}, VgaPalette())), FORMAT_PCX);
    EXPECT_EQ(img.GetPixelIndex(2, 0), 0x41);
    EXPECT_EQ(img.GetPaletteColor(0x41), (RGBQUAD{7, 255 - 0x41, 0x41, 0}));
    // A single byte that looks like a run header is escaped; runs stop at 63.
    EXPECT_EQ(EncodedRow({0xC1, 0x00}), (Bytes{0xC1, 0xC1, 0x00}));
    EXPECT_EQ(EncodedRow(Bytes(64, 0x05)), (Bytes{0xFF, 0x05, 0x05}));
    EXPECT_EQ(EncodedRow(Bytes(64, 0xD0)), (Bytes{0xFF, 0xD0, 0xC1, 0xD0}));
}

TEST(Pcx, MonochromeIsWrittenBlackOnWhite) {
    CxImage img = MakePicture(11, 3, 1);
    img.SetPaletteColor(0, RGB(255, 255, 255));
    img.SetPaletteColor(1, RGB(0, 0, 0));
    const Bytes file = EncodeBytes(img, FORMAT_PCX);
    EXPECT_EQ(Bytes(file.begin() + 16, file.begin() + 22), (Bytes{0, 0, 0, 255, 255, 255}));
    CxImage back = Decoded(file, FORMAT_PCX);
    EXPECT_EQ(testsupport::ToRgb8(back), testsupport::ToRgb8(img));
    EXPECT_NE(back.GetPixelIndex(0, 0), img.GetPixelIndex(0, 0));
}

TEST(Pcx, PlanesAndPackedPixels) {
    // Three planes of 1 bit keep all three bits of each index: plane 0 =
    // 0xAA, plane 1 = 0xCC, plane 2 = 0xF0 give pixel x the index 7 - x.
    Bytes three = PcxHeader(8, 1, 1, 3, 2);
    for (int i = 0; i < 16; ++i)
        three[16 + 3 * i] = BYTE(i * 16);
    CxImage img =
        Decoded(Concat(three, {0xAA, 0x00, 0xC1, 0xCC, 0x00, 0xC1, 0xF0, 0x00}), FORMAT_PCX);
    EXPECT_EQ(img.GetBpp(), 4);
    for (LONG x = 0; x < 8; ++x)
        EXPECT_EQ(img.GetPixelIndex(x, 0), 7 - x) << x;
    EXPECT_EQ(img.GetPaletteColor(5).rgbRed, 80);
    // 2 bits in one plane: four pixels per byte from the top bits down.
    img = Decoded(Concat(PcxHeader(5, 1, 2, 1, 2), {0x1B, 0x80}), FORMAT_PCX);
    EXPECT_EQ(img.GetBpp(), 4);
    for (LONG x = 0; x < 5; ++x)
        EXPECT_EQ(img.GetPixelIndex(x, 0), (x < 4 ? x : 2)) << x;
    // 4 bits packed: high nibble first.
    img = Decoded(Concat(PcxHeader(3, 1, 4, 1, 2), {0x9A, 0xB0}), FORMAT_PCX);
    EXPECT_EQ(img.GetPixelIndex(0, 0), 9);
    EXPECT_EQ(img.GetPixelIndex(2, 0), 11);
    // 1 bit, 1 plane: black and white whatever the header map says.
    Bytes mono = PcxHeader(8, 1, 1, 1, 2);
    mono[16] = 200;
    img = Decoded(Concat(mono, {0xC1, 0xF0, 0x00}), FORMAT_PCX);
    EXPECT_EQ(img.GetPixelColor(0, 0, false), (RGBQUAD{255, 255, 255, 0}));
    EXPECT_EQ(img.GetPixelColor(7, 0, false), (RGBQUAD{0, 0, 0, 0}));
}

TEST(Pcx, PixelsBeyondBytesPerLineStayCleared) {
    CxImage img = Decoded(Concat(PcxHeader(6, 2, 8, 3, 2), Bytes(12, 0x33)), FORMAT_PCX);
    EXPECT_EQ(img.GetPixelColor(1, 1, false), (RGBQUAD{0x33, 0x33, 0x33, 0}));
    EXPECT_EQ(img.GetPixelColor(2, 1, false), (RGBQUAD{0, 0, 0, 0}));
    EXPECT_EQ(img.GetPixelColor(5, 0, false), (RGBQUAD{0, 0, 0, 0}));
    // No bytes per line, or no planes: a black image, nothing read.
    ASSERT_TRUE(DecodeBytes(PcxHeader(300, 200, 1, 4, 0), FORMAT_PCX, img));
    EXPECT_EQ(img.GetPixelIndex(299, 199), 0);
    ASSERT_TRUE(DecodeBytes(PcxHeader(60000, 3000, 1, 0, 60000), FORMAT_PCX, img));
    EXPECT_EQ(img.GetPixelIndex(59999, 0), 0);
}

TEST(Pcx, DecoderMessages) {
    Bytes notPcx = PcxHeader(1, 1, 8, 1, 2), encoding = notPcx, inverted = notPcx;
    notPcx[0] = 11;
    encoding[2] = 0;
    inverted[4] = 9; // x min above x max: zero width
    ExpectRefusals(
        FORMAT_PCX,
        {{"Can't read PCX image", {{}, Bytes(127, 10)}},
         {"Error: Not a PCX file", {notPcx}},
         {"PCX file has unknown encoding scheme", {encoding}},
         {"Can't handle image with more than 4 planes", {PcxHeader(1, 1, 8, 5, 2)}},
         {"Can't handle more than 1 bit per pixel",
          {Concat(PcxHeader(1, 1, 8, 2, 2), Bytes(4, 0))}},
         {"corrupted PCX", {Concat(PcxHeader(4, 2, 8, 1, 4), {1, 2, 3})}},
         {"repeat count spans end of image", {Concat(PcxHeader(4, 1, 8, 1, 4), {0xC5, 1})}},
         {"bad color map signature", {Concat(PcxHeader(2, 1, 8, 1, 2), {1, 2, 0, 1, 2})}},
         {"CxImage::Create : width and height must be greater than zero",
          {Concat(inverted, {0, 0})}}});
}
