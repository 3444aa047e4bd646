#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "image/CxImage.h"
#include "tests/support/TestSurface.h"

namespace {

// Gives the tests the two presentation settings that have no setter.
class DrawImage : public CxImage {
public:
    using CxImage::CxImage;
    void SetAlphaMax(BYTE m) { info.alphaMax = m; }
    void EnableAlphaPalette() { info.alphaPaletteEnabled = true; }
};

COLORREF ColorOf(char c) {
    switch (c) {
    case 'R':
        return kRed;
    case 'G':
        return kGreen;
    case 'B':
        return kBlue;
    case 'K':
        return kBlack;
    default:
        return kWhite;
    }
}

// An image from a picture given top row first, in the characters of
// TestSurface::Picture: 24 bits, or 8 bits with palette entries '.', R, G, B, K.
DrawImage FromPicture(const std::vector<std::string>& rows, WORD bpp = 24) {
    const LONG w = static_cast<LONG>(rows[0].size()), h = static_cast<LONG>(rows.size());
    DrawImage img(w, h, bpp);
    const std::string symbols = ".RGBK";
    if (bpp == 8) {
        for (std::size_t i = 0; i < symbols.size(); ++i)
            img.SetPaletteColor(static_cast<BYTE>(i), ColorOf(symbols[i]));
    }
    for (LONG y = 0; y < h; ++y) {
        for (LONG x = 0; x < w; ++x) {
            const char c = rows[y][x];
            if (bpp == 8) {
                img.SetPixelIndex(x, h - 1 - y, static_cast<BYTE>(symbols.find(c)));
            } else {
                img.SetPixelColor(x, h - 1 - y, ColorOf(c));
            }
        }
    }
    return img;
}

RECT ClipBox(HDC dc) {
    RECT box{};
    GetClipBox(dc, &box);
    return box;
}

} // namespace

TEST(Draw, UnscaledImageGoesStraightToTheDevice) {
    TestSurface s(5, 4);
    const DrawImage img = FromPicture({"RGB", "KRG"});
    EXPECT_EQ(img.Draw(s.dc(), 1, 1), 1);
    EXPECT_EQ(s.Picture(), ".....\n"
                           ".RGB.\n"
                           ".KRG.\n"
                           ".....\n");
    EXPECT_EQ(SetStretchBltMode(s.dc(), BLACKONWHITE), COLORONCOLOR);
}

TEST(Draw, StretchRepeatsSourcePixelsTopRowFirst) {
    for (WORD bpp : {24, 8}) {
        TestSurface s(5, 5);
        const DrawImage img = FromPicture({"RG", "BK"}, bpp);
        EXPECT_EQ(img.Draw(s.dc(), RECT{0, 0, 4, 4}), 1);
        EXPECT_EQ(s.Picture(), "RRGG.\n"
                               "RRGG.\n"
                               "BBKK.\n"
                               "BBKK.\n"
                               ".....\n")
            << bpp;
    }
}

TEST(Draw, SourceStaysAlignedWhenTheDestinationStartsOutside) {
    const DrawImage img = FromPicture({"RGB", "KRG", "BKR"});
    TestSurface direct(3, 3), stretched(3, 3), composited(3, 3);
    img.Draw(direct.dc(), -1, -1);
    FromPicture({"RG", "BK"}).Draw(stretched.dc(), -1, -1, 4, 4);
    DrawImage keyed = img;
    keyed.SetTransIndex(0);
    keyed.SetTransColor(RGBQUAD{255, 255, 255, 0}); // no white pixels: all opaque
    keyed.Draw(composited.dc(), -1, -1);
    EXPECT_EQ(direct.Picture(), "RG.\nKR.\n...\n");
    EXPECT_EQ(stretched.Picture(), "RGG\nBKK\nBKK\n");
    EXPECT_EQ(composited.Picture(), "RG.\nKR.\n...\n");
}

TEST(Draw, TransparentIndexLeavesTheDevice) {
    DrawImage img = FromPicture({"RGBG"}, 8);
    img.SetTransIndex(2); // green
    TestSurface s(8, 2, kBlack);
    img.Draw(s.dc(), 0, 0);
    img.Draw(s.dc(), 0, 1, 8, 1);
    EXPECT_EQ(s.Picture(), "RKBKKKKK\n"
                           "RRKKBBKK\n");
}

TEST(Draw, TransparentColourComparesAllFourBytes) {
    DrawImage img = FromPicture({"RGBG"});
    img.SetTransIndex(0);
    img.SetTransColor(RGBQUAD{0, 255, 0, 99}); // stored with a fourth byte of 0
    TestSurface s(4, 1, kBlack);
    img.Draw(s.dc(), 0, 0);
    EXPECT_EQ(s.Picture(), "RKBK\n");
}

TEST(Draw, AlphaBlendsInFixedPoint) {
    DrawImage img(1, 1, 24); // black
    img.AlphaCreate();
    img.AlphaSet(0, 0, 128);
    TestSurface s(3, 1);
    img.Draw(s.dc(), 0, 0);
    EXPECT_EQ(s.Pixel(0, 0), RGB(126, 126, 126)); // (255 * 127 + 128 * 0) >> 8
    img.AlphaSet(0, 0, 255);
    img.SetAlphaMax(0);
    img.Draw(s.dc(), 1, 0);
    EXPECT_EQ(s.Pixel(1, 0), kWhite);
    img.SetAlphaMax(255);
    img.Draw(s.dc(), 2, 0);
    EXPECT_EQ(s.Pixel(2, 0), kBlack);
}

TEST(Draw, PaletteAlphaScalesTheEffectiveAlpha) {
    DrawImage img = FromPicture({"KR"}, 8);
    img.SetPaletteColor(4, RGBQUAD{0, 0, 0, 127}); // black, half transparent
    img.EnableAlphaPalette();
    TestSurface s(2, 1);
    img.Draw(s.dc(), 0, 0);
    EXPECT_EQ(s.Pixel(0, 0), RGB(127, 127, 127));
    EXPECT_EQ(s.Pixel(1, 0), kWhite); // red's fourth byte 0: fully transparent
}

TEST(Draw, SmoothStretchInterpolatesBetweenPixelCentres) {
    DrawImage img(2, 1, 24);
    img.SetPixelColor(1, 0, RGB(255, 255, 255));
    TestSurface s(4, 1);
    img.Draw(s.dc(), 0, 0, 4, 1, nullptr, true);
    EXPECT_EQ(s.Pixel(0, 0), kBlack);
    EXPECT_EQ(s.Pixel(1, 0), kBlack);
    EXPECT_EQ(s.Pixel(2, 0), RGB(127, 127, 127));
    EXPECT_EQ(s.Pixel(3, 0), kWhite);
}

TEST(Draw, ClipRectangleLimitsPaintingAndIsUndoneAfterwards) {
    const DrawImage direct = FromPicture({"RRRR", "RRRR", "RRRR", "RRRR"});
    DrawImage keyed = direct;
    keyed.SetTransIndex(0);
    const RECT clip{1, 1, 3, 3};
    for (const DrawImage* img : {&direct, static_cast<const DrawImage*>(&keyed)}) {
        TestSurface s(6, 6);
        img->Draw(s.dc(), 0, 0, -1, -1, &clip);
        EXPECT_EQ(s.Picture(), "......\n.RR...\n.RR...\n......\n......\n......\n");
        EXPECT_EQ(ClipBox(s.dc()), (RECT{0, 0, 6, 6}));
    }
    // Within an earlier clip region: the union restores its box.
    TestSurface s(6, 6);
    const RECT region{0, 0, 5, 5}, corner{4, 4, 9, 9};
    HRGN rgn = CreateRectRgnIndirect(&region);
    ExtSelectClipRgn(s.dc(), rgn, RGN_AND);
    DeleteObject(rgn);
    direct.Draw(s.dc(), 0, 0, 6, 6, &corner);
    EXPECT_EQ(ClipBox(s.dc()), region);
    EXPECT_EQ(s.Pixel(4, 4), kRed);
    EXPECT_EQ(s.Pixel(3, 3), kWhite);
    EXPECT_EQ(s.Pixel(5, 5), kWhite);
}

TEST(Draw, NothingIsAttemptedWithoutImageDeviceOrSize) {
    TestSurface s(4, 4);
    const std::size_t objects = GetLiveGdiObjectCount();
    DrawImage img = FromPicture({"RG", "BK"});
    EXPECT_EQ(DrawImage().Draw(s.dc()), 0);
    EXPECT_EQ(img.Draw(nullptr), 0);
    EXPECT_EQ(img.Draw(s.dc(), 0, 0, 0, 2), 0);
    EXPECT_EQ(img.Draw(s.dc(), 0, 0, 2, 0), 0);
    img.Enable(false);
    EXPECT_EQ(img.Draw(s.dc()), 0);
    EXPECT_EQ(s.Picture(), "....\n....\n....\n....\n");
    img.Enable(true);
    EXPECT_EQ(img.Draw(s.dc(), RECT{3, 3, 1, 1}), 1); // negative sizes: the image's own
    EXPECT_EQ(s.Picture(), "....\n....\n....\n...R\n");
    EXPECT_EQ(GetLiveGdiObjectCount(), objects);
}

TEST(Draw, FarDestinationsAndHugeStretchesStayInside) {
    DrawImage img = FromPicture({"RG", "BK"}), keyed = img, smooth = img;
    keyed.SetTransIndex(0);
    TestSurface s(5, 4);
    for (const DrawImage* im : {&img, &keyed}) {
        EXPECT_EQ(im->Draw(s.dc(), INT_MAX, INT_MIN), 1);
        EXPECT_EQ(im->Draw(s.dc(), INT_MIN, 0, INT_MAX, 3), 1);
        EXPECT_EQ(im->Draw(s.dc(), 0, INT_MAX - 1, 5, INT_MAX), 1);
        EXPECT_EQ(im->Draw(s.dc(), RECT{INT_MIN, INT_MIN, INT_MAX, INT_MAX}), 1);
    }
    EXPECT_EQ(s.Picture(), ".....\n.....\n.....\n.....\n");
    // A stretch this large samples the top-left source pixel everywhere.
    for (const DrawImage* im : {&img, &keyed}) {
        TestSurface t(5, 4);
        EXPECT_EQ(im->Draw(t.dc(), 0, 0, INT_MAX, INT_MAX), 1);
        EXPECT_EQ(t.Picture(), "RRRRR\nRRRRR\nRRRRR\nRRRRR\n");
        EXPECT_EQ(im->Draw(t.dc(), 0, 0, INT_MAX, INT_MAX, nullptr, true), 1);
        EXPECT_EQ(t.Picture(), "RRRRR\nRRRRR\nRRRRR\nRRRRR\n");
    }
}

TEST(Draw, RepeatedPaintingLeaksNoObjects) {
    DrawImage img = FromPicture({"RG", "BK"});
    img.AlphaCreate();
    TestSurface s(8, 8);
    const std::size_t objects = GetLiveGdiObjectCount();
    const RECT clip{1, 1, 6, 6};
    for (int i = 0; i < 50; ++i) {
        img.Draw(s.dc(), i % 3, 1, 5, 5, &clip, i % 2 == 0);
        img.Draw(s.dc(), 0, 0);
    }
    EXPECT_EQ(GetLiveGdiObjectCount(), objects);
}
