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

// An image from a picture in TestSurface's symbols, top row first; at 8 bits
// the symbols' colours lead the palette, so each symbol's index is its position.
DrawImage FromPicture(const std::vector<std::string>& rows, WORD bpp = 24) {
    const LONG w = static_cast<LONG>(rows[0].size()), h = static_cast<LONG>(rows.size());
    DrawImage img(w, h, bpp);
    for (BYTE i = 0; bpp == 8 && kSymbols[i]; ++i)
        img.SetPaletteColor(i, kSymbolColors[i]);
    for (LONG i = 0; i < w * h; ++i) {
        const std::size_t symbol = std::string(kSymbols).find(rows[i / w][i % w]);
        img.SetPixelColor(i % w, h - 1 - i / w, kSymbolColors[symbol]);
    }
    return img;
}

} // namespace

TEST(Draw, StretchRepeatsSourcePixelsTopRowFirst) {
    for (WORD bpp : {24, 8}) {
        TestSurface s(5, 5);
        EXPECT_EQ(FromPicture({"RG", "BK"}, bpp).Draw(s.dc(), RECT{0, 0, 4, 4}), 1);
        EXPECT_EQ(s.Picture(), "RRGG.\nRRGG.\nBBKK.\nBBKK.\n.....\n") << bpp;
    }
}

TEST(Draw, SourceStaysAlignedWhenTheDestinationStartsOutside) {
    const DrawImage img = FromPicture({"RGB", "KRG", "BKR"});
    DrawImage keyed = img;
    keyed.SetTransIndex(0);
    keyed.SetTransColor(RGBQUAD{255, 255, 255, 0}); // no pixel is white
    TestSurface direct(3, 3), stretched(3, 3), composited(3, 3);
    img.Draw(direct.dc(), -1, -1);
    FromPicture({"RG", "BK"}).Draw(stretched.dc(), -1, -1, 4, 4);
    keyed.Draw(composited.dc(), -1, -1);
    EXPECT_EQ(direct.Picture(), "RG.\nKR.\n...\n");
    EXPECT_EQ(stretched.Picture(), "RGG\nBKK\nBKK\n");
    EXPECT_EQ(composited.Picture(), "RG.\nKR.\n...\n");
}

TEST(Draw, TransparentIndexAndColourLeaveTheDevice) {
    DrawImage indexed = FromPicture({"RGBG"}, 8), rgb = FromPicture({"RGBG"});
    indexed.SetTransIndex(2); // green
    rgb.SetTransIndex(0);
    rgb.SetTransColor(RGBQUAD{0, 255, 0, 99}); // stored with a fourth byte of 0
    TestSurface s(8, 3, kBlack);
    indexed.Draw(s.dc(), 0, 0);
    indexed.Draw(s.dc(), 0, 1, 8, 1);
    rgb.Draw(s.dc(), 0, 2);
    EXPECT_EQ(s.Picture(), "RKBKKKKK\nRRKKBBKK\nRKBKKKKK\n");
}

TEST(Draw, AlphaPlaneLimitAndPaletteAlphaBlendInFixedPoint) {
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

    DrawImage indexed = FromPicture({"K"}, 8);
    indexed.SetPaletteColor(4, RGBQUAD{0, 0, 0, 127}); // black, half transparent
    indexed.EnableAlphaPalette();
    indexed.Draw(s.dc(), 2, 0);
    EXPECT_EQ(s.Pixel(2, 0), RGB(127, 127, 127));
}

TEST(Draw, ClipRectangleLimitsPaintingAndIsUndoneAfterwards) {
    DrawImage direct = FromPicture({"RRRR", "RRRR", "RRRR", "RRRR"}), keyed = direct;
    keyed.SetTransIndex(0);
    const RECT clip{1, 1, 3, 3};
    for (const DrawImage* img : {&direct, &keyed}) {
        TestSurface s(5, 5);
        img->Draw(s.dc(), 0, 0, -1, -1, &clip);
        EXPECT_EQ(s.Picture(), ".....\n.RR..\n.RR..\n.....\n.....\n");
        EXPECT_EQ(s.ClipBox(), (RECT{0, 0, 5, 5}));
    }
    // Within an earlier clip region: the union gives back its box.
    TestSurface s(6, 6);
    const RECT region{0, 0, 5, 5}, corner{4, 4, 9, 9};
    s.Clip(region, RGN_AND);
    direct.Draw(s.dc(), 0, 0, 6, 6, &corner);
    EXPECT_EQ(s.ClipBox(), region);
    EXPECT_EQ(s.Picture(0, 3, 6, 6), "......\n....R.\n......\n");
}

TEST(Draw, BadInputsPaintNothingOrStayInside) {
    DrawImage img = FromPicture({"RG", "BK"}), keyed = img;
    keyed.SetTransIndex(0);
    TestSurface s(5, 4);
    EXPECT_EQ(DrawImage().Draw(s.dc()), 0);
    EXPECT_EQ(img.Draw(nullptr), 0);
    EXPECT_EQ(img.Draw(s.dc(), 0, 0, 0, 2), 0);
    EXPECT_EQ(img.Draw(s.dc(), 0, 0, 2, 0), 0);
    for (const DrawImage* im : {&img, &keyed}) {
        EXPECT_EQ(im->Draw(s.dc(), INT_MAX, INT_MIN), 1);
        EXPECT_EQ(im->Draw(s.dc(), INT_MIN, 0, INT_MAX, 3), 1);
        EXPECT_EQ(im->Draw(s.dc(), RECT{INT_MIN, INT_MAX - 1, INT_MAX, INT_MAX}), 1);
        EXPECT_EQ(s.Picture(), ".....\n.....\n.....\n.....\n");
    }
    EXPECT_EQ(img.Draw(s.dc(), RECT{4, 3, 2, 1}), 1); // negative sizes: the image's own
    EXPECT_EQ(s.Picture(), ".....\n.....\n.....\n....R\n");
    // A stretch this large samples the top-left source pixel everywhere.
    for (const DrawImage* im : {&img, &keyed}) {
        for (bool smooth : {false, true}) {
            EXPECT_EQ(im->Draw(s.dc(), 0, 0, INT_MAX, INT_MAX, nullptr, smooth), 1);
            EXPECT_EQ(s.Picture(), "RRRRR\nRRRRR\nRRRRR\nRRRRR\n");
        }
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
        img.Draw(nullptr);
    }
    EXPECT_EQ(GetLiveGdiObjectCount(), objects);
}
