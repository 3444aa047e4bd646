// A surface context for tests that releases itself, with pixel reads and a
// text picture of a region for readable comparisons.
#pragma once

#include <algorithm>
#include <iterator>
#include <string>

#include "platform/Gdi.h"

inline constexpr COLORREF kWhite = RGB(255, 255, 255);
inline constexpr COLORREF kBlack = RGB(0, 0, 0);
inline constexpr COLORREF kRed = RGB(255, 0, 0);
inline constexpr COLORREF kGreen = RGB(0, 255, 0);
inline constexpr COLORREF kBlue = RGB(0, 0, 255);

// The picture symbols: '.' white, 'R' red, 'G' green, 'B' blue, 'K' black.
inline constexpr char kSymbols[] = ".RGBK";
inline constexpr COLORREF kSymbolColors[] = {kWhite, kRed, kGreen, kBlue, kBlack};

class TestSurface {
public:
    TestSurface(int width, int height, COLORREF background = kWhite)
        : dc_(CreateSurfaceDC(width, height, background)) {
        GetSurfacePixels(dc_, &pixels_);
    }
    ~TestSurface() { DeleteDC(dc_); }
    TestSurface(const TestSurface&) = delete;
    TestSurface& operator=(const TestSurface&) = delete;

    HDC dc() const { return dc_; }
    // Combines the clip region with the rectangle (RGN_AND or RGN_OR).
    void Clip(RECT r, int mode) const {
        HRGN rgn = CreateRectRgnIndirect(&r);
        ExtSelectClipRgn(dc_, rgn, mode);
        DeleteObject(rgn);
    }
    RECT ClipBox() const {
        RECT box{-1, -1, -1, -1};
        GetClipBox(dc_, &box);
        return box;
    }
    COLORREF Pixel(int x, int y) const {
        const std::uint32_t v = pixels_.bits[y * pixels_.width + x];
        return RGB(static_cast<BYTE>(v >> 16), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v));
    }

    // One symbol per pixel ('?' for other colours) of columns left to right - 1
    // and rows top to bottom - 1, a newline after each row.
    std::string Picture(int left, int top, int right, int bottom) const {
        std::string s;
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                const auto c =
                    std::find(std::begin(kSymbolColors), std::end(kSymbolColors), Pixel(x, y));
                s += c == std::end(kSymbolColors) ? '?' : kSymbols[c - kSymbolColors];
            }
            s += '\n';
        }
        return s;
    }
    std::string Picture() const { return Picture(0, 0, pixels_.width, pixels_.height); }

private:
    HDC dc_;
    SurfacePixels pixels_{};
};
