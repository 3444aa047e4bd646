// Inside the font layer: the logical font object behind an HFONT and the
// font it is realized as on the device: face, pixel sizes and metrics.
#pragma once

#include <optional>

#include "platform/FontFaces.h"
#include "platform/GdiObjects.h"
#include "platform/GdiText.h"

struct RealizedFont {
    const FontFace* face = nullptr; // null: no face could be opened, no glyphs are drawn
    int ppemX = 1, ppemY = 1;
    int ascent = 0, descent = 0; // pixels above and below the baseline
    int averageWidth = 0;
    int angle = 0;                     // escapement, tenths of a degree, 0 to 3599
    bool bold = false, italic = false; // simulated on a face that lacks them
    bool underline = false, strikeOut = false;
    int underlinePosition = 0, underlineThickness = 1; // top of the line, pixels below the baseline
    int strikeoutPosition = 0, strikeoutSize = 1;      // top of the line, pixels above the baseline
};

struct GdiFont : GdiObject {
    static constexpr GdiKind kKind = GdiKind::Font;
    explicit GdiFont(const LOGFONTW& lf) : GdiObject(kKind), log(lf) {}

    // Matched on first use, so that contexts that draw no text never
    // start the font machinery.
    const RealizedFont& Realized();

    LOGFONTW log;

private:
    std::optional<RealizedFont> realized;
};

// The font every context starts with: a 16-pixel cell of the system face.
GdiFont* StockFont();
