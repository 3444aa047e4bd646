#include "platform/MetafileCanvas.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/GdiObjects.h"
#include "platform/MetafileDevice.h"

namespace {

constexpr long long kMaxRecords = 1 << 20;
constexpr std::size_t kMaxSavedStates = 1024;
// The work of one playback, in pixels touched and edges visited: 64 times
// the output area, within these bounds (about a second at most).
constexpr double kMinWork = 1 << 22, kMaxWork = 1 << 28;
// The Bezier curves of one record flatten into at most this many points;
// more curves get fewer segments each.
constexpr double kMaxCurvePoints = 1 << 22;
// Wide strokes are filled in batches of about this many points.
constexpr std::size_t kStrokeBatch = 1 << 14;

using Rings = std::vector<std::vector<PointD>>;

// The box of the rings cut to the clip box.
RECT BoxIn(const Rings& rings, const RECT& clip) {
    double left = 1e300, top = 1e300, right = -1e300, bottom = -1e300;
    for (const std::vector<PointD>& ring : rings) {
        for (const PointD& p : ring) {
            left = std::min(left, p.x), right = std::max(right, p.x);
            top = std::min(top, p.y), bottom = std::max(bottom, p.y);
        }
    }
    const auto cut = [](double v, LONG lo, LONG hi) {
        return static_cast<LONG>(std::clamp(std::floor(v), double(lo), double(hi)));
    };
    return RECT{cut(left, clip.left, clip.right), cut(top, clip.top, clip.bottom),
                cut(right + 1, clip.left, clip.right), cut(bottom + 1, clip.top, clip.bottom)};
}

// The work of thin lines: each segment's length, up to the clip box's span.
double LineWork(const std::vector<Figure>& figures, const RECT& clip) {
    const double span = std::max(0.0 + clip.right - clip.left + clip.bottom - clip.top, 0.0);
    double work = 0;
    for (const Figure& f : figures) {
        for (std::size_t i = 0; i + 1 < f.points.size() + (f.closed ? 1 : 0); ++i) {
            const PointD a = f.points[i], b = f.points[(i + 1) % f.points.size()];
            work += std::min(std::hypot(b.x - a.x, b.y - a.y), span) + 1;
        }
    }
    return work;
}

double Area(const std::vector<PointD>& ring) {
    double a = 0;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const PointD p = ring[i], q = ring[(i + 1) % ring.size()];
        a += p.x * q.y - p.y * q.x;
    }
    return std::fabs(a) / 2;
}

// Appends the Bezier curves from `from` through `points` (output pixels,
// three a curve), each flattened for its size, all within kMaxCurvePoints.
void AppendBeziers(std::vector<PointD>& out, PointD from, std::span<const PointD> points) {
    std::vector<int> segments;
    double total = 0;
    for (std::size_t i = 0; i + 3 <= points.size(); i += 3) {
        const PointD p[4] = {i ? points[i - 1] : from, points[i], points[i + 1], points[i + 2]};
        segments.push_back(BezierSegments(p));
        total += segments.back();
    }
    const double share = total > kMaxCurvePoints ? kMaxCurvePoints / total : 1;
    for (std::size_t i = 0; i + 3 <= points.size(); i += 3) {
        const PointD p[4] = {i ? points[i - 1] : from, points[i], points[i + 1], points[i + 2]};
        AppendBezier(out, p, std::max(1, static_cast<int>(segments[i / 3] * share)));
    }
}

} // namespace

double ScanWork(const std::vector<std::vector<PointD>>& rings, const RECT& clip, double painted) {
    double edges = 0;
    for (const std::vector<PointD>& ring : rings) {
        for (std::size_t i = 0; i < ring.size(); ++i) {
            const PointD a = ring[i], b = ring[(i + 1) % ring.size()];
            const double lo = std::max<double>(std::min(a.y, b.y), clip.top);
            const double hi = std::min<double>(std::max(a.y, b.y), clip.bottom);
            edges += (hi > lo ? hi - lo : 0) + 1;
        }
    }
    const RECT box = BoxIn(rings, clip);
    return edges + std::max(0, box.bottom - box.top) + painted;
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
    workLimit = std::clamp(64 * AreaOf(dest), kMinWork, kMaxWork);
    ApplyClip();
    SetROP2(hdc, state.rop2);
    SetStretchBltMode(hdc, state.stretchMode);
}

// The context is left with its default mixing and stretch mode.
MetafileCanvas::~MetafileCanvas() {
    SelectClipRgn(hdc, nullptr);
    SetROP2(hdc, R2_COPYPEN);
    SetStretchBltMode(hdc, BLACKONWHITE);
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
    if (!(work + cost <= workLimit)) {
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
    SetROP2(hdc, state.rop2);
    SetStretchBltMode(hdc, state.stretchMode);
}

void MetafileCanvas::SetRop2(int mode) {
    if (SetROP2(hdc, mode)) state.rop2 = mode;
}

void MetafileCanvas::SetStretchMode(int mode) {
    if (SetStretchBltMode(hdc, mode)) state.stretchMode = mode;
}

std::vector<PointD> MetafileCanvas::ToOutput(std::span<const PointD> logical) const {
    const Xform t = state.transform.Total();
    std::vector<PointD> out;
    out.reserve(logical.size());
    for (const PointD& p : logical)
        out.push_back(t.Apply(p));
    return out;
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
    std::vector<PointD> line = ToOutput(std::span(&state.position, 1));
    const std::vector<PointD> out = ToOutput(points.first(used));
    if (bezier)
        AppendBeziers(line, line.front(), out);
    else
        line.insert(line.end(), out.begin(), out.end());
    LineThrough(std::move(line), points[used - 1]);
}

void MetafileCanvas::LineThrough(std::vector<PointD> line, PointD end) {
    state.position = end;
    if (!recording) {
        Render({Figure{std::move(line), false}}, false, true);
        return;
    }
    if (!figureOpen) path.push_back(Figure{{line.front()}, false});
    figureOpen = true;
    path.back().points.insert(path.back().points.end(), line.begin() + 1, line.end());
}

void MetafileCanvas::Draw(const Figure& logical) {
    Shape(Figure{ToOutput(logical.points), logical.closed});
}

void MetafileCanvas::DrawPolygons(const std::vector<Figure>& logical) {
    std::vector<Figure> out;
    for (const Figure& f : logical)
        out.push_back(Figure{ToOutput(f.points), true});
    if (!recording) {
        Render(out, true, true);
        return;
    }
    for (Figure& f : out)
        Shape(std::move(f));
}

void MetafileCanvas::Shape(Figure output) {
    if (!recording) {
        Render({output}, output.closed, true);
        return;
    }
    path.push_back(std::move(output));
    figureOpen = false;
}

BoxD MetafileCanvas::FrameBox(const BoxD& box) const {
    const double scale = state.transform.ScaleX();
    if (!state.pen.insideFrame || state.pen.null ||
        ShapeOf(state.pen, scale, state.miterLimit, 1e9).width <= 1)
        return box;
    const double half = std::fabs(state.pen.width) / 2;
    const double cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
    const double hw = std::max(std::fabs(box.right - box.left) / 2 - half, 0.0);
    const double hh = std::max(std::fabs(box.bottom - box.top) / 2 - half, 0.0);
    return BoxD{cx - hw, cy - hh, cx + hw, cy + hh};
}

void MetafileCanvas::Rectangle(const BoxD& box) {
    Shape(RectangleFigure(FrameBox(box), state.transform.Total()));
}

void MetafileCanvas::Ellipse(const BoxD& box) {
    Shape(EllipseFigure(FrameBox(box), state.transform.Total()));
}

void MetafileCanvas::RoundRect(const BoxD& box, double cornerWidth, double cornerHeight) {
    Shape(RoundRectFigure(FrameBox(box), cornerWidth, cornerHeight, state.transform.Total()));
}

// Arcs run with increasing angle in logical units unless the arc direction
// or a mirroring mapping turns them round.
void MetafileCanvas::Arc(ArcKind kind, const BoxD& box, PointD start, PointD end) {
    const bool increasing = state.clockwise != (state.transform.Total().Determinant() < 0);
    Shape(ArcFigure(kind, kind == ArcKind::Arc ? box : FrameBox(box), start, end, increasing,
                    state.transform.Total()));
}

void MetafileCanvas::ArcTo(const BoxD& box, PointD start, PointD end) {
    const bool increasing = state.clockwise != (state.transform.Total().Determinant() < 0);
    const Figure arc =
        ArcFigure(ArcKind::Arc, box, start, end, increasing, state.transform.Total());
    std::vector<PointD> line = ToOutput(std::span(&state.position, 1));
    line.insert(line.end(), arc.points.begin(), arc.points.end());
    LineThrough(std::move(line), PointOnEllipse(box, end));
}

void MetafileCanvas::AngleArc(PointD centre, double radius, double startDegrees,
                              double sweepDegrees) {
    if (!std::isfinite(startDegrees) || !std::isfinite(sweepDegrees) || !(radius <= 1e9)) return;
    // Counterclockwise on the page is decreasing angle with y downwards.
    const double sweep = std::clamp(sweepDegrees, -360.0, 360.0);
    const double a0 = -startDegrees * std::numbers::pi / 180;
    const double a1 = -(startDegrees + sweep) * std::numbers::pi / 180;
    const PointD from{centre.x + radius * std::cos(a0), centre.y + radius * std::sin(a0)};
    const PointD to{centre.x + radius * std::cos(a1), centre.y + radius * std::sin(a1)};
    std::vector<PointD> line = ToOutput(std::span(&state.position, 1));
    if (sweep != 0) {
        const BoxD box{centre.x - radius, centre.y - radius, centre.x + radius, centre.y + radius};
        const Figure arc =
            ArcFigure(ArcKind::Arc, box, from, to, sweep < 0, state.transform.Total());
        line.insert(line.end(), arc.points.begin(), arc.points.end());
    } else {
        line.push_back(state.transform.ToOutput(from));
    }
    LineThrough(std::move(line), to);
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
    AbortPath();
}

void MetafileCanvas::Render(const std::vector<Figure>& figures, bool fill, bool stroke) {
    if (fill && state.brush.style != BS_NULL) Fill(figures);
    if (stroke && !state.pen.null) Stroke(figures);
}

void MetafileCanvas::Fill(const std::vector<Figure>& figures) {
    std::vector<POINT> pts;
    std::vector<int> counts;
    Rings rings;
    for (const Figure& f : figures) {
        if (f.points.empty()) continue;
        const std::size_t first = pts.size();
        rings.emplace_back();
        for (const PointD& p : f.points) {
            pts.push_back(Pixel(p));
            rings.back().push_back(PointD{double(pts.back().x), double(pts.back().y)});
        }
        if (f.points.size() == 1) pts.push_back(pts.back());
        counts.push_back(static_cast<int>(pts.size() - first));
    }
    if (counts.empty()) return;
    const RECT clip = state.clip->Bounds();
    if (!Spend(ScanWork(rings, clip, AreaOf(BoxIn(rings, clip))))) return;
    const Selected brush(hdc, BrushOf(state.brush, state)), pen(hdc, CreatePen(PS_NULL, 1, 0));
    SetPolyFillMode(hdc, state.fillMode);
    SetBkMode(hdc, state.bkMode);
    SetBkColor(hdc, state.bkColor);
    PolyPolygon(hdc, pts.data(), counts.data(), static_cast<int>(counts.size()));
}

void MetafileCanvas::Stroke(const std::vector<Figure>& figures) {
    // Wider than twice the output's half perimeter, a pen covers all of it
    // wherever it runs: hostile widths stop there.
    const double maxWidth = 2.0 * ((0.0 + dest.right - dest.left) + (0.0 + dest.bottom - dest.top));
    const PenShape pen = ShapeOf(state.pen, state.transform.ScaleX(), state.miterLimit, maxWidth);
    if (!Spend(LineWork(figures, state.clip->Bounds()))) return;
    if (pen.width > 1)
        StrokeWide(figures, pen);
    else
        StrokeThin(figures, pen);
}

void MetafileCanvas::StrokeThin(const std::vector<Figure>& figures, const PenShape& pen) {
    const Selected gdiPen(hdc, CreatePen(PS_SOLID, 1, state.pen.color));
    const RECT c = state.clip->Bounds();
    const BoxD window{c.left - 2.0, c.top - 2.0, c.right + 2.0, c.bottom + 2.0};
    std::vector<POINT> line;
    const auto draw = [&](std::span<const PointD> pts) {
        line.clear();
        for (const PointD& p : pts)
            line.push_back(Pixel(p));
        Polyline(hdc, line.data(), static_cast<int>(line.size()));
    };
    for (const Figure& f : figures) {
        std::vector<PointD> pts;
        for (const PointD& p : f.points)
            pts.push_back(PointD{double(Pixel(p).x), double(Pixel(p).y)});
        if (pts.size() < 2) continue;
        if (!pen.dashes.empty()) {
            DashPolyline(pts, f.closed, pen.dashes, window,
                         [&](std::vector<PointD>&& part) { draw(part); });
            continue;
        }
        if (f.closed) pts.push_back(pts.front());
        draw(pts);
    }
}

// The stroke's pieces are filled in batches under the winding rule: one
// colour painted twice where batches meet looks the same.
void MetafileCanvas::StrokeWide(const std::vector<Figure>& figures, const PenShape& pen) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc) return;
    const GdiBrush ink(BS_SOLID, ColorRefToRgb(state.pen.color), 0);
    const RECT c = state.clip->Bounds();
    const double margin = pen.width + 2.0;
    const BoxD window{c.left - margin, c.top - margin, c.right + margin, c.bottom + margin};
    Rings batch;
    std::size_t points = 0;
    bool stopped = false;
    const auto flush = [&] {
        double painted = 0;
        for (const std::vector<PointD>& ring : batch)
            painted += Area(ring);
        const double work = ScanWork(batch, c, std::min(painted, AreaOf(BoxIn(batch, c))));
        if (!batch.empty() && !stopped && Spend(work))
            FillPolygons(*dc, batch, WINDING, ink);
        else if (!batch.empty())
            stopped = true;
        batch.clear();
        points = 0;
    };
    const PolylineSink piece = [&](std::vector<PointD>&& ring) {
        points += ring.size();
        batch.push_back(std::move(ring));
        if (points >= kStrokeBatch) flush();
    };
    const PolylineSink dash = [&](std::vector<PointD>&& part) {
        StrokePieces(part, false, pen.stroke, piece);
    };
    for (const Figure& f : figures) {
        // Lines run through pixel centres, as thin ones do.
        std::vector<PointD> pts;
        for (const PointD& p : f.points)
            pts.push_back(PointD{Pixel(p).x + 0.5, Pixel(p).y + 0.5});
        if (pen.dashes.empty())
            StrokePieces(pts, f.closed, pen.stroke, piece);
        else
            DashPolyline(pts, f.closed, pen.dashes, window, dash);
        if (stopped) break;
    }
    flush();
}
