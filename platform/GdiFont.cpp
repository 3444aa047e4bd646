// Logical fonts: creation, and realization on the device through the face
// matcher.
#include "platform/GdiFont.h"
#include "platform/GlyphCache.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr double kDefaultCellHeight = 16;

// The face name of a logical font as UTF-8, up to its terminating zero.
std::string FaceNameUtf8(const LOGFONTW& lf) {
    std::string out;
    for (int i = 0; i < LF_FACESIZE && lf.lfFaceName[i]; ++i) {
        char32_t c = lf.lfFaceName[i];
        if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD; // names need no surrogate pairs
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

int Pixels(double v, int least) {
    if (!(v < kMaxPpem)) return v != v ? least : kMaxPpem; // NaN too
    return std::max(least, static_cast<int>(std::lround(v)));
}

RealizedFont Realize(const LOGFONTW& lf) {
    RealizedFont r;
    r.face = MatchFace(FaceRequest{FaceNameUtf8(lf), lf.lfWeight, lf.lfItalic != 0, lf.lfCharSet,
                                   lf.lfPitchAndFamily});
    const FontFace metrics = r.face ? *r.face : FontFace{nullptr, {}, 2048, 1843, 410, 1024};
    const double em = metrics.unitsPerEm, cell = metrics.ascent + metrics.descent;
    const double height = std::fabs(static_cast<double>(lf.lfHeight));
    const double ppemY = lf.lfHeight < 0   ? height
                         : lf.lfHeight > 0 ? height * em / cell
                                           : kDefaultCellHeight * em / cell;
    r.ppemY = Pixels(ppemY, 1);
    r.ppemX =
        lf.lfWidth == 0
            ? r.ppemY
            : Pixels(std::fabs(static_cast<double>(lf.lfWidth)) * em / metrics.averageWidth, 1);
    const double sy = r.ppemY / em, sx = r.ppemX / em;
    r.ascent = Pixels(metrics.ascent * sy, 0);
    r.descent = Pixels(metrics.descent * sy, 0);
    r.averageWidth = Pixels(metrics.averageWidth * sx, 0);
    r.angle = static_cast<int>((lf.lfEscapement % 3600 + 3600) % 3600);
    r.bold = lf.lfWeight >= 600 && !metrics.bold;
    r.italic = lf.lfItalic && !metrics.italic;
    r.underline = lf.lfUnderline != 0;
    r.strikeOut = lf.lfStrikeOut != 0;
    r.underlineThickness = Pixels(metrics.underlineThickness * sy, 1);
    r.underlinePosition = Pixels(metrics.underlinePosition * sy - r.underlineThickness / 2.0, 0);
    r.strikeoutSize = Pixels(metrics.strikeoutSize * sy, 1);
    r.strikeoutPosition = Pixels(metrics.strikeoutPosition * sy, 1);
    return r;
}

} // namespace

const RealizedFont& GdiFont::Realized() {
    if (!realized) realized = Realize(log);
    return *realized;
}

GdiFont* StockFont() {
    static GdiFont font([] {
        LOGFONTW lf{};
        lf.lfWeight = FW_NORMAL;
        const char16_t name[] = u"System";
        std::copy(std::begin(name), std::end(name), lf.lfFaceName);
        return lf;
    }());
    font.stock = true;
    return &font;
}

HFONT CreateFontIndirectW(const LOGFONTW* font) {
    if (!font) return nullptr;
    return Register(std::make_unique<GdiFont>(*font));
}

bool GetFontFaceFile(HFONT font, std::string* path) {
    GdiFont* f = Find<GdiFont>(font);
    if (!f || !path || !f->Realized().face) return false;
    *path = f->Realized().face->file;
    return true;
}
