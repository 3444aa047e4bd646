#include <gtest/gtest.h>

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

// Width-2 footprints are checked by the pair markers' pictures.
TEST(GdiLine, ThinLinesLeaveTheirEndPixelAndStepAlongTheMajorAxis) {
    TestSurface s(8, 5), sloped(6, 6);
    Line(s.dc(), {1, 1}, {5, 1}, 1, kRed);
    Line(s.dc(), {6, 3}, {2, 3}, 1, kBlue);
    Line(s.dc(), {7, 0}, {7, 4}, 1, kGreen);
    EXPECT_EQ(s.Picture(), ".......G\n"
                           ".RRRR..G\n"
                           ".......G\n"
                           "...BBBBG\n"
                           "........\n");
    Line(sloped.dc(), {0, 0}, {4, 1}, 1, kRed);
    Line(sloped.dc(), {5, 5}, {1, 1}, 1, kBlue);
    EXPECT_EQ(sloped.Picture(), "RR....\n"
                                "..RR..\n"
                                "..B...\n"
                                "...B..\n"
                                "....B.\n"
                                ".....B\n");
}
