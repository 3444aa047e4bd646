// The metafile codec: picture sizes and their limit, header checks and
// messages, pixels of small WMF and EMF files written here, the dispatch,
// and truncated or mutated files.
#include <gtest/gtest.h>

#include <random>

#include "image/CxMemFile.h"
#include "image/codecs/CxImageMetafile.h"
#include "tests/support/MetafileWriter.h"
#include "tests/support/TestSupport.h"

using namespace metafiletest;

namespace {

struct Result {
    bool ok;
    DWORD width, height;
    std::string error;
};

Result Decode(const Bytes& bytes, long forceWidth = 0, long forceHeight = 0, LONG escape = 0) {
    CxMemFile file(const_cast<BYTE*>(bytes.data()), static_cast<long>(bytes.size()));
    CxImageMetafile img;
    img.SetEscape(escape);
    const bool ok = img.Decode(&file, forceWidth, forceHeight);
    return {ok, ok ? img.GetWidth() : 0, ok ? img.GetHeight() : 0, img.GetLastError()};
}

Bytes Wmf(int right, int bottom, int inch) {
    return WmfWriter().Placeable(0, 0, right, bottom, inch);
}

// A red rectangle without outline at (10, 10)-(50, 30) over white, one unit
// per pixel: 100 x 60 pixels.
Bytes RedBoxWmf() {
    return WmfWriter()
        .Window(0, 0, 100, 60)
        .Pen(PS_NULL, 0, 0)
        .Brush(BS_SOLID, RGB(255, 0, 0))
        .Select(0)
        .Select(1)
        .Rectangle(10, 10, 50, 30)
        .Placeable(0, 0, 100, 60, 96);
}

Bytes RedBoxEmf() {
    return EmfWriter()
        .Pen(1, PS_NULL, 0, 0)
        .Brush(2, BS_SOLID, RGB(255, 0, 0))
        .Select(1)
        .Select(2)
        .Rectangle(10, 10, 50, 30)
        .Metafile(0, 0, 100, 60);
}

// The colour of pixel (x, y) counted from the top, as 0xRRGGBB.
DWORD Rgb(const CxImage& img, LONG x, LONG y) {
    const RGBQUAD q = img.GetPixelColor(x, static_cast<LONG>(img.GetHeight()) - 1 - y);
    return (DWORD(q.rgbRed) << 16) | (DWORD(q.rgbGreen) << 8) | q.rgbBlue;
}

void ExpectRedBox(const Bytes& file) {
    CxImage img(file.data(), static_cast<DWORD>(file.size()), FORMAT_UNKNOWN);
    ASSERT_TRUE(img.IsValid()) << img.GetLastError();
    EXPECT_EQ(img.GetType(), DWORD{FORMAT_WMF});
    EXPECT_EQ(img.GetBpp(), 24);
    ASSERT_EQ(img.GetWidth(), 100u);
    ASSERT_EQ(img.GetHeight(), 60u);
    for (LONG y = 0; y < 60; ++y) {
        for (LONG x = 0; x < 100; ++x) {
            const bool inside = x >= 10 && x < 50 && y >= 10 && y < 30;
            ASSERT_EQ(Rgb(img, x, y), inside ? 0xFF0000u : 0xFFFFFFu) << x << "," << y;
        }
    }
}

} // namespace

TEST(MetafileSize, ScreenResolutionAndLimit) {
    const Result quarter = Decode(Wmf(1440, 720, 1440));
    EXPECT_TRUE(quarter.ok) << quarter.error;
    EXPECT_EQ(quarter.width, 96u);
    EXPECT_EQ(quarter.height, 48u);
    const Result wide = Decode(Wmf(10000, 5000, 96));
    EXPECT_EQ(wide.width, 4000u);
    EXPECT_EQ(wide.height, 2000u);
    const Result tall = Decode(Wmf(3000, 9000, 96));
    EXPECT_EQ(tall.width, 1333u);
    EXPECT_EQ(tall.height, 4000u);
    const Result emf = Decode(EmfWriter().Metafile(0, 0, 10000, 5000));
    EXPECT_EQ(emf.width, 4000u);
    EXPECT_EQ(emf.height, 2000u);
    // A side the limit would scale below one pixel keeps one.
    const Result thin = Decode(Wmf(30000, 1, 96));
    EXPECT_TRUE(thin.ok) << thin.error;
    EXPECT_EQ(thin.width, 4000u);
    EXPECT_EQ(thin.height, 1u);
}

TEST(MetafileSize, ForcedSizesReplaceTheOwnBeforeTheLimit) {
    const Result forced = Decode(Wmf(1440, 720, 1440), 50, 20);
    EXPECT_EQ(forced.width, 50u);
    EXPECT_EQ(forced.height, 20u);
    const Result limited = Decode(RedBoxEmf(), 8000, 0);
    EXPECT_EQ(limited.width, 4000u);
    EXPECT_EQ(limited.height, 30u);
}

TEST(MetafileHeader, ZeroWidthIsEmpty) {
    EXPECT_EQ(Decode(Wmf(0, 720, 1440)).error, "empty WMF");
    EXPECT_EQ(Decode(Wmf(10, 100, 1440)).error, "empty WMF"); // 0.67 pixels wide
    EXPECT_EQ(Decode(EmfWriter().Metafile(5, 0, 5, 40)).error, "empty WMF");
}

TEST(MetafileHeader, BadPlaceableHeadersAreTriedAsEnhancedThenRefused) {
    Bytes units0 = Wmf(1440, 720, 1440), units2541 = units0, checksum = units0, key = units0;
    // Units per inch 0 and 2541 (checksum kept right), a wrong checksum, a wrong key.
    const auto setInch = [](Bytes& b, WORD inch) {
        b[20] ^= static_cast<BYTE>(b[14] ^ inch), b[21] ^= static_cast<BYTE>(b[15] ^ (inch >> 8));
        b[14] = static_cast<BYTE>(inch), b[15] = static_cast<BYTE>(inch >> 8);
    };
    setInch(units0, 0);
    setInch(units2541, 2541);
    checksum[20] ^= 1;
    key[0] ^= 1;
    for (const Bytes* b : {&units0, &units2541, &checksum, &key}) {
        const Result r = Decode(*b);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, "corrupted WMF");
    }
    Bytes badType = Wmf(1440, 720, 1440);
    badType[22] = 3;
    EXPECT_EQ(Decode(badType).error, "corrupted WMF");
    EXPECT_EQ(Decode(Bytes(10, 0)).error, "corrupted WMF");
    setInch(units0, 2540);
    EXPECT_TRUE(Decode(units0).ok);
}

TEST(MetafileHeader, EscapeCancelsAndEncodingIsRefused) {
    EXPECT_EQ(Decode(RedBoxWmf(), 0, 0, 1).error, "Cancelled");
    CxImage img(4, 4, 24);
    CxMemFile out;
    out.Open();
    CxImageMetafile codec;
    codec.Ghost(&img);
    EXPECT_FALSE(codec.Encode(&out));
    EXPECT_STREQ(codec.GetLastError(), "Save WMF not supported");
    EXPECT_FALSE(img.Encode(&out, FORMAT_WMF));
    EXPECT_STREQ(img.GetLastError(), "Save WMF not supported");
}

TEST(MetafilePixels, ShapesLandWhereTheirCoordinatesSayOverWhite) {
    ExpectRedBox(RedBoxWmf());
    ExpectRedBox(RedBoxEmf());
}

TEST(MetafilePixels, ShortSizeFieldStillPlaysWhatIsThere) {
    // Some writers count the placeable header in the size field.
    Bytes file = RedBoxWmf();
    const DWORD words = GetLE32(file.data() + 22 + 6) + 11;
    PutLE32(file.data() + 22 + 6, words);
    ExpectRedBox(file);
}

TEST(MetafileDispatch, FilesLoadByDetectionAndWithTheirFormat) {
    const std::string path = testsupport::TempFile("metafile_dispatch.wmf");
    const Bytes file = RedBoxWmf();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
    const CxImage detected(path.c_str(), FORMAT_UNKNOWN);
    EXPECT_TRUE(detected.IsValid());
    EXPECT_EQ(detected.GetType(), DWORD{FORMAT_WMF});
    const CxImage named(path.c_str(), FORMAT_WMF);
    EXPECT_TRUE(named.IsValid());
    const Bytes junk(200, 7);
    CxImage refused;
    EXPECT_FALSE(refused.Decode(junk.data(), DWORD(junk.size()), FORMAT_WMF));
    EXPECT_STREQ(refused.GetLastError(), "corrupted WMF");
    EXPECT_EQ(GetLiveGdiObjectCount(), 0u);
}

// Every cut of the files, and random changes to their records: refused with
// a message or decoded; the sanitizer build catches any access outside a
// buffer.
TEST(MetafileHostile, TruncationsAndMutationsFailCleanly) {
    std::mt19937 rng(8);
    for (const Bytes& whole : {RedBoxWmf(), RedBoxEmf()}) {
        for (std::size_t n = 0; n < whole.size(); ++n) {
            const Result r = Decode(Bytes(whole.begin(), whole.begin() + n));
            EXPECT_TRUE(r.ok || !r.error.empty()) << n;
        }
        const std::size_t headers = whole[0] == 1 ? 88 : 40;
        for (int i = 0; i < 500; ++i) {
            Bytes b = whole;
            for (int k = 0; k < 4; ++k)
                b[headers + rng() % (b.size() - headers)] = static_cast<BYTE>(rng());
            const Result r = Decode(b);
            EXPECT_TRUE(r.ok || !r.error.empty());
        }
    }
    EXPECT_EQ(GetLiveGdiObjectCount(), 0u);
}
