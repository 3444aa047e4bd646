// Reading and writing single pixels, by palette index and by colour.
#include "image/CxImage.h"

RGBQUAD CxImage::RGBtoRGBQUAD(COLORREF cr) {
    return RGBQUAD{GetBValue(cr), GetGValue(cr), GetRValue(cr), 0};
}

COLORREF CxImage::RGBQUADtoRGB(RGBQUAD c) {
    return RGB(c.rgbRed, c.rgbGreen, c.rgbBlue);
}

std::size_t CxImage::PixelOffset(LONG x, LONG y) const {
    const std::size_t row = static_cast<std::size_t>(y) * info.effWidth;
    switch (header.biBitCount) {
    case 24:
        return row + 3 * static_cast<std::size_t>(x);
    case 8:
        return row + static_cast<std::size_t>(x);
    case 4:
        return row + static_cast<std::size_t>(x) / 2;
    default:
        return row + static_cast<std::size_t>(x) / 8;
    }
}

BYTE CxImage::GetPixelIndex(LONG x, LONG y) const {
    if (!dib || header.biClrUsed == 0) return 0;
    if (!IsInside(x, y)) {
        if (info.transIndex != -1) return static_cast<BYTE>(info.transIndex);
        x = 0;
        y = 0;
    }
    return BlindGetPixelIndex(x, y);
}

BYTE CxImage::BlindGetPixelIndex(LONG x, LONG y) const {
    if (!dib || header.biClrUsed == 0 || !IsInside(x, y)) throw 0;
    const BYTE b = info.pixels[PixelOffset(x, y)];
    switch (header.biBitCount) {
    case 8:
        return b;
    case 4: {
        const int s = 4 * (1 - x % 2);
        return static_cast<BYTE>((b & (15 << s)) >> s);
    }
    case 1: {
        const int s = 7 - x % 8;
        return static_cast<BYTE>((b & (1 << s)) >> s);
    }
    default:
        return 0;
    }
}

void CxImage::SetPixelIndex(LONG x, LONG y, BYTE i) {
    if (!dib || header.biClrUsed == 0 || !IsInside(x, y)) return;
    BYTE& b = info.pixels[PixelOffset(x, y)];
    switch (header.biBitCount) {
    case 8:
        b = i;
        break;
    case 4: {
        const int s = 4 * (1 - x % 2);
        b = static_cast<BYTE>((b & ~(15 << s)) | ((i & 15) << s));
        break;
    }
    case 1: {
        const int s = 7 - x % 8;
        b = static_cast<BYTE>((b & ~(1 << s)) | ((i & 1) << s));
        break;
    }
    default:
        break;
    }
}

RGBQUAD CxImage::GetPixelColor(LONG x, LONG y, bool bGetAlpha) const {
    if (!dib || !IsInside(x, y)) {
        if (info.transIndex != -1) {
            if (header.biBitCount < 24) return GetPaletteColor(static_cast<BYTE>(info.transIndex));
            return info.transColor;
        }
        if (dib) return GetPixelColor(0, 0, true);
        return info.transColor;
    }
    RGBQUAD rgb = info.transColor;
    if (header.biClrUsed) {
        rgb = GetPaletteColor(BlindGetPixelIndex(x, y));
    } else {
        const BYTE* p = info.pixels + PixelOffset(x, y);
        rgb.rgbBlue = p[0];
        rgb.rgbGreen = p[1];
        rgb.rgbRed = p[2];
    }
    if (bGetAlpha && alpha) rgb.rgbReserved = AlphaGet(x, y);
    return rgb;
}

RGBQUAD CxImage::BlindGetPixelColor(LONG x, LONG y) const {
    if (!dib || !IsInside(x, y)) throw 0;
    if (header.biClrUsed) return GetPaletteColor(BlindGetPixelIndex(x, y));
    const BYTE* p = info.pixels + PixelOffset(x, y);
    const BYTE a = alpha ? alpha[x + static_cast<std::size_t>(y) * GetWidth()] : 0;
    return RGBQUAD{p[0], p[1], p[2], a};
}

BYTE* CxImage::BlindGetPixelPointer(LONG x, LONG y) const {
    if (!dib || header.biClrUsed) return nullptr;
    return info.pixels + static_cast<std::size_t>(y) * info.effWidth +
           3 * static_cast<std::size_t>(x);
}

void CxImage::SetPixelColor(LONG x, LONG y, RGBQUAD c, bool bSetAlpha) {
    if (!dib || !IsInside(x, y)) return;
    if (header.biClrUsed) {
        SetPixelIndex(x, y, GetNearestIndex(c));
        return;
    }
    BYTE* p = info.pixels + PixelOffset(x, y);
    p[0] = c.rgbBlue;
    p[1] = c.rgbGreen;
    p[2] = c.rgbRed;
    if (bSetAlpha) AlphaSet(x, y, c.rgbReserved);
}

void CxImage::SetPixelColor(LONG x, LONG y, COLORREF cr) {
    SetPixelColor(x, y, RGBtoRGBQUAD(cr), false);
}

BYTE CxImage::GetNearestIndex(RGBQUAD c) {
    if (!dib || header.biClrUsed == 0) return 0;
    if (info.lastColorValid && info.lastColor == c) return info.lastColorIndex;
    info.lastColor = c;
    info.lastColorValid = true;

    DWORD m = header.biClrImportant ? header.biClrImportant : header.biClrUsed;
    if (m > header.biClrUsed) m = header.biClrUsed; // never scan past the palette
    const RGBQUAD* pal = GetPalette();
    BYTE best = 0;
    long bestDistance = 200000;
    for (DWORD i = 0; i < m; ++i) {
        const long db = pal[i].rgbBlue - c.rgbBlue;
        const long dg = pal[i].rgbGreen - c.rgbGreen;
        const long dr = pal[i].rgbRed - c.rgbRed;
        const long d = db * db + dg * dg + dr * dr;
        if (d == 0) {
            best = static_cast<BYTE>(i);
            break;
        }
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<BYTE>(i);
        }
    }
    info.lastColorIndex = best;
    return best;
}
