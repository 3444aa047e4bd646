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
//
// Maps columns in batches (MapColumn) on the method's thread count and reads
// and writes pixels straight in their rows; beyond the images and the mask it
// needs a bounded amount of memory per thread.
std::unique_ptr<CxImage> WarpImage(const CxImage& source, CWarpMethod& method);

// The same run done plainly, on one thread: MapPoint once per pixel and the
// checked pixel accessors. WarpImage's output equals this one byte for byte.
std::unique_ptr<CxImage> WarpImagePlain(const CxImage& source, CWarpMethod& method);
