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
