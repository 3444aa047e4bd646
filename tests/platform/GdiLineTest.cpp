#include <gtest/gtest.h>

#include <climits>

#include "tests/support/TestSurface.h"

namespace {

// Draws one line with a new solid pen and releases the pen.
void Line(HDC dc, POINT from, POINT to, int width, COLORREF color) {
    HPEN pen = CreatePen(PS_SOLID, width, color);
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, from.x, from.y, nullptr);
    LineTo(dc, to.x, to.y);
    SelectObject(dc, old);
    DeleteObject(pen);
}

} // namespace

TEST(GdiLine, ThinLinesLeaveTheirEndPixelInEitherDirection) {
    TestSurface s(8, 5);
    Line(s.dc(), {1, 1}, {5, 1}, 1, kRed);
    Line(s.dc(), {6, 3}, {2, 3}, 1, kBlue);
    Line(s.dc(), {7, 0}, {7, 4}, 1, kGreen);
    EXPECT_EQ(s.Picture(), ".......G\n"
                           ".RRRR..G\n"
                           ".......G\n"
                           "...BBBBG\n"
                           "........\n");
}

TEST(GdiLine, SlopedLinesStepOnePixelAlongTheMajorAxis) {
    TestSurface s(6, 6);
    Line(s.dc(), {0, 0}, {4, 1}, 1, kRed);
    Line(s.dc(), {5, 5}, {1, 1}, 1, kBlue);
    EXPECT_EQ(s.Picture(), "RR....\n"
                           "..RR..\n"
                           "..B...\n"
                           "...B..\n"
                           "....B.\n"
                           ".....B\n");
}

TEST(GdiLine, WidthTwoAddsThePixelBelowOrToTheRight) {
    TestSurface s(9, 8);
    Line(s.dc(), {1, 1}, {5, 1}, 2, kRed);
    Line(s.dc(), {7, 1}, {7, 5}, 2, kBlue);
    Line(s.dc(), {4, 6}, {0, 6}, 2, kGreen);
    EXPECT_EQ(s.Picture(), ".........\n"
                           ".RRRR..BB\n"
                           ".RRRR..BB\n"
                           ".......BB\n"
                           ".......BB\n"
                           ".........\n"
                           ".GGGG....\n"
                           ".GGGG....\n");
}

TEST(GdiLine, HugeWidthIsCutToTheSurface) {
    TestSurface s(4, 3);
    Line(s.dc(), {2, 0}, {2, 2}, INT_MAX, kRed);
    EXPECT_EQ(s.Picture(), "RRRR\n"
                           "RRRR\n"
                           "....\n");
}

TEST(GdiLine, CurrentPositionFollowsTheLines) {
    TestSurface s(5, 5);
    POINT before{-1, -1};
    MoveToEx(s.dc(), 1, 1, &before);
    EXPECT_EQ(before, (POINT{0, 0}));
    LineTo(s.dc(), 3, 1);
    LineTo(s.dc(), 3, 3);
    LineTo(s.dc(), 3, 3); // zero length: nothing
    MoveToEx(s.dc(), 0, 4, &before);
    EXPECT_EQ(before, (POINT{3, 3}));
    EXPECT_EQ(s.Picture(), ".....\n"
                           ".KKK.\n"
                           "...K.\n"
                           ".....\n"
                           ".....\n");
}

TEST(GdiLine, FarEndPointsAreClippedWithoutWalkingTheWholeLine) {
    TestSurface s(6, 4);
    Line(s.dc(), {-2000000000, 1}, {2000000000, 1}, 1, kRed);
    Line(s.dc(), {INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}, 1, kBlue);
    Line(s.dc(), {4, INT_MAX}, {4, INT_MIN}, 3, kGreen);
    EXPECT_EQ(s.Picture(), "B..GGG\n"
                           "RBRGGG\n"
                           "..BGGG\n"
                           "...GGG\n");
}

TEST(GdiLine, ClipRegionLimitsTheLine) {
    TestSurface s(8, 1);
    const RECT keep{2, 0, 5, 1};
    HRGN rgn = CreateRectRgnIndirect(&keep);
    ExtSelectClipRgn(s.dc(), rgn, RGN_AND);
    DeleteObject(rgn);
    Line(s.dc(), {0, 0}, {8, 0}, 1, kRed);
    EXPECT_EQ(s.Picture(), "..RRR...\n");
}

TEST(GdiLine, MemoryContextDrawsIntoItsBottomUpSection) {
    BITMAPINFO bmi{};
    bmi.bmiHeader = BITMAPINFOHEADER{40, 3, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC mem = CreateCompatibleDC(nullptr);
    HBITMAP section = CreateDIBSection(mem, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, section);
    Line(mem, {0, 0}, {3, 0}, 1, RGB(1, 2, 3)); // the top row, stored last
    const BYTE* top = static_cast<const BYTE*>(bits) + 12;
    EXPECT_EQ(top[0], 3);
    EXPECT_EQ(top[1], 2);
    EXPECT_EQ(top[2], 1);
    EXPECT_EQ(top[8], 1);
    EXPECT_EQ(static_cast<const BYTE*>(bits)[0], 0);
    SelectObject(mem, old);
    DeleteObject(section);
    DeleteDC(mem);
}
