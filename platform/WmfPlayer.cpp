// Windows metafile records played onto the canvas. Parameters are 16-bit
// words after the 6-byte record header; most records list them in reverse
// order (y before x, bottom before top).
#include <algorithm>

#include "platform/MetafileCanvas.h"
#include "platform/MetafilePlayer.h"
#include "platform/MetafileRecord.h"
#include "platform/MetafileText.h"
#include "platform/WmfBitmap16.h"
#include "platform/WmfRegionRecords.h"

namespace {

constexpr std::size_t kHeaderBytes = 18;
constexpr std::size_t kRecordHeader = 6;

enum : WORD {
    META_EOF = 0x0000,
    META_SAVEDC = 0x001E,
    META_SETBKMODE = 0x0102,
    META_SETMAPMODE = 0x0103,
    META_SETROP2 = 0x0104,
    META_SETSTRETCHBLTMODE = 0x0107,
    META_SETPOLYFILLMODE = 0x0106,
    META_RESTOREDC = 0x0127,
    META_SELECTOBJECT = 0x012D,
    META_DIBCREATEPATTERNBRUSH = 0x0142,
    META_DELETEOBJECT = 0x01F0,
    META_CREATEPATTERNBRUSH = 0x01F9,
    META_CREATEPALETTE = 0x00F7,
    META_REALIZEPALETTE = 0x0035,
    META_SETPALENTRIES = 0x0037,
    META_RESIZEPALETTE = 0x0139,
    META_SELECTPALETTE = 0x0234,
    META_ANIMATEPALETTE = 0x0436,
    META_SETBKCOLOR = 0x0201,
    META_SETWINDOWORG = 0x020B,
    META_SETWINDOWEXT = 0x020C,
    META_OFFSETWINDOWORG = 0x020F,
    META_LINETO = 0x0213,
    META_MOVETO = 0x0214,
    META_CREATEPENINDIRECT = 0x02FA,
    META_CREATEFONTINDIRECT = 0x02FB,
    META_CREATEBRUSHINDIRECT = 0x02FC,
    META_POLYGON = 0x0324,
    META_POLYLINE = 0x0325,
    META_SCALEWINDOWEXT = 0x0410,
    META_FLOODFILL = 0x0419,
    META_SETPIXEL = 0x041F,
    META_EXTFLOODFILL = 0x0548,
    META_BITBLT = 0x0922,
    META_STRETCHBLT = 0x0B23,
    META_ELLIPSE = 0x0418,
    META_RECTANGLE = 0x041B,
    META_POLYPOLYGON = 0x0538,
    META_ROUNDRECT = 0x061C,
    META_PATBLT = 0x061D,
    META_CREATEREGION = 0x06FF,
    META_ARC = 0x0817,
    META_PIE = 0x081A,
    META_CHORD = 0x0830,
    META_DIBBITBLT = 0x0940,
    META_DIBSTRETCHBLT = 0x0B41,
    META_SETDIBTODEV = 0x0D33,
    META_STRETCHDIB = 0x0F43,
};

constexpr WORD kBsPattern = 3;

bool UsesPattern(DWORD rop) {
    return rop == PATCOPY || rop == BLACKNESS || rop == WHITENESS;
}

class WmfPlayer {
public:
    WmfPlayer(MetafileCanvas& canvas, std::size_t objectCount)
        : canvas(canvas), objects(objectCount) {}

    // Plays records until the end record, the end of the bytes, a record
    // whose size cannot be right, or the cap on records.
    void Play(std::span<const BYTE> bytes, std::size_t pos) {
        while (bytes.size() - pos >= kRecordHeader) {
            const DWORD words = GetLE32(bytes.data() + pos);
            const WORD function = GetLE16(bytes.data() + pos + 4);
            if (function == META_EOF || words < 3 || words > (bytes.size() - pos) / 2 ||
                !canvas.NextRecord(function))
                return;
            Record(function, RecordView(bytes.subspan(pos, 2 * std::size_t{words})));
            pos += 2 * std::size_t{words};
        }
    }

private:
    // Parameter word i, signed.
    double P(const RecordView& r, std::size_t i) const { return r.I16(kRecordHeader + 2 * i); }
    PointD YX(const RecordView& r, std::size_t i) const { return {P(r, i + 1), P(r, i)}; }
    // A box given as bottom, right, top, left from word i.
    BoxD Box(const RecordView& r, std::size_t i) const {
        return {P(r, i + 3), P(r, i + 2), P(r, i + 1), P(r, i)};
    }

    void Record(WORD function, const RecordView& r);
    void Shape(WORD function, const RecordView& r);
    void Window(WORD function, const RecordView& r);
    void Poly(WORD function, const RecordView& r);
    void PolyPolygon(const RecordView& r);
    void Blit(WORD function, const RecordView& r);
    void Palette(WORD function, const RecordView& r);
    // The packed DIB from `dibAt` with the colours that the usage word at
    // `usageAt` names.
    std::vector<BYTE> Dib(const RecordView& r, std::size_t usageAt, std::size_t dibAt);
    void Create(MetaObject obj);
    MetaObject* Object(const RecordView& r);

    MetafileCanvas& canvas;
    std::vector<MetaObject> objects;
};

void WmfPlayer::Record(WORD function, const RecordView& r) {
    MetaState& s = canvas.State();
    switch (function) {
    case META_SETBKCOLOR:
        s.bkColor = r.U32(kRecordHeader) & 0xFFFFFF;
        break;
    case META_SETBKMODE:
        if (P(r, 0) == TRANSPARENT || P(r, 0) == OPAQUE) s.bkMode = static_cast<int>(P(r, 0));
        break;
    case META_SETROP2:
        canvas.SetRop2(static_cast<int>(P(r, 0)));
        break;
    case META_SETSTRETCHBLTMODE:
        canvas.SetStretchMode(static_cast<int>(P(r, 0)));
        break;
    case META_SETPOLYFILLMODE:
        if (P(r, 0) == ALTERNATE || P(r, 0) == WINDING) s.fillMode = static_cast<int>(P(r, 0));
        break;
    case META_SETPIXEL:
        canvas.SetPixel(YX(r, 2), r.U32(6) & 0xFFFFFF);
        break;
    case META_FLOODFILL:
        canvas.FloodFill(YX(r, 2), r.U32(6) & 0xFFFFFF, FLOODFILLBORDER);
        break;
    case META_EXTFLOODFILL:
        canvas.FloodFill(YX(r, 3), r.U32(8) & 0xFFFFFF, r.U16(6));
        break;
    case META_SAVEDC:
        canvas.Save();
        break;
    case META_RESTOREDC:
        canvas.Restore(static_cast<long>(P(r, 0)));
        break;
    case META_MOVETO:
        canvas.MoveTo(YX(r, 0));
        break;
    case META_LINETO: {
        const PointD p = YX(r, 0);
        canvas.LineTo(std::span(&p, 1));
        break;
    }
    case META_SELECTOBJECT:
        if (const MetaObject* obj = Object(r)) canvas.Select(*obj);
        break;
    case META_DELETEOBJECT:
        if (MetaObject* obj = Object(r)) *obj = MetaObject{};
        break;
    case META_CREATEPENINDIRECT:
        Create(MetaObject{MetaObject::Kind::Pen,
                          MakePen(r.U16(6), P(r, 1), r.U32(12) & 0xFFFFFF, PenRecord::Create),
                          {},
                          {}});
        break;
    case META_CREATEBRUSHINDIRECT:
        Create(MetaObject{
            MetaObject::Kind::Brush, {}, MakeBrush(r.U16(6), r.U32(8) & 0xFFFFFF, r.I16(12)), {}});
        break;
    case META_DIBCREATEPATTERNBRUSH: // BS_PATTERN carries an old bitmap, not a DIB
        Create(r.U16(6) != kBsPattern ? canvas.PatternBrush(Dib(r, 8, 10))
                                      : MetaObject{MetaObject::Kind::Other, {}, {}, {}});
        break;
    case META_CREATEREGION:
        Create(WmfRegionObject(r));
        break;
    case META_CREATEFONTINDIRECT:
        Create(WmfFontObject(r));
        break;
    case META_CREATEPALETTE: {
        MetaObject palette{MetaObject::Kind::Palette, {}, {}, {}};
        palette.palette = std::make_shared<PaletteEntries>(ReadPaletteEntries(r, 10, r.U16(8)));
        Create(palette);
        break;
    }
    case META_CREATEPATTERNBRUSH:
        Create(MetaObject{MetaObject::Kind::Other, {}, {}, {}});
        break;
    default:
        Palette(function, r);
        break;
    }
}

// The palette records other than its creation act on the selected palette.
void WmfPlayer::Palette(WORD function, const RecordView& r) {
    MetaState& s = canvas.State();
    switch (function) {
    case META_SELECTPALETTE:
        if (const MetaObject* obj = Object(r); obj && obj->kind == MetaObject::Kind::Palette)
            s.palette = obj->palette;
        break;
    case META_SETPALENTRIES:
    case META_ANIMATEPALETTE:
        if (s.palette)
            SetPaletteEntries(*s.palette, r.U16(6), ReadPaletteEntries(r, 10, r.U16(8)),
                              function == META_ANIMATEPALETTE);
        break;
    case META_RESIZEPALETTE:
        if (s.palette) ResizePalette(*s.palette, r.U16(6));
        break;
    case META_REALIZEPALETTE: // the output has no hardware palette to realise into
        break;
    default:
        Shape(function, r);
        break;
    }
}

std::vector<BYTE> WmfPlayer::Dib(const RecordView& r, std::size_t usageAt, std::size_t dibAt) {
    return RgbPackedDib(r.Tail(dibAt), r.U16(usageAt), canvas.State().Palette());
}

void WmfPlayer::Shape(WORD function, const RecordView& r) {
    switch (function) {
    case META_RECTANGLE:
        canvas.Rectangle(Box(r, 0));
        break;
    case META_ELLIPSE:
        canvas.Ellipse(Box(r, 0));
        break;
    case META_ROUNDRECT:
        canvas.RoundRect(Box(r, 2), P(r, 1), P(r, 0));
        break;
    case META_ARC:
    case META_PIE:
    case META_CHORD:
        canvas.Arc(function == META_ARC   ? ArcKind::Arc
                   : function == META_PIE ? ArcKind::Pie
                                          : ArcKind::Chord,
                   Box(r, 4), YX(r, 2), YX(r, 0));
        break;
    default:
        Window(function, r);
        break;
    }
}

// The window records and the mapping mode; viewport records are left out,
// since the viewport is the output rectangle. MM_ANISOTROPIC maps the window
// onto it, MM_ISOTROPIC keeps the window's aspect, MM_TEXT and the fixed
// modes give a logical unit its own size (a pixel or a physical length at
// 96 dpi) from the viewport's origin.
void WmfPlayer::Window(WORD function, const RecordView& r) {
    MetafileTransform& t = canvas.Transform();
    switch (function) {
    case META_SETMAPMODE:
        t.SetMapMode(static_cast<int>(P(r, 0)));
        break;
    case META_SETWINDOWORG:
        t.SetWindowOrg(YX(r, 0));
        break;
    case META_SETWINDOWEXT:
        t.SetWindowExt(YX(r, 0));
        break;
    case META_OFFSETWINDOWORG: {
        const PointD d = YX(r, 0), o = t.WindowOrg();
        t.SetWindowOrg({o.x + d.x, o.y + d.y});
        break;
    }
    case META_SCALEWINDOWEXT: {
        const PointD e = t.WindowExt();
        if (P(r, 0) != 0 && P(r, 2) != 0)
            t.SetWindowExt({e.x * P(r, 3) / P(r, 2), e.y * P(r, 1) / P(r, 0)});
        break;
    }
    default:
        Poly(function, r);
        break;
    }
}

void WmfPlayer::Poly(WORD function, const RecordView& r) {
    switch (function) {
    case META_POLYGON:
    case META_POLYLINE: {
        const std::size_t count = r.U16(6);
        if (!r.Has(8, 4 * count)) return;
        Figure f{{}, function == META_POLYGON};
        for (std::size_t i = 0; i < count; ++i)
            f.points.push_back({double(r.I16(8 + 4 * i)), double(r.I16(10 + 4 * i))});
        canvas.Draw(f);
        break;
    }
    case META_POLYPOLYGON:
        PolyPolygon(r);
        break;
    default:
        Blit(function, r);
        break;
    }
}

void WmfPlayer::PolyPolygon(const RecordView& r) {
    const std::size_t polygons = r.U16(6);
    std::size_t pos = 8 + 2 * polygons;
    if (!r.Has(8, 2 * polygons)) return;
    std::vector<Figure> figures;
    for (std::size_t p = 0; p < polygons; ++p) {
        const std::size_t count = r.U16(8 + 2 * p);
        if (!r.Has(pos, 4 * count)) return;
        Figure f{{}, true};
        for (std::size_t i = 0; i < count; ++i, pos += 4)
            f.points.push_back({double(r.I16(pos)), double(r.I16(pos + 2))});
        figures.push_back(std::move(f));
    }
    canvas.DrawPolygons(figures);
}

// The DIB blits, and the old blits of a device-dependent bitmap. A record
// without a bitmap (its size tells) paints the brush, black or white over
// the destination.
void WmfPlayer::Blit(WORD function, const RecordView& r) {
    const DWORD rop = r.U32(6);
    const std::size_t words = r.Size() / 2;
    const bool old = function == META_BITBLT || function == META_STRETCHBLT;
    const auto bitmap = [&](std::size_t at) {
        return old ? Bitmap16ToDib(r.Tail(at))
                   : std::vector<BYTE>(r.Tail(at).begin(), r.Tail(at).end());
    };
    switch (function) {
    case META_PATBLT:
        canvas.PatBlt(P(r, 5), P(r, 4), P(r, 3), P(r, 2), rop);
        break;
    case META_BITBLT:
    case META_DIBBITBLT:
        if (words == (function >> 8) + 3u) {
            canvas.PatBlt(P(r, 8), P(r, 7), P(r, 6), P(r, 5), rop);
        } else if (UsesPattern(rop)) {
            canvas.PatBlt(P(r, 7), P(r, 6), P(r, 5), P(r, 4), rop);
        } else {
            const auto w = static_cast<LONG>(P(r, 5)), h = static_cast<LONG>(P(r, 4));
            canvas.StretchDib(DibBlit{P(r, 7), P(r, 6), double(w), double(h),
                                      static_cast<LONG>(P(r, 3)), static_cast<LONG>(P(r, 2)), w, h,
                                      true, rop},
                              bitmap(22));
        }
        break;
    case META_STRETCHBLT:
    case META_DIBSTRETCHBLT:
        if (words == (function >> 8) + 3u) {
            canvas.PatBlt(P(r, 10), P(r, 9), P(r, 8), P(r, 7), rop);
        } else if (UsesPattern(rop)) {
            canvas.PatBlt(P(r, 9), P(r, 8), P(r, 7), P(r, 6), rop);
        } else {
            canvas.StretchDib(DibBlit{P(r, 9), P(r, 8), P(r, 7), P(r, 6),
                                      static_cast<LONG>(P(r, 5)), static_cast<LONG>(P(r, 4)),
                                      static_cast<LONG>(P(r, 3)), static_cast<LONG>(P(r, 2)), true,
                                      rop},
                              bitmap(26));
        }
        break;
    case META_STRETCHDIB:
        canvas.StretchDib(DibBlit{P(r, 10), P(r, 9), P(r, 8), P(r, 7), static_cast<LONG>(P(r, 6)),
                                  static_cast<LONG>(P(r, 5)), static_cast<LONG>(P(r, 4)),
                                  static_cast<LONG>(P(r, 3)), false, rop},
                          Dib(r, 10, 28));
        break;
    case META_SETDIBTODEV: {
        const auto w = static_cast<LONG>(P(r, 6)), h = static_cast<LONG>(P(r, 5));
        canvas.StretchDib(DibBlit{P(r, 8), P(r, 7), double(w), double(h),
                                  static_cast<LONG>(P(r, 4)), static_cast<LONG>(P(r, 3)), w, h,
                                  false, SRCCOPY},
                          Dib(r, 6, 24));
        break;
    }
    default: // escapes and the rest are skipped
        if (!PlayWmfRegionRecord(
                canvas, function, r,
                [this](std::size_t i) { return i < objects.size() ? &objects[i] : nullptr; }) &&
            !PlayWmfText(canvas, function, r))
            canvas.Skip(function);
        break;
    }
}

// A new object takes the lowest free slot of the table; without one it is
// dropped.
void WmfPlayer::Create(MetaObject obj) {
    const auto free = std::find_if(objects.begin(), objects.end(), [](const MetaObject& o) {
        return o.kind == MetaObject::Kind::Empty;
    });
    if (free != objects.end()) *free = obj;
}

MetaObject* WmfPlayer::Object(const RecordView& r) {
    const std::size_t index = r.U16(kRecordHeader);
    return index < objects.size() ? &objects[index] : nullptr;
}

} // namespace

bool IsWinMetaFile(std::span<const BYTE> wmf) {
    if (wmf.size() < kHeaderBytes) return false;
    const std::size_t headerBytes = 2 * std::size_t{GetLE16(wmf.data() + 2)};
    return headerBytes >= kHeaderBytes && headerBytes <= wmf.size();
}

bool PlayWinMetaFile(HDC hdc, std::span<const BYTE> wmf, const RECT& window, const RECT& dest,
                     const DibReader& readDib, PlaybackReport* report) {
    if (!IsWinMetaFile(wmf)) return false;
    const std::size_t headerBytes = 2 * std::size_t{GetLE16(wmf.data() + 2)};
    MetafileTransform transform(Xform{}, PointD{96 / 25.4, 96 / 25.4});
    transform.SetMapMode(MM_ANISOTROPIC);
    transform.SetWindowOrg({double(window.left), double(window.top)});
    transform.SetWindowExt(
        {double(window.right) - window.left, double(window.bottom) - window.top});
    transform.SetViewportOrg({double(dest.left), double(dest.top)});
    transform.SetViewportExt({double(dest.right) - dest.left, double(dest.bottom) - dest.top});
    MetafileCanvas canvas(hdc, dest, transform, readDib, report);
    WmfPlayer(canvas, GetLE16(wmf.data() + 10)).Play(wmf, headerBytes);
    return true;
}
