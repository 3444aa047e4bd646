// Enhanced metafile records played onto the canvas. A record is its type and
// size (both 32 bits) followed by its fields; sizes are multiples of 4.
#include <algorithm>
#include <cmath>

#include "platform/EmfBlitRecords.h"
#include "platform/EmfRegionRecords.h"
#include "platform/MetafileCanvas.h"
#include "platform/MetafilePlayer.h"
#include "platform/MetafileRecord.h"
#include "platform/MetafileText.h"

namespace {

constexpr DWORD kEmfSignature = 0x464D4520; // " EMF"
constexpr std::size_t kMinHeaderBytes = 88;

enum : DWORD {
    EMR_HEADER = 1,
    EMR_POLYBEZIER = 2,
    EMR_POLYGON = 3,
    EMR_POLYLINE = 4,
    EMR_POLYBEZIERTO = 5,
    EMR_POLYLINETO = 6,
    EMR_POLYPOLYLINE = 7,
    EMR_POLYPOLYGON = 8,
    EMR_SETWINDOWEXTEX = 9,
    EMR_SETWINDOWORGEX = 10,
    EMR_SETVIEWPORTEXTEX = 11,
    EMR_SETVIEWPORTORGEX = 12,
    EMR_EOF = 14,
    EMR_SETMAPMODE = 17,
    EMR_SETBKMODE = 18,
    EMR_SETPOLYFILLMODE = 19,
    EMR_SETROP2 = 20,
    EMR_SETSTRETCHBLTMODE = 21,
    EMR_SETBKCOLOR = 25,
    EMR_MOVETOEX = 27,
    EMR_SCALEVIEWPORTEXTEX = 31,
    EMR_SCALEWINDOWEXTEX = 32,
    EMR_SAVEDC = 33,
    EMR_RESTOREDC = 34,
    EMR_SETWORLDTRANSFORM = 35,
    EMR_MODIFYWORLDTRANSFORM = 36,
    EMR_SELECTOBJECT = 37,
    EMR_CREATEPEN = 38,
    EMR_CREATEBRUSHINDIRECT = 39,
    EMR_DELETEOBJECT = 40,
    EMR_ANGLEARC = 41,
    EMR_ELLIPSE = 42,
    EMR_RECTANGLE = 43,
    EMR_ROUNDRECT = 44,
    EMR_ARC = 45,
    EMR_CHORD = 46,
    EMR_PIE = 47,
    EMR_SELECTPALETTE = 48,
    EMR_CREATEPALETTE = 49,
    EMR_SETPALETTEENTRIES = 50,
    EMR_RESIZEPALETTE = 51,
    EMR_REALIZEPALETTE = 52,
    EMR_LINETO = 54,
    EMR_ARCTO = 55,
    EMR_POLYDRAW = 56,
    EMR_SETARCDIRECTION = 57,
    EMR_SETMITERLIMIT = 58,
    EMR_BEGINPATH = 59,
    EMR_ENDPATH = 60,
    EMR_CLOSEFIGURE = 61,
    EMR_FILLPATH = 62,
    EMR_STROKEANDFILLPATH = 63,
    EMR_STROKEPATH = 64,
    EMR_ABORTPATH = 68,
    EMR_BITBLT = 76,
    EMR_STRETCHBLT = 77,
    EMR_SETDIBITSTODEVICE = 80,
    EMR_STRETCHDIBITS = 81,
    EMR_EXTCREATEFONTINDIRECTW = 82,
    EMR_POLYBEZIER16 = 85,
    EMR_POLYGON16 = 86,
    EMR_POLYLINE16 = 87,
    EMR_POLYBEZIERTO16 = 88,
    EMR_POLYLINETO16 = 89,
    EMR_POLYPOLYLINE16 = 90,
    EMR_POLYPOLYGON16 = 91,
    EMR_POLYDRAW16 = 92,
    EMR_CREATEMONOBRUSH = 93,
    EMR_CREATEDIBPATTERNBRUSHPT = 94,
    EMR_EXTCREATEPEN = 95,
};

constexpr DWORD kStockObject = 0x80000000;
constexpr DWORD kDefaultPalette = kStockObject | 15;
constexpr int AD_CLOCKWISE = 2;
constexpr DWORD MWT_IDENTITY = 1, MWT_LEFTMULTIPLY = 2, MWT_RIGHTMULTIPLY = 3, MWT_SET = 4;
constexpr BYTE PT_CLOSEFIGURE = 1, PT_LINETO = 2, PT_BEZIERTO = 4, PT_MOVETO = 6;

// The stock objects a record may select: brushes 0 to 5, pens 6 to 8,
// fonts 10 to 17.
std::optional<MetaObject> StockObject(DWORD index) {
    static constexpr COLORREF kBrushes[] = {RGB(255, 255, 255), RGB(192, 192, 192),
                                            RGB(128, 128, 128), RGB(64, 64, 64), RGB(0, 0, 0)};
    MetaObject obj;
    if (index < 5) {
        obj.kind = MetaObject::Kind::Brush;
        obj.brush = MakeBrush(BS_SOLID, kBrushes[index], 0);
    } else if (index == 5) {
        obj.kind = MetaObject::Kind::Brush;
        obj.brush = MakeBrush(BS_NULL, 0, 0);
    } else if (index <= 8) {
        obj.kind = MetaObject::Kind::Pen;
        obj.pen = StockPen(index == 6 ? RGB(255, 255, 255) : RGB(0, 0, 0), index == 8);
    } else {
        return StockFontObject(index);
    }
    return obj;
}

class EmfPlayer {
public:
    EmfPlayer(MetafileCanvas& canvas, std::size_t handles) : canvas(canvas), objects(handles) {}

    void Play(std::span<const BYTE> bytes) {
        std::size_t pos = 0;
        while (bytes.size() - pos >= 8) {
            const DWORD type = GetLE32(bytes.data() + pos);
            const DWORD size = GetLE32(bytes.data() + pos + 4);
            if (type == EMR_EOF || size < 8 || size % 4 != 0 || size > bytes.size() - pos ||
                !canvas.NextRecord(type))
                return;
            Record(type, RecordView(bytes.subspan(pos, size)));
            pos += size;
        }
    }

private:
    PointD PointL(const RecordView& r, std::size_t off) const {
        return {double(r.I32(off)), double(r.I32(off + 4))};
    }
    BoxD BoxL(const RecordView& r, std::size_t off) const {
        return {double(r.I32(off)), double(r.I32(off + 4)), double(r.I32(off + 8)),
                double(r.I32(off + 12))};
    }
    Xform XformAt(const RecordView& r, std::size_t off) const {
        return Xform{r.F32(off),      r.F32(off + 4),  r.F32(off + 8),
                     r.F32(off + 12), r.F32(off + 16), r.F32(off + 20)};
    }
    // `count` points at `off`, 32-bit or 16-bit; empty when they do not fit.
    std::vector<PointD> Points(const RecordView& r, std::size_t off, std::size_t count,
                               bool small) const;

    void Record(DWORD type, const RecordView& r);
    void Mapping(DWORD type, const RecordView& r);
    void Objects(DWORD type, const RecordView& r);
    void Palettes(DWORD type, const RecordView& r);
    void Shapes(DWORD type, const RecordView& r);
    void Polys(DWORD type, const RecordView& r);
    void PolyPoly(const RecordView& r, bool small, bool closed);
    void PolyDraw(const RecordView& r, bool small);
    void Paths(DWORD type, const RecordView& r);
    void Blits(DWORD type, const RecordView& r);
    void Dib(const RecordView& r, const DibBlit& blit, std::size_t fields);
    MetaObject* Slot(DWORD index);
    std::optional<MetaBrush> BrushAt(DWORD index);

    MetafileCanvas& canvas;
    std::vector<MetaObject> objects;
};

std::vector<PointD> EmfPlayer::Points(const RecordView& r, std::size_t off, std::size_t count,
                                      bool small) const {
    const std::size_t each = small ? 4 : 8;
    std::vector<PointD> pts;
    if (count > r.Size() / each || !r.Has(off, each * count)) return pts;
    for (std::size_t i = 0; i < count; ++i, off += each) {
        pts.push_back(small ? PointD{double(r.I16(off)), double(r.I16(off + 2))} : PointL(r, off));
    }
    return pts;
}

void EmfPlayer::Record(DWORD type, const RecordView& r) {
    MetaState& s = canvas.State();
    switch (type) {
    case EMR_SETBKMODE:
        if (r.U32(8) == TRANSPARENT || r.U32(8) == OPAQUE) s.bkMode = static_cast<int>(r.U32(8));
        break;
    case EMR_SETPOLYFILLMODE:
        if (r.U32(8) == ALTERNATE || r.U32(8) == WINDING) s.fillMode = static_cast<int>(r.U32(8));
        break;
    case EMR_SETBKCOLOR:
        s.bkColor = r.U32(8) & 0xFFFFFF;
        break;
    case EMR_SETROP2:
        canvas.SetRop2(r.I32(8));
        break;
    case EMR_SETSTRETCHBLTMODE:
        canvas.SetStretchMode(r.I32(8));
        break;
    case EMR_SETARCDIRECTION:
        s.clockwise = r.U32(8) == AD_CLOCKWISE;
        break;
    case EMR_SAVEDC:
        canvas.Save();
        break;
    case EMR_RESTOREDC:
        canvas.Restore(r.I32(8));
        break;
    case EMR_SETMITERLIMIT:
        s.miterLimit = r.U32(8);
        break;
    default:
        Mapping(type, r);
        break;
    }
}

void EmfPlayer::Mapping(DWORD type, const RecordView& r) {
    MetafileTransform& t = canvas.Transform();
    const PointD p = PointL(r, 8);
    switch (type) {
    case EMR_SETMAPMODE:
        t.SetMapMode(r.I32(8));
        break;
    case EMR_SETWINDOWEXTEX:
        t.SetWindowExt(p);
        break;
    case EMR_SETWINDOWORGEX:
        t.SetWindowOrg(p);
        break;
    case EMR_SETVIEWPORTEXTEX:
        t.SetViewportExt(p);
        break;
    case EMR_SETVIEWPORTORGEX:
        t.SetViewportOrg(p);
        break;
    case EMR_SCALEWINDOWEXTEX:
    case EMR_SCALEVIEWPORTEXTEX: {
        const double xNum = r.I32(8), xDen = r.I32(12), yNum = r.I32(16), yDen = r.I32(20);
        if (xDen == 0 || yDen == 0) break;
        const bool window = type == EMR_SCALEWINDOWEXTEX;
        const PointD e = window ? t.WindowExt() : t.ViewportExt();
        const PointD scaled{e.x * xNum / xDen, e.y * yNum / yDen};
        window ? t.SetWindowExt(scaled) : t.SetViewportExt(scaled);
        break;
    }
    case EMR_SETWORLDTRANSFORM:
        t.SetWorld(XformAt(r, 8));
        break;
    case EMR_MODIFYWORLDTRANSFORM: {
        const Xform x = XformAt(r, 8);
        const DWORD mode = r.U32(32);
        if (mode == MWT_IDENTITY) t.SetWorld(Xform{});
        if (mode == MWT_LEFTMULTIPLY) t.SetWorld(Xform::Compose(x, t.World()));
        if (mode == MWT_RIGHTMULTIPLY) t.SetWorld(Xform::Compose(t.World(), x));
        if (mode == MWT_SET) t.SetWorld(x);
        break;
    }
    default:
        Objects(type, r);
        break;
    }
}

void EmfPlayer::Objects(DWORD type, const RecordView& r) {
    MetaObject obj;
    switch (type) {
    case EMR_SELECTOBJECT: {
        const DWORD index = r.U32(8);
        if (index & kStockObject) {
            if (const std::optional<MetaObject> stock = StockObject(index & ~kStockObject))
                canvas.Select(*stock);
        } else if (const MetaObject* o = Slot(index)) {
            canvas.Select(*o);
        }
        return;
    }
    case EMR_DELETEOBJECT:
        if (MetaObject* o = Slot(r.U32(8))) *o = MetaObject{};
        return;
    case EMR_CREATEPEN:
        obj.kind = MetaObject::Kind::Pen;
        obj.pen = MakePen(r.U32(12), r.I32(16), r.U32(24) & 0xFFFFFF, PenRecord::Create);
        break;
    case EMR_EXTCREATEPEN: {
        // A pen whose brush is null draws nothing either.
        const DWORD style = r.U32(36) == BS_NULL ? PS_NULL : r.U32(28);
        std::vector<DWORD> userStyle;
        for (std::size_t i = 0, n = std::min<DWORD>(r.U32(48), 16); i < n; ++i)
            userStyle.push_back(r.U32(52 + 4 * i));
        obj.kind = MetaObject::Kind::Pen;
        obj.pen = MakePen(style, r.U32(32), r.U32(40) & 0xFFFFFF, PenRecord::ExtCreate, userStyle);
        break;
    }
    case EMR_EXTCREATEFONTINDIRECTW:
        obj = EmfFontObject(r);
        break;
    case EMR_CREATEBRUSHINDIRECT:
        obj.kind = MetaObject::Kind::Brush;
        obj.brush = MakeBrush(r.U32(12), r.U32(16) & 0xFFFFFF, r.I32(20));
        break;
    case EMR_CREATEDIBPATTERNBRUSHPT:
        obj = canvas.PatternBrush(EmfPackedDib(r, 16, r.U32(12), canvas.State().Palette()));
        break;
    case EMR_CREATEMONOBRUSH: {
        // Without a colour table the pattern paints its 0 bits in the text
        // colour and its 1 bits in the background colour.
        static constexpr RGBQUAD kBlackWhite[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
        const DWORD usage = r.U32(12);
        obj = usage == DIB_PAL_INDICES
                  ? canvas.MonoBrush(EmfPackedDib(r, 16, usage, kBlackWhite))
                  : canvas.PatternBrush(EmfPackedDib(r, 16, usage, canvas.State().Palette()));
        break;
    }
    case EMR_CREATEPALETTE:
        obj.kind = MetaObject::Kind::Palette;
        obj.palette = std::make_shared<PaletteEntries>(ReadPaletteEntries(r, 16, r.U16(14)));
        break;
    default:
        Palettes(type, r);
        return;
    }
    if (MetaObject* o = Slot(r.U32(8))) *o = obj;
}

void EmfPlayer::Palettes(DWORD type, const RecordView& r) {
    const MetaObject* o = Slot(r.U32(8));
    const std::shared_ptr<PaletteEntries> palette =
        o && o->kind == MetaObject::Kind::Palette ? o->palette : nullptr;
    switch (type) {
    case EMR_SELECTPALETTE:
        if (palette || r.U32(8) == kDefaultPalette) canvas.State().palette = palette;
        break;
    case EMR_SETPALETTEENTRIES:
        if (palette) SetPaletteEntries(*palette, r.U32(12), ReadPaletteEntries(r, 20, r.U32(16)));
        break;
    case EMR_RESIZEPALETTE:
        if (palette) ResizePalette(*palette, r.U32(12));
        break;
    case EMR_REALIZEPALETTE: // the output has no hardware palette to realise into
        break;
    default:
        Shapes(type, r);
        break;
    }
}

void EmfPlayer::Shapes(DWORD type, const RecordView& r) {
    const BoxD box = BoxL(r, 8);
    switch (type) {
    case EMR_RECTANGLE:
        canvas.Rectangle(box);
        break;
    case EMR_ELLIPSE:
        canvas.Ellipse(box);
        break;
    case EMR_ROUNDRECT:
        canvas.RoundRect(box, r.I32(24), r.I32(28));
        break;
    case EMR_ARC:
    case EMR_CHORD:
    case EMR_PIE:
        canvas.Arc(type == EMR_CHORD ? ArcKind::Chord
                   : type == EMR_PIE ? ArcKind::Pie
                                     : ArcKind::Arc,
                   box, PointL(r, 24), PointL(r, 32));
        break;
    case EMR_ARCTO:
        canvas.ArcTo(box, PointL(r, 24), PointL(r, 32));
        break;
    case EMR_ANGLEARC:
        canvas.AngleArc(PointL(r, 8), r.U32(16), r.F32(20), r.F32(24));
        break;
    default:
        Polys(type, r);
        break;
    }
}

void EmfPlayer::Polys(DWORD type, const RecordView& r) {
    switch (type) {
    case EMR_MOVETOEX:
        canvas.MoveTo(PointL(r, 8));
        return;
    case EMR_LINETO: {
        const PointD p = PointL(r, 8);
        canvas.LineTo(std::span(&p, 1));
        return;
    }
    case EMR_POLYDRAW:
    case EMR_POLYDRAW16:
        PolyDraw(r, type == EMR_POLYDRAW16);
        return;
    case EMR_POLYPOLYLINE:
    case EMR_POLYPOLYLINE16:
    case EMR_POLYPOLYGON:
    case EMR_POLYPOLYGON16:
        PolyPoly(r, type >= EMR_POLYPOLYLINE16,
                 type == EMR_POLYPOLYGON || type == EMR_POLYPOLYGON16);
        return;
    default:
        break;
    }
    // The five simple kinds, with 32-bit points or (from EMR_POLYBEZIER16 on) 16-bit ones.
    const bool small = type >= EMR_POLYBEZIER16 && type <= EMR_POLYLINETO16;
    const DWORD kind = small ? type - (EMR_POLYBEZIER16 - EMR_POLYBEZIER) : type;
    if (kind < EMR_POLYBEZIER || kind > EMR_POLYLINETO) {
        Paths(type, r);
        return;
    }
    const std::vector<PointD> pts = Points(r, 28, r.U32(24), small);
    if (pts.empty()) return;
    switch (kind) {
    case EMR_POLYGON:
    case EMR_POLYLINE:
        canvas.Draw(Figure{pts, kind == EMR_POLYGON});
        break;
    case EMR_POLYBEZIER: {
        // Neither uses nor moves the current position.
        const PointD position = canvas.State().position;
        canvas.MoveTo(pts[0]);
        canvas.LineTo(std::span(pts).subspan(1), true);
        canvas.State().position = position;
        break;
    }
    default:
        canvas.LineTo(pts, kind == EMR_POLYBEZIERTO);
        break;
    }
}

void EmfPlayer::PolyPoly(const RecordView& r, bool small, bool closed) {
    const std::size_t polys = r.U32(24), total = r.U32(28);
    if (polys > r.Size() / 4 || !r.Has(32, 4 * polys)) return;
    const std::vector<PointD> pts = Points(r, 32 + 4 * polys, total, small);
    std::vector<Figure> figures;
    std::size_t next = 0;
    for (std::size_t i = 0; i < polys; ++i) {
        const std::size_t count = r.U32(32 + 4 * i);
        if (count > pts.size() - next) return;
        figures.push_back(Figure{{pts.begin() + next, pts.begin() + next + count}, closed});
        next += count;
    }
    if (closed) {
        canvas.DrawPolygons(figures);
        return;
    }
    for (const Figure& f : figures)
        canvas.Draw(f);
}

// Points with a type byte each: move, line, Bezier (three points), and a
// flag that closes the figure.
void EmfPlayer::PolyDraw(const RecordView& r, bool small) {
    const std::size_t count = r.U32(24);
    const std::vector<PointD> pts = Points(r, 28, count, small);
    const std::span<const BYTE> types = r.Bytes(28 + (small ? 4 : 8) * count, count);
    if (pts.empty() || types.size() != count) return;
    for (std::size_t i = 0; i < count; ++i) {
        const BYTE t = types[i] & ~PT_CLOSEFIGURE;
        if (t == PT_MOVETO) {
            canvas.MoveTo(pts[i]);
        } else if (t == PT_BEZIERTO && i + 3 <= count) {
            canvas.LineTo(std::span(pts).subspan(i, 3), true);
            i += 2;
        } else if (t == PT_LINETO) {
            canvas.LineTo(std::span(pts).subspan(i, 1));
        }
        if (types[i] & PT_CLOSEFIGURE) canvas.CloseFigure();
    }
}

void EmfPlayer::Paths(DWORD type, const RecordView& r) {
    switch (type) {
    case EMR_BEGINPATH:
        canvas.BeginPath();
        break;
    case EMR_ENDPATH:
        canvas.EndPath();
        break;
    case EMR_CLOSEFIGURE:
        canvas.CloseFigure();
        break;
    case EMR_FILLPATH:
    case EMR_STROKEANDFILLPATH:
    case EMR_STROKEPATH:
        canvas.DrawPath(type != EMR_STROKEPATH, type != EMR_FILLPATH);
        break;
    case EMR_ABORTPATH:
        canvas.AbortPath();
        break;
    default:
        Blits(type, r);
        break;
    }
}

// The DIB blits. BitBlt and StretchBlt without a source bitmap paint the
// brush; their source rectangle counts from the top of the bitmap, that of
// StretchDIBits and SetDIBitsToDevice from the bottom.
void EmfPlayer::Blits(DWORD type, const RecordView& r) {
    const double x = r.I32(24), y = r.I32(28);
    switch (type) {
    case EMR_BITBLT:
    case EMR_STRETCHBLT: {
        const double w = r.I32(32), h = r.I32(36);
        const DWORD rop = r.U32(40);
        if (r.U32(88) == 0) {
            canvas.PatBlt(x, y, w, h, rop);
            break;
        }
        const bool stretch = type == EMR_STRETCHBLT;
        Dib(r,
            DibBlit{x, y, w, h, r.I32(44), r.I32(48), stretch ? r.I32(100) : LONG(w),
                    stretch ? r.I32(104) : LONG(h), true, rop},
            84);
        break;
    }
    case EMR_STRETCHDIBITS:
        Dib(r,
            DibBlit{x, y, double(r.I32(72)), double(r.I32(76)), r.I32(32), r.I32(36), r.I32(40),
                    r.I32(44), false, r.U32(68)},
            48);
        break;
    case EMR_SETDIBITSTODEVICE:
        Dib(r,
            DibBlit{x, y, double(r.I32(40)), double(r.I32(44)), r.I32(32), r.I32(36), r.I32(40),
                    r.I32(44), false, SRCCOPY},
            48);
        break;
    case EMR_HEADER:
        break;
    default: // comments and the rest are skipped
        if (!PlayEmfRegionRecord(canvas, type, r, [this](DWORD i) { return BrushAt(i); }) &&
            !PlayEmfBlitRecord(canvas, type, r) && !PlayEmfText(canvas, type, r))
            canvas.Skip(type);
        break;
    }
}

// The DIB of a blit record: header and bits at the offsets in the four
// fields from `fields` (offBmi, cbBmi, offBits, cbBits), colour use after
// them for StretchDIBits and SetDIBitsToDevice, before them for the blits.
void EmfPlayer::Dib(const RecordView& r, const DibBlit& blit, std::size_t fields) {
    const DWORD usage = fields == 84 ? r.U32(80) : r.U32(64);
    const std::vector<BYTE> packed = EmfPackedDib(r, fields, usage, canvas.State().Palette());
    if (!packed.empty()) canvas.StretchDib(blit, packed);
}

MetaObject* EmfPlayer::Slot(DWORD index) {
    // Slot 0 stands for the metafile itself.
    return index > 0 && index < objects.size() ? &objects[index] : nullptr;
}

std::optional<MetaBrush> EmfPlayer::BrushAt(DWORD index) {
    const std::optional<MetaObject> stock =
        index & kStockObject ? StockObject(index & ~kStockObject) : std::nullopt;
    const MetaObject* obj = stock ? &*stock : Slot(index);
    if (!obj || obj->kind != MetaObject::Kind::Brush) return std::nullopt;
    return obj->brush;
}

} // namespace

bool GetEnhMetaFileHeader(std::span<const BYTE> emf, ENHMETAHEADER* header) {
    const RecordView r(emf.first(std::min<std::size_t>(emf.size(), 108)));
    if (emf.size() < kMinHeaderBytes || r.U32(0) != EMR_HEADER || r.U32(4) < kMinHeaderBytes ||
        r.U32(4) > emf.size() || r.U32(40) != kEmfSignature || !header)
        return false;
    header->rclBounds = RECT{r.I32(8), r.I32(12), r.I32(16), r.I32(20)};
    header->rclFrame = RECT{r.I32(24), r.I32(28), r.I32(32), r.I32(36)};
    header->nBytes = r.U32(48);
    header->nRecords = r.U32(52);
    header->nHandles = r.U16(56);
    header->nPalEntries = r.U32(68);
    header->szlDevice = SIZE{r.I32(72), r.I32(76)};
    header->szlMillimeters = SIZE{r.I32(80), r.I32(84)};
    return true;
}

namespace {

// Recording-device pixels to output pixels: the picture frame (0.01 mm)
// onto `dest`, or the bounds when the frame or the device size is unusable.
Xform FrameToDest(const ENHMETAHEADER& h, const RECT& dest, PointD pixelsPerMm) {
    double left = h.rclFrame.left * pixelsPerMm.x / 100, top = h.rclFrame.top * pixelsPerMm.y / 100;
    double width = (0.0 + h.rclFrame.right - h.rclFrame.left) * pixelsPerMm.x / 100;
    double height = (0.0 + h.rclFrame.bottom - h.rclFrame.top) * pixelsPerMm.y / 100;
    if (!(std::fabs(width) >= 1 && std::fabs(height) >= 1)) {
        left = h.rclBounds.left, top = h.rclBounds.top;
        width = 0.0 + h.rclBounds.right - h.rclBounds.left;
        height = 0.0 + h.rclBounds.bottom - h.rclBounds.top;
    }
    Xform x;
    x.m11 = width != 0 ? (0.0 + dest.right - dest.left) / width : 1;
    x.m22 = height != 0 ? (0.0 + dest.bottom - dest.top) / height : 1;
    x.dx = dest.left - left * x.m11;
    x.dy = dest.top - top * x.m22;
    return x;
}

// The metafile's own palette, from its end-of-file record: a program
// selects and realises it before playing the metafile. None when the
// metafile has none.
std::shared_ptr<PaletteEntries> OwnPalette(std::span<const BYTE> emf, const ENHMETAHEADER& h) {
    if (h.nBytes <= emf.size()) emf = emf.first(h.nBytes);
    if (h.nPalEntries == 0 || emf.size() < 20) return nullptr;
    const DWORD last = GetLE32(emf.data() + emf.size() - 4);
    if (last < 20 || last > emf.size()) return nullptr;
    const RecordView r(emf.last(last));
    PaletteEntries entries = ReadPaletteEntries(r, r.U32(12), r.U32(8));
    if (r.U32(0) != EMR_EOF || entries.empty()) return nullptr;
    return std::make_shared<PaletteEntries>(std::move(entries));
}

} // namespace

bool PlayEnhMetaFile(HDC hdc, std::span<const BYTE> emf, const RECT& dest, const DibReader& readDib,
                     PlaybackReport* report) {
    ENHMETAHEADER h;
    if (!GetEnhMetaFileHeader(emf, &h)) return false;
    // The recording device's resolution; 96 dpi when the header has none.
    PointD ppmm{96 / 25.4, 96 / 25.4};
    if (h.szlDevice.cx > 0 && h.szlDevice.cy > 0 && h.szlMillimeters.cx > 0 &&
        h.szlMillimeters.cy > 0)
        ppmm = {double(h.szlDevice.cx) / h.szlMillimeters.cx,
                double(h.szlDevice.cy) / h.szlMillimeters.cy};
    MetafileCanvas canvas(hdc, dest, MetafileTransform(FrameToDest(h, dest, ppmm), ppmm), readDib,
                          report);
    canvas.State().palette = OwnPalette(emf, h);
    EmfPlayer(canvas, h.nHandles).Play(emf);
    return true;
}
