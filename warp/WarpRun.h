// The steps both warping runs share before they map any pixel.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "image/CxImage.h"
#include "warp/WarpMethod.h"

struct FreeBlock {
    void operator()(void* block) const { std::free(block); }
};

// A pixel of the mask: 0 where no source pixel landed.
using MaskCell = std::uint32_t;

struct WarpRun {
    std::unique_ptr<CxImage> output; // W x H, 24 bits, to be cleared to 255
    // (row * W + x): not 0 where a source pixel landed; the production run
    // keeps the source column + 1 of the last one there.
    std::unique_ptr<MaskCell[], FreeBlock> mask;
    LONG width = 0, height = 0;
};

// Creates the output (not yet cleared, so that the run may clear it in
// parallel) and the zeroed mask, appends the corner pairs (0,0),
// (0,H), (W,0), (W,H) and prepares the method. Returns false, leaving the
// method untouched, when the source holds no image or the output or the mask
// cannot be created.
bool StartWarpRun(const CxImage& source, CWarpMethod& method, WarpRun& run);
