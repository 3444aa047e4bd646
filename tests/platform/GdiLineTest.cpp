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

TEST(GdiLine, FarEndPointsAreClippedWithoutWalkingTheWholeLine) {
    TestSurface s(6, 4);
    const RECT rows{0, 0, 6, 3};
    HRGN rgn = CreateRectRgnIndirect(&rows);
    ExtSelectClipRgn(s.dc(), rgn, RGN_AND);
    DeleteObject(rgn);
    Line(s.dc(), {-2000000000, 1}, {2000000000, 1}, 1, kRed);
    Line(s.dc(), {INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}, 1, kBlue);
    Line(s.dc(), {4, INT_MAX}, {4, INT_MIN}, 3, kGreen);
    Line(s.dc(), {9, 3}, {9, 9}, INT_MAX, kBlack); // every column, only rows outside the clip
    EXPECT_EQ(s.Picture(), "B..GGG\n"
                           "RBRGGG\n"
                           "..BGGG\n"
                           "......\n");
}
