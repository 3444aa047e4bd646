// Whole-image transforms the codecs apply after decoding: Flip (upside
// down), Mirror (left to right) and Negative (inverted colours).
#include <algorithm>
#include <cstring>

#include "image/CxImage.h"

bool CxImage::Flip() {
    if (!dib) return false;
    CxImage work(*this, false, false, true);
    if (!work.IsValid()) return false;
    const std::size_t rowBytes = info.effWidth;
    const DWORD height = GetHeight();
    for (DWORD i = 0; i < height; ++i)
        std::memcpy(work.GetBits(i), GetBits(height - 1 - i), rowBytes);
    work.AlphaFlip();
    return Transfer(work);
}

bool CxImage::Mirror() {
    if (!dib) return false;
    CxImage work(*this, false, false, true);
    if (!work.IsValid()) return false;
    const LONG width = header.biWidth, height = header.biHeight;
    for (LONG y = 0; y < height; ++y) {
        const BYTE* src = GetBits(static_cast<DWORD>(y));
        BYTE* dst = work.GetBits(static_cast<DWORD>(y));
        switch (header.biBitCount) {
        case 8:
            for (LONG j = 0; j < width; ++j)
                dst[j] = src[width - 1 - j];
            break;
        case 24:
            for (LONG j = 0; j < width; ++j)
                std::memcpy(dst + 3 * static_cast<std::size_t>(j),
                            src + 3 * static_cast<std::size_t>(width - 1 - j), 3);
            break;
        default:
            for (LONG j = 0; j < width; ++j)
                work.SetPixelIndex(j, y, GetPixelIndex(width - 1 - j, y));
            break;
        }
    }
    work.AlphaMirror();
    return Transfer(work);
}

void CxImage::ForEachSelectedPixel(void (*visit)(CxImage&, LONG, LONG)) {
    // The selection box may hold anything; only its part inside the image is walked.
    const RECT& box = info.selectionBox;
    const LONG x0 = std::max<LONG>(box.left, 0), x1 = std::min(box.right, header.biWidth);
    const LONG y0 = std::max<LONG>(box.bottom, 0), y1 = std::min(box.top, header.biHeight);
    for (LONG y = y0; y < y1; ++y)
        for (LONG x = x0; x < x1; ++x)
            if (SelectionIsInside(x, y)) visit(*this, x, y);
}

bool CxImage::Negative() {
    if (!dib) return false;
    if (header.biBitCount > 8) {
        if (selection) {
            ForEachSelectedPixel([](CxImage& img, LONG x, LONG y) {
                RGBQUAD c = img.GetPixelColor(x, y, true);
                c.rgbBlue = static_cast<BYTE>(255 - c.rgbBlue);
                c.rgbGreen = static_cast<BYTE>(255 - c.rgbGreen);
                c.rgbRed = static_cast<BYTE>(255 - c.rgbRed);
                img.SetPixelColor(x, y, c, false);
            });
        } else {
            for (DWORD i = 0; i < header.biSizeImage; ++i)
                info.pixels[i] = static_cast<BYTE>(255 - info.pixels[i]);
        }
        RGBQUAD& t = info.transColor;
        t.rgbBlue = static_cast<BYTE>(255 - t.rgbBlue);
        t.rgbGreen = static_cast<BYTE>(255 - t.rgbGreen);
        t.rgbRed = static_cast<BYTE>(255 - t.rgbRed);
    } else if (IsGrayScale()) {
        auto invert = [](CxImage& img, LONG x, LONG y) {
            img.SetPixelIndex(x, y, static_cast<BYTE>(255 - img.GetPixelIndex(x, y)));
        };
        if (selection) {
            ForEachSelectedPixel(invert);
        } else {
            for (LONG y = 0; y < header.biHeight; ++y)
                for (LONG x = 0; x < header.biWidth; ++x)
                    invert(*this, x, y);
        }
    } else {
        RGBQUAD* pal = GetPalette();
        for (DWORD i = 0; i < header.biClrUsed; ++i) {
            pal[i].rgbBlue = static_cast<BYTE>(255 - pal[i].rgbBlue);
            pal[i].rgbGreen = static_cast<BYTE>(255 - pal[i].rgbGreen);
            pal[i].rgbRed = static_cast<BYTE>(255 - pal[i].rgbRed);
        }
        info.lastColorValid = false;
    }
    return true;
}
