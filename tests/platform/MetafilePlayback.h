// Playing small metafiles onto a test surface and checking the pixels, for
// the metafile player's tests.
#pragma once

#include <gtest/gtest.h>

#include <tuple>

#include "platform/MetafilePlayer.h"
#include "tests/support/MetafileWriter.h"
#include "tests/support/TestSurface.h"

namespace metafiletest {

constexpr int kW = 48, kH = 32;
constexpr RECT kAny{-1, -1, -1, -1}, kNone{}, kAll{0, 0, kW, kH};

// An EMF's records after a red brush and no pen are selected.
inline EmfWriter Red() {
    EmfWriter w;
    w.Pen(1, PS_NULL, 0, 0).Brush(2, BS_SOLID, kRed).Select(1).Select(2);
    return w;
}
// An EMF of kW x kH pixels, one unit a pixel in MM_TEXT.
inline Bytes Emf(const EmfWriter& w) {
    return w.Metafile(0, 0, kW, kH);
}

inline Bytes Points16(std::initializer_list<std::int64_t> xy) {
    Bytes b;
    Put16(b, xy);
    return b;
}
inline Bytes Patched(Bytes b, std::size_t at, DWORD v) {
    PutLE32(b.data() + at, v);
    return b;
}

// Plays the file (an EMF, else a WMF) onto a white kW x kH surface: the red
// pixels must be those of the rectangle `red` (unless kAny), and the pixels
// `at` of their colours.
inline void Check(const char* what, const Bytes& file, RECT red,
                  std::vector<std::tuple<int, int, COLORREF>> at = {}) {
    SCOPED_TRACE(what);
    // DIBs in these files are already uncompressed 24-bit ones.
    const DibReader dib = [](std::span<const BYTE> packed, std::vector<BYTE>& out) {
        out.assign(packed.begin(), packed.end());
        return true;
    };
    TestSurface s(kW, kH);
    if (!PlayEnhMetaFile(s.dc(), file, kAll, dib)) {
        ASSERT_TRUE(PlayWinMetaFile(s.dc(), file, kAll, kAll, dib));
    }
    int wrong = 0;
    for (int y = 0; y < kH && red != kAny; ++y) {
        for (int x = 0; x < kW; ++x)
            wrong += (s.Pixel(x, y) == kRed) !=
                     (x >= red.left && x < red.right && y >= red.top && y < red.bottom);
    }
    EXPECT_EQ(wrong, 0);
    for (const auto& [x, y, colour] : at)
        EXPECT_EQ(s.Pixel(x, y), colour) << x << "," << y;
}

// An EMR_EXTCREATEPEN of a solid brush.
inline EmfWriter& ExtPen(EmfWriter& w, int index, DWORD style, DWORD width, COLORREF c) {
    return w.Add(95, {index, 0, 0, 0, 0, style, width, BS_SOLID, c, 0, 0});
}
// Region data (RGNDATA) of the rectangles.
inline Bytes RegionData(const std::vector<RECT>& rects) {
    Bytes b;
    Put32(b, {32, 1, std::int64_t(rects.size()), std::int64_t(16 * rects.size()), 0, 0, kW, kH});
    for (const RECT& r : rects)
        Put32(b, {r.left, r.top, r.right, r.bottom});
    return b;
}
// EMR_EXTSELECTCLIPRGN with the rectangles and a combine mode.
inline EmfWriter& ClipRegion(EmfWriter& w, const std::vector<RECT>& rects, int mode) {
    return w.Add(75, {std::int64_t(32 + 16 * rects.size()), mode}, RegionData(rects));
}

} // namespace metafiletest
