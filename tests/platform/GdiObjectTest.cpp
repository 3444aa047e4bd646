#include <gtest/gtest.h>

#include "tests/support/TestSurface.h"

namespace {

void Combine(HDC dc, RECT r, int mode) {
    HRGN rgn = CreateRectRgnIndirect(&r);
    ExtSelectClipRgn(dc, rgn, mode);
    DeleteObject(rgn);
}

RECT ClipBox(HDC dc) {
    RECT box{-1, -1, -1, -1};
    GetClipBox(dc, &box);
    return box;
}

// Paints every pixel the context lets through black.
void Flood(HDC dc, int width, int height) {
    std::vector<BYTE> bits(static_cast<std::size_t>((width * 3 + 3) / 4 * 4) * height, 0);
    BITMAPINFO bmi{};
    bmi.bmiHeader = BITMAPINFOHEADER{40, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    SetDIBitsToDevice(dc, 0, 0, width, height, 0, 0, 0, height, bits.data(), &bmi, DIB_RGB_COLORS);
}

} // namespace

TEST(GdiClip, RegionsIntersectUniteAndLimitPainting) {
    TestSurface s(5, 3);
    EXPECT_EQ(ClipBox(s.dc()), (RECT{0, 0, 5, 3}));
    Combine(s.dc(), RECT{1, 1, 0, 0}, RGN_AND); // corners in any order
    EXPECT_EQ(ClipBox(s.dc()), (RECT{0, 0, 1, 1}));
    Combine(s.dc(), RECT{3, 1, 9, 9}, RGN_OR);
    RECT box{};
    EXPECT_EQ(GetClipBox(s.dc(), &box), COMPLEXREGION);
    EXPECT_EQ(box, (RECT{0, 0, 5, 3})); // cut to the surface
    Flood(s.dc(), 5, 3);
    EXPECT_EQ(s.Picture(), "K....\n"
                           "...KK\n"
                           "...KK\n");
    Combine(s.dc(), RECT{10, 10, 20, 20}, RGN_AND);
    EXPECT_EQ(GetClipBox(s.dc(), &box), NULLREGION);
    EXPECT_EQ(box, (RECT{0, 0, 0, 0}));
}

TEST(GdiObjects, SelectedObjectsCannotBeDeletedUntilReleased) {
    const std::size_t before = GetLiveGdiObjectCount();
    HDC mem = CreateCompatibleDC(nullptr);
    HPEN pen = CreatePen(PS_SOLID, 2, kRed);
    EXPECT_EQ(GetLiveGdiObjectCount(), before + 2);
    HGDIOBJ stockPen = SelectObject(mem, pen);
    ASSERT_NE(stockPen, nullptr);
    EXPECT_FALSE(DeleteObject(pen));
    EXPECT_EQ(SelectObject(mem, stockPen), pen);
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_FALSE(DeleteObject(pen)); // stale
    EXPECT_EQ(SelectObject(mem, pen), nullptr);
    EXPECT_TRUE(DeleteObject(stockPen)); // stock objects stay
    EXPECT_EQ(SelectObject(mem, stockPen), stockPen);
    EXPECT_EQ(CreatePen(1, 1, kRed), nullptr); // only solid pens
    EXPECT_EQ(CreateSurfaceDC(-1, 5, kWhite), nullptr);

    BITMAPINFO bmi{};
    bmi.bmiHeader = BITMAPINFOHEADER{40, 2, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(mem, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC other = CreateCompatibleDC(mem);
    EXPECT_NE(SelectObject(mem, section), nullptr);
    EXPECT_EQ(SelectObject(other, section), nullptr); // one context at a time
    EXPECT_EQ(DeleteDC(reinterpret_cast<HDC>(section)), FALSE);
    EXPECT_FALSE(DeleteObject(section));
    EXPECT_TRUE(DeleteDC(mem)); // releases its selection
    EXPECT_FALSE(DeleteDC(mem));
    EXPECT_TRUE(DeleteObject(section));
    EXPECT_TRUE(DeleteDC(other));
    EXPECT_EQ(GetLiveGdiObjectCount(), before);
}

TEST(GdiViewport, OriginShiftsLinesDibsAndTheClipBox) {
    TestSurface s(6, 4);
    POINT previous{-1, -1};
    ASSERT_TRUE(SetViewportOrgEx(s.dc(), -2, -1, &previous));
    EXPECT_EQ(previous, (POINT{0, 0}));
    EXPECT_EQ(ClipBox(s.dc()), (RECT{2, 1, 8, 5})) << "the box in logical units";
    HPEN red = CreatePen(PS_SOLID, 1, kRed);
    HGDIOBJ old = SelectObject(s.dc(), red);
    MoveToEx(s.dc(), 2, 4, nullptr);
    LineTo(s.dc(), 6, 4); // device row 3, columns 0 to 3
    SelectObject(s.dc(), old);
    DeleteObject(red);
    Flood(s.dc(), 3, 2); // logical (0, 0) is device (-2, -1): only one pixel shows
    EXPECT_EQ(s.Picture(), "K.....\n"
                           "......\n"
                           "......\n"
                           "RRRR..\n");
    EXPECT_FALSE(SetViewportOrgEx(nullptr, 0, 0, nullptr));
}
