// Inside the font layer: the faces logical fonts are drawn with, found
// through fontconfig and opened with FreeType once for the life of the
// process, and the mapping of Windows face names onto installed faces.
#pragma once

#include <string>

#include "platform/WinTypes.h"

struct FT_FaceRec_;

// An open face and the metrics the text layout needs, in font units.
struct FontFace {
    FT_FaceRec_* ft = nullptr;
    std::string file;
    double unitsPerEm = 2048;
    double ascent = 0, descent = 0; // the cell above and below the baseline (descent > 0)
    double averageWidth = 0;        // of the lower-case letters and the space, weighted
    double underlinePosition = 0, underlineThickness = 0; // position below the baseline
    double strikeoutPosition = 0, strikeoutSize = 0;      // position above the baseline
    bool bold = false, italic = false;
    bool symbol = false; // a symbol face: its glyphs are also found at U+F000 plus the byte
};

// What a logical font asks of a face. `name` is UTF-8.
struct FaceRequest {
    std::string name;
    LONG weight = 400;
    bool italic = false;
    BYTE charset = 0;
    BYTE pitchAndFamily = 0;
};

// The face drawn for a request; null when neither it nor any fallback can
// be opened.
const FontFace* MatchFace(const FaceRequest& request);
// The face characters missing from a face are taken from (CJK-capable);
// null when there is none.
const FontFace* FallbackFace();
// The face's glyph for a character, 0 when it has none.
unsigned GlyphIndex(const FontFace& face, char32_t code);
// The free family a Windows face name is drawn with, or empty for a name
// that is not mapped.
std::string MappedFamily(const std::string& windowsName);
