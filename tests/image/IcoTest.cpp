#include <gtest/gtest.h>

#include "image/codecs/CxImageICO.h"
#include "platform/ByteOrder.h"
#include "tests/image/CodecTestSupport.h"

using namespace codectest;

namespace {

// One image of an icon file: its directory sizes and its DIB.
struct IconImage {
    BYTE dirWidth = 0;
    BYTE dirHeight = 0;
    Bytes dib;
};

// A DIB as icons hold it: info header with doubled height, palette, XOR rows
// and AND mask.
Bytes Dib(LONG width, LONG height, WORD bitCount, const Bytes& palette, const Bytes& xorRows,
          const Bytes& mask, DWORD compression = BI_RGB) {
    Bytes dib(kInfoHeaderSize, 0);
    BITMAPINFOHEADER h{};
    h.biSize = kInfoHeaderSize;
    h.biWidth = width;
    h.biHeight = 2 * height;
    h.biPlanes = 1;
    h.biBitCount = bitCount;
    h.biCompression = compression;
    StoreInfoHeader(dib.data(), h);
    for (const Bytes* part : {&palette, &xorRows, &mask})
        dib.insert(dib.end(), part->begin(), part->end());
    return dib;
}

Bytes IconFile(const std::vector<IconImage>& images, WORD type = 1) {
    Bytes file(6 + 16 * images.size(), 0);
    PutLE16(&file[2], type);
    PutLE16(&file[4], static_cast<WORD>(images.size()));
    for (std::size_t i = 0; i < images.size(); ++i) {
        BYTE* entry = &file[6 + 16 * i]; // used before the insert moves the block
        entry[0] = images[i].dirWidth;
        entry[1] = images[i].dirHeight;
        PutLE32(entry + 8, static_cast<DWORD>(images[i].dib.size()));
        PutLE32(entry + 12, static_cast<DWORD>(file.size()));
        file.insert(file.end(), images[i].dib.begin(), images[i].dib.end());
    }
    return file;
}

// Rows of `height` x 4 bytes, each row's first byte given.
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

} // namespace

TEST(Ico, FrameSelectsTheImageAndNumFramesCountsThem) {
    const Bytes file = IconFile({{2, 1, Dib(2, 1, 1, Greys(2), Rows({0x80}), Rows({0}))},
                                 {3, 1, Dib(3, 1, 1, Greys(2), Rows({0x20}), Rows({0}))}});
    for (LONG frame : {0, 1, 2}) {
        CxImageICO codec;
        codec.SetFrame(frame);
        EXPECT_EQ(DecodeWith(file, codec), frame < 2) << frame;
        EXPECT_EQ(codec.GetNumFrames(), 2);
        if (frame == 1) {
            EXPECT_EQ(codec.GetWidth(), 3u);
            EXPECT_EQ(codec.GetPixelIndex(2, 0), 1);
        }
    }
    CxImageICO negative;
    negative.SetFrame(-1);
    EXPECT_FALSE(DecodeWith(file, negative));
}

TEST(Ico, CursorsDecodeLikeIcons) {
    CxImage img;
    ASSERT_TRUE(DecodeBytes(IconFile({{2, 1, Dib(2, 1, 1, Greys(2), Rows({0x40}), Rows({0}))}}, 2),
                            FORMAT_UNKNOWN, img));
    EXPECT_EQ(img.GetType(), FORMAT_ICO);
    EXPECT_EQ(img.GetPixelIndex(1, 0), 1);
}

TEST(Ico, MaskBecomesTheLowestUnusedIndex) {
    // 4 bits, 4 x 4: pixel (x, y) has index 4y + x, except (3, 3) = 14, so
    // 15 is the only index no pixel uses. Rows are 4 bytes with padding.
    Bytes xorRows;
    for (int y = 0; y < 4; ++y) {
        const int last = y < 3 ? 4 * y + 3 : 14;
        xorRows.insert(xorRows.end(),
                       {BYTE((4 * y) << 4 | (4 * y + 1)), BYTE((4 * y + 2) << 4 | last), 0, 0});
    }
    const Bytes mask = {0xC0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x10, 0, 0, 0};
    CxImage img;
    ASSERT_TRUE(
        DecodeBytes(IconFile({{4, 4, Dib(4, 4, 4, Greys(16), xorRows, mask)}}), FORMAT_ICO, img));
    EXPECT_FALSE(img.AlphaIsValid());
    EXPECT_EQ(img.GetTransIndex(), 15);
    EXPECT_EQ(img.GetPixelIndex(0, 0), 15);
    EXPECT_EQ(img.GetPixelIndex(1, 0), 15);
    EXPECT_EQ(img.GetPixelIndex(2, 0), 2);
    EXPECT_EQ(img.GetPixelIndex(3, 3), 15);
    EXPECT_EQ(img.GetPixelIndex(2, 3), 14);

    // Every index used: the alpha plane carries the mask instead.
    CxImage full;
    ASSERT_TRUE(DecodeBytes(IconFile({{2, 1, Dib(2, 1, 1, Greys(2), Rows({0x40}), Rows({0x80}))}}),
                            FORMAT_ICO, full));
    ASSERT_TRUE(full.AlphaIsValid());
    EXPECT_EQ(full.AlphaGet(0, 0), 0);
    EXPECT_EQ(full.AlphaGet(1, 0), 255);
    EXPECT_EQ(full.GetTransIndex(), -1);
}

TEST(Ico, TrueColourMaskBecomesTheTransparentColourWhenItHasOne) {
    // 24 bits, 2 x 1: pixel 0 masked.
    const Bytes black = {0, 0, 0, 9, 8, 7, 0, 0};
    CxImage img;
    ASSERT_TRUE(
        DecodeBytes(IconFile({{2, 1, Dib(2, 1, 24, {}, black, Rows({0x80}))}}), FORMAT_ICO, img));
    EXPECT_FALSE(img.AlphaIsValid());
    EXPECT_EQ(img.GetTransIndex(), 0);
    EXPECT_EQ(img.GetTransColor(), (RGBQUAD{0, 0, 0, 0}));

    const Bytes twoColours = {1, 2, 3, 9, 8, 7, 0, 0};
    CxImage alpha;
    ASSERT_TRUE(DecodeBytes(IconFile({{2, 1, Dib(2, 1, 24, {}, twoColours, Rows({0xC0}))}}),
                            FORMAT_ICO, alpha));
    ASSERT_TRUE(alpha.AlphaIsValid());
    EXPECT_EQ(alpha.AlphaGet(0, 0), 0);
    EXPECT_EQ(alpha.AlphaGet(1, 0), 0);
    EXPECT_EQ(alpha.GetTransIndex(), -1);
}

TEST(Ico, FullySetMaskInvertsTheImage) {
    const Bytes pixels = {10, 20, 30, 0};
    CxImage img;
    ASSERT_TRUE(DecodeBytes(IconFile({{1, 1, Dib(1, 1, 24, {}, pixels, {0xFF, 0xFF, 0xFF, 0xFF})}}),
                            FORMAT_ICO, img));
    EXPECT_EQ(img.GetPixelColor(0, 0, false), (RGBQUAD{245, 235, 225, 0}));
    EXPECT_EQ(img.GetTransIndex(), 0);
}

TEST(Ico, ThirtyTwoBitRowsLandAtTheStartOfEachRow) {
    Bytes pixels;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 10; ++x)
            pixels.insert(pixels.end(), {BYTE(x), BYTE(y), 7, BYTE(100 + x)});
    CxImage img;
    ASSERT_TRUE(
        DecodeBytes(IconFile({{10, 2, Dib(10, 2, 32, {}, pixels, Bytes(8, 0))}}), FORMAT_ICO, img));
    EXPECT_EQ(img.GetBpp(), 24);
    for (LONG y = 0; y < 2; ++y) {
        for (LONG x = 0; x < 10; ++x)
            EXPECT_EQ(img.GetPixelColor(x, y, true), (RGBQUAD{BYTE(x), BYTE(y), 7, BYTE(100 + x)}));
        EXPECT_EQ(img.GetBits(static_cast<DWORD>(y))[27], 9);
    }
}

TEST(Ico, SizeByteZeroMeans256) {
    const Bytes file = IconFile({{0, 1, Dib(256, 1, 1, Greys(2), Bytes(32, 0x01), Bytes(32, 0))}});
    CxImage img;
    ASSERT_TRUE(DecodeBytes(file, FORMAT_ICO, img));
    EXPECT_EQ(img.GetWidth(), 256u);
    EXPECT_EQ(img.GetHeight(), 1u);
    EXPECT_EQ(img.GetPixelIndex(255, 0), 1);
}

TEST(Ico, RefusedEntries) {
    // A PNG stored in place of the bitmap.
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    png.resize(64, 0);
    CxImage img;
    EXPECT_FALSE(DecodeBytes(IconFile({{16, 16, png}}), FORMAT_ICO, img));
    EXPECT_STREQ(img.GetLastError(), "PNG icon images are not supported");
    // Depths the DIB rows cannot be read at, and compressed bitmaps.
    for (WORD bits : {0, 2, 16}) {
        CxImageICO codec;
        EXPECT_FALSE(
            DecodeWith(IconFile({{1, 1, Dib(1, 1, bits, {}, Bytes(8, 0), Rows({0}))}}), codec))
            << bits;
    }
    CxImageICO compressed;
    EXPECT_FALSE(DecodeWith(
        IconFile({{1, 1, Dib(1, 1, 8, Greys(256), Rows({0}), Rows({0}), BI_RLE8)}}), compressed));
}

TEST(Ico, BadHeadersAndDirectories) {
    const Bytes good = IconFile({{1, 1, Dib(1, 1, 1, Greys(2), Rows({0x80}), Rows({0}))}});
    CxImageICO plain;
    ASSERT_TRUE(DecodeWith(good, plain));
    for (std::size_t at : {0u, 1u, 2u}) {
        Bytes bad = good;
        bad[at] = 3;
        CxImageICO codec;
        EXPECT_FALSE(DecodeWith(bad, codec)) << at;
    }
    // An offset past the end, a short header, a directory cut before the entry.
    Bytes far = good;
    PutLE32(&far[18], 0x7FFFFFF0);
    for (const Bytes& bad :
         {far, Bytes(good.begin(), good.begin() + 5), Bytes(good.begin(), good.begin() + 21)}) {
        CxImageICO codec;
        EXPECT_FALSE(DecodeWith(bad, codec));
    }
    // A count beyond the directory: the entries before the end still read.
    Bytes many = good;
    PutLE16(&many[4], 0xFFFF);
    CxImageICO first;
    EXPECT_TRUE(DecodeWith(many, first));
    EXPECT_EQ(first.GetNumFrames(), 0xFFFF);
    CxImageICO none;
    EXPECT_FALSE(none.Decode(nullptr));
}

TEST(Ico, MissingMaskAndShortBitmapsStillDecode) {
    const Bytes file = IconFile({{2, 2, Dib(2, 2, 8, Greys(256), Rows({3, 4}), Rows({0x80, 0}))}});
    CxImage img;
    ASSERT_TRUE(DecodeBytes(Bytes(file.begin(), file.end() - 1), FORMAT_ICO, img));
    EXPECT_FALSE(img.IsTransparent());
    EXPECT_FALSE(img.AlphaIsValid());
    EXPECT_EQ(img.GetPixelIndex(0, 1), 4);
    // Cut inside the XOR rows: the rest is index 0.
    CxImage cut;
    ASSERT_TRUE(DecodeBytes(Bytes(file.begin(), file.end() - 12), FORMAT_ICO, cut));
    EXPECT_EQ(cut.GetPixelIndex(0, 0), 3);
    EXPECT_EQ(cut.GetPixelIndex(0, 1), 0);
}

TEST(Ico, EncoderLayoutAndRefusals) {
    CxImage img = MakePicture(3, 2, 4);
    const Bytes file = EncodeBytes(img, FORMAT_ICO);
    ASSERT_EQ(file.size(), 22u + 40 + 64 + 8 + 8);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 6), (Bytes{0, 0, 1, 0, 1, 0}));
    EXPECT_EQ(Bytes(file.begin() + 6, file.begin() + 22),
              (Bytes{3, 2, 16, 0, 0, 0, 4, 0, 120, 0, 0, 0, 22, 0, 0, 0}));
    const BITMAPINFOHEADER h = LoadInfoHeader(&file[22]);
    EXPECT_EQ(h.biHeight, 4);
    EXPECT_EQ(h.biBitCount, 4);
    EXPECT_EQ(h.biSizeImage, 8u);

    CxImage big(256, 256, 24);
    EXPECT_EQ(EncodeError(big, FORMAT_ICO), "Can't save this image as icon");
    CxImage high(1, 256, 8);
    EXPECT_EQ(EncodeError(high, FORMAT_ICO), "Can't save this image as icon");
}

TEST(Ico, RoundTripsCarryTheTransparency) {
    for (DWORD bpp : {1u, 4u, 8u, 24u}) {
        CxImage img = MakePicture(19, 6, bpp);
        if (bpp == 24) {
            img.SetTransColor(img.GetPixelColor(3, 2, false));
        } else {
            img.SetPaletteColor(0, RGB(1, 2, 3)); // keep the transparent colour unique
        }
        img.SetTransIndex(0);
        CxImage back;
        ASSERT_TRUE(DecodeBytes(EncodeBytes(img, FORMAT_ICO), FORMAT_ICO, back)) << bpp;
        for (LONG y = 0; y < 6; ++y) {
            for (LONG x = 0; x < 19; ++x) {
                ASSERT_EQ(IsTransparent(back, x, y), IsTransparent(img, x, y)) << bpp;
                if (!IsTransparent(img, x, y)) {
                    ASSERT_EQ(back.GetPixelColor(x, y, false), img.GetPixelColor(x, y, false));
                }
            }
        }
    }
    // A true-colour image with an alpha plane is written at 32 bits.
    CxImage rgba = MakePicture(10, 3, 24);
    rgba.AlphaCreate();
    rgba.AlphaSet(4, 1, 0);
    rgba.AlphaSet(5, 1, 90);
    CxImage back;
    ASSERT_TRUE(DecodeBytes(EncodeBytes(rgba, FORMAT_ICO), FORMAT_ICO, back));
    EXPECT_EQ(testsupport::ToRgba8(back), testsupport::ToRgba8(rgba));
}

TEST(Ico, ImageMagickFilesAndOurFilesAgree) {
    if (!testsupport::HaveMagick()) GTEST_SKIP() << "ImageMagick is not installed";
    const std::string base = "rose: -resize 37x23! ";
    const std::string holes = " -alpha set -channel A -fx 'i<j?0:1' +channel";
    const std::string cases[] = {
        base + "-colors 2 -type palette",
        base + "-colors 2" + holes + " -type palettealpha",
        base + "-colors 16 -type palette",
        base + "-colors 12" + holes + " -type palettealpha",
        base + "-colors 200 -type palette",
        base + "-colors 100" + holes + " -type palettealpha",
        base + "-alpha set -channel A -fx 'i/w' +channel",
        base + holes,
    };
    const std::string theirs = ScratchFile("im.ico");
    for (const std::string& arguments : cases) {
        ASSERT_TRUE(MagickWrite(arguments, theirs)) << arguments;
        for (WORD type : {1, 2}) {
            // ImageMagick writes cursors as type 1; patch the type to read one.
            Bytes file = ReadFileBytes(theirs);
            PutLE16(&file[2], type);
            CxImage img;
            ASSERT_TRUE(DecodeBytes(file, FORMAT_UNKNOWN, img)) << arguments;
            WriteFileBytes(theirs, file);
            const auto magick = testsupport::MagickDecode(theirs);
            ASSERT_TRUE(magick);
            EXPECT_EQ(DifferencesFromMagick(img, *magick), 0) << arguments << " type " << type;
        }
    }
    // 24-bit icons: ImageMagick's own 24-bit DIB rows with a mask of ours.
    const std::string bmp = ScratchFile("im.bmp");
    ASSERT_TRUE(MagickWrite(base + "-type truecolor -define bmp:format=bmp3", bmp));
    const Bytes bmpFile = ReadFileBytes(bmp);
    ASSERT_GE(bmpFile.size(), 54u + 112 * 23);
    const Bytes xorRows(bmpFile.begin() + 54, bmpFile.begin() + 54 + 112 * 23);
    Bytes mask(8 * 23, 0);
    for (std::size_t row = 0; row < 23; ++row)
        mask[8 * row + row / 8] = BYTE(0x80 >> (row % 8));
    WriteFileBytes(theirs, IconFile({{37, 23, Dib(37, 23, 24, {}, xorRows, mask)}}));
    CxImage img(theirs.c_str(), FORMAT_ICO);
    ASSERT_TRUE(img.IsValid());
    const auto magick = testsupport::MagickDecode(theirs);
    ASSERT_TRUE(magick);
    EXPECT_EQ(DifferencesFromMagick(img, *magick), 0);

    for (DWORD bpp : {1u, 4u, 8u, 24u}) {
        CxImage mine = MakePicture(37, 23, bpp);
        EXPECT_EQ(OurFileDifferences(mine, FORMAT_ICO, ".ico"), 0) << bpp;
    }
    CxImage rgba = PictureWithAlpha(37, 23);
    EXPECT_EQ(OurFileDifferences(rgba, FORMAT_ICO, ".ico"), 0);
}
