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
    for (LONG y = 0; y < h; ++y)
        for (LONG x = 0; x < w; ++x)
            img.SetPixelColor(x, y, RampColor(x, y));
    return img;
}

} // namespace

TEST(Overflow, OutsideCoordinatesMoveOrTakeAColourByMethod) {
    CxImage img = Ramp(4, 3);
    const RGBQUAD rpl{1, 2, 3, 4};
    EXPECT_EQ(img.GetPixelColorWithOverflow(-1, 0), kWhite0);
    EXPECT_EQ(img.GetPixelColorWithOverflow(-1, 0, OverflowBackground, &rpl), rpl);
    EXPECT_EQ(img.GetPixelColorWithOverflow(-1, 0, OverflowMirror), RampColor(1, 0));
    EXPECT_EQ(img.GetPixelColorWithOverflow(INT32_MIN, 5, OverflowMirror), RampColor(0, 0));
    EXPECT_EQ(img.GetPixelColorWithOverflow(-5, 7, OverflowWrap), RampColor(3, 1));
    EXPECT_EQ(img.GetPixelColorWithOverflow(-9, 9, OverflowClampToEdge), RampColor(0, 2));
    img.SetTransIndex(0);
    img.SetTransColor(RGBQUAD{9, 8, 7, 0});
    for (OverflowMethod m : {OverflowBackground, OverflowTransparent})
        EXPECT_EQ(img.GetPixelColorWithOverflow(-1, 0, m, &rpl), (RGBQUAD{9, 8, 7, 0}));
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
    // ix 128, iy 64: weights 96, 96, 32, 32 of 256
    EXPECT_EQ(img.GetPixelColorInterpolated(1.5f, 1.25f), (RGBQUAD{60, 50, 7, 0}));
    EXPECT_EQ(img.GetPixelColorInterpolated(3.5f, 1, InterpolateBilinear, OverflowClampToEdge),
              RampColor(3, 1));
    // -0.5 is not moved: its left neighbours are the replacement colour.
    EXPECT_EQ(img.GetPixelColorInterpolated(-0.5f, 1), (RGBQUAD{127, 147, 131, 0}));
    // Method numbers without a sampler of their own are bilinear; nearest
    // truncates the position plus one half.
    EXPECT_EQ(img.GetPixelColorInterpolated(1.5f, 1.25f, static_cast<InterpolationMethod>(17)),
              (RGBQUAD{60, 50, 7, 0}));
    EXPECT_EQ(img.GetPixelColorInterpolated(-0.6f, 0.6f, InterpolateNearest), RampColor(0, 1));
    img.AlphaCreate();
    img.AlphaSet(1, 1, 0);
    EXPECT_EQ(img.GetPixelColorInterpolated(1.5f, 1.25f).rgbReserved, 159);
}

TEST(Interpolate, KernelsReadDirectlyAsTheyFetch) {
    // The same gray picture as a 24-bit image (read straight from the rows)
    // and as an 8-bit gray image (fetched pixel by pixel).
    CxImage rgb(16, 16, 24), gray(16, 16, 8);
    gray.SetGrayPalette();
    for (LONG i = 0; i < 256; ++i) {
        const BYTE v = static_cast<BYTE>(i * 37 % 256);
        rgb.SetPixelColor(i % 16, i / 16, RGB(v, v, v));
        gray.SetPixelIndex(i % 16, i / 16, v);
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
        CxImage::KernelBSpline,  CxImage::KernelCubic,  CxImage::KernelQuadratic,
        CxImage::KernelMitchell, CxImage::KernelCatrom, CxImage::KernelBox,
        CxImage::KernelHermite,
    };
    for (std::size_t k = 0; k < std::size(kernels); ++k) {
        for (float t : {0.0f, 0.37f, 0.5f, 0.93f}) {
            float sum = 0;
            for (int i = -3; i <= 3; ++i)
                sum += kernels[k](t - i);
            EXPECT_NEAR(sum, 1.0f, 2e-6f) << "kernel " << k << " at " << t;
        }
    }
    EXPECT_NEAR(CxImage::KernelLanczosSinc(0.5f, 6), 0.6293724f, 1e-6f);
    EXPECT_NEAR(CxImage::KernelBessel_Order1(-1), -0.44005059f, 1e-7f);
    EXPECT_NEAR(CxImage::KernelBessel_Order1(10), 0.04347275f, 1e-7f); // the asymptotic range
    EXPECT_EQ(CxImage::KernelBessel_Order1(kInf), 0.0f);
    EXPECT_NEAR(CxImage::KernelBessel(0.5f), 0.5668241f, 1e-6f); // J1(pi / 2)
}
