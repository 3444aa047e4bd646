#include <gtest/gtest.h>

#include "image/codecs/CxImageICO.h"
#include "tests/image/codecs/CodecTestSupport.h"

using namespace codectest;

namespace {

// One image of an icon file: its directory sizes and its DIB.
struct IconImage {
    BYTE dirWidth, dirHeight;
    Bytes dib;
};

// A DIB as icons hold it: info header with doubled height, palette, XOR rows
// and AND mask.
Bytes Dib(LONG width, LONG height, WORD bpp, const Bytes& palette, const Bytes& xorRows,
          const Bytes& mask, DWORD compression = BI_RGB) {
    return Concat(Concat(Concat(InfoHeader(width, 2 * height, bpp, compression), palette), xorRows),
                  mask);
}

// An icon file (type 1) of the images.
Bytes IconFile(const std::vector<IconImage>& images) {
    Bytes file = {0, 0, 1, 0, BYTE(images.size()), 0}, dibs;
    for (const IconImage& image : images) {
        file.insert(file.end(), {image.dirWidth, image.dirHeight, 0, 0, 0, 0, 0, 0});
        Put32(file, static_cast<std::uint32_t>(image.dib.size()));
        Put32(file, static_cast<std::uint32_t>(6 + 16 * images.size() + dibs.size()));
        dibs = Concat(dibs, image.dib);
    }
    return Concat(file, dibs);
}

// Rows of 4 bytes, each row's first byte given.
Bytes Rows(std::initializer_list<BYTE> firstBytes) {
    Bytes rows;
    for (BYTE b : firstBytes)
        rows.insert(rows.end(), {b, 0, 0, 0});
    return rows;
}

Bytes Greys(int entries) {
    Bytes pal;
    for (int i = 0; i < entries; ++i)
        pal.insert(pal.end(), {BYTE(i * 16), BYTE(i * 16), BYTE(i * 16), 0});
    return pal;
}

Bytes OneBit(BYTE width, BYTE row, BYTE mask = 0) {
    return IconFile({{width, 1, Dib(width, 1, 1, Greys(2), Rows({row}), Rows({mask}))}});
}

} // namespace

TEST(Ico, FramesCursorsAndLongDirectories) {
    const Bytes file = IconFile({{2, 1, Dib(2, 1, 1, Greys(2), Rows({0x80}), Rows({0}))},
                                 {3, 1, Dib(3, 1, 1, Greys(2), Rows({0x20}), Rows({0}))}});
    for (LONG frame : {-1, 0, 1, 2}) {
        CxImageICO codec;
        codec.SetFrame(frame);
        EXPECT_EQ(DecodeWith(file, codec), frame == 0 || frame == 1) << frame;
        if (frame == 1) {
            EXPECT_EQ(codec.GetNumFrames(), 2);
            EXPECT_EQ(codec.GetPixelIndex(2, 0), 1);
        }
    }
    // A cursor (type 2) is found by detection and reads like an icon.
    Bytes cursor = OneBit(2, 0x40);
    cursor[2] = 2;
    CxImage img;
    ASSERT_TRUE(DecodeBytes(cursor, FORMAT_UNKNOWN, img));
    EXPECT_EQ(img.GetType(), FORMAT_ICO);
    EXPECT_EQ(img.GetPixelIndex(1, 0), 1);
    // A count beyond the directory: the entries before the end still read.
    Bytes many = OneBit(1, 0x80);
    many[4] = many[5] = 0xFF;
    CxImageICO first;
    EXPECT_TRUE(DecodeWith(many, first));
    EXPECT_EQ(first.GetNumFrames(), 0xFFFF);
}

TEST(Ico, MaskBecomesTheLowestUnusedIndexElseTheAlphaPlane) {
    // 4 bits, 4 x 4: pixel (x, y) has index 4y + x, except (3, 3) = 14, so
    // 15 is the only index no pixel uses.
    Bytes xorRows;
    for (int y = 0; y < 4; ++y)
        xorRows.insert(xorRows.end(), {BYTE((4 * y) << 4 | (4 * y + 1)),
                                       BYTE((4 * y + 2) << 4 | (y < 3 ? 4 * y + 3 : 14)), 0, 0});
    const Bytes mask = Concat(Rows({0xC0, 0, 0}), Rows({0x10}));
    const CxImage img =
        Decoded(IconFile({{4, 4, Dib(4, 4, 4, Greys(16), xorRows, mask)}}), FORMAT_ICO);
    EXPECT_FALSE(img.AlphaIsValid());
    EXPECT_EQ(img.GetTransIndex(), 15);
    const int expected[4][2] = {{0, 15}, {1, 15}, {2, 2}, {3, 15}};
    for (const auto& [x, index] : expected)
        EXPECT_EQ(img.GetPixelIndex(x, x == 3 ? 3 : 0), index) << x;
    EXPECT_EQ(img.GetPixelIndex(2, 3), 14);
    // Every index used: the alpha plane carries the mask.
    const CxImage full = Decoded(OneBit(2, 0x40, 0x80), FORMAT_ICO);
    ASSERT_TRUE(full.AlphaIsValid());
    EXPECT_EQ(full.AlphaGet(0, 0), 0);
    EXPECT_EQ(full.AlphaGet(1, 0), 255);
    EXPECT_EQ(full.GetTransIndex(), -1);
}

TEST(Ico, TrueColourMasks) {
    // Masked pixels of one colour make it the transparent colour; of two
    // colours, the alpha plane; a mask with every bit set inverts the image.
    const Bytes black = {0, 0, 0, 9, 8, 7, 0, 0}, two = {1, 2, 3, 9, 8, 7, 0, 0};
    CxImage img = Decoded(IconFile({{2, 1, Dib(2, 1, 24, {}, black, Rows({0x80}))}}), FORMAT_ICO);
    EXPECT_FALSE(img.AlphaIsValid());
    EXPECT_EQ(img.GetTransIndex(), 0);
    EXPECT_EQ(img.GetTransColor(), (RGBQUAD{0, 0, 0, 0}));
    const CxImage alpha =
        Decoded(IconFile({{2, 1, Dib(2, 1, 24, {}, two, Rows({0xC0}))}}), FORMAT_ICO);
    ASSERT_TRUE(alpha.AlphaIsValid());
    EXPECT_EQ(alpha.AlphaGet(1, 0), 0);
    EXPECT_EQ(alpha.GetTransIndex(), -1);
    img =
        Decoded(IconFile({{1, 1, Dib(1, 1, 24, {}, {10, 20, 30, 0}, Bytes(4, 0xFF))}}), FORMAT_ICO);
    EXPECT_EQ(img.GetPixelColor(0, 0, false), (RGBQUAD{245, 235, 225, 0}));
}

TEST(Ico, SizeByte0Means256AndPngEntriesAreRefused) {
    CxImage img = Decoded(
        IconFile({{0, 1, Dib(256, 1, 1, Greys(2), Bytes(32, 0x01), Bytes(32, 0))}}), FORMAT_ICO);
    EXPECT_EQ(img.GetWidth(), 256u);
    EXPECT_EQ(img.GetPixelIndex(255, 0), 1);
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    png.resize(64, 0);
    EXPECT_FALSE(DecodeBytes(IconFile({{16, 16, png}}), FORMAT_ICO, img));
    EXPECT_STREQ(img.GetLastError(), "PNG icon images are not supported");
    // Depths the DIB rows cannot be read at, and compressed bitmaps.
    for (const Bytes& dib :
         {Dib(1, 1, 0, {}, Bytes(8, 0), Rows({0})), Dib(1, 1, 2, {}, Bytes(8, 0), Rows({0})),
          Dib(1, 1, 16, {}, Bytes(8, 0), Rows({0})),
          Dib(1, 1, 8, Greys(256), Rows({0}), Rows({0}), BI_RLE8)}) {
        CxImageICO codec;
        EXPECT_FALSE(DecodeWith(IconFile({{1, 1, dib}}), codec));
    }
}

TEST(Ico, MissingMaskAndShortBitmapsStillDecode) {
    const Bytes file = IconFile({{2, 2, Dib(2, 2, 8, Greys(256), Rows({3, 4}), Rows({0x80, 0}))}});
    CxImage img = Decoded(Bytes(file.begin(), file.end() - 1), FORMAT_ICO);
    EXPECT_FALSE(img.IsTransparent());
    EXPECT_FALSE(img.AlphaIsValid());
    EXPECT_EQ(img.GetPixelIndex(0, 1), 4);
    // Cut inside the XOR rows: the rest is index 0.
    img = Decoded(Bytes(file.begin(), file.end() - 12), FORMAT_ICO);
    EXPECT_EQ(img.GetPixelIndex(0, 0), 3);
    EXPECT_EQ(img.GetPixelIndex(0, 1), 0);
}
