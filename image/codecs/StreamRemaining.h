// How much a stream still holds, so that a decoder can refuse an image its
// file cannot possibly fill before allocating it.
#pragma once

#include <cstdint>

#include "image/CxFile.h"

// Bytes from the position to the end of the stream; the largest value when
// the stream cannot tell.
inline std::uint64_t RemainingBytes(CxFile& f) {
    const long size = f.Size(), pos = f.Tell();
    if (size < 0 || pos < 0) return UINT64_MAX;
    return pos < size ? static_cast<std::uint64_t>(size - pos) : 0;
}

// Whether the stream holds at least 1/64 of the uncompressed pixel data an
// image needs. A cut-off file passes and decodes with its missing rows
// cleared; a file holding less has a damaged header, and refusing it before
// allocating keeps a tiny header from making a huge image.
inline bool HoldsShareOfPixels(CxFile& f, std::uint64_t pixelBytes) {
    constexpr std::uint64_t kMinimumShare = 64;
    return RemainingBytes(f) >= pixelBytes / kMinimumShare;
}
