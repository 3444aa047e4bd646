#include "platform/MetafileCanvas.h"

#include <algorithm>
#include <cmath>

#include "platform/ByteOrder.h"
#include "platform/GdiObjects.h"

namespace {

constexpr long long kMaxRecords = 1 << 20;
constexpr std::size_t kMaxSavedStates = 1024;
constexpr double kMaxDibPixels = 1 << 24;
// The work of one playback, in pixels touched and edges visited: 64 times
// the output area, within these bounds (about a second at most).
constexpr double kMinWork = 1 << 22, kMaxWork = 1 << 28;
constexpr int kBezierSegments = 24;
constexpr LONG kPatternSide = 64; // pattern brushes are averaged over at most this square

// An output point as a device pixel position, kept far inside the int range.
POINT Pixel(PointD p) {
    const double limit = 1e9;
    if (std::isnan(p.x) || std::isnan(p.y)) return POINT{0, 0};
    return POINT{static_cast<LONG>(std::lround(std::clamp(p.x, -limit, limit))),
                 static_cast<LONG>(std::lround(std::clamp(p.y, -limit, limit)))};
}

// Creates a GDI object, selects it and undoes both when it goes.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ obj) : dc(dc), obj(obj), previous(SelectObject(dc, obj)) {}
    ~Selected() {
        SelectObject(dc, previous);
        DeleteObject(obj);
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC dc;
    HGDIOBJ obj, previous;
};

HPEN NullPen() {
    return CreatePen(PS_NULL, 1, 0);
}

HBRUSH BrushOf(const MetaBrush& b) {
    const LOGBRUSH lb{b.style, b.color, b.hatch};
    return CreateBrushIndirect(&lb);
}

struct DibSize {
    double width = 0, height = 0, bitsNeeded = 0;
};

// The size a packed DIB claims, and how many bytes its bits need when they
// are not compressed; nothing for a header that cannot be read.
std::optional<DibSize> ClaimedSize(std::span<const BYTE> packed) {
    if (packed.size() < 12) return std::nullopt;
    const DWORD headerSize = GetLE32(packed.data());
    double width, height;
    DWORD bpp, compression = BI_RGB;
    if (headerSize == 12) {
        width = GetLE16(packed.data() + 4), height = GetLE16(packed.data() + 6);
        bpp = GetLE16(packed.data() + 10);
    } else if (headerSize >= 40 && packed.size() >= 40) {
        width = std::fabs(static_cast<double>(static_cast<LONG>(GetLE32(packed.data() + 4))));
        height = std::fabs(static_cast<double>(static_cast<LONG>(GetLE32(packed.data() + 8))));
        bpp = GetLE16(packed.data() + 14);
        compression = GetLE32(packed.data() + 16);
    } else {
        return std::nullopt;
    }
    DibSize s{width, height, 0};
    if (compression == BI_RGB || compression == BI_BITFIELDS)
        s.bitsNeeded = std::floor((width * bpp + 31) / 32) * 4 * height;
    return s;
}

// The work of drawing figures: the filled rows with their edges and pixels,
// and the stroked lengths times the pen width, within the clip rectangle.
double DrawingCost(const std::vector<Figure>& figures, const RECT& clip, bool fill, int penWidth) {
    const double span = std::max(0.0 + clip.right - clip.left + clip.bottom - clip.top, 0.0);
    double left = 1e300, top = 1e300, right = -1e300, bottom = -1e300, points = 0, lengths = 0;
    for (const Figure& f : figures) {
        for (std::size_t i = 0; i < f.points.size(); ++i) {
            const PointD a = f.points[i], b = f.points[(i + 1) % f.points.size()];
            left = std::min(left, a.x), right = std::max(right, a.x);
            top = std::min(top, a.y), bottom = std::max(bottom, a.y);
            lengths += std::min(std::hypot(b.x - a.x, b.y - a.y), span) + 1;
        }
        points += static_cast<double>(f.points.size());
    }
    const double rows =
        std::max(0.0, std::min<double>(bottom, clip.bottom) - std::max<double>(top, clip.top) + 1);
    const double cols =
        std::max(0.0, std::min<double>(right, clip.right) - std::max<double>(left, clip.left) + 1);
    return (fill ? rows * (points + cols) : 0) + lengths * penWidth;
}

} // namespace

MetaPen MakePen(DWORD style, double width, COLORREF color, bool cosmetic) {
    return MetaPen{(style & 0x0F) == PS_NULL, color, width, cosmetic};
}

MetaBrush MakeBrush(UINT style, COLORREF color, LONG hatch) {
    if (style == BS_NULL) return MetaBrush{BS_NULL, color, 0};
    if (style == BS_HATCHED && hatch >= HS_HORIZONTAL && hatch <= HS_DIAGCROSS)
        return MetaBrush{BS_HATCHED, color, hatch};
    return MetaBrush{BS_SOLID, color, 0};
}

MetafileCanvas::MetafileCanvas(HDC hdc, const RECT& dest, const MetafileTransform& transform,
                               const DibReader& readDib, PlaybackReport* report)
    : hdc(hdc), dest(dest), readDib(readDib), report(report), state(transform, dest) {
    const double area = (static_cast<double>(dest.right) - dest.left) *
                        (static_cast<double>(dest.bottom) - dest.top);
    workLimit = std::clamp(64 * area, kMinWork, kMaxWork);
    ApplyClip();
}

MetafileCanvas::~MetafileCanvas() {
    SelectClipRgn(hdc, nullptr);
}

bool MetafileCanvas::NextRecord(DWORD type) {
    if (++records > kMaxRecords) return false;
    if (report) ++report->records[type];
    return true;
}

void MetafileCanvas::Skip(DWORD type) {
    if (report) ++report->skipped[type];
}

bool MetafileCanvas::Spend(double cost) {
    if (work + cost > workLimit) {
        work = workLimit;
        return false;
    }
    work += cost;
    return true;
}

void MetafileCanvas::Select(const MetaObject& obj) {
    if (obj.kind == MetaObject::Kind::Pen) state.pen = obj.pen;
    if (obj.kind == MetaObject::Kind::Brush) state.brush = obj.brush;
    if (obj.kind == MetaObject::Kind::Font) state.font = obj.font;
}

MetaObject MetafileCanvas::PatternBrush(std::span<const BYTE> packed) {
    MetaObject obj;
    const std::optional<COLORREF> color = AverageColor(packed);
    obj.kind = color ? MetaObject::Kind::Brush : MetaObject::Kind::Other;
    obj.brush = MakeBrush(BS_SOLID, color.value_or(0), 0);
    return obj;
}

void MetafileCanvas::Save() {
    if (saved.size() < kMaxSavedStates) saved.push_back(state);
}

void MetafileCanvas::Restore(long n) {
    const long size = static_cast<long>(saved.size());
    const long keep = n < 0 ? size + n : n - 1;
    if (n == 0 || keep < 0 || keep >= size) return;
    state = saved[static_cast<std::size_t>(keep)];
    saved.erase(saved.begin() + keep, saved.end());
    ApplyClip();
}

void MetafileCanvas::ApplyClip() {
    HRGN rgn = CreateRectRgnIndirect(&state.clip);
    SelectClipRgn(hdc, rgn);
    DeleteObject(rgn);
}

void MetafileCanvas::IntersectClip(const BoxD& logical) {
    const Figure corners = RectangleFigure(logical);
    const std::vector<PointD> out = ToOutput(corners.points);
    RECT box{Pixel(out[0]).x, Pixel(out[0]).y, Pixel(out[0]).x, Pixel(out[0]).y};
    for (const PointD& p : out) {
        const POINT q = Pixel(p);
        box = RECT{std::min(box.left, q.x), std::min(box.top, q.y), std::max(box.right, q.x),
                   std::max(box.bottom, q.y)};
    }
    IntersectClipOutput(box);
}

void MetafileCanvas::IntersectClipOutput(const RECT& output) {
    state.clip = IntersectRects(state.clip, output);
    ApplyClip();
}

void MetafileCanvas::ResetClip() {
    state.clip = dest;
    ApplyClip();
}

std::vector<PointD> MetafileCanvas::ToOutput(std::span<const PointD> logical) const {
    const Xform t = state.transform.Total();
    std::vector<PointD> out;
    out.reserve(logical.size());
    for (const PointD& p : logical)
        out.push_back(t.Apply(p));
    return out;
}

int MetafileCanvas::Segments(double logical) const {
    return CurveSegments(std::fabs(logical) * state.transform.ScaleX());
}

bool MetafileCanvas::ArcIncreasing() const {
    return state.clockwise != (state.transform.Total().Determinant() < 0);
}

int MetafileCanvas::PenWidth() const {
    if (state.pen.cosmetic) return 1;
    const double w = std::round(std::fabs(state.pen.width) * state.transform.ScaleX());
    const double cap = std::max(dest.right - dest.left, dest.bottom - dest.top);
    return w > 1 ? static_cast<int>(std::min(w, std::max(cap, 1.0))) : 1; // NaN too
}

void MetafileCanvas::MoveTo(PointD p) {
    state.position = p;
    if (!recording) return;
    path.push_back(Figure{ToOutput(std::span(&p, 1)), false});
    figureOpen = true;
}

void MetafileCanvas::LineTo(std::span<const PointD> points, bool bezier) {
    // Bezier curves take three points each; an incomplete last one is dropped.
    const std::size_t used = bezier ? points.size() - points.size() % 3 : points.size();
    if (used == 0) return;
    std::vector<PointD> logical{state.position};
    if (bezier)
        AppendBeziers(logical, state.position, points.first(used), kBezierSegments);
    else
        logical.insert(logical.end(), points.begin(), points.end());
    state.position = points[used - 1];
    const std::vector<PointD> out = ToOutput(logical);
    if (!recording) {
        Render({Figure{out, false}}, false, true);
        return;
    }
    if (!figureOpen) path.push_back(Figure{{out.front()}, false});
    figureOpen = true;
    path.back().points.insert(path.back().points.end(), out.begin() + 1, out.end());
}

void MetafileCanvas::Draw(const Figure& figure) {
    if (recording) {
        AddToPath(figure);
        return;
    }
    Render({Figure{ToOutput(figure.points), figure.closed}}, figure.closed, true);
}

void MetafileCanvas::DrawPolygons(const std::vector<Figure>& figures) {
    std::vector<Figure> out;
    for (const Figure& f : figures) {
        if (recording)
            AddToPath(f);
        else
            out.push_back(Figure{ToOutput(f.points), true});
    }
    if (!recording) Render(out, true, true);
}

void MetafileCanvas::AddToPath(const Figure& figure) {
    path.push_back(Figure{ToOutput(figure.points), figure.closed});
    figureOpen = false;
}

void MetafileCanvas::BeginPath() {
    path.clear();
    recording = true;
    figureOpen = false;
}

void MetafileCanvas::AbortPath() {
    path.clear();
    recording = false;
    figureOpen = false;
}

void MetafileCanvas::CloseFigure() {
    if (!recording || path.empty()) return;
    path.back().closed = true;
    figureOpen = false;
}

void MetafileCanvas::DrawPath(bool fill, bool stroke) {
    Render(path, fill, stroke);
    path.clear();
    recording = false;
    figureOpen = false;
}

void MetafileCanvas::Render(const std::vector<Figure>& figures, bool fill, bool stroke) {
    fill = fill && state.brush.style != BS_NULL;
    stroke = stroke && !state.pen.null;
    if (!fill && !stroke) return;
    if (!Spend(DrawingCost(figures, state.clip, fill, stroke ? PenWidth() : 0))) return;

    std::vector<POINT> pts;
    std::vector<int> counts;
    for (const Figure& f : figures) {
        if (f.points.empty()) continue;
        const std::size_t first = pts.size();
        for (const PointD& p : f.points)
            pts.push_back(Pixel(p));
        if (f.points.size() == 1) pts.push_back(pts.back());
        counts.push_back(static_cast<int>(pts.size() - first));
    }
    if (counts.empty()) return;
    if (fill) {
        const Selected brush(hdc, BrushOf(state.brush)), pen(hdc, NullPen());
        SetPolyFillMode(hdc, state.fillMode);
        SetBkMode(hdc, state.bkMode);
        SetBkColor(hdc, state.bkColor);
        PolyPolygon(hdc, pts.data(), counts.data(), static_cast<int>(counts.size()));
    }
    if (stroke) {
        const Selected pen(hdc, CreatePen(PS_SOLID, PenWidth(), state.pen.color));
        std::size_t first = 0;
        std::size_t figure = 0;
        for (const Figure& f : figures) {
            if (f.points.empty()) continue;
            std::vector<POINT> line(pts.begin() + first, pts.begin() + first + counts[figure]);
            if (f.closed) line.push_back(line.front());
            Polyline(hdc, line.data(), static_cast<int>(line.size()));
            first += counts[figure++];
        }
    }
}

bool MetafileCanvas::DecodeDib(std::span<const BYTE> packed, std::vector<BYTE>& dib) {
    const std::optional<DibSize> size = ClaimedSize(packed);
    if (!size || size->width * size->height > kMaxDibPixels ||
        size->bitsNeeded > static_cast<double>(packed.size()) || !Spend(size->width * size->height))
        return false;
    if (!readDib || !readDib(packed, dib) || dib.size() < kInfoHeaderSize) return false;
    const BITMAPINFOHEADER h = LoadInfoHeader(dib.data());
    const double stride = std::floor((static_cast<double>(h.biWidth) * h.biBitCount + 31) / 32) * 4;
    return h.biSize == kInfoHeaderSize && h.biWidth > 0 && h.biHeight > 0 &&
           kInfoHeaderSize + 4.0 * h.biClrUsed + stride * h.biHeight <= dib.size();
}

void MetafileCanvas::StretchDib(const DibBlit& blit, std::span<const BYTE> packed) {
    std::vector<BYTE> dib;
    if (!DecodeDib(packed, dib)) return;
    const BITMAPINFOHEADER h = LoadInfoHeader(dib.data());
    const POINT a = Pixel(state.transform.ToOutput({blit.x, blit.y}));
    const POINT b = Pixel(state.transform.ToOutput({blit.x + blit.width, blit.y + blit.height}));
    const double area = std::fabs((0.0 + b.x - a.x) * (0.0 + b.y - a.y));
    const RECT& clip = state.clip;
    const double clipArea =
        std::max(0.0, (0.0 + clip.right - clip.left) * (clip.bottom - clip.top));
    if (!Spend(std::min(area, clipArea))) return;
    const LONG ySrc = blit.srcFromTop ? h.biHeight - blit.ySrc - blit.srcHeight : blit.ySrc;
    StretchDIBits(hdc, a.x, a.y, b.x - a.x, b.y - a.y, blit.xSrc, ySrc, blit.srcWidth,
                  blit.srcHeight, dib.data() + kInfoHeaderSize + 4 * h.biClrUsed,
                  reinterpret_cast<const BITMAPINFO*>(dib.data()), DIB_RGB_COLORS, blit.rop);
}

void MetafileCanvas::PatBlt(double x, double y, double width, double height, DWORD rop) {
    const POINT a = Pixel(state.transform.ToOutput({x, y}));
    const POINT b = Pixel(state.transform.ToOutput({x + width, y + height}));
    const RECT r = IntersectRects(
        RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)},
        state.clip);
    if (!Spend((0.0 + r.right - r.left) * (r.bottom - r.top))) return;
    const Selected brush(hdc, BrushOf(state.brush));
    SetBkMode(hdc, state.bkMode);
    SetBkColor(hdc, state.bkColor);
    ::PatBlt(hdc, a.x, a.y, b.x - a.x, b.y - a.y, rop);
}

// The pattern is stretched onto a small 24-bit DIB section, whose pixels
// are then averaged.
std::optional<COLORREF> MetafileCanvas::AverageColor(std::span<const BYTE> packed) {
    std::vector<BYTE> dib;
    if (!DecodeDib(packed, dib)) return std::nullopt;
    const BITMAPINFOHEADER h = LoadInfoHeader(dib.data());
    const LONG w = std::min(h.biWidth, kPatternSide), ht = std::min(h.biHeight, kPatternSide);
    BITMAPINFO bmi{};
    bmi.bmiHeader = BITMAPINFOHEADER{40, w, ht, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC mem = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(mem, section);
    StretchDIBits(mem, 0, 0, w, ht, 0, 0, h.biWidth, h.biHeight,
                  dib.data() + kInfoHeaderSize + 4 * h.biClrUsed,
                  reinterpret_cast<const BITMAPINFO*>(dib.data()), DIB_RGB_COLORS, SRCCOPY);
    double sum[3] = {0, 0, 0};
    const std::size_t stride = ((static_cast<std::size_t>(w) * 3 + 3) / 4) * 4;
    for (LONG y = 0; bits && y < ht; ++y) {
        const BYTE* row = static_cast<const BYTE*>(bits) + y * stride;
        for (LONG x = 0; x < w; ++x) {
            for (int c = 0; c < 3; ++c)
                sum[c] += row[3 * x + c];
        }
    }
    SelectObject(mem, previous);
    DeleteDC(mem);
    DeleteObject(section);
    const double n = static_cast<double>(w) * ht;
    return RGB(static_cast<BYTE>(sum[2] / n), static_cast<BYTE>(sum[1] / n),
               static_cast<BYTE>(sum[0] / n));
}
