#include <gtest/gtest.h>

#include "image/codecs/CxImagePCX.h"
#include "tests/image/CodecTestSupport.h"

using namespace codectest;

namespace {

constexpr std::size_t kHeader = 128;

struct PcxLayout {
    WORD width = 1;
    WORD height = 1;
    BYTE bitsPerPixel = 8;
    BYTE planes = 1;
    WORD bytesPerLine = 2;
};

Bytes PcxHeader(const PcxLayout& p) {
    Bytes h(kHeader, 0);
    h[0] = 10;
    h[1] = 5;
    h[2] = 1;
    h[3] = p.bitsPerPixel;
    h[8] = static_cast<BYTE>(p.width - 1);
    h[9] = static_cast<BYTE>((p.width - 1) >> 8);
    h[10] = static_cast<BYTE>(p.height - 1);
    h[11] = static_cast<BYTE>((p.height - 1) >> 8);
    h[65] = p.planes;
    h[66] = static_cast<BYTE>(p.bytesPerLine);
    h[67] = static_cast<BYTE>(p.bytesPerLine >> 8);
    return h;
}

// The 256-colour map after the data: entry i is (i, 255 - i, 7).
Bytes VgaPalette() {
    Bytes p = {12};
    for (int i = 0; i < 256; ++i)
        p.insert(p.end(), {BYTE(i), BYTE(255 - i), 7});
    return p;
}

// The encoded run-length data (between the header and any palette).
Bytes EncodedData(CxImage& img) {
    const Bytes file = EncodeBytes(img, FORMAT_PCX);
    const std::size_t palette = img.GetBpp() == 8 ? 769 : 0;
    EXPECT_GE(file.size(), kHeader + palette);
    return Bytes(file.begin() + kHeader, file.end() - static_cast<long>(palette));
}

} // namespace

TEST(Pcx, RunsDecodeAndSingleHighBytesAreEscaped) {
    CxImage img;
    ASSERT_TRUE(
        DecodeBytes(Concat(PcxHeader({3, 1, 8, 1, 4}), Concat({0xC3, 0x41, 0x00}, VgaPalette())),
                    FORMAT_PCX, img));
    for (LONG x = 0; x < 3; ++x)
        EXPECT_EQ(img.GetPixelIndex(x, 0), 0x41);
    EXPECT_EQ(img.GetPaletteColor(0x41), (RGBQUAD{7, 255 - 0x41, 0x41, 0}));

    CxImage high(2, 1, 8);
    high.SetPixelIndex(0, 0, 0xC1);
    high.SetPixelIndex(1, 0, 0x00);
    EXPECT_EQ(EncodedData(high), (Bytes{0xC1, 0xC1, 0x00}));
}

TEST(Pcx, RunsAreAtMost63Long) {
    for (BYTE v : {0x05, 0xD0}) {
        CxImage img(64, 1, 8);
        img.Clear(v);
        const Bytes single = v < 0xC0 ? Bytes{v} : Bytes{0xC1, v};
        EXPECT_EQ(EncodedData(img), Concat({0xFF, v}, single)) << int(v);
    }
}

TEST(Pcx, OddWidthsArePaddedToEvenBytesPerLine) {
    CxImage img(3, 1, 24);
    img.SetPixelColor(0, 0, RGB(1, 2, 3));
    img.SetPixelColor(1, 0, RGB(4, 5, 6));
    img.SetPixelColor(2, 0, RGB(7, 8, 9));
    const Bytes file = EncodeBytes(img, FORMAT_PCX);
    ASSERT_GT(file.size(), kHeader);
    EXPECT_EQ(file[65], 3);
    EXPECT_EQ(file[66], 4);
    EXPECT_EQ(Bytes(file.begin() + kHeader, file.end()),
              (Bytes{1, 4, 7, 0, 2, 5, 8, 0, 3, 6, 9, 0}));
}

TEST(Pcx, MonochromeIsWrittenBlackOnWhite) {
    CxImage img = MakePicture(11, 3, 1);
    img.SetPaletteColor(0, RGB(255, 255, 255));
    img.SetPaletteColor(1, RGB(0, 0, 0));
    const Bytes file = EncodeBytes(img, FORMAT_PCX);
    ASSERT_GT(file.size(), kHeader);
    EXPECT_EQ(Bytes(file.begin() + 16, file.begin() + 22), (Bytes{0, 0, 0, 255, 255, 255}));
    CxImage back;
    ASSERT_TRUE(DecodeBytes(file, FORMAT_PCX, back));
    EXPECT_TRUE(SameColours(back, img));
    EXPECT_NE(back.GetPixelIndex(0, 0), img.GetPixelIndex(0, 0));
}

TEST(Pcx, BitPlanesBecomeFourBitImages) {
    // Four planes of 1 bit: the header's 16 colours are the palette.
    CxImage img = MakePicture(13, 5, 4);
    const Bytes file = EncodeBytes(img, FORMAT_PCX);
    ASSERT_GT(file.size(), kHeader);
    EXPECT_EQ(file[3], 1);
    EXPECT_EQ(file[65], 4);
    CxImage back;
    ASSERT_TRUE(DecodeBytes(file, FORMAT_PCX, back));
    EXPECT_EQ(back.GetBpp(), 4);
    EXPECT_TRUE(SameColours(back, img));

    // Three planes keep all three bits of each index.
    Bytes colourMap(48, 0);
    for (int i = 0; i < 16; ++i)
        colourMap[3 * i] = BYTE(i * 16);
    Bytes three = PcxHeader({8, 1, 1, 3, 2});
    std::copy(colourMap.begin(), colourMap.end(), three.begin() + 16);
    // Plane 0 = 0xAA, plane 1 = 0xCC, plane 2 = 0xF0: pixel x has index 7 - x.
    three = Concat(three, {0xAA, 0x00, 0xC1, 0xCC, 0x00, 0xC1, 0xF0, 0x00});
    ASSERT_TRUE(DecodeBytes(three, FORMAT_PCX, back));
    EXPECT_EQ(back.GetBpp(), 4);
    for (LONG x = 0; x < 8; ++x)
        EXPECT_EQ(back.GetPixelIndex(x, 0), 7 - x) << x;
    EXPECT_EQ(back.GetPaletteColor(5).rgbRed, 80);
}

TEST(Pcx, PackedPixelsAtEveryDepth) {
    // 2 bits per pixel, 1 plane: four pixels per byte from the top bits down.
    CxImage img;
    ASSERT_TRUE(DecodeBytes(Concat(PcxHeader({5, 1, 2, 1, 2}), {0x1B, 0x80}), FORMAT_PCX, img));
    EXPECT_EQ(img.GetBpp(), 4);
    const BYTE expected[5] = {0, 1, 2, 3, 2};
    for (LONG x = 0; x < 5; ++x)
        EXPECT_EQ(img.GetPixelIndex(x, 0), expected[x]) << x;
    // 4 bits packed: high nibble first.
    ASSERT_TRUE(DecodeBytes(Concat(PcxHeader({3, 1, 4, 1, 2}), {0x9A, 0xB0}), FORMAT_PCX, img));
    EXPECT_EQ(img.GetPixelIndex(0, 0), 9);
    EXPECT_EQ(img.GetPixelIndex(2, 0), 11);
    // 1 bit, 1 plane: black and white whatever the header map says.
    Bytes mono = PcxHeader({8, 1, 1, 1, 2});
    mono[16] = 200;
    ASSERT_TRUE(DecodeBytes(Concat(mono, {0xC1, 0xF0, 0x00}), FORMAT_PCX, img));
    EXPECT_EQ(img.GetPixelColor(0, 0, false), (RGBQUAD{255, 255, 255, 0}));
    EXPECT_EQ(img.GetPixelColor(7, 0, false), (RGBQUAD{0, 0, 0, 0}));
}

TEST(Pcx, HeaderFieldsAreTakenAsTheyStand) {
    Bytes file = PcxHeader({2, 2, 8, 3, 2});
    file[4] = 5; // x min 5, x max 6
    file[8] = 6;
    file[12] = 0; // 0 dpi stays 0
    file[14] = 44;
    CxImage img;
    ASSERT_TRUE(DecodeBytes(Concat(file, Bytes(12, 0x22)), FORMAT_PCX, img));
    EXPECT_EQ(img.GetWidth(), 2u);
    EXPECT_EQ(img.GetXDPI(), 0);
    EXPECT_EQ(img.GetYDPI(), 44);

    CxImage dpi = MakePicture(2, 2, 24);
    dpi.SetXDPI(300);
    const Bytes out = EncodeBytes(dpi, FORMAT_PCX);
    EXPECT_EQ(out[12] | (out[13] << 8), 300);
    EXPECT_EQ(out[68], 1); // no palette
}

TEST(Pcx, BytesPerLineShorterThanTheWidthLeaveThePixelsCleared) {
    CxImage img;
    ASSERT_TRUE(DecodeBytes(Concat(PcxHeader({6, 2, 8, 3, 2}), Bytes(12, 0x33)), FORMAT_PCX, img));
    EXPECT_EQ(img.GetPixelColor(1, 1, false), (RGBQUAD{0x33, 0x33, 0x33, 0}));
    EXPECT_EQ(img.GetPixelColor(2, 1, false), (RGBQUAD{0, 0, 0, 0}));
    EXPECT_EQ(img.GetPixelColor(5, 0, false), (RGBQUAD{0, 0, 0, 0}));
    // No bytes per line, or no planes: a black image, nothing read.
    ASSERT_TRUE(DecodeBytes(PcxHeader({300, 200, 1, 4, 0}), FORMAT_PCX, img));
    EXPECT_EQ(img.GetPixelIndex(299, 199), 0);
    ASSERT_TRUE(DecodeBytes(PcxHeader({60000, 3000, 1, 0, 60000}), FORMAT_PCX, img));
    EXPECT_EQ(img.GetBpp(), 1);
    EXPECT_EQ(img.GetPixelIndex(59999, 0), 0);
}

TEST(Pcx, DecoderMessages) {
    EXPECT_EQ(DecodeError<CxImagePCX>({}), "Can't read PCX image");
    EXPECT_EQ(DecodeError<CxImagePCX>(Bytes(127, 10)), "Can't read PCX image");
    Bytes notPcx = PcxHeader({});
    notPcx[0] = 11;
    EXPECT_EQ(DecodeError<CxImagePCX>(notPcx), "Error: Not a PCX file");
    Bytes encoding = PcxHeader({});
    encoding[2] = 0;
    EXPECT_EQ(DecodeError<CxImagePCX>(encoding), "PCX file has unknown encoding scheme");
    EXPECT_EQ(DecodeError<CxImagePCX>(PcxHeader({1, 1, 8, 5, 2})),
              "Can't handle image with more than 4 planes");
    EXPECT_EQ(DecodeError<CxImagePCX>(Concat(PcxHeader({1, 1, 8, 2, 2}), Bytes(4, 0))),
              "Can't handle more than 1 bit per pixel");
    EXPECT_EQ(DecodeError<CxImagePCX>(Concat(PcxHeader({4, 2, 8, 1, 4}), {1, 2, 3})),
              "corrupted PCX");
    EXPECT_EQ(DecodeError<CxImagePCX>(Concat(PcxHeader({4, 1, 8, 1, 4}), {0xC5, 1})),
              "repeat count spans end of image");
    EXPECT_EQ(DecodeError<CxImagePCX>(Concat(PcxHeader({2, 1, 8, 1, 2}), {1, 2, 0, 1, 2})),
              "bad color map signature");
    // Zero width from x min above x max: the image cannot be made.
    Bytes inverted = PcxHeader({});
    inverted[4] = 9;
    EXPECT_EQ(DecodeError<CxImagePCX>(Concat(inverted, {0, 0})),
              "CxImage::Create : width and height must be greater than zero");

    CxImagePCX cancelled;
    cancelled.SetEscape(1);
    EXPECT_FALSE(DecodeWith(Concat(PcxHeader({2, 1, 8, 3, 2}), Bytes(6, 0)), cancelled));
    EXPECT_STREQ(cancelled.GetLastError(), "Cancelled");
    EXPECT_FALSE(cancelled.Decode(nullptr));
}

TEST(Pcx, RoundTripsAtEveryDepth) {
    EXPECT_EQ(RoundTripFailures(FORMAT_PCX, {1, 4, 8, 24}, {1, 8, 9, 130}, 5), "");
    CxImage rgba = PictureWithAlpha(7, 4);
    CxImage back;
    ASSERT_TRUE(DecodeBytes(EncodeBytes(rgba, FORMAT_PCX), FORMAT_PCX, back));
    EXPECT_EQ(testsupport::ToRgba8(back), testsupport::ToRgba8(rgba));
}

TEST(Pcx, EncoderRefusesSizesTheHeaderCannotHold) {
    CxImage wide(65535, 1, 8);
    EXPECT_EQ(EncodeError(wide, FORMAT_PCX), "Image too large for PCX");
    CxImage fits(65534, 1, 8);
    EXPECT_FALSE(EncodeBytes(fits, FORMAT_PCX).empty());
}

TEST(Pcx, ImageMagickFilesAndOurFilesAgree) {
    if (!testsupport::HaveMagick()) GTEST_SKIP() << "ImageMagick is not installed";
    for (const char* arguments : {
             "rose:",
             "rose: -resize 37x23!",
             "rose: -colors 16 -type palette",
             "rose: -resize 37x23! -type palette",
             "rose: -alpha set -channel A -fx i/w +channel",
         })
        EXPECT_EQ(MagickFileDifferences(arguments, ".pcx", FORMAT_PCX), 0) << arguments;

    for (DWORD bpp : {4u, 8u, 24u}) {
        CxImage img = MakePicture(37, 23, bpp);
        EXPECT_EQ(OurFileDifferences(img, FORMAT_PCX, ".pcx"), 0) << bpp;
    }
    CxImage rgba = PictureWithAlpha(37, 23);
    EXPECT_EQ(OurFileDifferences(rgba, FORMAT_PCX, ".pcx"), 0);
    // ImageMagick 6 shows monochrome PCX inverted (netpbm and the corpus
    // oracle agree with us): either way every pixel must correspond.
    CxImage mono = MakePicture(37, 23, 1);
    const std::string ours = ScratchFile("ours1.pcx");
    ASSERT_TRUE(mono.Save(ours.c_str(), FORMAT_PCX));
    const auto magick = testsupport::MagickDecode(ours);
    ASSERT_TRUE(magick);
    const auto inverted = [](BYTE v) { return static_cast<BYTE>(255 - v); };
    EXPECT_TRUE(DifferencesFromMagick(mono, *magick) == 0 ||
                DifferencesFromMagick(mono, *magick, inverted) == 0);
}
