// The BMP codec: the documented cases of every depth, compression, header
// kind and row order on files built byte by byte, bad headers, short files,
// and files ImageMagick writes.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/ByteOrder.h"
#include "tests/image/codecs/CodecTestSupport.h"

using namespace codectest;

namespace {

CxImage Decoded(const Bytes& file) {
    return codectest::Decoded(file, FORMAT_BMP);
}

RGBQUAD Pixel(const CxImage& img, LONG x, LONG y) {
    return img.GetPixelColor(x, y, false);
}

std::vector<int> Indices(const CxImage& img, LONG y) {
    std::vector<int> row;
    for (LONG x = 0; x < static_cast<LONG>(img.GetWidth()); ++x)
        row.push_back(img.GetPixelIndex(x, y));
    return row;
}

} // namespace

TEST(Bmp, ResolutionSurvivesRoundTripsAndTopDownFiles) {
    CxImage img = MakePicture(5, 3, 8);
    img.SetXDPI(300);
    img.SetYDPI(72);
    CxImage back = Decoded(EncodeBytes(img, FORMAT_BMP));
    EXPECT_EQ(back.GetXDPI(), 300);
    EXPECT_EQ(back.GetYDPI(), 72);
    // A top-down file is flipped upright, and still writes its resolution.
    back = Decoded(Concat(BmpFile(1, -2, 24), {10, 20, 30, 0, 40, 50, 60, 0}));
    EXPECT_EQ(Pixel(back, 0, 0), (RGBQUAD{40, 50, 60, 0}));
    EXPECT_EQ(Pixel(back, 0, 1), (RGBQUAD{10, 20, 30, 0}));
    const Bytes again = EncodeBytes(back, FORMAT_BMP);
    EXPECT_EQ(Bytes(again.begin() + 38, again.begin() + 46), (Bytes{19, 11, 0, 0, 19, 11, 0, 0}));
}

TEST(Bmp, HeaderKinds) {
    // A bare DIB: the table and pixels follow the information header.
    Bytes bare = BmpFile(2, 1, 8, BI_RGB, 2);
    bare.erase(bare.begin(), bare.begin() + 14);
    CxImage img = Decoded(Concat(bare, {1, 2, 3, 0, 4, 5, 6, 0, 1, 0, 0, 0}));
    EXPECT_EQ(Pixel(img, 0, 0), (RGBQUAD{4, 5, 6, 0}));
    EXPECT_EQ(Pixel(img, 1, 0), (RGBQUAD{1, 2, 3, 0}));
    // A 12-byte core header with 3-byte table entries; a 1 x 1 one-bit core
    // file is 32 bytes, shorter than a 40-byte header.
    Bytes core = {'B', 'M'};
    for (std::uint32_t v : {32u, 0u, 32u, 12u, 0x10001u, 0x10001u})
        Put32(core, v);
    img = Decoded(Concat(core, {0, 0, 0, 255, 255, 255, 0x80, 0, 0, 0}));
    ASSERT_TRUE(img.IsValid()) << img.GetLastError();
    EXPECT_EQ(Pixel(img, 0, 0), (RGBQUAD{255, 255, 255, 0}));
    // A V5 header with masks inside, biSizeImage 0, and a gap that bfOffBits
    // skips: 4-bit fields 0x0F00, 0x00F0, 0x000F.
    Bytes v5 = BmpFile(2, -1, 16, BI_BITFIELDS, 0, 14 + 124 + 6);
    v5[14] = 124;
    for (std::uint32_t m : {0x0F00u, 0x00F0u, 0x000Fu, 0xF000u})
        Put32(v5, m);
    v5.resize(14 + 124 + 6, 0xEE);
    img = Decoded(Concat(v5, {0x23, 0xF1, 0x00, 0x0F}));
    EXPECT_EQ(Pixel(img, 0, 0), (RGBQUAD{0x30, 0x20, 0x10, 0}));
    EXPECT_EQ(Pixel(img, 1, 0), (RGBQUAD{0, 0, 0xF0, 0}));
}

TEST(Bmp, SixteenAndThirtyTwoBitLayouts) {
    Bytes plain16 = BmpFile(2, 1, 16);
    Put32(plain16, 0x001F7FFF);
    CxImage img = Decoded(plain16);
    EXPECT_EQ(img.GetBpp(), 24);
    EXPECT_EQ(Pixel(img, 0, 0), (RGBQUAD{248, 248, 248, 0})); // 5-5-5
    EXPECT_EQ(Pixel(img, 1, 0), (RGBQUAD{248, 0, 0, 0}));
    Bytes fields16 = BmpFile(1, 1, 16, BI_BITFIELDS, 0, 66);
    for (std::uint32_t v : {0xF800u, 0x07E0u, 0x001Fu, 0xFFFFu})
        Put32(fields16, v);
    EXPECT_EQ(Pixel(Decoded(fields16), 0, 0), (RGBQUAD{248, 252, 248, 0}));
    // The fourth byte is dropped, not read as alpha; masks may put red low.
    img = Decoded(Concat(BmpFile(1, 1, 32), {1, 2, 3, 200}));
    EXPECT_FALSE(img.AlphaIsValid());
    EXPECT_EQ(Pixel(img, 0, 0), (RGBQUAD{1, 2, 3, 0}));
    Bytes fields32 = BmpFile(1, 1, 32, BI_BITFIELDS, 0, 66);
    for (std::uint32_t v : {0xFFu, 0xFF00u, 0xFF000000u, 0x281E140Au})
        Put32(fields32, v);
    EXPECT_EQ(Pixel(Decoded(fields32), 0, 0), (RGBQUAD{40, 20, 10, 0}));
    // A table longer than the image's palette: the first entries count.
    Bytes longTable = BmpFile(1, 1, 8, BI_RGB, 300);
    for (int i = 0; i < 300; ++i)
        longTable.insert(longTable.end(), {BYTE(i), 1, 2, 99});
    img = Decoded(Concat(longTable, {255, 0, 0, 0}));
    EXPECT_EQ(img.GetNumColors(), 256u);
    EXPECT_EQ(Pixel(img, 0, 0), (RGBQUAD{255, 1, 2, 0}));
}

TEST(Bmp, RunLengthStreams) {
    // A file with a cleared table of 2 (RLE8) or 16 (RLE4) entries.
    const auto rle = [](LONG width, LONG height, WORD bpp, const Bytes& stream) {
        const DWORD colours = bpp == 8 ? 2 : 16, compression = bpp == 8 ? BI_RLE8 : BI_RLE4;
        const Bytes table(4 * colours, 0);
        return Decoded(
            Concat(Concat(BmpFile(width, height, bpp, compression, colours), table), stream));
    };
    // RLE8: a run, end of line, a run, end of bitmap.
    CxImage img = rle(4, 2, 8, {3, 5, 0, 0, 2, 7, 0, 1});
    EXPECT_EQ(Indices(img, 0), (std::vector<int>{5, 5, 5, 0}));
    EXPECT_EQ(Indices(img, 1), (std::vector<int>{7, 7, 0, 0}));
    // Delta (2, 1), an absolute run 9 8 7 (padded), a run, then the stream
    // just ends: the last row stays cleared.
    img = rle(6, 3, 8, {0, 2, 2, 1, 0, 3, 9, 8, 7, 0, 1, 4});
    EXPECT_EQ(Indices(img, 1), (std::vector<int>{0, 0, 9, 8, 7, 4}));
    EXPECT_EQ(Indices(img, 2), std::vector<int>(6, 0));
    // RLE4: a run of 3 from 0x12, an absolute run 3 4 5 6 from the odd pixel
    // 3, a delta skipping pixel 7, and a run of one in the row's padding.
    img = rle(8, 1, 4, {3, 0x12, 0, 4, 0x34, 0x56, 0, 2, 1, 0, 1, 0xF0, 0, 1});
    EXPECT_EQ(Indices(img, 0), (std::vector<int>{1, 2, 1, 3, 4, 5, 6, 0}));
}

TEST(Bmp, DimensionQueryAndBadHeaders) {
    const Bytes header = BmpFile(640, -480, 24);
    CxImage query;
    query.SetEscape(-1);
    EXPECT_TRUE(query.Decode(header.data(), static_cast<DWORD>(header.size()), FORMAT_BMP));
    EXPECT_FALSE(query.IsValid());
    EXPECT_EQ(query.GetWidth() * 1000 + query.GetHeight(), 640480u);
    EXPECT_STREQ(query.GetLastError(), "output dimensions returned");
    CxImage cancelled;
    cancelled.SetEscape(1);
    EXPECT_FALSE(cancelled.Decode(header.data(), static_cast<DWORD>(header.size()), FORMAT_BMP));
    EXPECT_STREQ(cancelled.GetLastError(), "Cancelled");

    Bytes header66 = BmpFile(1, 1, 8, BI_RGB, 2);
    header66[14] = 66;
    ExpectRefusals(
        FORMAT_BMP,
        {{"Not a BMP", {{'B', 'M', 0, 0}}},
         {"Error reading BMP info", {Bytes(20, 'x'), header66}},
         {"compression type not supported", {BmpFile(1, 1, 8, BI_BITFIELDS)}},
         {"unknown compression", {BmpFile(1, 1, 24, BI_RLE8), BmpFile(1, 1, 32, BI_RLE4)}},
         {"bit count not supported", {BmpFile(1, 1, 2), BmpFile(1, 1, 0)}},
         {"Can't allocate memory", {BmpFile(0, 1, 24)}},
         // a negative width is read as its 32-bit pattern
         {"Image of 4294967291 x 1 pixels exceeds the limit of 268435456 pixels",
          {BmpFile(-5, 1, 24)}},
         {"Image of 1 x 2147483648 pixels exceeds the limit of 268435456 pixels",
          {BmpFile(1, INT32_MIN, 24)}},
         // a header alone cannot make a huge image, even within the limits
         {"BMP file too short for its image", {BmpFile(16000, 16000, 24), BmpFile(640, 480, 32)}}});
}

TEST(Bmp, ShortFilesKeepWhatTheyHoldAndClearTheRest) {
    for (DWORD bpp : {1u, 8u, 24u}) {
        CxImage img = MakePicture(5, 3, bpp);
        const Bytes file = EncodeBytes(img, FORMAT_BMP);
        const std::size_t dataStart = file[10] | file[11] << 8;
        for (std::size_t cut = 54; cut < file.size(); ++cut) {
            SCOPED_TRACE(testing::Message() << bpp << " bpp cut at " << cut);
            const CxImage back = Decoded(Bytes(file.begin(), file.begin() + long(cut)));
            ASSERT_TRUE(back.IsValid());
            const std::size_t have = cut > dataStart ? cut - dataStart : 0;
            EXPECT_EQ(0, std::memcmp(back.GetBits(), img.GetBits(), have));
            for (std::size_t i = have; i < back.GetEffWidth() * 3; ++i)
                ASSERT_EQ(back.GetBits()[i], 0);
        }
    }
}

TEST(Bmp, TopDownRowsOfImageMagickFiles) {
    if (!testsupport::HaveMagick()) GTEST_SKIP() << "ImageMagick is not installed";
    const std::string path = testsupport::TempFile("topdown.bmp");
    for (const char* options : {"-type bilevel", "-colors 16", "-colors 200", "-type truecolor"}) {
        ASSERT_TRUE(MagickWrite("-size 67x41 -seed 7 plasma:red-blue -define bmp:format=bmp3 " +
                                    std::string(options) + " -compress None",
                                path));
        // The same rows in the opposite order, and a negative height.
        Bytes file = ReadFileBytes(path);
        const std::size_t off = file[10] | file[11] << 8, stride = (file[28] * 67 + 31) / 32 * 4;
        const Bytes rows(file.begin() + long(off), file.end());
        for (std::size_t r = 0; r < 41; ++r)
            std::copy_n(rows.end() - long((r + 1) * stride), stride,
                        file.begin() + long(off + r * stride));
        PutLE32(&file[22], DWORD(-41));
        WriteFileBytes(path, file);
        CxImage ours(path.c_str(), FORMAT_BMP);
        const auto magick = testsupport::MagickDecode(path);
        ASSERT_TRUE(magick);
        EXPECT_EQ(Differences(ours, *magick, RuleFor(file, FORMAT_BMP)), 0) << options;
    }
}
