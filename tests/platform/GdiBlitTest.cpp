#include <gtest/gtest.h>

#include <vector>

#include "platform/ByteOrder.h"
#include "tests/support/TestSurface.h"

namespace {

constexpr RGBQUAD kQuadWhite{255, 255, 255, 0}, kQuadRed{0, 0, 255, 0};
constexpr RGBQUAD kQuadGreen{0, 255, 0, 0}, kQuadBlue{255, 0, 0, 0};

// A DIB's header and colour table as one block, like a BITMAPINFO.
struct Dib {
    std::vector<BYTE> info;
    std::vector<BYTE> bits;

    Dib(LONG width, LONG height, WORD bpp, std::vector<RGBQUAD> palette = {}, DWORD clrUsed = 0)
        : info(40 + 4 * palette.size()) {
        StoreInfoHeader(info.data(),
                        BITMAPINFOHEADER{40, width, height, 1, bpp, BI_RGB, 0, 0, 0, clrUsed, 0});
        for (std::size_t i = 0; i < palette.size(); ++i) {
            const RGBQUAD& c = palette[i];
            BYTE* p = &info[40 + 4 * i];
            p[0] = c.rgbBlue;
            p[1] = c.rgbGreen;
            p[2] = c.rgbRed;
        }
    }
    const BITMAPINFO* bmi() const { return reinterpret_cast<const BITMAPINFO*>(info.data()); }
};

// 3 x 2, 24 bits: red, green, blue on the bottom row, black on the top row.
Dib ThreeByTwo() {
    Dib d(3, 2, 24);
    d.bits = {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    return d;
}

int Put(HDC dc, const Dib& d, int x, int y, DWORD w, DWORD h, int xSrc = 0, int ySrc = 0) {
    return SetDIBitsToDevice(dc, x, y, w, h, xSrc, ySrc, 0, h + ySrc, d.bits.data(), d.bmi(),
                             DIB_RGB_COLORS);
}

} // namespace

TEST(GdiBlit, BottomUpRowsAppearTopRowFirst) {
    TestSurface s(5, 4);
    const Dib d = ThreeByTwo();
    EXPECT_EQ(Put(s.dc(), d, 1, 1, 3, 2), 2);
    EXPECT_EQ(s.Picture(), ".....\n"
                           ".KKK.\n"
                           ".RGB.\n"
                           ".....\n");
}

TEST(GdiBlit, PalettedDepthsDecodeTheirIndices) {
    TestSurface s(10, 3);
    Dib one(10, 1, 1, {kQuadBlue, kQuadRed});
    one.bits = {0xA0, 0x40, 0, 0}; // 1 0 1 0 0 0 0 0 | 0 1
    Put(s.dc(), one, 0, 0, 10, 1);
    Dib four(3, 1, 4, {kQuadWhite, kQuadRed, kQuadGreen}, 3);
    four.bits = {0x21, 0x30, 0, 0}; // 2 1 | 3: beyond the three colours
    Put(s.dc(), four, 0, 1, 3, 1);
    std::vector<RGBQUAD> pal(256, kQuadWhite);
    pal[1] = kQuadRed;
    pal[200] = kQuadBlue;
    Dib eight(3, 1, 8, pal);
    eight.bits = {0, 1, 200, 0};
    Put(s.dc(), eight, 0, 2, 3, 1);
    EXPECT_EQ(s.Picture(), "RBRBBBBBBR\n"
                           "GRK.......\n"
                           ".RB.......\n");
}

TEST(GdiBlit, SourceOffsetsAndNegativeDestinationsStayAligned) {
    TestSurface s(3, 3);
    const Dib d = ThreeByTwo();
    Put(s.dc(), d, -1, -1, 3, 2);       // only the bottom row's last two pixels show
    Put(s.dc(), d, 0, 2, 2, 1, 1, 1);   // the top row from column 1
    Put(s.dc(), d, INT32_MIN, 0, 3, 2); // far left: nothing
    Put(s.dc(), d, 2, INT32_MAX, 3, 0xFFFFFFFF);
    EXPECT_EQ(s.Picture(), "GB.\n"
                           "...\n"
                           "KK.\n");
}

TEST(GdiBlit, OnlyTheSuppliedScanLinesArePainted) {
    TestSurface s(1, 3);
    Dib d(1, 3, 24);
    d.bits = {0, 0, 255, 0}; // row 1 only
    EXPECT_EQ(
        SetDIBitsToDevice(s.dc(), 0, 0, 1, 3, 0, 0, 1, 1, d.bits.data(), d.bmi(), DIB_RGB_COLORS),
        1);
    EXPECT_EQ(s.Picture(), ".\nR\n.\n");
}

TEST(GdiBlit, UnsupportedBitmapsPaintNothing) {
    TestSurface s(3, 2);
    Dib d = ThreeByTwo();
    EXPECT_EQ(SetDIBitsToDevice(s.dc(), 0, 0, 3, 2, 0, 0, 0, 2, d.bits.data(), d.bmi(), 1), 0);
    EXPECT_EQ(SetDIBitsToDevice(s.dc(), 0, 0, 3, 2, 0, 0, 0, 2, nullptr, d.bmi(), 0), 0);
    EXPECT_EQ(SetDIBitsToDevice(nullptr, 0, 0, 3, 2, 0, 0, 0, 2, d.bits.data(), d.bmi(), 0), 0);
    const BITMAPINFOHEADER refused[] = {
        {40, 3, -2, 1, 24, BI_RGB, 0, 0, 0, 0, 0}, // top-down
        {40, 3, 2, 1, 32, BI_RGB, 0, 0, 0, 0, 0},
        {40, 3, 2, 1, 8, BI_RLE8, 0, 0, 0, 0, 0},
        {12, 3, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0},
    };
    for (const BITMAPINFOHEADER& h : refused) {
        StoreInfoHeader(d.info.data(), h);
        EXPECT_EQ(Put(s.dc(), d, 0, 0, 3, 2), 0) << h.biBitCount;
    }
    EXPECT_EQ(s.Picture(), "...\n...\n");
}

TEST(GdiBlit, BitBltCopiesIntoABottomUpSection) {
    TestSurface s(4, 3);
    s.SetPixel(1, 1, kRed);
    s.SetPixel(2, 2, kBlue);
    BITMAPINFO bmi{};
    bmi.bmiHeader = BITMAPINFOHEADER{40, 2, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC mem = CreateCompatibleDC(s.dc());
    HBITMAP section = CreateDIBSection(s.dc(), &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(bits, nullptr);
    HGDIOBJ old = SelectObject(mem, section);
    EXPECT_TRUE(BitBlt(mem, 0, 0, 2, 2, s.dc(), 1, 1, SRCCOPY));
    const BYTE* b = static_cast<const BYTE*>(bits);
    const std::vector<BYTE> bottom(b, b + 6), top(b + 8, b + 14);
    EXPECT_EQ(bottom, (std::vector<BYTE>{255, 255, 255, 255, 0, 0}));
    EXPECT_EQ(top, (std::vector<BYTE>{0, 0, 255, 255, 255, 255}));

    // Source pixels beyond the surface leave the section as it is.
    EXPECT_TRUE(BitBlt(mem, 0, 0, 2, 2, s.dc(), 3, 2, SRCCOPY));
    EXPECT_EQ(std::vector<BYTE>(b + 8, b + 14), (std::vector<BYTE>{255, 255, 255, 255, 255, 255}));
    EXPECT_EQ(std::vector<BYTE>(b, b + 6), bottom);
    EXPECT_FALSE(BitBlt(mem, 0, 0, 2, 2, s.dc(), 0, 0, 0x00EE0086));
    SelectObject(mem, old);
    DeleteObject(section);
    DeleteDC(mem);
}

TEST(GdiBlit, BitBltWithinOneSurfaceReadsBeforeWriting) {
    TestSurface s(4, 1);
    s.SetPixel(0, 0, kRed);
    s.SetPixel(1, 0, kGreen);
    s.SetPixel(2, 0, kBlue);
    BitBlt(s.dc(), 1, 0, 3, 1, s.dc(), 0, 0, SRCCOPY);
    EXPECT_EQ(s.Picture(), "RRGB\n");
}

TEST(GdiBlit, DibSectionsAreTwentyFourBitsAndNonEmpty) {
    BITMAPINFO bmi{};
    void* bits = &bmi;
    for (const BITMAPINFOHEADER& h :
         {BITMAPINFOHEADER{40, 2, 2, 1, 8, BI_RGB, 0, 0, 0, 0, 0},
          BITMAPINFOHEADER{40, 0, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0},
          BITMAPINFOHEADER{40, 2, -2, 1, 24, BI_RGB, 0, 0, 0, 0, 0},
          BITMAPINFOHEADER{40, 1 << 16, 1 << 16, 1, 24, BI_RGB, 0, 0, 0, 0, 0}}) {
        bmi.bmiHeader = h;
        EXPECT_EQ(CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
        EXPECT_EQ(bits, nullptr);
    }
}
