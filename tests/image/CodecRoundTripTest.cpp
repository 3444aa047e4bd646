// Every encoder at every depth its format holds, at odd sizes: the file read
// back by detection has the same type, depth, palette, pixels and
// transparency, and ImageMagick reads one size of each the same way. Also the
// encoders' refusals and failed writes.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/image/CodecTestSupport.h"

using namespace codectest;

namespace {

enum Extra { kPlain, kAlpha, kTransparent };

struct Case {
    DWORD format;
    const char* suffix;
    DWORD bpp;
    Extra extra = kPlain;
    int option = 0; // GIF: 0 LZW, 1 uncompressed, 2 run-length
};

const Case kCases[] = {
    {FORMAT_BMP, ".bmp", 1},
    {FORMAT_BMP, ".bmp", 4},
    {FORMAT_BMP, ".bmp", 8},
    {FORMAT_BMP, ".bmp", 24},
    {FORMAT_GIF, ".gif", 1},
    {FORMAT_GIF, ".gif", 4},
    {FORMAT_GIF, ".gif", 8, kTransparent},
    {FORMAT_GIF, ".gif", 1, kPlain, 1},
    {FORMAT_GIF, ".gif", 4, kPlain, 1},
    {FORMAT_GIF, ".gif", 8, kPlain, 1},
    {FORMAT_GIF, ".gif", 1, kPlain, 2},
    {FORMAT_GIF, ".gif", 4, kPlain, 2},
    {FORMAT_GIF, ".gif", 8, kPlain, 2},
    {FORMAT_ICO, ".ico", 1, kTransparent},
    {FORMAT_ICO, ".ico", 4},
    {FORMAT_ICO, ".ico", 4, kTransparent},
    {FORMAT_ICO, ".ico", 8, kTransparent},
    {FORMAT_ICO, ".ico", 24, kTransparent},
    {FORMAT_ICO, ".ico", 24, kAlpha},
    {FORMAT_TGA, ".tga", 8},
    {FORMAT_TGA, ".tga", 24},
    {FORMAT_TGA, ".tga", 24, kAlpha},
    {FORMAT_PCX, ".pcx", 1},
    {FORMAT_PCX, ".pcx", 4},
    {FORMAT_PCX, ".pcx", 8},
    {FORMAT_PCX, ".pcx", 24},
    {FORMAT_PCX, ".pcx", 24, kAlpha},
    {FORMAT_WBMP, ".wbmp", 1},
};

// Odd widths pad rows, 1 pixel and 255 are the limits of ICO and WBMP, 130
// needs WBMP's two-byte integers, 255 x 40 fills the GIF coders' tables, and
// thin pictures make GIF mosaics whose first tile spans the whole width or
// height.
const std::pair<DWORD, DWORD> kSizes[] = {{37, 23}, {1, 1}, {9, 5}, {130, 7}, {255, 40}, {8, 255}};

CxImage Picture(const Case& c, DWORD width, DWORD height) {
    CxImage img = MakePicture(width, height, c.bpp, c.extra == kAlpha);
    img.SetCodecOption(static_cast<DWORD>(c.option), FORMAT_GIF);
    if (c.extra == kTransparent) {
        if (c.bpp == 24) img.SetTransColor(img.GetPixelColor(0, 0, false));
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
    for (DWORD i = 0; i < a.GetNumColors(); ++i) {
        const RGBQUAD p = a.GetPaletteColor(BYTE(i)), q = b.GetPaletteColor(BYTE(i));
        if (p.rgbRed != q.rgbRed || p.rgbGreen != q.rgbGreen || p.rgbBlue != q.rgbBlue)
            return false;
    }
    return true;
}

// ImageMagick's reading of our file of the picture; "" when it agrees.
std::string MagickDisagrees(CxImage& img, const Case& c) {
    const std::string path = testsupport::TempFile(std::string("ours") + c.suffix);
    if (!img.Save(path.c_str(), c.format)) return "not written";
    // Named as BMP, found by detection.
    CxImage back(path.c_str(), FORMAT_BMP);
    if (back.GetType() != c.format) return "not detected";
    const auto magick = testsupport::MagickDecode(path, back.GetNumFrames() - 1);
    if (!magick) return "not read";
    if (Differences(img, *magick) == 0) return "";
    // ImageMagick 6 shows monochrome PCX inverted (netpbm agrees with us).
    CxImage negative(img);
    if (c.format == FORMAT_PCX && c.bpp == 1 && negative.Negative() &&
        Differences(negative, *magick) == 0)
        return "";
    return std::to_string(Differences(img, *magick)) + " pixels differ";
}

} // namespace

TEST(CodecRoundTrip, EveryEncoderDepthAndSize) {
    for (const Case& c : kCases) {
        for (const auto& [width, height] : kSizes) {
            SCOPED_TRACE(testing::Message()
                         << c.suffix << " " << c.bpp << "-bit extra " << c.extra << " option "
                         << c.option << ", " << width << "x" << height);
            if (c.format == FORMAT_ICO || c.format == FORMAT_WBMP) {
                if (height > 255) continue;
            }
            CxImage img = Picture(c, width, height);
            CxImage back;
            ASSERT_TRUE(DecodeBytes(EncodeBytes(img, c.format), FORMAT_UNKNOWN, back));
            EXPECT_EQ(back.GetType(), c.format);
            EXPECT_EQ(back.GetBpp(), c.bpp);
            EXPECT_TRUE(c.extra == kTransparent || SamePalette(back, img));
            EXPECT_EQ(Differences(back, Shown(img)), 0);
            if (width == 37 && testsupport::HaveMagick()) {
                EXPECT_EQ(MagickDisagrees(img, c), "");
            }
        }
    }
}

TEST(CodecRoundTrip, EncodersRefuseWhatTheirFormatCannotHold) {
    struct Refusal {
        DWORD format, width, height, bpp;
        const char* message;
    };
    const Refusal refusals[] = {
        {FORMAT_GIF, 70000, 1, 1, "Image too large for GIF"},
        {FORMAT_ICO, 256, 256, 24, "Can't save this image as icon"},
        {FORMAT_ICO, 1, 256, 8, "Can't save this image as icon"},
        {FORMAT_TGA, 2, 2, 1, "Bit depth must be 8 or 24"},
        {FORMAT_TGA, 2, 2, 4, "Bit depth must be 8 or 24"},
        {FORMAT_TGA, 65536, 1, 24, "Image too large for TGA"},
        {FORMAT_PCX, 65535, 1, 8, "Image too large for PCX"},
        {FORMAT_PCX, 65534, 1, 8, "<encoded>"},
        {FORMAT_WBMP, 4, 4, 4, "Can't save this image as WBMP"},
        {FORMAT_WBMP, 256, 1, 1, "Can't save this image as WBMP"},
        {FORMAT_WBMP, 1, 256, 1, "Can't save this image as WBMP"},
    };
    for (const Refusal& r : refusals) {
        CxImage img(r.width, r.height, r.bpp);
        EXPECT_EQ(EncodeError(img, r.format), r.message) << r.format << " " << r.width;
    }
}

TEST(CodecRoundTrip, EncodersReportWritesThatFail) {
    const std::pair<DWORD, const char*> formats[] = {
        {FORMAT_BMP, "Can't write BMP file"},    {FORMAT_GIF, "Write Error in GIF file"},
        {FORMAT_ICO, "Can't write icon file"},   {FORMAT_TGA, "Can't write TGA file"},
        {FORMAT_PCX, "cannot write PCX header"}, {FORMAT_WBMP, "Can't write WBMP file"},
    };
    for (const auto& [format, message] : formats) {
        CxImage img = MakePicture(9, 4, format == FORMAT_TGA ? 8 : 1);
        std::FILE* readOnly = std::fopen("/dev/null", "rb");
        ASSERT_NE(readOnly, nullptr);
        EXPECT_FALSE(img.Encode(readOnly, format));
        EXPECT_STREQ(img.GetLastError(), message);
        std::fclose(readOnly);
    }
}
