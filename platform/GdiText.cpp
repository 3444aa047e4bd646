// Text output on the device context: the characters laid out along the
// escapement, aligned on the reference point, their backgrounds and
// decorations filled and their glyph pixels painted through the clip.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <utility>

#include "platform/CodePage.h"
#include "platform/GdiFont.h"
#include "platform/GlyphCache.h"

namespace {

struct Vec {
    double x, y;
};
Vec operator+(Vec a, Vec b) {
    return {a.x + b.x, a.y + b.y};
}
Vec operator*(double k, Vec v) {
    return {k * v.x, k * v.y};
}

POINT Rounded(Vec v) {
    const double limit = 1e9;
    return POINT{static_cast<LONG>(std::lround(std::clamp(v.x, -limit, limit))),
                 static_cast<LONG>(std::lround(std::clamp(v.y, -limit, limit)))};
}

// One character to draw: the face and glyph, and its pen position from the
// start of the string (along the baseline, and below it).
struct Placed {
    const FontFace* face;
    unsigned glyph;
    double along, below;
};

struct Layout {
    std::vector<Placed> chars;
    double width = 0, drop = 0; // the pen's travel along and below the baseline
};

// The escapement's directions on the device: along the baseline, and
// perpendicular to it towards the descenders.
struct Axes {
    Vec along, below;
    explicit Axes(int angle) {
        const double a = angle * std::numbers::pi / 1800;
        along = {std::cos(a), -std::sin(a)};
        below = {std::sin(a), std::cos(a)};
    }
};

GlyphKey KeyOf(const RealizedFont& f, const FontFace* face, unsigned glyph) {
    return GlyphKey{face, glyph, f.ppemX, f.ppemY, f.angle, f.bold, f.italic};
}

// The face and glyph for a character: the font's own face, else the
// fallback face, else the font's missing-glyph box.
std::pair<const FontFace*, unsigned> Glyph(const RealizedFont& f, char32_t code) {
    if (const unsigned g = GlyphIndex(*f.face, code)) return {f.face, g};
    if (const FontFace* fallback = FallbackFace()) {
        if (const unsigned g = GlyphIndex(*fallback, code)) return {fallback, g};
    }
    return {f.face, 0};
}

// Lays the characters out. A character is a UTF-16 unit or surrogate pair
// (a glyph index with ETO_GLYPH_INDEX); its advance is the sum of its units'
// entries in `dx`, else the glyph's own advance plus the extra spacing.
Layout Arrange(const RealizedFont& f, const WCHAR* text, UINT count, const int* dx, UINT options,
               int charExtra) {
    Layout out;
    if (!f.face) return out;
    const bool pairs = options & ETO_PDY, glyphs = options & ETO_GLYPH_INDEX;
    out.chars.reserve(count);
    for (UINT i = 0; i < count;) {
        char32_t code = text[i];
        UINT units = 1;
        if (!glyphs && code >= 0xD800 && code < 0xDC00 && i + 1 < count && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            units = 2;
        }
        const auto [face, glyph] = glyphs ? std::pair(f.face, unsigned(code)) : Glyph(f, code);
        out.chars.push_back(Placed{face, glyph, out.width, out.drop});
        if (dx) {
            for (UINT u = i; u < i + units; ++u) {
                out.width += pairs ? dx[2 * u] : dx[u];
                out.drop += pairs ? dx[2 * u + 1] : 0;
            }
        } else {
            const GlyphImage* g = RenderGlyph(KeyOf(f, face, glyph));
            out.width += (g ? std::round(g->advance) : 0) + charExtra;
        }
        i += units;
    }
    return out;
}

// The start of the baseline for the alignment, from the reference point.
Vec Start(Vec reference, const Axes& axes, const RealizedFont& f, const Layout& l, UINT align) {
    double along = 0, below = 0;
    if ((align & TA_CENTER) == TA_CENTER)
        along = -l.width / 2;
    else if (align & TA_RIGHT)
        along = -l.width;
    if ((align & TA_BASELINE) == TA_BASELINE)
        below = 0;
    else if (align & TA_BOTTOM)
        below = -f.descent;
    else
        below = f.ascent;
    return reference + along * axes.along + below * axes.below;
}

// Fills the band of the baseline from `start` over `length`, from `from` to
// `to` pixels below it.
void PaintBand(Raster& raster, const Region& visible, Vec start, const Axes& axes, double length,
               double from, double to, DWORD rgb) {
    const Vec a = start + from * axes.below, b = start + to * axes.below;
    const Vec c = b + length * axes.along, d = a + length * axes.along;
    if (axes.along.y == 0 && axes.along.x > 0) {
        const POINT p = Rounded(a), q = Rounded(c);
        PaintRect(
            raster, visible,
            RECT{std::min(p.x, q.x), std::min(p.y, q.y), std::max(p.x, q.x), std::max(p.y, q.y)},
            GdiBrush(BS_SOLID, rgb, 0), false, 0);
        return;
    }
    std::vector<PIXELSPAN> row;
    ScanPolygons({{PointD{a.x, a.y}, PointD{b.x, b.y}, PointD{c.x, c.y}, PointD{d.x, d.y}}},
                 WINDING, visible.Bounds(), [&](LONG y, std::span<const RegionSpan> spans) {
                     row.clear();
                     for (const RegionSpan& s : spans)
                         row.push_back(PIXELSPAN{s.left, y, s.right - s.left});
                     PaintDeviceSpans(raster, visible, row, rgb);
                 });
}

// Paints a glyph's pixels with its pen position at `pen`, as row runs.
void PaintGlyph(Raster& raster, const Region& visible, const GlyphKey& key, POINT pen, DWORD rgb,
                std::vector<PIXELSPAN>& runs) {
    // A glyph that cannot reach the visible area is not rendered.
    const RECT box = visible.Bounds();
    const long long reach = 2LL * std::max(key.ppemX, key.ppemY) + 2;
    if (pen.x + reach < box.left || pen.x - reach >= box.right || pen.y + reach < box.top ||
        pen.y - reach >= box.bottom)
        return;
    const GlyphImage* g = RenderGlyph(key);
    if (!g) return;
    runs.clear();
    for (int y = 0; y < g->rows; ++y) {
        const LONG row = pen.y + g->top + y;
        if (row < box.top || row >= box.bottom) continue;
        for (int x = 0; x < g->width;) {
            if (!g->Ink(x, y)) {
                ++x;
                continue;
            }
            const int first = x;
            while (x < g->width && g->Ink(x, y))
                ++x;
            runs.push_back(PIXELSPAN{pen.x + g->left + first, row, x - first});
        }
    }
    PaintDeviceSpans(raster, visible, runs, rgb);
}

RECT DeviceRect(const GdiDevice& dc, const RECT& r) {
    const POINT a = ToDevice(dc, r.left, r.top), b = ToDevice(dc, r.right, r.bottom);
    return RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

// Draws a laid-out string whose baseline starts at `start`.
void Paint(GdiDevice& dc, const RealizedFont& f, const Layout& l, Vec start, UINT options,
           const RECT* rect) {
    Raster& raster = dc.bitmap->raster;
    const Axes axes(f.angle);
    if ((options & ETO_OPAQUE) && rect)
        PaintRect(raster, VisibleRegion(dc), DeviceRect(dc, *rect), GdiBrush(BS_SOLID, dc.bkRgb, 0),
                  false, 0);
    std::optional<Region> clipped;
    if ((options & ETO_CLIPPED) && rect)
        clipped =
            Region::Combine(VisibleRegion(dc), Region(DeviceRect(dc, *rect)), Region::Op::And);
    const Region& visible = clipped ? *clipped : VisibleRegion(dc);
    if (visible.Empty()) return;
    if (dc.bkMode == OPAQUE && !l.chars.empty())
        PaintBand(raster, visible, start, axes, l.width, -f.ascent, f.descent, dc.bkRgb);
    std::vector<PIXELSPAN> runs;
    for (const Placed& c : l.chars) {
        const POINT pen = Rounded(start + c.along * axes.along + c.below * axes.below);
        PaintGlyph(raster, visible, KeyOf(f, c.face, c.glyph), pen, dc.textRgb, runs);
    }
    if (f.underline)
        PaintBand(raster, visible, start, axes, l.width, f.underlinePosition,
                  f.underlinePosition + f.underlineThickness, dc.textRgb);
    if (f.strikeOut)
        PaintBand(raster, visible, start, axes, l.width, -f.strikeoutPosition,
                  -f.strikeoutPosition + f.strikeoutSize, dc.textRgb);
}

} // namespace

COLORREF SetTextColor(HDC hdc, COLORREF color) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc) return 0xFFFFFFFF; // CLR_INVALID
    const DWORD previous = std::exchange(dc->textRgb, ColorRefToRgb(color));
    return RGB(static_cast<BYTE>(previous >> 16), static_cast<BYTE>(previous >> 8),
               static_cast<BYTE>(previous));
}

UINT SetTextAlign(HDC hdc, UINT align) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    return dc ? std::exchange(dc->textAlign, align) : GDI_ERROR;
}

int SetTextCharacterExtra(HDC hdc, int extra) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    return dc ? std::exchange(dc->charExtra, extra) : 0x80000000;
}

BOOL GetCurrentPositionEx(HDC hdc, POINT* position) {
    const GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc || !position) return FALSE;
    *position = dc->position;
    return TRUE;
}

BOOL GetTextMetricsW(HDC hdc, TEXTMETRICW* tm) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc || !tm) return FALSE;
    const RealizedFont& f = dc->font->Realized();
    *tm = TEXTMETRICW{};
    tm->tmAscent = f.ascent;
    tm->tmDescent = f.descent;
    tm->tmHeight = f.ascent + f.descent;
    tm->tmInternalLeading = std::max(0, tm->tmHeight - f.ppemY);
    tm->tmAveCharWidth = f.averageWidth;
    tm->tmWeight = dc->font->log.lfWeight ? dc->font->log.lfWeight : FW_NORMAL;
    tm->tmItalic = dc->font->log.lfItalic;
    tm->tmUnderlined = f.underline;
    tm->tmStruckOut = f.strikeOut;
    tm->tmCharSet = dc->font->log.lfCharSet;
    tm->tmDigitizedAspectX = tm->tmDigitizedAspectY = 96;
    return TRUE;
}

BOOL GetTextExtentPoint32W(HDC hdc, const WCHAR* text, int count, SIZE* size) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc || !size || count < 0 || (count > 0 && !text)) return FALSE;
    const RealizedFont& f = dc->font->Realized();
    const Layout l = Arrange(f, text, static_cast<UINT>(count), nullptr, 0, dc->charExtra);
    *size = SIZE{static_cast<LONG>(std::clamp(l.width, -1e9, 1e9)), f.ascent + f.descent};
    return TRUE;
}

BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* rect, const WCHAR* text,
                 UINT count, const int* dx) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc || (count > 0 && !text)) return FALSE;
    // Without characters only the rectangle is filled: no font is needed.
    static const RealizedFont none;
    const RealizedFont& f = count > 0 ? dc->font->Realized() : none;
    const Layout l = Arrange(f, text, count, dx, options, dc->charExtra);
    const bool updateCp = dc->textAlign & TA_UPDATECP;
    const POINT reference =
        ToDevice(*dc, updateCp ? dc->position.x : x, updateCp ? dc->position.y : y);
    const Axes axes(f.angle);
    const Vec start =
        Start(Vec{double(reference.x), double(reference.y)}, axes, f, l, dc->textAlign);
    Paint(*dc, f, l, start, options, rect);
    if (updateCp) {
        // The position moves past the text: right-aligned text ends at it.
        const double sign = (dc->textAlign & TA_CENTER) == TA_CENTER ? 0
                            : dc->textAlign & TA_RIGHT               ? -1
                                                                     : 1;
        const POINT moved = Rounded(Vec{double(dc->position.x), double(dc->position.y)} +
                                    sign * l.width * axes.along + sign * l.drop * axes.below);
        dc->position = moved;
    }
    return TRUE;
}

BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* rect, const char* text,
                 UINT count, const int* dx) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc || (count > 0 && !text)) return FALSE;
    const auto* bytes = reinterpret_cast<const BYTE*>(text);
    const bool pairs = options & ETO_PDY;
    std::vector<WCHAR> wide;
    std::vector<int> advances;
    if (options & ETO_GLYPH_INDEX) {
        wide.assign(bytes, bytes + count);
        if (dx) advances.assign(dx, dx + (pairs ? 2 * count : count));
        return ExtTextOutW(hdc, x, y, options, rect, wide.data(), count,
                           dx ? advances.data() : nullptr);
    }
    const UINT codePage = CodePageOfCharset(dc->font->log.lfCharSet);
    std::size_t byte = 0;
    for (const DecodedChar& c : DecodeCodePage(std::span(bytes, count), codePage)) {
        const std::size_t units = c.code >= 0x10000 ? 2 : 1;
        if (units == 2) {
            wide.push_back(static_cast<WCHAR>(0xD800 + ((c.code - 0x10000) >> 10)));
            wide.push_back(static_cast<WCHAR>(0xDC00 + ((c.code - 0x10000) & 0x3FF)));
        } else {
            wide.push_back(static_cast<WCHAR>(c.code));
        }
        // A character's advance is the sum of its bytes' entries, on its first unit.
        long long ax = 0, ay = 0;
        for (std::size_t b = byte; dx && b < byte + c.bytes; ++b) {
            ax += pairs ? dx[2 * b] : dx[b];
            ay += pairs ? dx[2 * b + 1] : 0;
        }
        for (std::size_t u = 0; dx && u < units; ++u) {
            advances.push_back(u == 0 ? SaturateToInt(ax) : 0);
            if (pairs) advances.push_back(u == 0 ? SaturateToInt(ay) : 0);
        }
        byte += c.bytes;
    }
    return ExtTextOutW(hdc, x, y, options, rect, wide.data(), static_cast<UINT>(wide.size()),
                       dx ? advances.data() : nullptr);
}
