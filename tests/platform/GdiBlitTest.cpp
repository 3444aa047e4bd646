#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/ByteOrder.h"
#include "tests/support/TestSurface.h"

namespace {

constexpr RGBQUAD kQuadWhite{255, 255, 255, 0}, kQuadRed{0, 0, 255, 0};
constexpr RGBQUAD kQuadGreen{0, 255, 0, 0}, kQuadBlue{255, 0, 0, 0};

// A DIB: its header and colour table as one block (a BITMAPINFO), its rows.
struct Dib {
    std::vector<BYTE> info;
    std::vector<BYTE> bits;

    Dib(LONG width, LONG height, WORD bpp, std::vector<BYTE> rows,
        const std::vector<RGBQUAD>& palette = {}, DWORD clrUsed = 0)
        : info(40 + 4 * palette.size()), bits(std::move(rows)) {
        StoreInfoHeader(info.data(),
                        BITMAPINFOHEADER{40, width, height, 1, bpp, BI_RGB, 0, 0, 0, clrUsed, 0});
        const BYTE* colors = reinterpret_cast<const BYTE*>(palette.data());
        std::copy(colors, colors + 4 * palette.size(), info.begin() + 40);
    }
    int Put(HDC dc, int x, int y, DWORD w, DWORD h, int xSrc = 0, int ySrc = 0) const {
        return SetDIBitsToDevice(dc, x, y, w, h, xSrc, ySrc, 0, h + ySrc, bits.data(),
                                 reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS);
    }
};

// 3 x 2, 24 bits: red, green, blue on the bottom row, black on the top row.
const Dib kThreeByTwo(3, 2, 24, {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0,
                                 0, 0, 0,   0, 0,   0, 0,   0, 0, 0, 0, 0});

} // namespace

TEST(GdiBlit, BottomUpRowsAppearTopRowFirstAndStayAligned) {
    TestSurface s(5, 4);
    EXPECT_EQ(kThreeByTwo.Put(s.dc(), 1, 1, 3, 2), 2);
    kThreeByTwo.Put(s.dc(), -1, 2, 3, 2);      // partly outside: the bottom row's last two
    kThreeByTwo.Put(s.dc(), 3, 0, 2, 1, 1, 1); // the top row from column 1
    kThreeByTwo.Put(s.dc(), INT32_MIN, INT32_MAX, 3, 0xFFFFFFFF);
    EXPECT_EQ(s.Picture(), "...KK\n"
                           ".KKK.\n"
                           "KKGB.\n"
                           "GB...\n");
}

TEST(GdiBlit, PalettedDepthsDecodeTheirIndices) {
    TestSurface s(10, 3);
    Dib(10, 1, 1, {0xA0, 0x40, 0, 0}, {kQuadBlue, kQuadRed}).Put(s.dc(), 0, 0, 10, 1);
    // 2 1 | 3, the last beyond the three colours
    Dib(3, 1, 4, {0x21, 0x30, 0, 0}, {kQuadWhite, kQuadRed, kQuadGreen}, 3).Put(s.dc(), 0, 1, 3, 1);
    std::vector<RGBQUAD> pal(256, kQuadWhite);
    pal[1] = kQuadRed;
    pal[200] = kQuadBlue;
    Dib(3, 1, 8, {0, 1, 200, 0}, pal).Put(s.dc(), 0, 2, 3, 1);
    EXPECT_EQ(s.Picture(), "RBRBBBBBBR\n"
                           "GRK.......\n"
                           ".RB.......\n");
}

TEST(GdiBlit, BitBltWithinOneSurfaceReadsBeforeWriting) {
    TestSurface s(4, 1);
    Dib(3, 1, 24, {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0}).Put(s.dc(), 0, 0, 3, 1);
    BitBlt(s.dc(), 1, 0, 3, 1, s.dc(), 0, 0, SRCCOPY);
    EXPECT_EQ(s.Picture(), "RRGB\n");
}
