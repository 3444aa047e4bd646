// The alpha plane and the selection mask: unpadded width x height byte
// planes, bottom-up like the pixel rows. A ghost shares its body's planes
// without owning them, so it never allocates, replaces or frees one.
#include "image/CxImage.h"

#include <cstdlib>
#include <cstring>

BYTE* CxImage::AllocatePlane() const {
    if (!FitsAllocation(GetWidth(), GetHeight(), PlaneSize())) return nullptr;
    return static_cast<BYTE*>(std::malloc(PlaneSize()));
}

void CxImage::AlphaCreate() {
    if (alpha || !dib || info.ghostOf) return;
    alpha = AllocatePlane();
    if (alpha) std::memset(alpha, 255, PlaneSize());
}

void CxImage::AlphaDelete() {
    if (info.ghostOf) return;
    std::free(alpha);
    alpha = nullptr;
}

void CxImage::AlphaSet(LONG x, LONG y, BYTE level) {
    if (BYTE* p = AlphaGetPointer(x, y)) *p = level;
}

BYTE CxImage::AlphaGet(LONG x, LONG y) const {
    const BYTE* p = AlphaGetPointer(x, y);
    return p ? *p : 0;
}

BYTE* CxImage::AlphaGetPointer(LONG x, LONG y) const {
    if (!alpha || !IsInside(x, y)) return nullptr;
    return alpha + x + static_cast<std::size_t>(y) * GetWidth();
}

bool CxImage::AlphaFlip() {
    if (!alpha || info.ghostOf) return false;
    BYTE* flipped = AllocatePlane();
    if (!flipped) return false;
    const std::size_t width = GetWidth(), height = GetHeight();
    for (std::size_t i = 0; i < height; ++i)
        std::memcpy(flipped + i * width, alpha + (height - 1 - i) * width, width);
    std::free(alpha);
    alpha = flipped;
    return true;
}

bool CxImage::AlphaMirror() {
    if (!alpha || info.ghostOf) return false;
    BYTE* mirrored = AllocatePlane();
    if (!mirrored) return false;
    const std::size_t width = GetWidth(), height = GetHeight();
    for (std::size_t i = 0; i < height; ++i) {
        const BYTE* src = alpha + i * width;
        BYTE* dst = mirrored + i * width;
        for (std::size_t x = 0; x < width; ++x)
            dst[x] = src[width - 1 - x];
    }
    std::free(alpha);
    alpha = mirrored;
    return true;
}

bool CxImage::AlphaPaletteIsValid() const {
    const RGBQUAD* pal = GetPalette();
    if (!pal) return false;
    for (DWORD i = 0; i < header.biClrUsed; ++i) {
        if (pal[i].rgbReserved != 0) return true;
    }
    return false;
}

bool CxImage::SelectionDelete() {
    if (!info.ghostOf) {
        std::free(selection);
        selection = nullptr;
    }
    info.selectionBox = RECT{header.biWidth, 0, 0, header.biHeight};
    return true;
}

bool CxImage::SelectionIsInside(LONG x, LONG y) const {
    if (!IsInside(x, y)) return false;
    if (!selection) return true;
    return selection[x + static_cast<std::size_t>(y) * GetWidth()] != 0;
}
