// The interpolation kernels, in single precision. Each gives the weight of a
// pixel whose centre lies at signed distance d from the sample position.
#include <cmath>

#include "image/CxImage.h"

namespace {

constexpr float kPi = 3.1415927f;

// The truncated cube of the B-spline's piecewise form.
float PositiveCube(float u) {
    return u > 0 ? u * u * u : 0.0f;
}

} // namespace

float CxImage::KernelBSpline(float d) {
    if (d > 2) return 0;
    return (PositiveCube(d + 2) - 4 * PositiveCube(d + 1) + 6 * PositiveCube(d) -
            4 * PositiveCube(d - 1)) *
           0.16666667f;
}

float CxImage::KernelCubic(float d) {
    const float t = std::fabs(d);
    if (t < 1) return t * t * t - 2 * t * t + 1;
    if (t < 2) return -t * t * t + 5 * t * t - 8 * t + 4;
    return 0;
}

float CxImage::KernelGeneralizedCubic(float d, float a) {
    const float t = std::fabs(d);
    if (t < 1) return (a + 2) * t * t * t - (a + 3) * t * t + 1;
    if (t < 2) return a * t * t * t - 5 * a * t * t + 8 * a * t - 4 * a;
    return 0;
}

float CxImage::KernelLanczosSinc(float d, float radius) {
    if (std::fabs(d) > radius) return 0;
    if (d == 0) return 1;
    const float pd = kPi * d;
    const float pdr = pd / radius;
    return (std::sin(pd) / pd) * (std::sin(pdr) / pdr);
}

float CxImage::KernelBox(float d) {
    return -0.5f <= d && d < 0.5f ? 1.0f : 0.0f;
}

float CxImage::KernelHermite(float d) {
    if (-1 <= d && d < 0) return -2 * d * d * d - 3 * d * d + 1;
    if (0 <= d && d < 1) return 2 * d * d * d - 3 * d * d + 1;
    return 0;
}

float CxImage::KernelHamming(float d) {
    if (-1 <= d && d < 0) return 0.92f * (-2 * d - 3) * d * d + 1;
    if (0 <= d && d < 1) return 0.92f * (2 * d - 3) * d * d + 1;
    return 0;
}

float CxImage::KernelSinc(float d) {
    if (d == 0) return 1;
    return std::sin(kPi * d) / (kPi * d);
}

float CxImage::KernelBlackman(float d) {
    return 0.42f + 0.5f * std::cos(kPi * d) + 0.08f * std::cos(2 * kPi * d);
}

float CxImage::KernelBessel(float d) {
    if (d == 0) return 0.78539819f; // pi / 4, the limit at 0
    return KernelBessel_Order1(kPi * d) / (2 * d);
}

// The standard library's cylindrical Bessel function, evaluated in double
// precision for |u| and made odd; it tends to 0 at infinity.
float CxImage::KernelBessel_Order1(float u) {
    if (std::isinf(u)) return 0;
    const double j1 = std::cyl_bessel_j(1.0, std::fabs(static_cast<double>(u)));
    return static_cast<float>(u < 0 ? -j1 : j1);
}

float CxImage::KernelGaussian(float d) {
    return std::exp(-2 * d * d) * 0.7978845834732056f; // sqrt(2 / pi)
}

float CxImage::KernelQuadratic(float d) {
    if (-1.5f <= d && d < -0.5f) return 0.5f * (d + 1.5f) * (d + 1.5f);
    if (-0.5f <= d && d < 0.5f) return 0.75f - d * d;
    if (0.5f <= d && d < 1.5f) return 0.5f * (d - 1.5f) * (d - 1.5f);
    return 0;
}

float CxImage::KernelMitchell(float d) {
    if (-2 <= d && d < -1) return 0.3888889f * d * d * d + 2 * d * d + 3.3333333f * d + 1.7777778f;
    if (-1 <= d && d < 0) return -1.1666666f * d * d * d - 2 * d * d + 0.8888889f;
    if (0 <= d && d < 1) return 1.1666666f * d * d * d - 2 * d * d + 0.8888889f;
    if (1 <= d && d < 2) return -0.3888889f * d * d * d + 2 * d * d - 3.3333333f * d + 1.7777778f;
    return 0;
}

float CxImage::KernelCatrom(float d) {
    if (-2 <= d && d < -1) return 0.5f * (d * d * d + 5 * d * d + 8 * d + 4);
    if (-1 <= d && d < 0) return 0.5f * (-3 * d * d * d - 5 * d * d + 2);
    if (0 <= d && d < 1) return 0.5f * (3 * d * d * d - 5 * d * d + 2);
    if (1 <= d && d < 2) return 0.5f * (-d * d * d + 5 * d * d - 8 * d + 4);
    return 0;
}
