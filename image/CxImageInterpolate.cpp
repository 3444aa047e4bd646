// Sampling the image at real positions: the nearest pixel, bilinear
// interpolation and the kernel methods, with the overflow method deciding
// what positions outside the image yield.
#include "image/CxImage.h"
#include "platform/Truncate.h"

namespace {

// v truncated toward zero, one less when negative (so -1.0 gives -2 and the
// weights then give the pixel at -1 its full share). NaN gives INT32_MIN.
long long FloorIndex(float v) {
    const long long i = TruncToInt(v);
    return v < 0 ? i - 1 : i;
}

// A weighted sum limited to 0..255 and truncated; NaN gives 0.
BYTE ToByte(float v) {
    if (!(v > 0)) return 0;
    return v >= 255 ? 255 : static_cast<BYTE>(v);
}

struct Sample {
    float x, y;
    long long xi, yi; // FloorIndex of x and y

    Sample(float sx, float sy) : x(sx), y(sy), xi(FloorIndex(sx)), yi(FloorIndex(sy)) {}
};

// The pixels an interpolation reads: columns xi - before to xi + after, and
// rows likewise.
struct Window {
    int before, after;
    int Size() const { return before + after + 1; }
};

constexpr Window kBilinearWindow{0, 1};
constexpr Window kKernelWindow{1, 2};
constexpr Window kLanczosWindow{5, 6};
constexpr int kMaxWindowSize = 12;

// A sample whose window misses the image: the fixed-colour methods answer
// with their colour at once (true), the others move the position back in.
bool ResolveFarOutside(const CxImage& img, Sample& s, Window win, OverflowMethod ofMethod,
                       const RGBQUAD* rplColor, RGBQUAD& color) {
    const long long w = img.GetWidth(), h = img.GetHeight();
    if (s.xi + win.after >= 0 && s.xi - win.before < w && s.yi + win.after >= 0 &&
        s.yi - win.before < h)
        return false;
    if (ofMethod == OverflowFixedColor || ofMethod == OverflowBackground ||
        ofMethod == OverflowTransparent) {
        color = img.GetPixelColorWithOverflow(-999, -999, ofMethod, rplColor);
        return true;
    }
    img.OverflowCoordinates(s.x, s.y, ofMethod);
    s = Sample(s.x, s.y);
    return false;
}

// Whether the window lies inside a 24-bit image, so its pixels can be read
// straight from the rows.
bool CanReadDirect(const CxImage& img, const Sample& s, Window win) {
    const long long w = img.GetWidth(), h = img.GetHeight();
    return !img.IsIndexed() && s.xi - win.before >= 0 && s.xi + win.after < w &&
           s.yi - win.before >= 0 && s.yi + win.after < h;
}

// Fixed-point weights in 1/256 units over the four pixels read directly.
RGBQUAD BilinearDirect(const CxImage& img, const Sample& s) {
    const WORD ix = static_cast<WORD>((s.x - s.xi) * 256);
    const WORD iy = static_cast<WORD>((s.y - s.yi) * 256);
    const int ixy = (ix * iy) >> 8, ix1 = ix - ixy, iy1 = iy - ixy, ix0 = 256 - ix - iy1;
    const auto mix = [&](const BYTE* p0, const BYTE* p1, std::size_t next) {
        return static_cast<BYTE>((ix0 * p0[0] + ix1 * p0[next] + iy1 * p1[0] + ixy * p1[next]) >>
                                 8);
    };
    const LONG x = static_cast<LONG>(s.xi), y = static_cast<LONG>(s.yi);
    const BYTE* p0 = img.BlindGetPixelPointer(x, y);
    const BYTE* p1 = p0 + img.GetEffWidth();
    RGBQUAD c{mix(p0, p1, 3), mix(p0 + 1, p1 + 1, 3), mix(p0 + 2, p1 + 2, 3), 0};
    if (const BYTE* a0 = img.AlphaGetPointer(x, y)) c.rgbReserved = mix(a0, a0 + img.GetWidth(), 1);
    return c;
}

// Floating-point weights over the four pixels, each fetched with the
// overflow method.
RGBQUAD BilinearFetched(const CxImage& img, const Sample& s, OverflowMethod ofMethod,
                        const RGBQUAD* rplColor) {
    const float t1 = s.x - s.xi, t2 = s.y - s.yi;
    const float d = t1 * t2, b = t1 - d, c = t2 - d, a = 1 - t1 - c;
    const LONG x0 = SaturateToInt(s.xi), x1 = SaturateToInt(s.xi + 1), y0 = SaturateToInt(s.yi),
               y1 = SaturateToInt(s.yi + 1);
    const RGBQUAD p11 = img.GetPixelColorWithOverflow(x0, y0, ofMethod, rplColor);
    const RGBQUAD p21 = img.GetPixelColorWithOverflow(x1, y0, ofMethod, rplColor);
    const RGBQUAD p12 = img.GetPixelColorWithOverflow(x0, y1, ofMethod, rplColor);
    const RGBQUAD p22 = img.GetPixelColorWithOverflow(x1, y1, ofMethod, rplColor);
    const auto mix = [&](BYTE RGBQUAD::*ch) {
        return ToByte(a * (p11.*ch) + b * (p21.*ch) + c * (p12.*ch) + d * (p22.*ch));
    };
    return RGBQUAD{mix(&RGBQUAD::rgbBlue), mix(&RGBQUAD::rgbGreen), mix(&RGBQUAD::rgbRed),
                   img.AlphaIsValid() ? mix(&RGBQUAD::rgbReserved) : BYTE{0}};
}

RGBQUAD Bilinear(const CxImage& img, Sample s, OverflowMethod ofMethod, const RGBQUAD* rplColor) {
    RGBQUAD color;
    if (ResolveFarOutside(img, s, kBilinearWindow, ofMethod, rplColor, color)) return color;
    if (CanReadDirect(img, s, kBilinearWindow)) return BilinearDirect(img, s);
    return BilinearFetched(img, s, ofMethod, rplColor);
}

using Kernel = float (*)(float);

// Separable kernel interpolation over the window: the weight of pixel
// (xi - before + i, yi - before + j) is wy[j] * wx[i].
RGBQUAD KernelSample(const CxImage& img, Sample s, Window win, Kernel kernel,
                     OverflowMethod ofMethod, const RGBQUAD* rplColor) {
    RGBQUAD color;
    if (ResolveFarOutside(img, s, win, ofMethod, rplColor, color)) return color;
    const int n = win.Size();
    const long long col0 = s.xi - win.before, row0 = s.yi - win.before;
    float wx[kMaxWindowSize], wy[kMaxWindowSize];
    for (int k = 0; k < n; ++k) {
        wx[k] = kernel(static_cast<float>(col0 + k) - s.x);
        wy[k] = kernel(static_cast<float>(row0 + k) - s.y);
    }
    const bool direct = CanReadDirect(img, s, win);
    float blue = 0, green = 0, red = 0, alpha = 0;
    for (int j = 0; j < n; ++j) {
        const BYTE* p = direct
                            ? img.BlindGetPixelPointer(SaturateToInt(col0), SaturateToInt(row0 + j))
                            : nullptr;
        const BYTE* pa =
            direct ? img.AlphaGetPointer(SaturateToInt(col0), SaturateToInt(row0 + j)) : nullptr;
        for (int i = 0; i < n; ++i) {
            const float weight = wy[j] * wx[i];
            const RGBQUAD c =
                direct ? RGBQUAD{p[3 * i], p[3 * i + 1], p[3 * i + 2], pa ? pa[i] : BYTE{0}}
                       : img.GetPixelColorWithOverflow(SaturateToInt(col0 + i),
                                                       SaturateToInt(row0 + j), ofMethod, rplColor);
            blue += weight * c.rgbBlue;
            green += weight * c.rgbGreen;
            red += weight * c.rgbRed;
            alpha += weight * c.rgbReserved;
        }
    }
    return RGBQUAD{ToByte(blue), ToByte(green), ToByte(red),
                   img.AlphaIsValid() ? ToByte(alpha) : BYTE{0}};
}

// The kernel of a 4 x 4 kernel method, or null for the other methods.
Kernel FourByFourKernel(InterpolationMethod method) {
    switch (method) {
    case InterpolateBSpline:
        return CxImage::KernelBSpline;
    case InterpolateBicubic:
        return CxImage::KernelCubic;
    case InterpolateBicubic2:
        return [](float d) { return CxImage::KernelGeneralizedCubic(d, -0.5f); };
    case InterpolateBox:
        return CxImage::KernelBox;
    case InterpolateHermite:
        return CxImage::KernelHermite;
    case InterpolateHamming:
        return CxImage::KernelHamming;
    case InterpolateSinc:
        return CxImage::KernelSinc;
    case InterpolateBlackman:
        return CxImage::KernelBlackman;
    case InterpolateBessel:
        return CxImage::KernelBessel;
    case InterpolateGaussian:
        return CxImage::KernelGaussian;
    case InterpolateQuadratic:
        return CxImage::KernelQuadratic;
    case InterpolateMitchell:
        return CxImage::KernelMitchell;
    case InterpolateCatrom:
        return CxImage::KernelCatrom;
    default:
        return nullptr;
    }
}

} // namespace

RGBQUAD CxImage::GetPixelColorInterpolated(float x, float y, InterpolationMethod inMethod,
                                           OverflowMethod ofMethod, const RGBQUAD* rplColor) const {
    // Without pixels every position is outside.
    if (!dib) return GetPixelColorWithOverflow(0, 0, ofMethod, rplColor);
    if (inMethod == InterpolateNearest)
        return GetPixelColorWithOverflow(TruncToInt(x + 0.5), TruncToInt(y + 0.5), ofMethod,
                                         rplColor);
    const Sample s(x, y);
    if (inMethod == InterpolateLanczos) {
        const Kernel lanczos = [](float d) { return KernelLanczosSinc(d, 6.0f); };
        return KernelSample(*this, s, kLanczosWindow, lanczos, ofMethod, rplColor);
    }
    if (const Kernel kernel = FourByFourKernel(inMethod))
        return KernelSample(*this, s, kKernelWindow, kernel, ofMethod, rplColor);
    return Bilinear(*this, s, ofMethod, rplColor);
}
