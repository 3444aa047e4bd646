// How far two renderings of one picture agree about where the ink is. Ink is
// a pixel clearly darker than white (the mean of red, green and blue below
// 235), so the faint anti-aliased fringes a reference renderer adds do not
// count, while every colour a metafile draws does (a tinted background is
// ink everywhere).
//
// The figure is (|A n grow(B)| + |B n grow(A)|) / (|A| + |B|) for the ink A
// of one picture and B of the other, where grow() widens a mask by one pixel
// in every direction (a 3 x 3 square): each picture's ink pixels count when
// the other has ink within one pixel, pooled over both. Without the
// tolerance this is the Dice coefficient 2|A n B| / (|A| + |B|); the one
// pixel absorbs the half-pixel placement differences between renderers.
// Missing ink (text not drawn) and extra ink (a line drawn too wide) both
// lower it, each in proportion to its area. Colour is ignored. Two blank
// pictures agree fully (1); a blank one and an inked one not at all (0).
//
// This is the figure behind the baseline the metafile work started from
// (0.667 for corpus files without text, 0.537 with text): those numbers are
// what it gives when every WMF file scores 0, as happened when ImageMagick
// could not read WMF; with working references the same code scores 0.917
// and 0.576.
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
