// The drawing side of the metafile player, shared by the WMF and EMF record
// readers: the device state the records change (with its save/restore
// stack), the current path, the clip region, and the drawing of figures,
// regions, DIBs and text on the device context, in output pixels, within a
// cap on the total work.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/GdiText.h"
#include "platform/MetafilePalette.h"
#include "platform/MetafilePen.h"
#include "platform/MetafilePlayer.h"
#include "platform/MetafileShapes.h"
#include "platform/MetafileTransform.h"
#include "platform/Region.h"

struct MetaBrush {
    UINT style = BS_SOLID; // BS_SOLID, BS_NULL or BS_HATCHED
    COLORREF color = RGB(255, 255, 255);
    LONG hatch = 0;
    // A monochrome pattern (0 or more): the share of its pixels painted in
    // the background colour, the rest in the text colour, both as they are
    // when it paints.
    double monoShare = -1;
};

// One entry of a metafile's object table. A region (WMF) keeps its
// rectangles in logical units, a font is in logical units; a palette is
// shared with the states that select it, so that changes to its entries
// reach them. Objects the player cannot draw with are `Other`, so that
// they occupy their slot.
struct MetaObject {
    enum class Kind { Empty, Pen, Brush, Region, Font, Palette, Other };
    Kind kind = Kind::Empty;
    MetaPen pen;
    MetaBrush brush;
    std::vector<RECT> rects;
    LOGFONTW font{};
    std::shared_ptr<PaletteEntries> palette{};
};

// A brush of a record's style (hatches outside the known six, and pattern
// styles without their pattern, paint solid).
MetaBrush MakeBrush(UINT style, COLORREF color, LONG hatch);

struct MetaState {
    MetaState(const MetafileTransform& t, const RECT& output)
        : transform(t), clip(std::make_shared<const Region>(output)), meta(clip) {}

    MetafileTransform transform;
    MetaPen pen;
    MetaBrush brush;
    int fillMode = ALTERNATE;
    int bkMode = OPAQUE;
    COLORREF bkColor = RGB(255, 255, 255);
    bool clockwise = false; // arc direction
    double miterLimit = 10;
    int rop2 = R2_COPYPEN; // how lines and fills mix with the output
    int stretchMode = BLACKONWHITE;
    PointD position{0, 0}; // the current position, logical units
    // The clip region as drawing sees it, and the meta region that bounds
    // it (the output rectangle until SetMetaRgn), in output pixels; shared
    // between saved states.
    std::shared_ptr<const Region> clip, meta;
    LOGFONTW font{}; // the device's default font until one is selected
    COLORREF textColor = RGB(0, 0, 0);
    UINT textAlign = TA_NOUPDATECP | TA_LEFT | TA_TOP;
    double charExtra = 0; // logical units added to each advance
    // The selected logical palette; none: the default palette.
    std::shared_ptr<PaletteEntries> palette{};

    std::span<const RGBQUAD> Palette() const {
        return palette ? std::span<const RGBQUAD>(*palette) : DefaultPalette();
    }
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

// Source pixels of a mixing blit, 0xAARRGGBB, rows from the top.
struct MetaImage {
    LONG width = 0, height = 0;
    std::vector<DWORD> pixels;
};

// Where a mixing blit goes: the output points of the source rectangle's
// top-left, top-right and bottom-left corners, the source rectangle (from
// the top-left), and the mask's corner.
struct ImageBlit {
    PointD corner[3];
    LONG xSrc, ySrc, srcWidth, srcHeight;
    LONG xMask = 0, yMask = 0;
};

// How a mixing blit's source meets the output: blended (a constant alpha
// 0 to 255, times the source's premultiplied alpha when `sourceAlpha`),
// leaving out one colour, or under a raster operation (its index byte; the
// mask chooses `foreground` where it is set, `background` elsewhere).
struct ImageMix {
    enum class Kind { Alpha, Transparent, Rop };
    Kind kind = Kind::Rop;
    DWORD constantAlpha = 255;
    bool sourceAlpha = false;
    DWORD transparent = 0; // 0xRRGGBB
    BYTE foreground = 0xCC, background = 0xCC;
};

// A vertex of a gradient fill: a logical point and its colour, 16 bits a
// channel.
struct GradientVertex {
    PointD point;
    WORD red, green, blue;
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
    // The same for a black and white DIB that paints in the text and
    // background colours.
    MetaObject MonoBrush(std::span<const BYTE> packed);

    // The state stack. Restore(n): n < 0 goes back -n saves, n > 0 to the
    // n-th save; a number outside the stack does nothing.
    void Save();
    void Restore(long n);
    // The binary raster operation of lines and fills, R2_BLACK .. R2_WHITE,
    // and the stretch mode of DIB blits, BLACKONWHITE .. HALFTONE.
    void SetRop2(int mode);
    void SetStretchMode(int mode);

    // Clipping (MetafileClip.cpp). The clip region starts as the output
    // rectangle and always lies within the meta region; RGN_COPY with no
    // region goes back to the meta region, and SetMetaRegion makes the clip
    // region the meta region.
    void ClipRect(const BoxD& logical, bool exclude);
    void ClipRegion(const Region& output, int mode); // RGN_AND .. RGN_COPY
    void ResetClip();
    void SetMetaRegion();
    void OffsetClip(PointD logical);
    // The current path, filled under the fill mode, combined into the clip;
    // the path is used up.
    void ClipPath(int mode);
    // Rectangles mapped onto output pixels by `map` (device pixels or
    // logical units to output), cut to the output rectangle.
    Region OutputRegion(std::span<const RECT> rects, const Xform& map);
    // Region painting in output pixels: with a brush, a frame `width` x
    // `height` units thick inside its edges (units that `map` takes to
    // output pixels), inverted.
    void FillRegion(const Region& output, const MetaBrush& brush);
    void FrameRegion(const Region& output, const MetaBrush& brush, double width, double height,
                     const Xform& map);
    void InvertRegion(const Region& output);

    // Drawing in logical units. Within a path bracket the figures join the
    // path instead of being drawn.
    void MoveTo(PointD p);
    // Lines (and with `bezier`, Bezier curves) from the current position
    // through the points; the current position moves to the last one.
    void LineTo(std::span<const PointD> points, bool bezier = false);
    // A polygon or polyline on its own: filled when closed, then outlined.
    void Draw(const Figure& logical);
    // Polygons filled together as one shape, then each outlined.
    void DrawPolygons(const std::vector<Figure>& logical);
    // Shapes in their bounding boxes (with an inside-frame pen, the outline
    // stays within the box).
    void Rectangle(const BoxD& box);
    void Ellipse(const BoxD& box);
    void RoundRect(const BoxD& box, double cornerWidth, double cornerHeight);
    void Arc(ArcKind kind, const BoxD& box, PointD start, PointD end);
    // A line from the current position to the arc's start, the arc, and the
    // current position at its end.
    void ArcTo(const BoxD& box, PointD start, PointD end);
    // The same for the arc of a circle from `startDegrees` over
    // `sweepDegrees`, counterclockwise as seen for positive angles.
    void AngleArc(PointD centre, double radius, double startDegrees, double sweepDegrees);

    // Paths.
    void BeginPath();
    void EndPath() { recording = false; }
    void AbortPath();
    void CloseFigure();
    // Fills and/or strokes the path, then discards it.
    void DrawPath(bool fill, bool stroke);

    // Text in the current font, colours, alignment and background.
    void Text(const MetaText& text);

    // Blits (MetafileBlit.cpp): a packed DIB, or the brush (PATCOPY), black
    // or white.
    void StretchDib(const DibBlit& blit, std::span<const BYTE> packed);
    void PatBlt(double x, double y, double width, double height, DWORD rop);
    // A packed DIB read for a mixing blit (MetafileImage.cpp): 32-bit ones
    // with their alpha, the rest opaque; nothing past the limits.
    std::optional<MetaImage> ReadImage(std::span<const BYTE> packed);
    void MixImage(const ImageBlit& blit, const MetaImage& src, const MetaImage* mask,
                  const ImageMix& mix);
    // Gradients (MetafileGradient.cpp): rectangles of two vertices, shaded
    // along x (or y when `vertical`), or triangles of three; `mesh` holds
    // the vertex indices, two or three a shape.
    void GradientRects(std::span<const GradientVertex> vertices, std::span<const DWORD> mesh,
                       bool vertical);
    void GradientTriangles(std::span<const GradientVertex> vertices, std::span<const DWORD> mesh);
    // One pixel in a colour; a flood fill with the brush from a point
    // (ExtFloodFill's types).
    void SetPixel(PointD logical, COLORREF color);
    void FloodFill(PointD logical, COLORREF color, UINT type);

private:
    std::optional<COLORREF> AverageColor(std::span<const BYTE> packed);
    // A DIB blit under a raster operation that StretchDIBits does not take.
    void MixDib(const DibBlit& blit, std::span<const BYTE> packed);
    std::vector<PointD> ToOutput(std::span<const PointD> logical) const;
    // The box drawn for a shape: shrunk by half the pen's width for an
    // inside-frame pen.
    BoxD FrameBox(const BoxD& box) const;
    // A shape's outline in output pixels: into the path, or drawn.
    void Shape(Figure output);
    // Output points from the current position on, drawn or added to the
    // open path figure; the current position moves to `end` (logical).
    void LineThrough(std::vector<PointD> line, PointD end);
    // Draws figures in output pixels: `fill` fills them together (open ones
    // closed), `stroke` outlines each with the pen.
    void Render(const std::vector<Figure>& figures, bool fill, bool stroke);
    void Fill(const std::vector<Figure>& figures);
    void Stroke(const std::vector<Figure>& figures);
    void StrokeThin(const std::vector<Figure>& figures, const PenShape& pen);
    void StrokeWide(const std::vector<Figure>& figures, const PenShape& pen);
    bool Spend(double cost);
    bool DecodeDib(std::span<const BYTE> packed, std::vector<BYTE>& dib);
    // Replaces the clip region and hands it to the device context.
    void ReplaceClip(Region clip);
    void ApplyClip();

    HDC hdc;
    DeviceFont deviceFont{hdc};
    RECT dest;
    const DibReader& readDib;
    PlaybackReport* report;
    MetaState state;
    std::vector<MetaState> saved;
    std::vector<Figure> path; // output pixels
    bool recording = false;
    bool figureOpen = false; // the last path figure takes further lines
    long long records = 0;
    double work = 0;
    double workLimit;
};
