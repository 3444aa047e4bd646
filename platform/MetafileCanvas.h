// The drawing side of the metafile player, shared by the WMF and EMF record
// readers: the device state the records change (with its save/restore
// stack), the current path, rectangular clipping, and the drawing of
// figures, DIBs and text on the device context, in output pixels, within a
// cap on the total work.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "platform/GdiText.h"
#include "platform/MetafilePlayer.h"
#include "platform/MetafileShapes.h"
#include "platform/MetafileTransform.h"

struct MetaPen {
    bool null = false;
    COLORREF color = RGB(0, 0, 0);
    double width = 0;      // logical units; 0 draws one pixel wide
    bool cosmetic = false; // always one pixel wide
};

struct MetaBrush {
    UINT style = BS_SOLID; // BS_SOLID, BS_NULL or BS_HATCHED
    COLORREF color = RGB(255, 255, 255);
    LONG hatch = 0;
};

// One entry of a metafile's object table; a font in logical units.
// Palettes and regions are kept as `Other` so that they occupy their slot.
struct MetaObject {
    enum class Kind { Empty, Pen, Brush, Font, Other };
    Kind kind = Kind::Empty;
    MetaPen pen;
    MetaBrush brush;
    LOGFONTW font{};
};

// A pen of a record's style (PS_NULL draws nothing; dashed styles are drawn
// solid) and a brush of a record's style (hatches outside the known six,
// and pattern styles without their pattern, paint solid).
MetaPen MakePen(DWORD style, double width, COLORREF color, bool cosmetic);
MetaBrush MakeBrush(UINT style, COLORREF color, LONG hatch);

struct MetaState {
    MetaState(const MetafileTransform& t, const RECT& c) : transform(t), clip(c) {}

    MetafileTransform transform;
    MetaPen pen;
    MetaBrush brush;
    int fillMode = ALTERNATE;
    int bkMode = OPAQUE;
    COLORREF bkColor = RGB(255, 255, 255);
    bool clockwise = false; // arc direction
    PointD position{0, 0};  // the current position, logical units
    RECT clip;              // output pixels
    LOGFONTW font{};        // the device's default font until one is selected
    COLORREF textColor = RGB(0, 0, 0);
    UINT textAlign = TA_NOUPDATECP | TA_LEFT | TA_TOP;
    double charExtra = 0; // logical units added to each advance
};

// One string of a text record, in logical units: the reference point, the
// characters (UTF-16), their advances (none: the font's own; with ETO_PDY
// also the vertical ones), the ExtTextOut options and their rectangle.
struct MetaText {
    PointD reference{0, 0};
    std::vector<WCHAR> text;
    std::vector<double> dx, dy;
    UINT options = 0;
    std::optional<BoxD> rect;
};

// The font a canvas draws its text with on the device, made again only
// when the logical font or the mapping changes it.
class DeviceFont {
public:
    explicit DeviceFont(HDC hdc) : hdc(hdc) {}
    ~DeviceFont();
    DeviceFont(const DeviceFont&) = delete;
    DeviceFont& operator=(const DeviceFont&) = delete;
    // Selects the font, its glyphs widened by `stretch` (the playback's
    // horizontal over vertical scale) when its own width is 0.
    void Select(const LOGFONTW& font, double stretch);

private:
    void Make(const LOGFONTW& font);

    HDC hdc;
    HFONT font = nullptr;
    HGDIOBJ previous = nullptr;
    LOGFONTW current{};
    double currentStretch = 1;
};

// A DIB blit: destination rectangle in logical units, source rectangle in
// DIB pixels (from the bottom-left corner, or from the top-left when
// `srcFromTop`), the raster operation.
struct DibBlit {
    double x, y, width, height;
    LONG xSrc, ySrc, srcWidth, srcHeight;
    bool srcFromTop;
    DWORD rop;
};

class MetafileCanvas {
public:
    MetafileCanvas(HDC hdc, const RECT& dest, const MetafileTransform& transform,
                   const DibReader& readDib, PlaybackReport* report = nullptr);
    ~MetafileCanvas();
    MetafileCanvas(const MetafileCanvas&) = delete;
    MetafileCanvas& operator=(const MetafileCanvas&) = delete;

    MetaState& State() { return state; }
    MetafileTransform& Transform() { return state.transform; }
    // Counts one record of a type; false once the cap on records is reached.
    bool NextRecord(DWORD type);
    // Notes that the current record was skipped.
    void Skip(DWORD type);
    // Makes a pen or brush from the object table the current one.
    void Select(const MetaObject& obj);
    // A brush object painting the average colour of a packed DIB; an `Other`
    // object when the DIB cannot be read.
    MetaObject PatternBrush(std::span<const BYTE> packed);

    // The state stack. Restore(n): n < 0 goes back -n saves, n > 0 to the
    // n-th save; a number outside the stack does nothing.
    void Save();
    void Restore(long n);

    // Rectangular clipping: logical rectangles, or output pixels.
    void IntersectClip(const BoxD& logical);
    void IntersectClipOutput(const RECT& output);
    void ResetClip();

    // Drawing in logical units. Within a path bracket the figures join the
    // path instead of being drawn.
    void MoveTo(PointD p);
    // Lines (and with `bezier`, Bezier curves) from the current position
    // through the points; the current position moves to the last one.
    void LineTo(std::span<const PointD> points, bool bezier = false);
    // A figure drawn on its own: filled when closed, then outlined.
    void Draw(const Figure& figure);
    // Polygons filled together as one shape, then each outlined.
    void DrawPolygons(const std::vector<Figure>& figures);
    // The number of curve segments for a radius of `logical` units.
    int Segments(double logical) const;
    // Whether arcs run with increasing angle in logical units.
    bool ArcIncreasing() const;

    // Paths.
    void BeginPath();
    void EndPath() { recording = false; }
    void AbortPath();
    void CloseFigure();
    // Fills and/or strokes the path, then discards it.
    void DrawPath(bool fill, bool stroke);

    // Text in the current font, colours, alignment and background.
    void Text(const MetaText& text);

    // Blits: a packed DIB, or the brush (PATCOPY), black or white.
    void StretchDib(const DibBlit& blit, std::span<const BYTE> packed);
    void PatBlt(double x, double y, double width, double height, DWORD rop);

private:
    std::optional<COLORREF> AverageColor(std::span<const BYTE> packed);
    std::vector<PointD> ToOutput(std::span<const PointD> logical) const;
    // Draws figures in output pixels: `fill` fills them together (open ones
    // closed), `stroke` outlines each with the pen.
    void Render(const std::vector<Figure>& figures, bool fill, bool stroke);
    void AddToPath(const Figure& figure);
    bool Spend(double cost);
    int PenWidth() const;
    bool DecodeDib(std::span<const BYTE> packed, std::vector<BYTE>& dib);
    void ApplyClip();

    HDC hdc;
    DeviceFont deviceFont{hdc};
    RECT dest;
    const DibReader& readDib;
    PlaybackReport* report;
    MetaState state;
    std::vector<MetaState> saved;
    std::vector<Figure> path;
    bool recording = false;
    bool figureOpen = false; // the last path figure takes further lines
    long long records = 0;
    double work = 0;
    double workLimit;
};
