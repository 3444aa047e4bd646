// How far two renderings of one picture agree about where the ink is. Ink is
// a pixel clearly darker than white (red + green + blue below 3 x 235), so
// the faint anti-aliased fringes a reference renderer adds do not count,
// while every colour a metafile draws does.
//
// The figure is the smaller of two shares: of our ink pixels, those with
// reference ink within one pixel (their 3 x 3 neighbourhood), and of the
// reference's ink pixels, those with our ink within one pixel. The one-pixel
// tolerance absorbs the half-pixel placement differences between renderers;
// taking the smaller share makes both missing ink (text not drawn) and extra
// ink (a line drawn too wide) lower the figure. Two blank pictures agree
// fully (1); a blank one and an inked one not at all (0).
#pragma once

#include <cstdint>
#include <vector>

#include "tests/support/TestSupport.h"

namespace inkagreement {

struct InkMask {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> ink; // 1 where the pixel is ink, rows top-down
    long count = 0;                // ink pixels
};

InkMask InkOf(const testsupport::Decoded& picture);

// The agreement of two masks of the same size, from 0 to 1; -1 when the
// sizes differ.
double Agreement(const InkMask& ours, const InkMask& theirs);

} // namespace inkagreement
