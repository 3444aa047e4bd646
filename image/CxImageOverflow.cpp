// Positions outside the image: moving them back in by the overflow method,
// and the colour such a position yields.
#include <algorithm>
#include <cmath>

#include "image/CxImage.h"

namespace {

// Remainder with the sign of the dividend, made non-negative.
LONG WrapIndex(LONG v, LONG size) {
    const LONG r = v % size;
    return r < 0 ? r + size : r;
}

// -1 maps to 1 and size to size - 1. Negation in 64 bits, so that the
// lowest LONG has a positive counterpart.
LONG MirrorIndex(LONG v, LONG size) {
    if (v < 0) return static_cast<LONG>(-static_cast<long long>(v) % size);
    if (v >= size) return size - (v % size) - 1;
    return v;
}

float WrapCoordinate(float v, float size) {
    v = std::fmod(v, size);
    return v < 0 ? v + size : v;
}

float ClampCoordinate(float v, float size) {
    if (!(v > 0)) v = 0;
    if (!(size - 1 > v)) v = size - 1;
    return v;
}

float MirrorCoordinate(float v, float size) {
    if (v < 0) return std::fmod(-v, size);
    if (v >= size) return size - (std::fmod(v, size) + 1);
    return v;
}

} // namespace

void CxImage::OverflowCoordinates(LONG& x, LONG& y, OverflowMethod ofMethod) const {
    const LONG w = header.biWidth, h = header.biHeight;
    if (IsInside(x, y) || w <= 0 || h <= 0) return;
    switch (ofMethod) {
    case OverflowWrap:
        x = WrapIndex(x, w);
        y = WrapIndex(y, h);
        break;
    case OverflowClampToEdge:
        x = std::clamp(x, 0, w - 1);
        y = std::clamp(y, 0, h - 1);
        break;
    case OverflowMirror:
        x = MirrorIndex(x, w);
        y = MirrorIndex(y, h);
        break;
    default:
        break;
    }
}

void CxImage::OverflowCoordinates(float& x, float& y, OverflowMethod ofMethod) const {
    const float w = static_cast<float>(header.biWidth), h = static_cast<float>(header.biHeight);
    if ((0 <= x && x < w && 0 <= y && y < h) || !(w > 0 && h > 0)) return;
    switch (ofMethod) {
    case OverflowWrap:
        x = WrapCoordinate(x, w);
        y = WrapCoordinate(y, h);
        break;
    case OverflowClampToEdge:
        x = ClampCoordinate(x, w);
        y = ClampCoordinate(y, h);
        break;
    case OverflowMirror:
        x = MirrorCoordinate(x, w);
        y = MirrorCoordinate(y, h);
        break;
    default:
        break;
    }
}

RGBQUAD CxImage::GetPixelColorWithOverflow(LONG x, LONG y, OverflowMethod ofMethod,
                                           const RGBQUAD* rplColor) const {
    if (dib && IsInside(x, y)) return BlindGetPixelColor(x, y);
    RGBQUAD color = rplColor ? *rplColor : RGBQUAD{255, 255, 255, 0};
    if (!dib) return color;
    switch (ofMethod) {
    case OverflowBackground:
        if (info.transIndex != -1) color = GetTransColor();
        return color;
    case OverflowTransparent:
        if (AlphaIsValid()) {
            color.rgbReserved = 0;
        } else if (GetTransIndex() >= 0) {
            color = GetTransColor();
        }
        return color;
    case OverflowWrap:
    case OverflowClampToEdge:
    case OverflowMirror:
        OverflowCoordinates(x, y, ofMethod);
        return BlindGetPixelColor(x, y);
    default:
        return color;
    }
}
