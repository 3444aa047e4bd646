// Palette entries, gray palettes and the transparent colour.
#include "image/CxImage.h"

#include <algorithm>
#include <cstring>

RGBQUAD CxImage::GetPaletteColor(BYTE idx) const {
    const RGBQUAD* pal = GetPalette();
    if (pal && idx < header.biClrUsed) return pal[idx];
    return RGBQUAD{0, 0, 0, 0};
}

void CxImage::SetPaletteColor(BYTE idx, BYTE r, BYTE g, BYTE b, BYTE alphaValue) {
    RGBQUAD* pal = GetPalette();
    if (!pal || idx >= header.biClrUsed) return;
    pal[idx] = RGBQUAD{b, g, r, alphaValue};
    info.lastColorValid = false;
}

void CxImage::SetPaletteColor(BYTE idx, RGBQUAD c) {
    SetPaletteColor(idx, c.rgbRed, c.rgbGreen, c.rgbBlue, c.rgbReserved);
}

void CxImage::SetPaletteColor(BYTE idx, COLORREF cr) {
    SetPaletteColor(idx, GetRValue(cr), GetGValue(cr), GetBValue(cr), 0);
}

void CxImage::SetPalette(const RGBQUAD* pPal, DWORD nColors) {
    RGBQUAD* pal = GetPalette();
    if (!pPal || !pal) return;
    const DWORD entries = std::min(nColors, header.biClrUsed);
    std::memmove(pal, pPal, entries * sizeof(RGBQUAD));
    info.lastColorValid = false;
}

void CxImage::SetPalette(DWORD n, const BYTE* r, const BYTE* g, const BYTE* b) {
    RGBQUAD* pal = GetPalette();
    if (!r || !pal) return;
    if (!g) g = r;
    if (!b) b = g;
    const DWORD entries = std::min(n, header.biClrUsed);
    for (DWORD i = 0; i < entries; ++i) {
        pal[i].rgbBlue = b[i];
        pal[i].rgbGreen = g[i];
        pal[i].rgbRed = r[i];
    }
    info.lastColorValid = false;
}

void CxImage::SetGrayPalette() {
    RGBQUAD* pal = GetPalette();
    if (!pal) return;
    // A one-entry palette has no ramp; its single entry becomes black.
    const DWORD step = header.biClrUsed > 1 ? 255 / (header.biClrUsed - 1) : 0;
    for (DWORD i = 0; i < header.biClrUsed; ++i) {
        const BYTE v = static_cast<BYTE>(i * step);
        pal[i].rgbBlue = pal[i].rgbGreen = pal[i].rgbRed = v;
    }
    info.lastColorValid = false;
}

bool CxImage::IsGrayScale() const {
    const RGBQUAD* pal = GetPalette();
    if (!pal) return false;
    for (DWORD i = 0; i < header.biClrUsed; ++i) {
        if (pal[i].rgbBlue != i || pal[i].rgbGreen != i || pal[i].rgbRed != i) return false;
    }
    return true;
}

RGBQUAD CxImage::GetTransColor() const {
    if (header.biBitCount < 24 && info.transIndex != -1)
        return GetPaletteColor(static_cast<BYTE>(info.transIndex));
    return info.transColor;
}

void CxImage::SetTransColor(RGBQUAD rgb) {
    rgb.rgbReserved = 0;
    info.transColor = rgb;
}
