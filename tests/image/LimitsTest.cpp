// The container's limits: Create and the planes refuse what exceeds them,
// and every decoder refuses a small file claiming a huge image before
// allocating anything, with a message that names the size and the limit.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/image/codecs/CodecTestSupport.h"

using namespace codectest;

namespace {

const std::string kSeeds = std::string(TORVEX_SOURCE_DIR) + "/fuzz/seeds/";

std::string PixelRefusal(const char* size, std::uint64_t limit = CXIMAGE_DEFAULT_MAX_PIXELS) {
    return std::string("Image of ") + size + " pixels exceeds the limit of " +
           std::to_string(limit) + " pixels";
}

// A BMP file with a cleared palette, then `data`.
Bytes Bmp(LONG width, LONG height, WORD bpp, DWORD compression, const Bytes& data) {
    const DWORD colours = bpp <= 8 ? 1u << bpp : 0;
    return Concat(Concat(BmpFile(width, height, bpp, compression, colours), Bytes(4 * colours, 0)),
                  data);
}

// A GIF without colour tables: the screen, one image descriptor, a few LZW
// bytes and the trailer.
Bytes Gif(WORD screenWidth, WORD screenHeight, WORD frameWidth, WORD frameHeight) {
    Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
    Put16(b, screenWidth);
    Put16(b, screenHeight);
    b.insert(b.end(), {0, 0, 0, 0x2C, 0, 0, 0, 0});
    Put16(b, frameWidth);
    Put16(b, frameHeight);
    return Concat(b, {0, 2, 2, 0x4C, 0x01, 0, 0x3B});
}

} // namespace

TEST(Limits, DefaultsAdmitSixteenThousandSquareAtFourBytesAPixel) {
    EXPECT_TRUE(CxImage::FitsLimits(16384, 16384, 32));
    EXPECT_TRUE(CxImage::FitsLimits(1u << 28, 1, 1));
    std::string why;
    EXPECT_FALSE(CxImage::FitsLimits(16385, 16384, 1, &why));
    EXPECT_EQ(why, PixelRefusal("16385 x 16384"));
    EXPECT_FALSE(CxImage::FitsLimits(std::uint64_t{1} << 32, 1, 1));
    EXPECT_TRUE(CxImage::FitsAllocation(16384, 16384, 4ull * 16384 * 16384));
    EXPECT_FALSE(CxImage::FitsAllocation(16384, 16384, 4ull * 16384 * 16384 + 1));
}

TEST(Limits, CreateRefusesBeyondTheLimitsAfterItsOwnChecks) {
    const ScopedLimits limits(1000, 2000);
    const struct {
        DWORD width, height, bpp;
        std::string text; // empty: created
    } cases[] = {
        {1000, 1, 1, ""},
        {1001, 1, 1, PixelRefusal("1001 x 1", 1000)},
        {40, 25, 1, ""}, // 40 + 8 + 25 * 8 bytes
        {40, 25, 8,
         "Image of 40 x 25 pixels needs a block of 2064 bytes, more than the limit "
         "of 2000"},
        {0, 5, 24, "CxImage::Create : width and height must be greater than zero"},
        {70000, 70000, 24, "CXIMAGE_MAX_MEMORY exceeded"},
    };
    for (const auto& c : cases) {
        CxImage img;
        const bool made = img.Create(c.width, c.height, c.bpp) != nullptr;
        EXPECT_EQ(made, c.text.empty()) << c.width << " x " << c.height;
        EXPECT_EQ(img.GetLastError(), c.text) << c.width << " x " << c.height;
    }
}

TEST(Limits, PlanesObeyTheAllocationLimit) {
    const ScopedLimits limits(CXIMAGE_DEFAULT_MAX_PIXELS, 1000);
    CxImage mono(64, 64, 1); // a 560-byte block, a 4096-byte plane
    ASSERT_TRUE(mono.IsValid());
    mono.AlphaCreate();
    EXPECT_FALSE(mono.AlphaIsValid());
    CxImage small(30, 30, 1);
    small.AlphaCreate();
    EXPECT_TRUE(small.AlphaIsValid());
    EXPECT_TRUE(small.Flip());
    EXPECT_TRUE(small.AlphaIsValid());
}

TEST(Limits, SmallFilesClaimingHugeImagesAreRefusedByEveryDecoder) {
    Bytes wbmp = {0, 0, 0x81, 0x80, 0x80, 0, 0x81, 0x80, 0x80, 0, 0xFF};
    const struct {
        const char* what;
        DWORD format;
        Bytes file;
        std::string text;
    } cases[] = {
        {"RLE8 BMP", FORMAT_BMP, Bmp(30000, 30000, 8, BI_RLE8, {0, 1}),
         PixelRefusal("30000 x 30000")},
        {"top-down RLE4 BMP", FORMAT_BMP, Bmp(30000, -30000, 4, BI_RLE4, {0, 1}),
         PixelRefusal("30000 x 30000")},
        {"GIF screen", FORMAT_GIF, Gif(6727, 65351, 1, 1), PixelRefusal("6727 x 65351")},
        {"GIF frame", FORMAT_GIF, Gif(30000, 30000, 30000, 30000), PixelRefusal("30000 x 30000")},
        {"TGA", FORMAT_TGA, Concat(TgaHeader(2, 65535, 65535, 24), {1, 2, 3}),
         PixelRefusal("65535 x 65535")},
        {"PCX", FORMAT_PCX, Concat(PcxHeader(65535, 65535, 8, 1, 65535), {0xFF, 0}),
         PixelRefusal("65535 x 65535")},
        {"WBMP", FORMAT_WBMP, wbmp, PixelRefusal("2097152 x 2097152")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_LT(c.file.size(), 1100u);
        for (DWORD as : {c.format, DWORD(FORMAT_UNKNOWN)}) {
            CxImage img;
            EXPECT_FALSE(DecodeBytes(c.file, as, img));
            // WBMP and a TGA without its 2.0 footer have no signature: detection does
            // not speak for them.
            const bool generic =
                as == FORMAT_UNKNOWN && (c.format == FORMAT_TGA || c.format == FORMAT_WBMP);
            EXPECT_EQ(img.GetLastError(), generic ? "Decode: Unknown or wrong format" : c.text);
        }
    }
}

TEST(Limits, LoweredLimitsReachIconsMetafilesAndTheBmpWorkBuffer) {
    const ScopedLimits limits(40, CXIMAGE_DEFAULT_MAX_ALLOCATION);
    for (const char* seed : {"ico/ours_4bit_8x6_mask.ico", "wmf/shapes.wmf", "emf/shapes.emf"}) {
        CxImage img;
        EXPECT_FALSE(img.Load((kSeeds + seed).c_str(), FORMAT_UNKNOWN)) << seed;
        const std::string text = img.GetLastError();
        EXPECT_EQ(text.rfind("Image of ", 0), 0u) << text;
        EXPECT_NE(text.find(" pixels exceeds the limit of 40 pixels"), std::string::npos) << text;
    }
    // A 32-bit BMP is read through a buffer of 4 bytes a pixel, larger than its image.
    CxImage::SetMaxPixels(CXIMAGE_DEFAULT_MAX_PIXELS);
    CxImage::SetMaxAllocation(35000);
    CxImage img;
    EXPECT_FALSE(DecodeBytes(Bmp(100, 100, 32, BI_RGB, Bytes(40000, 7)), FORMAT_BMP, img));
    EXPECT_STREQ(img.GetLastError(),
                 "Image of 100 x 100 pixels needs a block of 40000 bytes, more than the limit "
                 "of 35000");
    EXPECT_TRUE(DecodeBytes(Bmp(100, 100, 24, BI_RGB, Bytes(30000, 7)), FORMAT_BMP, img));
}

TEST(Limits, TheCorpusGifOfAHugeEmptyScreen) {
    const std::string corpus = testsupport::CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "the corpus is absent";
    CxImage img((corpus + "/gif/image-gif/issue-101-infinite-empty-loop.gif").c_str(), FORMAT_BMP);
    EXPECT_FALSE(img.IsValid());
    EXPECT_EQ(img.GetLastError(), PixelRefusal("6727 x 65351"));
}
