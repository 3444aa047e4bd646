// Every encoder at every depth its format holds, at odd sizes: the file read
// back by detection has the same type, depth, palette, pixels and
// transparency, and ImageMagick reads one size of each the same way. Also the
// encoders' refusals and failed writes.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <tuple>

#include "tests/image/codecs/CodecTestSupport.h"

using namespace codectest;

namespace {

enum Extra { kPlain, kAlpha, kTransparent };

// The depths written in one way: plain, with an alpha plane, or with a
// transparent index (or colour at 24 bits); GIF with each of its coders.
struct Cases {
    DWORD format;
    Extra extra;
    int option; // GIF: 0 LZW, 1 uncompressed, 2 run-length
    std::vector<DWORD> depths;
};

const Cases kCases[] = {{FORMAT_BMP, kPlain, 0, {1, 4, 8, 24}},
                        {FORMAT_GIF, kPlain, 0, {1, 4, 24}},
                        {FORMAT_GIF, kTransparent, 0, {8, 24}},
                        {FORMAT_GIF, kPlain, 1, {1, 4, 8}},
                        {FORMAT_GIF, kPlain, 2, {1, 4, 8}},
                        {FORMAT_ICO, kPlain, 0, {4}},
                        {FORMAT_ICO, kTransparent, 0, {1, 4, 8, 24}},
                        {FORMAT_ICO, kAlpha, 0, {24}},
                        {FORMAT_TGA, kPlain, 0, {8, 24}},
                        {FORMAT_TGA, kAlpha, 0, {24}},
                        {FORMAT_PCX, kPlain, 0, {1, 4, 8, 24}},
                        {FORMAT_PCX, kAlpha, 0, {24}},
                        {FORMAT_WBMP, kPlain, 0, {1}}};

std::string Suffix(DWORD format) {
    static const char* const kSuffixes[] = {"", ".bmp", ".gif", ".ico", ".tga", ".pcx", ".wbmp"};
    return kSuffixes[format];
}

// Odd widths pad rows, 1 pixel and 255 are the limits of ICO and WBMP, 130
// needs WBMP's two-byte integers, 255 x 40 fills the GIF coders' tables, and
// thin pictures make GIF mosaics whose first tile spans the whole width or
// height.
const std::pair<DWORD, DWORD> kSizes[] = {{37, 23}, {1, 1}, {9, 5}, {130, 7}, {255, 40}, {8, 255}};

CxImage Picture(const Cases& c, DWORD bpp, DWORD width, DWORD height) {
    CxImage img = MakePicture(width, height, bpp, c.extra == kAlpha);
    img.SetCodecOption(static_cast<DWORD>(c.option), FORMAT_GIF);
    if (c.extra == kTransparent) {
        if (bpp == 24) img.SetTransColor(img.GetPixelColor(0, 0, false));
        img.SetTransIndex(0);
    }
    return img;
}

// The picture as another decoder shows it: alpha 0 where it is transparent.
testsupport::Decoded Shown(const CxImage& img) {
    testsupport::Decoded d{static_cast<int>(img.GetWidth()), static_cast<int>(img.GetHeight()),
                           testsupport::ToRgba8(img)};
    for (int i = 0; i < d.width * d.height; ++i)
        if (IsTransparent(img, i % d.width, d.height - 1 - i / d.width)) d.rgba[4 * i + 3] = 0;
    return d;
}

bool SamePalette(const CxImage& a, const CxImage& b) {
    return a.GetPaletteSize() == b.GetPaletteSize() &&
           std::memcmp(a.GetPalette(), b.GetPalette(), a.GetPaletteSize()) == 0;
}

// ImageMagick's reading of our file of the picture; "" when it agrees.
std::string MagickDisagrees(CxImage& img, DWORD format) {
    const std::string path = testsupport::TempFile("ours" + Suffix(format));
    if (!img.Save(path.c_str(), format)) return "not written";
    // Named as BMP, found by detection.
    CxImage back(path.c_str(), FORMAT_BMP);
    if (back.GetType() != format) return "not detected";
    const auto magick = testsupport::MagickDecode(path, back.GetNumFrames() - 1);
    if (!magick) return "not read";
    if (Differences(img, *magick) == 0) return "";
    // ImageMagick 6 shows monochrome PCX inverted (netpbm agrees with us).
    CxImage negative(img);
    if (format == FORMAT_PCX && img.GetBpp() == 1 && negative.Negative() &&
        Differences(negative, *magick) == 0)
        return "";
    return std::to_string(Differences(img, *magick)) + " pixels differ";
}

} // namespace

TEST(CodecRoundTrip, EveryEncoderDepthAndSize) {
    for (const Cases& c : kCases) {
        for (DWORD bpp : c.depths) {
            for (const auto& [width, height] : kSizes) {
                SCOPED_TRACE(testing::Message()
                             << Suffix(c.format) << " " << bpp << "-bit " << c.extra << " "
                             << c.option << ", " << width << "x" << height);
                CxImage img = Picture(c, bpp, width, height), back;
                ASSERT_TRUE(DecodeBytes(EncodeBytes(img, c.format), FORMAT_UNKNOWN, back));
                EXPECT_EQ(back.GetType(), c.format);
                // A true-colour GIF of one tile is an 8-bit image.
                const bool oneTile = c.format == FORMAT_GIF && width <= 17 && height <= 15;
                EXPECT_EQ(back.GetBpp(), bpp == 24 && oneTile ? 8 : bpp);
                EXPECT_TRUE(c.extra == kTransparent || bpp > 8 || SamePalette(back, img));
                EXPECT_EQ(Differences(back, Shown(img)), 0);
                const bool sampled = width == 37 && testsupport::HaveMagick();
                EXPECT_EQ(sampled ? MagickDisagrees(img, c.format) : "", "");
            }
        }
    }
}

TEST(CodecRoundTrip, EncodersRefuseWhatTheirFormatCannotHold) {
    // Width, height and depth of pictures each encoder refuses with its text.
    using Sizes = std::vector<std::array<DWORD, 3>>;
    const std::tuple<DWORD, const char*, Sizes> refusals[] = {
        {FORMAT_GIF, "Image too large for GIF", {{70000, 1, 1}}},
        {FORMAT_ICO, "Can't save this image as icon", {{256, 256, 24}, {1, 256, 8}}},
        {FORMAT_TGA, "Bit depth must be 8 or 24", {{2, 2, 1}, {2, 2, 4}}},
        {FORMAT_TGA, "Image too large for TGA", {{65536, 1, 24}}},
        {FORMAT_PCX, "Image too large for PCX", {{65535, 1, 8}}},
        {FORMAT_WBMP, "Can't save this image as WBMP", {{4, 4, 4}, {256, 1, 1}, {1, 256, 1}}}};
    for (const auto& [format, message, sizes] : refusals) {
        for (const auto& [width, height, bpp] : sizes) {
            CxImage img(width, height, bpp);
            EXPECT_TRUE(EncodeBytes(img, format).empty());
            EXPECT_STREQ(img.GetLastError(), message) << width << "x" << height;
        }
    }
    CxImage widest(65534, 1, 8);
    EXPECT_FALSE(EncodeBytes(widest, FORMAT_PCX).empty());
}

TEST(CodecRoundTrip, EncodersReportWritesThatFail) {
    const std::pair<DWORD, const char*> formats[] = {
        {FORMAT_BMP, "Can't write BMP file"},    {FORMAT_GIF, "Write Error in GIF file"},
        {FORMAT_ICO, "Can't write icon file"},   {FORMAT_TGA, "Can't write TGA file"},
        {FORMAT_PCX, "cannot write PCX header"}, {FORMAT_WBMP, "Can't write WBMP file"}};
    for (const auto& [format, message] : formats) {
        CxImage img = MakePicture(9, 4, format == FORMAT_TGA ? 8 : 1);
        std::FILE* readOnly = std::fopen("/dev/null", "rb");
        ASSERT_NE(readOnly, nullptr);
        EXPECT_FALSE(img.Encode(readOnly, format));
        EXPECT_STREQ(img.GetLastError(), message);
        std::fclose(readOnly);
    }
}

// Files ImageMagick writes: BMP of versions 3 and 5 and OS/2 at every depth
// and compression; GIF interlaced, transparent, of 1 to 8 bits, smaller than
// their screen, and the first frames of animations; run-length TGA with both origins, 16- and
// 32-bit and grey; icons of 1, 4 and 8 bits with masks and of 32 bits; PCX of 1-bit planes, 8 and
// 24 bits and 32 with alpha; WBMP wider than 127.
TEST(CodecMagickFiles, DecodeLikeImageMagick) {
    if (!testsupport::HaveMagick()) GTEST_SKIP() << "ImageMagick is not installed";
    const std::string plasma = "-size 67x41 -seed 7 plasma:red-blue ",
                      v3 = " -define bmp:format=bmp3", os2 = " -define bmp:format=bmp2",
                      rose = "rose: -resize 37x23! ",
                      holes = " -alpha set -channel A -fx 'i<j?0:1' +channel";
    const std::pair<DWORD, std::vector<std::string>> files[] = {
        {FORMAT_BMP,
         {"-type bilevel" + v3, "-colors 16" + v3, "-colors 200 -compress None" + v3,
          "-type truecolor" + v3, "-colors 200 -compress RLE" + v3, "-colors 200 -compress RLE",
          "-colors 200 -compress None", "-type truecolor",
          "-alpha set -channel A -evaluate set 50% +channel", "-define bmp:subtype=RGB565",
          "-define bmp:subtype=RGB555", "-alpha set -define bmp:subtype=ARGB8888",
          "-type bilevel" + os2, "-colors 16" + os2, "-colors 200" + os2, "-type truecolor" + os2}},
        {FORMAT_TGA,
         {"rose: -compress RLE", "rose: -compress RLE -orient TopLeft",
          "rose: -alpha set -channel A -fx i/w +channel -compress RLE",
          "rose: -alpha set -channel A -fx j/h +channel -orient TopLeft",
          "rose: -type palette -compress RLE", "rose: -colorspace gray -compress RLE",
          "rose: -colorspace gray", "rose: -compress RLE -depth 5",
          "rose: -depth 5 -orient TopLeft"}},
        {FORMAT_ICO,
         {rose + "-colors 2 -type palette", rose + "-colors 2" + holes + " -type palettealpha",
          rose + "-colors 16 -type palette", rose + "-colors 12" + holes + " -type palettealpha",
          rose + "-colors 200 -type palette", rose + "-colors 100" + holes + " -type palettealpha",
          rose + "-alpha set -channel A -fx 'i/w' +channel", rose + holes}},
        {FORMAT_PCX,
         {"rose:", rose, "rose: -colors 16 -type palette", rose + "-type palette",
          "rose: -alpha set -channel A -fx i/w +channel"}},
        {FORMAT_GIF,
         {"-size 61x47 gradient:red-blue -colors 200 -interlace GIF",
          "-size 33x21 gradient:red-blue -colors 4", "-size 35x19 gradient:yellow-navy -colors 16",
          "-size 17x9 pattern:checkerboard",
          "-size 40x30 xc:none -fill red -draw 'circle 20,15 20,5'",
          "-size 40x30 xc:none -fill red -draw 'rectangle 5,5 12,9' -trim",
          "-size 50x40 xc:white -dispose background -page +5+5 -size 20x10 xc:red -dispose "
          "previous -page +20+20 -size 15x15 xc:blue -page +0+0 -size 10x10 xc:green -loop 0",
          "-size 20x20 gradient:red-yellow -size 20x20 gradient:blue-green -loop 0"}},
        {FORMAT_WBMP, {"-size 300x200 pattern:checkerboard", "rose: -monochrome"}}};
    for (const auto& [format, list] : files) {
        for (const std::string& arguments : list) {
            const std::string source = format == FORMAT_BMP ? plasma + arguments : arguments;
            EXPECT_EQ(MagickFileDifferences(source, Suffix(format), format), 0) << source;
        }
    }
}
