// Filled shapes, brushes, pattern blits, stretched DIBs and the clip region
// on the device context.
#include <gtest/gtest.h>

#include <vector>

#include "platform/ByteOrder.h"
#include "tests/support/TestSurface.h"

namespace {

// Selects a new object and puts the previous one back (deleting the new
// one) when it goes.
class Use {
public:
    Use(HDC dc, HGDIOBJ obj) : dc(dc), obj(obj), previous(SelectObject(dc, obj)) {}
    ~Use() {
        SelectObject(dc, previous);
        DeleteObject(obj);
    }

private:
    HDC dc;
    HGDIOBJ obj, previous;
};

HBRUSH Brush(UINT style, COLORREF c, LONG hatch = 0) {
    const LOGBRUSH lb{style, c, hatch};
    return CreateBrushIndirect(&lb);
}

void Polygon(HDC dc, std::vector<POINT> pts) {
    const int n = static_cast<int>(pts.size());
    PolyPolygon(dc, pts.data(), &n, 1);
}

} // namespace

TEST(GdiFill, PolygonsCoverPixelCentresUnderTheFillMode) {
    TestSurface s(7, 5);
    {
        const Use brush(s.dc(), Brush(BS_SOLID, kRed)), pen(s.dc(), CreatePen(PS_NULL, 1, 0));
        Polygon(s.dc(), {{1, 1}, {5, 1}, {5, 4}, {1, 4}}); // right and bottom edges stay out
    }
    EXPECT_EQ(s.Picture(), ".......\n"
                           ".RRRR..\n"
                           ".RRRR..\n"
                           ".RRRR..\n"
                           ".......\n");
    // Two overlapping squares in one poly-polygon, same direction: the
    // overlap is outside under ALTERNATE, inside under WINDING.
    const std::vector<POINT> two = {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {2, 2}, {6, 2}, {6, 6}, {2, 6}};
    const int counts[] = {4, 4};
    for (int mode : {ALTERNATE, WINDING}) {
        TestSurface t(6, 6);
        const Use brush(t.dc(), Brush(BS_SOLID, kBlue)), pen(t.dc(), CreatePen(PS_NULL, 1, 0));
        EXPECT_EQ(SetPolyFillMode(t.dc(), mode), ALTERNATE);
        PolyPolygon(t.dc(), two.data(), counts, 2);
        EXPECT_EQ(t.Pixel(3, 3), mode == WINDING ? kBlue : kWhite);
        EXPECT_EQ(t.Pixel(1, 1), kBlue);
    }
    // The pen outlines each polygon after the fill.
    TestSurface o(5, 5);
    Polygon(o.dc(), {{0, 0}, {4, 0}, {4, 4}, {0, 4}});
    EXPECT_EQ(o.Picture(), "KKKKK\n"
                           "K...K\n"
                           "K...K\n"
                           "K...K\n"
                           "KKKKK\n");
}

TEST(GdiFill, HatchesBackgroundsAndPatternBlits) {
    TestSurface s(10, 3);
    const Use brush(s.dc(), Brush(BS_HATCHED, kBlue, HS_VERTICAL));
    SetBkColor(s.dc(), kGreen);
    EXPECT_TRUE(PatBlt(s.dc(), 0, 0, 10, 2, PATCOPY));
    EXPECT_EQ(SetBkMode(s.dc(), TRANSPARENT), OPAQUE);
    PatBlt(s.dc(), 10, 3, -10, -1, PATCOPY);
    EXPECT_EQ(s.Picture(), "BGGGGGGGBG\n"
                           "BGGGGGGGBG\n"
                           "B.......B.\n");
    EXPECT_FALSE(PatBlt(s.dc(), 0, 0, 1, 1, SRCCOPY));
    PatBlt(s.dc(), 0, 0, 2, 1, BLACKNESS);
    const RECT r{2, 0, 4, 1};
    ExtTextOutA(s.dc(), 0, 0, ETO_OPAQUE, &r, "", 0, nullptr);
    EXPECT_EQ(s.Picture(0, 0, 5, 1), "KKGGG\n");
    EXPECT_EQ(Brush(BS_HATCHED, kRed, 6), nullptr);
    EXPECT_EQ(GetDeviceCaps(s.dc(), LOGPIXELSX), 96);
    EXPECT_EQ(GetDeviceCaps(s.dc(), BITSPIXEL), 32);
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), kWhite);
}

TEST(GdiFill, StretchedDibsMirrorCombineAndClip) {
    // 2 x 1, 24 bits: red, green.
    std::vector<BYTE> info(40), bits = {0, 0, 255, 0, 255, 0, 0, 0};
    StoreInfoHeader(info.data(), BITMAPINFOHEADER{40, 2, 1, 1, 24, BI_RGB, 0, 0, 0, 0, 0});
    const auto* bmi = reinterpret_cast<const BITMAPINFO*>(info.data());
    TestSurface s(8, 2);
    EXPECT_EQ(
        StretchDIBits(s.dc(), 0, 0, 4, 1, 0, 0, 2, 1, bits.data(), bmi, DIB_RGB_COLORS, SRCCOPY),
        1);
    StretchDIBits(s.dc(), 8, 0, -4, 1, 0, 0, 2, 1, bits.data(), bmi, DIB_RGB_COLORS, SRCCOPY);
    // AND with a white pixel keeps the source colour; a clip region limits it.
    const RECT clip{0, 1, 1, 2};
    HRGN rgn = CreateRectRgnIndirect(&clip);
    SelectClipRgn(s.dc(), rgn);
    DeleteObject(rgn);
    StretchDIBits(s.dc(), 0, 1, 8, 1, 0, 0, 2, 1, bits.data(), bmi, DIB_RGB_COLORS, SRCAND);
    SelectClipRgn(s.dc(), nullptr);
    EXPECT_EQ(s.Picture(), "RRGGGGRR\n"
                           "R.......\n");
}
