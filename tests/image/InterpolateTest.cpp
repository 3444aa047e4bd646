#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "image/CxImage.h"

namespace {

constexpr RGBQUAD kWhite0{255, 255, 255, 0};
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// A 24-bit image whose pixel (x, y) is blue 40x, green 40y, red 7.
CxImage Ramp(DWORD w, DWORD h) {
    CxImage img(w, h, 24);
    for (LONG y = 0; y < static_cast<LONG>(h); ++y) {
        for (LONG x = 0; x < static_cast<LONG>(w); ++x)
            img.SetPixelColor(x, y,
                              RGBQUAD{static_cast<BYTE>(40 * x), static_cast<BYTE>(40 * y), 7, 0});
    }
    return img;
}

RGBQUAD RampColor(LONG x, LONG y) {
    return RGBQUAD{static_cast<BYTE>(40 * x), static_cast<BYTE>(40 * y), 7, 0};
}

} // namespace

TEST(Overflow, IntegerCoordinatesMoveByMethod) {
    const CxImage img(4, 3, 24);
    const struct {
        OverflowMethod method;
        LONG x, y, ex, ey;
    } cases[] = {
        {OverflowMirror, -1, 0, 1, 0},      {OverflowMirror, 4, 3, 3, 2},
        {OverflowMirror, 5, -2, 2, 2},      {OverflowMirror, INT32_MIN, 1, 0, 1},
        {OverflowWrap, -1, -1, 3, 2},       {OverflowWrap, 4, 3, 0, 0},
        {OverflowWrap, -5, 7, 3, 1},        {OverflowClampToEdge, -9, 9, 0, 2},
        {OverflowFixedColor, -9, 9, -9, 9}, {static_cast<OverflowMethod>(0), 5, 5, 5, 5},
        {OverflowWrap, 2, 1, 2, 1},
    };
    for (const auto& c : cases) {
        LONG x = c.x, y = c.y;
        img.OverflowCoordinates(x, y, c.method);
        EXPECT_EQ(x, c.ex) << c.method << ": " << c.x << ", " << c.y;
        EXPECT_EQ(y, c.ey) << c.method << ": " << c.x << ", " << c.y;
    }
}

TEST(Overflow, RealCoordinatesMoveByMethod) {
    const CxImage img(4, 3, 24);
    const struct {
        OverflowMethod method;
        float x, y, ex, ey;
    } cases[] = {
        {OverflowClampToEdge, -1.5f, 10, 0, 2},    {OverflowClampToEdge, kNaN, 1, 0, 1},
        {OverflowMirror, -0.5f, 3.5f, 0.5f, 1.5f}, {OverflowWrap, -0.25f, 3.5f, 3.75f, 0.5f},
        {OverflowWrap, 1.5f, 1.5f, 1.5f, 1.5f},
    };
    for (const auto& c : cases) {
        float x = c.x, y = c.y;
        img.OverflowCoordinates(x, y, c.method);
        EXPECT_EQ(x, c.ex) << c.method << ": " << c.x << ", " << c.y;
        EXPECT_EQ(y, c.ey) << c.method << ": " << c.x << ", " << c.y;
    }
}

TEST(Overflow, OutsideColourByMethod) {
    CxImage img = Ramp(4, 3);
    const RGBQUAD rpl{1, 2, 3, 4};
    EXPECT_EQ(img.GetPixelColorWithOverflow(2, 1), RampColor(2, 1));
    EXPECT_EQ(img.GetPixelColorWithOverflow(-1, 0), kWhite0);
    EXPECT_EQ(img.GetPixelColorWithOverflow(-1, 0, OverflowFixedColor, &rpl), rpl);
    EXPECT_EQ(img.GetPixelColorWithOverflow(-1, 0, OverflowBackground, &rpl), rpl);
    EXPECT_EQ(img.GetPixelColorWithOverflow(-1, 0, OverflowTransparent, &rpl), rpl);
    EXPECT_EQ(img.GetPixelColorWithOverflow(-1, 0, OverflowMirror), RampColor(1, 0));
    EXPECT_EQ(img.GetPixelColorWithOverflow(4, 3, OverflowWrap), RampColor(0, 0));
    EXPECT_EQ(img.GetPixelColorWithOverflow(9, -9, OverflowClampToEdge), RampColor(3, 0));

    img.SetTransIndex(0);
    img.SetTransColor(RGBQUAD{9, 8, 7, 0});
    EXPECT_EQ(img.GetPixelColorWithOverflow(-1, 0, OverflowBackground, &rpl),
              (RGBQUAD{9, 8, 7, 0}));
    EXPECT_EQ(img.GetPixelColorWithOverflow(-1, 0, OverflowTransparent, &rpl),
              (RGBQUAD{9, 8, 7, 0}));
    img.AlphaCreate();
    EXPECT_EQ(img.GetPixelColorWithOverflow(-1, 0, OverflowTransparent, &rpl),
              (RGBQUAD{1, 2, 3, 0}));
    EXPECT_EQ(img.GetPixelColorWithOverflow(0, 0), (RGBQUAD{0, 0, 7, 255}));

    CxImage indexed(2, 2, 8);
    indexed.SetPaletteColor(5, RGBQUAD{50, 60, 70, 80});
    indexed.SetTransIndex(5);
    EXPECT_EQ(indexed.GetPixelColorWithOverflow(2, 0, OverflowBackground),
              (RGBQUAD{50, 60, 70, 80}));

    const CxImage empty;
    EXPECT_EQ(empty.GetPixelColorWithOverflow(0, 0, OverflowWrap, &rpl), rpl);
    EXPECT_EQ(empty.GetPixelColorInterpolated(0.5f, 0.5f, InterpolateBilinear, OverflowWrap),
              kWhite0);
}

TEST(Bilinear, PixelCentresAreExactInBothPaths) {
    const CxImage img = Ramp(4, 4);
    EXPECT_EQ(img.GetPixelColorInterpolated(2, 1), RampColor(2, 1)); // fixed point
    EXPECT_EQ(img.GetPixelColorInterpolated(3, 1, InterpolateBilinear, OverflowClampToEdge),
              RampColor(3, 1)); // border
    CxImage indexed(3, 3, 8);
    indexed.SetPaletteColor(9, RGBQUAD{11, 22, 33, 0});
    indexed.SetPixelIndex(1, 1, 9);
    EXPECT_EQ(indexed.GetPixelColorInterpolated(1, 1), (RGBQUAD{11, 22, 33, 0}));
}

TEST(Bilinear, FixedPointWeightsIncludingAlpha) {
    CxImage img = Ramp(4, 4);
    // ix 128, iy 64: weights 96, 96, 32, 32 of 256
    EXPECT_EQ(img.GetPixelColorInterpolated(1.5f, 1.25f), (RGBQUAD{60, 50, 7, 0}));
    img.AlphaCreate();
    img.AlphaSet(1, 1, 0);
    EXPECT_EQ(img.GetPixelColorInterpolated(1.5f, 1.25f).rgbReserved, 159);
}

TEST(Bilinear, BorderPositionsUseTheOverflowMethod) {
    const CxImage img = Ramp(4, 3);
    EXPECT_EQ(img.GetPixelColorInterpolated(3.5f, 1, InterpolateBilinear, OverflowClampToEdge),
              RampColor(3, 1));
    EXPECT_EQ(img.GetPixelColorInterpolated(-1.5f, 1, InterpolateBilinear, OverflowClampToEdge),
              RampColor(0, 1));
    // -0.5 is not moved: its left neighbours are the replacement colour
    EXPECT_EQ(img.GetPixelColorInterpolated(-0.5f, 1), (RGBQUAD{127, 147, 131, 0}));
    EXPECT_EQ(img.GetPixelColorInterpolated(-40, 1), kWhite0);
    const RGBQUAD rpl{1, 2, 3, 4};
    EXPECT_EQ(img.GetPixelColorInterpolated(9, 9, InterpolateBicubic, OverflowFixedColor, &rpl),
              rpl);
}

TEST(Interpolate, MethodsOutsideTheRangeAreBilinearAndNearestTruncates) {
    const CxImage img = Ramp(4, 4);
    const RGBQUAD bilinear = img.GetPixelColorInterpolated(1.3f, 1.6f);
    EXPECT_EQ(img.GetPixelColorInterpolated(1.3f, 1.6f, static_cast<InterpolationMethod>(0)),
              bilinear);
    EXPECT_EQ(img.GetPixelColorInterpolated(1.3f, 1.6f, static_cast<InterpolationMethod>(17)),
              bilinear);
    EXPECT_EQ(img.GetPixelColorInterpolated(1.4f, 0.6f, InterpolateNearest), RampColor(1, 1));
    EXPECT_EQ(img.GetPixelColorInterpolated(-0.6f, 0, InterpolateNearest), RampColor(0, 0));
}

TEST(Interpolate, KernelsReadDirectlyAsTheyFetch) {
    // The same gray picture as a 24-bit image (read straight from the rows)
    // and as an 8-bit gray image (fetched pixel by pixel).
    CxImage rgb(16, 16, 24), gray(16, 16, 8);
    gray.SetGrayPalette();
    for (LONG y = 0; y < 16; ++y) {
        for (LONG x = 0; x < 16; ++x) {
            const BYTE v = static_cast<BYTE>((x * 37 + y * 11) % 256);
            rgb.SetPixelColor(x, y, RGB(v, v, v));
            gray.SetPixelIndex(x, y, v);
        }
    }
    for (int m = InterpolateBSpline; m <= InterpolateCatrom; ++m) {
        const auto method = static_cast<InterpolationMethod>(m);
        EXPECT_EQ(rgb.GetPixelColorInterpolated(7.3f, 7.6f, method),
                  gray.GetPixelColorInterpolated(7.3f, 7.6f, method))
            << m;
    }
    EXPECT_EQ(rgb.GetPixelColorInterpolated(6, 9, InterpolateBicubic2), rgb.GetPixelColor(6, 9));
}

TEST(Interpolate, NonFiniteCoordinatesGiveADefinedColour) {
    CxImage img = Ramp(4, 3);
    img.AlphaCreate();
    CxImage indexed(4, 3, 4);
    for (const CxImage* im : {&img, &indexed}) {
        for (int m = 0; m <= 17; ++m) {
            const auto method = static_cast<InterpolationMethod>(m);
            for (float v : {kNaN, kInf, -kInf, 1e30f, -1e30f}) {
                EXPECT_EQ(im->GetPixelColorInterpolated(v, 1, method), kWhite0) << m;
                EXPECT_EQ(im->GetPixelColorInterpolated(v, v, method), kWhite0) << m;
                for (int of = 0; of <= 7; ++of) {
                    const auto overflow = static_cast<OverflowMethod>(of);
                    EXPECT_EQ(im->GetPixelColorInterpolated(v, 1.5f, method, overflow),
                              im->GetPixelColorInterpolated(v, 1.5f, method, overflow));
                }
            }
        }
    }
    EXPECT_EQ(img.GetPixelColorInterpolated(kNaN, kNaN, InterpolateBilinear, OverflowClampToEdge),
              img.GetPixelColor(0, 0));
}

TEST(Kernels, InterpolatingKernelsSumToOne) {
    using Kernel = float (*)(float);
    const Kernel kernels[] = {
        CxImage::KernelBSpline,   CxImage::KernelCubic,
        CxImage::KernelQuadratic, CxImage::KernelMitchell,
        CxImage::KernelCatrom,    CxImage::KernelBox,
        CxImage::KernelHermite,   [](float d) { return CxImage::KernelGeneralizedCubic(d, -0.5f); },
    };
    for (std::size_t k = 0; k < std::size(kernels); ++k) {
        for (float t : {0.0f, 0.1f, 0.37f, 0.5f, 0.93f}) {
            float sum = 0;
            for (int i = -3; i <= 3; ++i)
                sum += kernels[k](t - i);
            EXPECT_NEAR(sum, 1.0f, 2e-6f) << "kernel " << k << " at " << t;
        }
    }
    EXPECT_EQ(CxImage::KernelBox(-0.5f), 1.0f);
    EXPECT_EQ(CxImage::KernelBox(0.5f), 0.0f);
    EXPECT_EQ(CxImage::KernelCatrom(0.5f), 0.5625f);
    EXPECT_EQ(CxImage::KernelLanczosSinc(0, 6), 1.0f);
    EXPECT_EQ(CxImage::KernelLanczosSinc(6.5f, 6), 0.0f);
    EXPECT_NEAR(CxImage::KernelLanczosSinc(0.5f, 6), 0.6293724f, 1e-6f);
    EXPECT_NEAR(CxImage::KernelGaussian(0), 0.7978846f, 1e-7f);
}

TEST(Kernels, BesselOrderOneIsAccurate) {
    EXPECT_EQ(CxImage::KernelBessel_Order1(0), 0.0f);
    EXPECT_NEAR(CxImage::KernelBessel_Order1(1), 0.44005059f, 1e-7f);
    EXPECT_NEAR(CxImage::KernelBessel_Order1(-1), -0.44005059f, 1e-7f);
    EXPECT_NEAR(CxImage::KernelBessel_Order1(7.9f), 0.21917940f, 1e-6f);
    EXPECT_NEAR(CxImage::KernelBessel_Order1(10), 0.04347275f, 1e-7f);
    EXPECT_NEAR(CxImage::KernelBessel_Order1(-100), 0.07714535f, 1e-7f);
    EXPECT_EQ(CxImage::KernelBessel_Order1(kInf), 0.0f);
    EXPECT_EQ(CxImage::KernelBessel(0), 0.78539819f);
    EXPECT_NEAR(CxImage::KernelBessel(0.5f), 0.5668241f, 1e-6f); // J1(pi / 2)
}
