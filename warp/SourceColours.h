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

    WORD Bpp() const { return m_bpp; }
    // The first byte of stored row `row`, and the distance between rows.
    const BYTE* Row(LONG row) const { return m_bits + static_cast<std::size_t>(row) * m_effWidth; }
    std::size_t Stride() const { return m_effWidth; }

    // The colour of pixel x of a row of an image of Bpp bits; only blue,
    // green and red are meaningful.
    template <WORD Bpp>
    RGBQUAD InRow(const BYTE* line, std::size_t x) const {
        if constexpr (Bpp == 24)
            return RGBQUAD{line[3 * x], line[3 * x + 1], line[3 * x + 2], 0};
        else if constexpr (Bpp == 8)
            return m_palette[line[x]];
        else if constexpr (Bpp == 4)
            return m_palette[(line[x / 2] >> (4 * (1 - x % 2))) & 15];
        else
            return m_palette[(line[x / 8] >> (7 - x % 8)) & 1];
    }

private:
    const BYTE* m_bits;
    std::size_t m_effWidth;
    WORD m_bpp;
    std::array<RGBQUAD, 256> m_palette{}; // GetPaletteColor of every index
};
