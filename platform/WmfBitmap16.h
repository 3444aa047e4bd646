// The device-dependent bitmaps of old Windows metafile blits (BITBLT and
// STRETCHBLT records without a DIB).
#pragma once

#include <span>
#include <vector>

#include "platform/WinTypes.h"

// A Bitmap16 (type, width, height, bytes a row, planes, bits per pixel, then
// the rows from the top) as a packed bottom-up DIB: monochrome ones with
// black for 0 and white for 1, and 24-bit ones. Empty for any other kind or
// when its rows are not all there.
std::vector<BYTE> Bitmap16ToDib(std::span<const BYTE> bitmap);
