// Positions outside the image: moving them back in by the overflow method,
// and the colour such a position yields.
#include <algorithm>
#include <cmath>

#include "image/CxImage.h"

namespace {

// Each axis moves on its own; the integer and real forms differ only in how.

// Remainder with the sign of the dividend, made non-negative.
LONG Wrap(LONG v, LONG size) {
    const LONG r = v % size;
    return r < 0 ? r + size : r;
}

float Wrap(float v, float size) {
    v = std::fmod(v, size);
    return v < 0 ? v + size : v;
}

LONG Clamp(LONG v, LONG size) {
    return std::clamp(v, 0, size - 1);
}

// NaN goes to 0 too.
float Clamp(float v, float size) {
    if (!(v > 0)) v = 0;
    if (!(size - 1 > v)) v = size - 1;
    return v;
}

// -1 maps to 1 and size to size - 1. The negation is done in 64 bits, so the
// lowest LONG has a positive counterpart.
LONG Mirror(LONG v, LONG size) {
    if (v < 0) return static_cast<LONG>(-static_cast<long long>(v) % size);
    if (v >= size) return size - (v % size) - 1;
    return v;
}

float Mirror(float v, float size) {
    if (v < 0) return std::fmod(-v, size);
    if (v >= size) return size - (std::fmod(v, size) + 1);
    return v;
}

template <class T>
void MoveInside(T& x, T& y, T w, T h, OverflowMethod ofMethod) {
    switch (ofMethod) {
    case OverflowWrap:
        x = Wrap(x, w);
        y = Wrap(y, h);
        break;
    case OverflowClampToEdge:
        x = Clamp(x, w);
        y = Clamp(y, h);
        break;
    case OverflowMirror:
        x = Mirror(x, w);
        y = Mirror(y, h);
        break;
    default:
        break;
    }
}

} // namespace

void CxImage::OverflowCoordinates(LONG& x, LONG& y, OverflowMethod ofMethod) const {
    const LONG w = header.biWidth, h = header.biHeight;
    if (IsInside(x, y) || w <= 0 || h <= 0) return;
    MoveInside(x, y, w, h, ofMethod);
}

void CxImage::OverflowCoordinates(float& x, float& y, OverflowMethod ofMethod) const {
    const float w = static_cast<float>(header.biWidth), h = static_cast<float>(header.biHeight);
    if ((0 <= x && x < w && 0 <= y && y < h) || !(w > 0 && h > 0)) return;
    MoveInside(x, y, w, h, ofMethod);
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
