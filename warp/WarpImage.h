// The warping run: forward-maps every pixel of an image through a warping
// method into a new white 24-bit image and fills the small holes that
// forward mapping leaves.
#pragma once

#include <memory>

#include "image/CxImage.h"
#include "warp/WarpMethod.h"

// Appends the four corner pairs (0,0), (0,H), (W,0), (W,H) to the method,
// prepares it and maps every pixel, columns outer and rows inner, so the
// pixel visited last wins where several land on one output pixel. Holes at
// least two pixels from every edge get the truncated mean of the covered
// pixels in their 5x5 window; other holes stay white. Returns null, leaving
// the method untouched, when the source holds no image or the output cannot
// be created.
std::unique_ptr<CxImage> WarpImage(const CxImage& source, CWarpMethod& method);
