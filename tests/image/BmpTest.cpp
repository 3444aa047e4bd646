// The BMP codec on files built byte by byte: round trips, the documented
// cases of every depth, compression and header kind, bad headers and a
// truncation sweep.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "image/CxMemFile.h"
#include "image/codecs/CxImageBMP.h"
#include "tests/image/BmpTestSupport.h"

using namespace bmptest;

namespace {

Bytes EncodeBmp(CxImage& img) {
    BYTE* buffer = nullptr;
    long size = 0;
    EXPECT_TRUE(img.Encode(buffer, size, FORMAT_BMP)) << img.GetLastError();
    Bytes out(buffer, buffer + size);
    CxImage::FreeMemory(buffer);
    return out;
}

std::uint32_t At32(const Bytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}

// A 5 x 3 picture at the given depth with a distinct value in every pixel.
CxImage Picture(DWORD bpp) {
    CxImage img(5, 3, bpp);
    for (DWORD i = 0; i < img.GetNumColors(); ++i)
        img.SetPaletteColor(BYTE(i), BYTE(i * 3), BYTE(255 - i), BYTE(i * 7));
    for (LONG y = 0; y < 3; ++y)
        for (LONG x = 0; x < 5; ++x) {
            if (bpp == 24)
                img.SetPixelColor(x, y, RGB(BYTE(40 * x), BYTE(70 * y), BYTE(x + y)));
            else
                img.SetPixelIndex(x, y, BYTE(x + 5 * y));
        }
    img.SetXDPI(300);
    img.SetYDPI(72);
    return img;
}

// The error text of decoding the bytes as BMP (empty on success).
std::string DecodeError(const Bytes& bytes) {
    CxImage img;
    if (img.Decode(bytes.data(), static_cast<DWORD>(bytes.size()), FORMAT_BMP)) return "";
    return img.GetLastError();
}

RGBQUAD Pixel(const CxImage& img, LONG x, LONG y) {
    return img.GetPixelColor(x, y, false);
}

} // namespace

TEST(BmpRoundTrip, EveryDepthComesBackWithPixelsPaletteAndResolution) {
    for (DWORD bpp : {1u, 4u, 8u, 24u}) {
        SCOPED_TRACE(bpp);
        CxImage img = Picture(bpp);
        const CxImage back = DecodeBmp(EncodeBmp(img));
        ASSERT_TRUE(back.IsValid());
        EXPECT_EQ(back.GetType(), FORMAT_BMP);
        EXPECT_EQ(back.GetBpp(), bpp);
        EXPECT_EQ(back.GetXDPI(), 300);
        EXPECT_EQ(back.GetYDPI(), 72);
        ASSERT_EQ(back.GetSize(), img.GetSize());
        const BYTE* ours = static_cast<const BYTE*>(img.GetDIB());
        const BYTE* theirs = static_cast<const BYTE*>(back.GetDIB());
        EXPECT_EQ(Bytes(ours + 40, ours + img.GetSize()),
                  Bytes(theirs + 40, theirs + img.GetSize()));
    }
}

TEST(BmpRoundTrip, FileLayoutOfTheEncoder) {
    CxImage rgb(3, 2, 24);
    rgb.Clear(9);
    const Bytes file = EncodeBmp(rgb);
    ASSERT_EQ(file.size(), 78u);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(At32(file, 2), 78u);
    EXPECT_EQ(At32(file, 10), 54u);
    EXPECT_EQ(At32(file, 14), 40u);

    CxImage indexed(3, 2, 8);
    const Bytes file8 = EncodeBmp(indexed);
    EXPECT_EQ(At32(file8, 10), 1078u);
    EXPECT_EQ(file8.size(), 1078u + 2 * 4);
}

TEST(BmpRoundTrip, EncodeRefusesNothingToWriteAndReportsFailedWrites) {
    CxImageBMP codec;
    CxMemFile f;
    f.Open();
    EXPECT_FALSE(codec.Encode(&f));
    EXPECT_STREQ(codec.GetLastError(), "null image!!!");
    EXPECT_FALSE(Picture(8).Encode(static_cast<CxFile*>(nullptr), FORMAT_BMP));

    std::FILE* readOnly = std::fopen("/dev/null", "rb");
    ASSERT_NE(readOnly, nullptr);
    CxImage img = Picture(24);
    EXPECT_FALSE(img.Encode(readOnly, FORMAT_BMP));
    EXPECT_STREQ(img.GetLastError(), "Can't write BMP file");
    std::fclose(readOnly);
}

TEST(BmpDecode, TopDownRowsStandUpright) {
    Bytes file = FileAndInfoHeader(1, -2, 24, BI_RGB);
    for (int v : {10, 20, 30, 0, 40, 50, 60, 0})
        file.push_back(std::uint8_t(v));
    const CxImage img = DecodeBmp(file);
    ASSERT_TRUE(img.IsValid());
    EXPECT_EQ(img.GetHeight(), 2u);
    EXPECT_EQ(Pixel(img, 0, 0), (RGBQUAD{40, 50, 60, 0}));
    EXPECT_EQ(Pixel(img, 0, 1), (RGBQUAD{10, 20, 30, 0}));
}

TEST(BmpDecode, BareDibReadsTableAndPixelsAfterTheHeader) {
    Bytes file = FileAndInfoHeader(2, 1, 8, BI_RGB, 2);
    file.erase(file.begin(), file.begin() + 14);
    for (int v : {1, 2, 3, 0, 4, 5, 6, 0, 1, 0, 0, 0})
        file.push_back(std::uint8_t(v));
    const CxImage img = DecodeBmp(file);
    ASSERT_TRUE(img.IsValid());
    EXPECT_EQ(Pixel(img, 0, 0), (RGBQUAD{4, 5, 6, 0}));
    EXPECT_EQ(Pixel(img, 1, 0), (RGBQUAD{1, 2, 3, 0}));
}

TEST(BmpDecode, CoreHeaderReadsTriplesAndFitsInASmallFile) {
    Bytes file = {'B', 'M'};
    Put32(file, 0);
    Put32(file, 0);
    Put32(file, 14 + 12 + 768);
    Put32(file, 12);
    Put16(file, 1);
    Put16(file, 1);
    Put16(file, 1);
    Put16(file, 8);
    for (int i = 0; i < 256; ++i)
        file.insert(file.end(), {std::uint8_t(i), std::uint8_t(i / 2), 7});
    file.insert(file.end(), {200, 0, 0, 0});
    CxImage img = DecodeBmp(file);
    ASSERT_TRUE(img.IsValid());
    EXPECT_EQ(Pixel(img, 0, 0), (RGBQUAD{200, 100, 7, 0}));

    // A 1 x 1 one-bit core file is 32 bytes: shorter than a 40-byte header.
    Bytes tiny = {'B', 'M'};
    Put32(tiny, 32);
    Put32(tiny, 0);
    Put32(tiny, 32);
    Put32(tiny, 12);
    for (unsigned v : {1u, 1u, 1u, 1u})
        Put16(tiny, v);
    tiny.insert(tiny.end(), {0, 0, 0, 255, 255, 255, 0x80, 0, 0, 0});
    img = DecodeBmp(tiny);
    ASSERT_TRUE(img.IsValid()) << img.GetLastError();
    EXPECT_EQ(Pixel(img, 0, 0), (RGBQUAD{255, 255, 255, 0}));
}

TEST(BmpDecode, SixteenBitLayouts) {
    Bytes plain = FileAndInfoHeader(2, 1, 16, BI_RGB);
    Put16(plain, 0x7FFF);
    Put16(plain, 0x001F);
    CxImage img = DecodeBmp(plain);
    ASSERT_TRUE(img.IsValid());
    EXPECT_EQ(img.GetBpp(), 24);
    EXPECT_EQ(Pixel(img, 0, 0), (RGBQUAD{248, 248, 248, 0}));
    EXPECT_EQ(Pixel(img, 1, 0), (RGBQUAD{248, 0, 0, 0}));

    Bytes fields = FileAndInfoHeader(1, 1, 16, BI_BITFIELDS, 0, 66);
    for (std::uint32_t m : {0xF800u, 0x07E0u, 0x001Fu})
        Put32(fields, m);
    Put32(fields, 0xFFFF);
    img = DecodeBmp(fields);
    ASSERT_TRUE(img.IsValid());
    EXPECT_EQ(Pixel(img, 0, 0), (RGBQUAD{248, 252, 248, 0}));
}

TEST(BmpDecode, ThirtyTwoBitDropsTheFourthByteAndHonoursMasks) {
    Bytes plain = FileAndInfoHeader(1, 1, 32, BI_RGB);
    plain.insert(plain.end(), {1, 2, 3, 200});
    CxImage img = DecodeBmp(plain);
    ASSERT_TRUE(img.IsValid());
    EXPECT_EQ(img.GetBpp(), 24);
    EXPECT_FALSE(img.AlphaIsValid());
    EXPECT_EQ(Pixel(img, 0, 0), (RGBQUAD{1, 2, 3, 0}));

    // Red in the low byte, blue in the high byte.
    Bytes fields = FileAndInfoHeader(1, 1, 32, BI_BITFIELDS, 0, 66);
    for (std::uint32_t m : {0x000000FFu, 0x0000FF00u, 0xFF000000u})
        Put32(fields, m);
    fields.insert(fields.end(), {10, 20, 30, 40});
    img = DecodeBmp(fields);
    ASSERT_TRUE(img.IsValid());
    EXPECT_EQ(Pixel(img, 0, 0), (RGBQUAD{40, 20, 10, 0}));
}

TEST(BmpDecode, V5HeaderWithMasksInsideAndNoImageSize) {
    const Bytes file = V5File(2, -1, 16, BI_BITFIELDS, {0x0F00, 0x00F0, 0x000F, 0xF000},
                              {0x23, 0xF1, 0x00, 0x0F}, 6);
    const CxImage img = DecodeBmp(file);
    ASSERT_TRUE(img.IsValid()) << DecodeError(file);
    EXPECT_EQ(Pixel(img, 0, 0), (RGBQUAD{0x30, 0x20, 0x10, 0}));
    EXPECT_EQ(Pixel(img, 1, 0), (RGBQUAD{0, 0, 0xF0, 0}));
}

TEST(BmpDecode, Rle8DocumentedStream) {
    Bytes file = FileAndInfoHeader(4, 2, 8, BI_RLE8, 2);
    file.insert(file.end(), 8, 0);
    file.insert(file.end(), {0x03, 0x05, 0x00, 0x00, 0x02, 0x07, 0x00, 0x01});
    const CxImage img = DecodeBmp(file);
    ASSERT_TRUE(img.IsValid());
    const BYTE* row0 = img.GetBits(0);
    const BYTE* row1 = img.GetBits(1);
    EXPECT_EQ((Bytes{row0, row0 + 4}), (Bytes{5, 5, 5, 0}));
    EXPECT_EQ((Bytes{row1, row1 + 4}), (Bytes{7, 7, 0, 0}));
}

TEST(BmpDecode, Rle8DeltaAbsoluteRunsAndEndOfStream) {
    Bytes file = FileAndInfoHeader(6, 3, 8, BI_RLE8, 2);
    file.insert(file.end(), 8, 0);
    // delta (2, 1), absolute run 9 8 7 (padded), then the stream simply ends.
    file.insert(file.end(), {0x00, 0x02, 0x02, 0x01, 0x00, 0x03, 9, 8, 7, 0, 0x01, 0x04});
    const CxImage img = DecodeBmp(file);
    ASSERT_TRUE(img.IsValid());
    const BYTE* row1 = img.GetBits(1);
    EXPECT_EQ((Bytes{row1, row1 + 6}), (Bytes{0, 0, 9, 8, 7, 4}));
    const BYTE* row2 = img.GetBits(2);
    EXPECT_EQ((Bytes{row2, row2 + 6}), (Bytes(6, 0)));
}

TEST(BmpDecode, Rle4TakesNibblesInStreamOrderFromAnyPosition) {
    Bytes file = FileAndInfoHeader(8, 1, 4, BI_RLE4, 16);
    file.insert(file.end(), 64, 0);
    // Encoded run of 3 from the value 0x12, then an absolute run of 4 pixels
    // 3 4 5 6 starting at the odd pixel 3, a delta of one pixel that skips
    // pixel 7, and a run of one that lands in the row's padding.
    file.insert(file.end(), {0x03, 0x12, 0x00, 0x04, 0x34, 0x56, 0x00, 0x02, 0x01, 0x00, 0x01, 0xF0,
                             0x00, 0x01});
    const CxImage img = DecodeBmp(file);
    ASSERT_TRUE(img.IsValid());
    std::vector<int> indices;
    for (LONG x = 0; x < 8; ++x)
        indices.push_back(img.GetPixelIndex(x, 0));
    EXPECT_EQ(indices, (std::vector<int>{1, 2, 1, 3, 4, 5, 6, 0}));
}

TEST(BmpDecode, PaletteLongerThanTheImageKeepsTheFirstEntries) {
    Bytes file = FileAndInfoHeader(1, 1, 8, BI_RGB, 300);
    for (int i = 0; i < 300; ++i)
        file.insert(file.end(), {std::uint8_t(i), 1, 2, 99});
    file.insert(file.end(), {255, 0, 0, 0});
    const CxImage img = DecodeBmp(file);
    ASSERT_TRUE(img.IsValid());
    EXPECT_EQ(img.GetNumColors(), 256u);
    EXPECT_EQ(Pixel(img, 0, 0), (RGBQUAD{255, 1, 2, 0}));
}

TEST(BmpDecode, DimensionQueryAllocatesNothing) {
    const Bytes file = FileAndInfoHeader(640, -480, 24, BI_RGB);
    CxImage img;
    img.SetEscape(-1);
    EXPECT_TRUE(img.Decode(file.data(), static_cast<DWORD>(file.size()), FORMAT_BMP));
    EXPECT_FALSE(img.IsValid());
    EXPECT_EQ(img.GetWidth(), 640u);
    EXPECT_EQ(img.GetHeight(), 480u);
    EXPECT_STREQ(img.GetLastError(), "output dimensions returned");

    // Only a readable header answers the query.
    CxImage text;
    text.SetEscape(-1);
    const BYTE junk[] = "no bitmap in here at all, not even a header";
    EXPECT_FALSE(text.Decode(junk, sizeof junk, FORMAT_BMP));
}

TEST(BmpBadHeaders, EachFailureHasItsText) {
    EXPECT_EQ(DecodeError(Bytes{'B', 'M', 0, 0}), "Not a BMP");
    EXPECT_EQ(DecodeError(Bytes(20, 'x')), "Error reading BMP info");
    Bytes header66 = FileAndInfoHeader(1, 1, 8, BI_RGB, 2);
    header66[14] = 66;
    EXPECT_EQ(DecodeError(header66), "Error reading BMP info");
    EXPECT_EQ(DecodeError(FileAndInfoHeader(1, 1, 8, BI_BITFIELDS)),
              "compression type not supported");
    EXPECT_EQ(DecodeError(FileAndInfoHeader(1, 1, 24, BI_RLE8)), "unknown compression");
    EXPECT_EQ(DecodeError(FileAndInfoHeader(1, 1, 32, BI_RLE4)), "unknown compression");
    EXPECT_EQ(DecodeError(FileAndInfoHeader(1, 1, 2, BI_RGB)), "bit count not supported");
    EXPECT_EQ(DecodeError(FileAndInfoHeader(1, 1, 0, BI_RGB)), "bit count not supported");
    EXPECT_EQ(DecodeError(FileAndInfoHeader(-5, 1, 24, BI_RGB)), "Can't allocate memory");
    EXPECT_EQ(DecodeError(FileAndInfoHeader(0, 1, 24, BI_RGB)), "Can't allocate memory");
    EXPECT_EQ(DecodeError(FileAndInfoHeader(1, INT32_MIN, 24, BI_RGB)), "Can't allocate memory");
    EXPECT_EQ(DecodeError(FileAndInfoHeader(3000000, 2000000, 24, BI_RGB)),
              "Can't allocate memory");

    const Bytes ok = FileAndInfoHeader(1, 1, 24, BI_RGB);
    CxImage cancelled;
    cancelled.SetEscape(1);
    EXPECT_FALSE(cancelled.Decode(ok.data(), static_cast<DWORD>(ok.size()), FORMAT_BMP));
    EXPECT_STREQ(cancelled.GetLastError(), "Cancelled");
}

TEST(BmpTruncation, EveryCutFailsCleanlyOrClearsWhatIsMissing) {
    for (DWORD bpp : {1u, 4u, 8u, 24u}) {
        CxImage img = Picture(bpp);
        const Bytes file = EncodeBmp(img);
        const std::size_t dataStart = At32(file, 10);
        for (std::size_t cut = 0; cut < file.size(); ++cut) {
            SCOPED_TRACE(testing::Message() << bpp << " bpp cut at " << cut);
            const Bytes part(file.begin(), file.begin() + static_cast<long>(cut));
            const CxImage back = DecodeBmp(part);
            if (!back.IsValid()) {
                EXPECT_NE(DecodeError(part), "");
                continue;
            }
            // A cut after the information header decodes: the pixel bytes the
            // file supplies are kept and the rest of the rows is zero.
            EXPECT_GE(cut, 54u);
            const BYTE* bits = back.GetBits();
            const std::size_t have = cut > dataStart ? cut - dataStart : 0;
            EXPECT_EQ(0, std::memcmp(bits, img.GetBits(), have));
            for (std::size_t i = have; i < back.GetEffWidth() * 3; ++i)
                ASSERT_EQ(bits[i], 0);
        }
    }
}

TEST(BmpRoundTrip, TopDownFileKeepsItsResolution) {
    Bytes file = FileAndInfoHeader(1, -1, 24, BI_RGB);
    file.insert(file.end(), {1, 2, 3, 0});
    CxImage img = DecodeBmp(file);
    ASSERT_TRUE(img.IsValid());
    EXPECT_EQ(img.GetXDPI(), 72);
    const Bytes again = EncodeBmp(img);
    EXPECT_EQ(At32(again, 38), 2835u);
    EXPECT_EQ(At32(again, 42), 2835u);
}
