// Inside the font layer: glyphs rendered by FreeType as monochrome bitmaps,
// hinted for the pixel grid, and kept in a cache of bounded size.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/FontFaces.h"

struct GlyphKey {
    const FontFace* face;
    unsigned glyph;
    int ppemX, ppemY;  // pixels per em, 1 to kMaxPpem
    int angle;         // tenths of a degree counterclockwise, 0 to 3599
    bool bold, italic; // simulated on the face's outlines
    friend bool operator==(const GlyphKey&, const GlyphKey&) = default;
};

inline constexpr int kMaxPpem = 4096;

// One glyph: its bitmap (1 bit a pixel, the most significant bit leftmost,
// rows top-down) placed by the offset of its top-left pixel from the pen
// position (x right, y down), and its advance along the baseline in pixels.
struct GlyphImage {
    int left = 0, top = 0;
    int width = 0, rows = 0;
    std::size_t pitch = 0;
    std::vector<unsigned char> bits;
    double advance = 0;

    bool Ink(int x, int y) const { return (bits[y * pitch + x / 8] >> (7 - x % 8)) & 1; }
};

// The rendered glyph, or null when FreeType cannot load it. The pointer is
// good until the next call.
const GlyphImage* RenderGlyph(const GlyphKey& key);
