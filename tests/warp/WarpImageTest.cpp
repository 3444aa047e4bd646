#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>

#include "tests/warp/MessageCapture.h"
#include "warp/WarpImage.h"
#include "warp/WarpMLS.h"
#include "warp/WarpMethodFactory.h"
#include "warp/WarpRBF.h"

namespace {

// A method whose map is any function of the pixel, for driving the run.
class FuncMethod : public CWarpMethod {
public:
    explicit FuncMethod(std::function<POINT(int, int)> f) : m_f(std::move(f)) {}
    void Prepare() override {}
    POINT MapPoint(int x, int y) override { return m_f(x, y); }
    void MapColumn(int x, int y0, int count, POINT* out, WarpScratch&) const override {
        for (int k = 0; k < count; ++k)
            out[k] = m_f(x, y0 + k);
    }

private:
    std::function<POINT(int, int)> m_f;
};

// A 24-bit image whose pixel (x, row) has a colour unique to it.
CxImage Pattern(LONG w, LONG h) {
    CxImage img(w, h, 24);
    for (LONG x = 0; x < w; ++x)
        for (LONG y = 0; y < h; ++y)
            img.SetPixelColor(x, y,
                              RGB(static_cast<BYTE>(x * 13 + 1), static_cast<BYTE>(y * 7 + 2),
                                  static_cast<BYTE>(x ^ y)));
    return img;
}

const RGBQUAD kWhite{255, 255, 255, 0};

} // namespace

TEST(WarpImage, IdentityGivesTheSourceAsTrueColourAndEachRunAddsTheCorners) {
    CxImage src(9, 7, 4);
    src.SetGrayPalette();
    for (LONG x = 0; x < 9; ++x)
        for (LONG y = 0; y < 7; ++y)
            src.SetPixelIndex(x, y, static_cast<BYTE>((x * 3 + y) & 15));
    FuncMethod id([](int x, int y) { return POINT{x, y}; });
    id.AddPair({1, 1}, {2, 2});
    const auto out = WarpImage(src, id);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->GetBpp(), 24);
    EXPECT_EQ(out->GetType(), static_cast<DWORD>(FORMAT_UNKNOWN));
    for (LONG x = 0; x < 9; ++x)
        for (LONG y = 0; y < 7; ++y)
            EXPECT_EQ(out->GetPixelColor(x, y, true), src.GetPixelColor(x, y, false));
    WarpImage(src, id);
    const std::vector<POINT> corners{{0, 0}, {0, 7}, {9, 0}, {9, 7}};
    ASSERT_EQ(id.GetPairCount(), 9u);
    EXPECT_EQ(std::vector<POINT>(id.GetSrcPoints().begin() + 1, id.GetSrcPoints().begin() + 5),
              corners);
    EXPECT_EQ(std::vector<POINT>(id.GetDstPoints().begin() + 5, id.GetDstPoints().end()), corners);
}

TEST(WarpImage, HolesWithinTwoPixelsOfTheEdgeStayWhite) {
    const CxImage src = Pattern(10, 10);
    // drop view column 1 and view row 1 (stored row H - 2)
    FuncMethod f([](int x, int y) { return (x == 1 || y == 1) ? POINT{-1, -1} : POINT{x, y}; });
    const auto out = WarpImage(src, f);
    EXPECT_EQ(out->GetPixelColor(1, 5, true), kWhite);
    EXPECT_EQ(out->GetPixelColor(5, 8, true), kWhite);
    EXPECT_EQ(out->GetPixelColor(5, 5, true), src.GetPixelColor(5, 5, true));
}

TEST(WarpImage, HoleGetsTheTruncatedMeanOfItsCoveredWindow) {
    CxImage src(9, 9, 24);
    src.Clear(0);
    src.SetPixelColor(0, 8, RGB(10, 0, 0)); // view (0, 0)
    src.SetPixelColor(1, 8, RGB(10, 0, 0)); // view (1, 0)
    src.SetPixelColor(2, 8, RGB(11, 0, 0)); // view (2, 0)
    // cover exactly three pixels around the hole at view (4, 4): view (3, 3), (4, 3), (5, 3)
    FuncMethod f([](int x, int y) { return y == 0 && x <= 2 ? POINT{x + 3, 3} : POINT{-9, -9}; });
    const auto out = WarpImage(src, f);
    const RGBQUAD hole = out->GetPixelColor(4, 9 - 1 - 4, true);
    EXPECT_EQ(hole.rgbRed, 10); // 31 / 3
    // a filled pixel never feeds another hole: view (4, 6) sees no covered pixel
    EXPECT_EQ(out->GetPixelColor(4, 9 - 1 - 6, true), kWhite);
}

TEST(WarpImage, EmptySourceIsRefusedWithoutTouchingTheMethod) {
    CxImage empty;
    CWarpMLS mls;
    EXPECT_EQ(WarpImage(empty, mls), nullptr);
    EXPECT_EQ(mls.GetPairCount(), 0u);
}

// Checks a run against the rules it must follow, for random pairs and every
// method: each covered pixel holds the last source pixel mapped onto it, each
// inner hole the truncated mean of its covered 5x5 window, everything else white.
TEST(WarpImage, RandomPairsFollowTheForwardMappingRules) {
    std::mt19937 rng(20261206);
    std::uniform_int_distribution<int> coord(0, 22), shift(-4, 4);
    const LONG W = 23, H = 17;
    const CxImage src = Pattern(W, H);
    for (int method = 0; method < 3; ++method) {
        for (int trial = 0; trial < 5; ++trial) {
            // the run's object, and a second one prepared alike for the expected map
            auto run = MakeWarpMethod(method), ref = MakeWarpMethod(method);
            for (int i = 0; i < 3; ++i) {
                const POINT p{coord(rng), coord(rng) % H}, q{p.x + shift(rng), p.y + shift(rng)};
                run->AddPair(p, q);
                ref->AddPair(p, q);
            }
            for (POINT c : {POINT{0, 0}, POINT{0, H}, POINT{W, 0}, POINT{W, H}})
                ref->AddPair(c, c);
            std::unique_ptr<CxImage> out;
            {
                const MessageCapture quiet;
                out = WarpImage(src, *run);
                ref->Prepare();
            }
            std::vector<int> last(W * H, -1); // index x * H + y of the winning source pixel
            for (LONG x = 0; x < W; ++x)
                for (LONG y = 0; y < H; ++y) {
                    const POINT q = ref->MapPoint(x, y);
                    if (q.x >= 0 && q.x < W && q.y >= 0 && q.y < H)
                        last[(H - 1 - q.y) * W + q.x] = x * H + y;
                }
            for (LONG cx = 0; cx < W; ++cx)
                for (LONG cy = 0; cy < H; ++cy) {
                    RGBQUAD want = kWhite;
                    const int from = last[cy * W + cx];
                    if (from >= 0) {
                        want = src.GetPixelColor(from / H, H - 1 - from % H, false);
                    } else if (cx >= 2 && cx <= W - 3 && cy >= 2 && cy <= H - 3) {
                        int n = 0, r = 0, g = 0, b = 0;
                        for (LONG x = cx - 2; x <= cx + 2; ++x)
                            for (LONG y = cy - 2; y <= cy + 2; ++y) {
                                const int k = last[y * W + x];
                                if (k < 0) continue;
                                const RGBQUAD c = src.GetPixelColor(k / H, H - 1 - k % H, false);
                                r += c.rgbRed, g += c.rgbGreen, b += c.rgbBlue, ++n;
                            }
                        if (n) want = RGBQUAD{BYTE(b / n), BYTE(g / n), BYTE(r / n), 0};
                    }
                    ASSERT_EQ(out->GetPixelColor(cx, cy, true), want)
                        << "method " << method << " trial " << trial << " at " << cx << "," << cy;
                }
        }
    }
}
