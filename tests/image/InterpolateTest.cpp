#include <gtest/gtest.h>

#include <limits>

#include "image/CxImage.h"

namespace {

constexpr RGBQUAD kWhite0{255, 255, 255, 0};
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

RGBQUAD RampColor(LONG x, LONG y) {
    return RGBQUAD{static_cast<BYTE>(40 * x), static_cast<BYTE>(40 * y), 7, 0};
}

// A 24-bit image whose pixel (x, y) is RampColor(x, y).
CxImage Ramp(LONG w, LONG h) {
    CxImage img(w, h, 24);
    for (LONG y = 0; y < h; ++y) {
        for (LONG x = 0; x < w; ++x)
            img.SetPixelColor(x, y, RampColor(x, y));
    }
    return img;
}

template <class T>
std::pair<T, T> Moved(const CxImage& img, T x, T y, OverflowMethod method) {
    img.OverflowCoordinates(x, y, method);
    return {x, y};
}

} // namespace

TEST(Overflow, CoordinatesMoveByMethod) {
    const CxImage img(4, 3, 24);
    using L = std::pair<LONG, LONG>;
    EXPECT_EQ(Moved<LONG>(img, -1, 3, OverflowMirror), L(1, 2));
    EXPECT_EQ(Moved<LONG>(img, INT32_MIN, 5, OverflowMirror), L(0, 0));
    EXPECT_EQ(Moved<LONG>(img, -1, 3, OverflowWrap), L(3, 0));
    EXPECT_EQ(Moved<LONG>(img, -5, 7, OverflowWrap), L(3, 1));
    EXPECT_EQ(Moved<LONG>(img, -9, 9, OverflowClampToEdge), L(0, 2));
    EXPECT_EQ(Moved<LONG>(img, -9, 9, OverflowFixedColor), L(-9, 9));
    using F = std::pair<float, float>;
    EXPECT_EQ(Moved<float>(img, -1.5f, kNaN, OverflowClampToEdge), F(0, 0));
    EXPECT_EQ(Moved<float>(img, -0.5f, 3.5f, OverflowMirror), F(0.5f, 1.5f));
    EXPECT_EQ(Moved<float>(img, -0.25f, 3.5f, OverflowWrap), F(3.75f, 0.5f));
}

TEST(Overflow, OutsideColourByMethod) {
    CxImage img = Ramp(4, 3);
    const RGBQUAD rpl{1, 2, 3, 4};
    EXPECT_EQ(img.GetPixelColorWithOverflow(-1, 0), kWhite0);
    EXPECT_EQ(img.GetPixelColorWithOverflow(-1, 0, OverflowBackground, &rpl), rpl);
    EXPECT_EQ(img.GetPixelColorWithOverflow(-1, 0, OverflowMirror), RampColor(1, 0));
    img.SetTransIndex(0);
    img.SetTransColor(RGBQUAD{9, 8, 7, 0});
    EXPECT_EQ(img.GetPixelColorWithOverflow(-1, 0, OverflowBackground, &rpl),
              (RGBQUAD{9, 8, 7, 0}));
    EXPECT_EQ(img.GetPixelColorWithOverflow(-1, 0, OverflowTransparent, &rpl),
              (RGBQUAD{9, 8, 7, 0}));
    img.AlphaCreate();
    EXPECT_EQ(img.GetPixelColorWithOverflow(-1, 0, OverflowTransparent, &rpl),
              (RGBQUAD{1, 2, 3, 0}));

    const CxImage empty;
    EXPECT_EQ(empty.GetPixelColorWithOverflow(0, 0, OverflowWrap, &rpl), rpl);
    EXPECT_EQ(empty.GetPixelColorInterpolated(0.5f, 0.5f, InterpolateBilinear, OverflowWrap),
              kWhite0);
}

TEST(Bilinear, FixedPointInsideFloatingPointAtTheBorder) {
    CxImage img = Ramp(4, 3);
    EXPECT_EQ(img.GetPixelColorInterpolated(2, 1), RampColor(2, 1));
    // ix 128, iy 64: weights 96, 96, 32, 32 of 256
    EXPECT_EQ(img.GetPixelColorInterpolated(1.5f, 1.25f), (RGBQUAD{60, 50, 7, 0}));
    EXPECT_EQ(img.GetPixelColorInterpolated(3.5f, 1, InterpolateBilinear, OverflowClampToEdge),
              RampColor(3, 1));
    EXPECT_EQ(img.GetPixelColorInterpolated(-1.5f, 1, InterpolateBilinear, OverflowClampToEdge),
              RampColor(0, 1));
    // -0.5 is not moved: its left neighbours are the replacement colour.
    EXPECT_EQ(img.GetPixelColorInterpolated(-0.5f, 1), (RGBQUAD{127, 147, 131, 0}));
    EXPECT_EQ(img.GetPixelColorInterpolated(-40, 1), kWhite0);
    img.AlphaCreate();
    img.AlphaSet(1, 1, 0);
    EXPECT_EQ(img.GetPixelColorInterpolated(1.5f, 1.25f).rgbReserved, 159);
}

TEST(Interpolate, OtherMethodNumbersAreBilinearAndNearestTruncates) {
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
            for (float v : {kNaN, kInf, -kInf, 1e30f}) {
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

TEST(Kernels, InterpolatingKernelsSumToOneAndBesselIsAccurate) {
    using Kernel = float (*)(float);
    const Kernel kernels[] = {
        CxImage::KernelBSpline,   CxImage::KernelCubic,
        CxImage::KernelQuadratic, CxImage::KernelMitchell,
        CxImage::KernelCatrom,    CxImage::KernelBox,
        CxImage::KernelHermite,   [](float d) { return CxImage::KernelGeneralizedCubic(d, -0.5f); },
    };
    for (std::size_t k = 0; k < std::size(kernels); ++k) {
        for (float t : {0.0f, 0.37f, 0.5f, 0.93f}) {
            float sum = 0;
            for (int i = -3; i <= 3; ++i)
                sum += kernels[k](t - i);
            EXPECT_NEAR(sum, 1.0f, 2e-6f) << "kernel " << k << " at " << t;
        }
    }
    EXPECT_EQ(CxImage::KernelBox(-0.5f), 1.0f);
    EXPECT_EQ(CxImage::KernelBox(0.5f), 0.0f);
    EXPECT_NEAR(CxImage::KernelLanczosSinc(0.5f, 6), 0.6293724f, 1e-6f);
    EXPECT_NEAR(CxImage::KernelBessel_Order1(-1), -0.44005059f, 1e-7f);
    EXPECT_NEAR(CxImage::KernelBessel_Order1(10), 0.04347275f, 1e-7f); // the asymptotic range
    EXPECT_EQ(CxImage::KernelBessel_Order1(kInf), 0.0f);
    EXPECT_NEAR(CxImage::KernelBessel(0.5f), 0.5668241f, 1e-6f); // J1(pi / 2)
}
