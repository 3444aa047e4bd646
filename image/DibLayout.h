// The sizes of a DIB block: the depth Create normalises to, the palette that
// comes with it, and the whole block. Shared by Create and the limit checks.
#pragma once

#include <cstdint>

#include "platform/ByteOrder.h"
#include "platform/WinTypes.h"

// 0 and 1 give 1, up to 4 gives 4, up to 8 gives 8, anything larger 24.
constexpr DWORD NormalizedBpp(DWORD bpp) {
    if (bpp <= 1) return 1;
    if (bpp <= 4) return 4;
    if (bpp <= 8) return 8;
    return 24;
}

constexpr DWORD PaletteEntries(DWORD normalizedBpp) {
    switch (normalizedBpp) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

// Header, palette and rows padded to 4 bytes, in 64 bits: exact for any
// 32-bit width and height.
constexpr std::uint64_t DibBlockSize(std::uint64_t width, std::uint64_t height,
                                     DWORD normalizedBpp) {
    const std::uint64_t effWidth = ((normalizedBpp * width + 31) / 32) * 4;
    return kInfoHeaderSize + effWidth * height + 4 * PaletteEntries(normalizedBpp);
}
