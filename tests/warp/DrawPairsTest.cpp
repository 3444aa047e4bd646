#include <gtest/gtest.h>

#include <climits>

#include "tests/support/TestSurface.h"
#include "warp/WarpIDW.h"

TEST(DrawMarker, ArmsStayOnTheSurfaceNearTheLeftEdge) {
    TestSurface s(8, 15);
    CWarpMethod::DrawMarker(1, 10, true, s.dc());
    EXPECT_EQ(s.Picture(0, 6, 8, 15), "........\n"
                                      ".RR.....\n"
                                      ".RR.....\n"
                                      ".RR.....\n"
                                      "RRRRRR..\n"
                                      "RRRRRR..\n"
                                      ".RR.....\n"
                                      "........\n"
                                      "........\n");
}

TEST(DrawMarker, ArmsStayOnTheSurfaceNearTheTopEdge) {
    TestSurface s(15, 8);
    CWarpMethod::DrawMarker(10, 0, false, s.dc());
    EXPECT_EQ(s.Picture(6, 0, 15, 8), ".BBBBBB..\n"
                                      ".BBBBBB..\n"
                                      "....BB...\n"
                                      "....BB...\n"
                                      "....BB...\n"
                                      "....BB...\n"
                                      ".........\n"
                                      ".........\n");
}

TEST(DrawPairs, SourceCrossLineThenTargetCross) {
    TestSurface s(20, 10);
    CWarpIDW method;
    method.AddPair({5, 5}, {15, 5});
    method.DrawPairs(s.dc());
    EXPECT_EQ(s.Picture(0, 1, 20, 9), "....................\n"
                                      ".....RR........BB...\n"
                                      ".....RR........BB...\n"
                                      ".....RR........BB...\n"
                                      "..RRRGGGGGGGBBBBBB..\n"
                                      "..RRRRRR....BBBBBB..\n"
                                      ".....RR........BB...\n"
                                      "....................\n");
}

TEST(DrawPairs, ContextKeepsItsPenAndNothingLeaks) {
    TestSurface s(30, 30);
    HPEN mine = CreatePen(PS_SOLID, 1, kBlack);
    HGDIOBJ stock = SelectObject(s.dc(), mine);
    const std::size_t objects = GetLiveGdiObjectCount();
    CWarpIDW method;
    method.DrawPairs(s.dc());
    EXPECT_EQ(s.Picture().find_first_not_of(".\n"), std::string::npos); // no pairs: nothing
    for (int i = 0; i < 4; ++i)
        method.AddPair({3 * i, 20}, {INT_MAX - i, INT_MIN + i});
    for (int i = 0; i < 100; ++i)
        method.DrawPairs(s.dc());
    method.DrawPairs(nullptr);
    EXPECT_EQ(GetLiveGdiObjectCount(), objects);
    EXPECT_EQ(SelectObject(s.dc(), stock), mine);
    DeleteObject(mine);
}
