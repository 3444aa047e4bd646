#include <gtest/gtest.h>

#include "tests/support/TestSurface.h"

namespace {

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
    EXPECT_EQ(s.ClipBox(), (RECT{0, 0, 5, 3}));
    s.Clip(RECT{1, 1, 0, 0}, RGN_AND); // corners in any order
    EXPECT_EQ(s.ClipBox(), (RECT{0, 0, 1, 1}));
    s.Clip(RECT{3, 1, 9, 9}, RGN_OR);
    RECT box{};
    EXPECT_EQ(GetClipBox(s.dc(), &box), COMPLEXREGION);
    EXPECT_EQ(box, (RECT{0, 0, 5, 3})); // cut to the surface
    Flood(s.dc(), 5, 3);
    EXPECT_EQ(s.Picture(), "K....\n"
                           "...KK\n"
                           "...KK\n");
    s.Clip(RECT{10, 10, 20, 20}, RGN_AND);
    EXPECT_EQ(GetClipBox(s.dc(), &box), NULLREGION);
    EXPECT_EQ(box, (RECT{0, 0, 0, 0}));
}

TEST(GdiObjects, SelectedObjectsCannotBeDeletedUntilReleased) {
    const std::size_t before = GetLiveGdiObjectCount();
    HDC mem = CreateCompatibleDC(nullptr);
    HPEN pen = CreatePen(PS_SOLID, 2, kRed);
    HGDIOBJ stockPen = SelectObject(mem, pen);
    EXPECT_FALSE(DeleteObject(pen));
    EXPECT_EQ(SelectObject(mem, stockPen), pen);
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_FALSE(DeleteObject(pen));     // stale
    EXPECT_TRUE(DeleteObject(stockPen)); // stock objects stay

    BITMAPINFO bmi{};
    bmi.bmiHeader = BITMAPINFOHEADER{40, 2, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(mem, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    EXPECT_NE(SelectObject(mem, section), nullptr);
    EXPECT_EQ(DeleteDC(reinterpret_cast<HDC>(section)), FALSE);
    EXPECT_FALSE(DeleteObject(section));
    EXPECT_TRUE(DeleteDC(mem)); // releases its selection
    EXPECT_TRUE(DeleteObject(section));
    EXPECT_EQ(GetLiveGdiObjectCount(), before);
}

TEST(GdiViewport, OriginShiftsDibsAndTheClipBox) {
    TestSurface s(6, 4);
    ASSERT_TRUE(SetViewportOrgEx(s.dc(), -2, -1, nullptr));
    EXPECT_EQ(s.ClipBox(), (RECT{2, 1, 8, 5})) << "the box in logical units";
    Flood(s.dc(), 3, 2); // logical (0, 0) is device (-2, -1): only one pixel shows
    EXPECT_EQ(s.Picture(), "K.....\n......\n......\n......\n");
    EXPECT_FALSE(SetViewportOrgEx(nullptr, 0, 0, nullptr));
}
