// Reading the colours of a source image straight from its rows, exactly as
// GetPixelColor reads them for a pixel inside the image. The container gives
// every image of 1, 4 or 8 bits a palette and 24-bit images none.
#pragma once

#include <array>
#include <cstddef>

#include "image/CxImage.h"

class CSourceColours {
public:
    explicit CSourceColours(const CxImage& source);

    // The colour of pixel (x, row), which must lie inside the image; only
    // blue, green and red are meaningful.
    RGBQUAD At(LONG x, LONG row) const {
        const BYTE* line = m_bits + static_cast<std::size_t>(row) * m_effWidth;
        const std::size_t ux = static_cast<std::size_t>(x);
        switch (m_bpp) {
        case 24:
            return RGBQUAD{line[3 * ux], line[3 * ux + 1], line[3 * ux + 2], 0};
        case 8:
            return m_palette[line[ux]];
        case 4:
            return m_palette[(line[ux / 2] >> (4 * (1 - ux % 2))) & 15];
        default:
            return m_palette[(line[ux / 8] >> (7 - ux % 8)) & 1];
        }
    }

private:
    const BYTE* m_bits;
    std::size_t m_effWidth;
    WORD m_bpp;
    std::array<RGBQUAD, 256> m_palette{}; // GetPaletteColor of every index
};
