#include "platform/MetafileStroke.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

namespace {

PointD Add(PointD a, PointD b, double k = 1) {
    return {a.x + k * b.x, a.y + k * b.y};
}
PointD Sub(PointD a, PointD b) {
    return {a.x - b.x, a.y - b.y};
}
double Cross(PointD a, PointD b) {
    return a.x * b.y - a.y * b.x;
}
double Dot(PointD a, PointD b) {
    return a.x * b.x + a.y * b.y;
}
PointD Unit(PointD d) {
    const double n = std::hypot(d.x, d.y);
    return {d.x / n, d.y / n};
}
// The normal on the left of a direction in y-down coordinates.
PointD Normal(PointD d) {
    return {-d.y, d.x};
}

// Twice the signed area of a polygon.
double Area2(const std::vector<PointD>& ring) {
    double a = 0;
    for (std::size_t i = 0; i < ring.size(); ++i)
        a += Cross(ring[i], ring[(i + 1) % ring.size()]);
    return a;
}

// Hands a piece on with a positive area; a piece without area is dropped.
void Emit(std::vector<PointD>&& ring, const PolylineSink& piece) {
    const double a = Area2(ring);
    if (!(std::fabs(a) > 0)) return;
    if (a < 0) std::reverse(ring.begin(), ring.end());
    piece(std::move(ring));
}

// The parameter range [t0, t1] of the segment a + t (b - a), 0 <= t <= 1,
// inside the box (Liang and Barsky's clipping); nothing when it misses.
std::optional<std::pair<double, double>> Inside(PointD a, PointD b, const BoxD& box) {
    double t0 = 0, t1 = 1;
    const double d[2] = {b.x - a.x, b.y - a.y};
    const double lo[2] = {box.left - a.x, box.top - a.y},
                 hi[2] = {box.right - a.x, box.bottom - a.y};
    for (int k = 0; k < 2; ++k) {
        if (d[k] == 0) {
            if (lo[k] > 0 || hi[k] < 0) return std::nullopt;
            continue;
        }
        double enter = lo[k] / d[k], leave = hi[k] / d[k];
        if (enter > leave) std::swap(enter, leave);
        t0 = std::max(t0, enter);
        t1 = std::min(t1, leave);
    }
    if (t0 > t1) return std::nullopt;
    return std::pair{t0, t1};
}

// A position in a repeating dash pattern (whose lengths add up to a
// positive period): the current element and how far into it.
class DashPhase {
public:
    explicit DashPhase(std::span<const double> pattern) : lengths(pattern) {
        for (double l : pattern)
            period += l;
        end = lengths[0];
        if (end <= 0) Next();
    }

    bool On() const { return index % 2 == 0; }
    // What is left of the current element.
    double Left() const { return end - at; }
    // Moves on by d, at most to the end of the current element.
    void Advance(double d) {
        if (d < Left()) {
            at += d;
            return;
        }
        at = end;
        Next();
    }
    // Moves on by any distance.
    void Skip(double d) {
        d = std::fmod(d, period);
        while (d > 0) {
            const double step = std::min(d, Left());
            Advance(step);
            d -= step;
        }
    }

private:
    // The next element of non-zero length; positions restart with each
    // period.
    void Next() {
        do {
            index = (index + 1) % lengths.size();
            if (index == 0) at = end = 0;
            end += lengths[index];
        } while (end <= at);
    }

    std::span<const double> lengths;
    double period = 0;
    std::size_t index = 0;
    double at = 0, end = 0;
};

bool UsablePattern(std::span<const double> pattern) {
    double period = 0;
    for (double l : pattern) {
        if (!(l >= 0) || !std::isfinite(l)) return false;
        period += l;
    }
    return period >= kMinDashPeriod && std::isfinite(period);
}

// The arc of radius r around c from direction `from` to direction `to`
// (unit vectors), turning the short way, or through `through` when they are
// opposite; the end points included, computed as the segments' corners
// are, so that caps and joins meet the segments without a seam.
void AppendArc(std::vector<PointD>& out, PointD c, double r, PointD from, PointD to,
               PointD through) {
    const double a0 = std::atan2(from.y, from.x);
    double sweep = std::atan2(Cross(from, to), Dot(from, to));
    if (std::fabs(std::fabs(sweep) - std::numbers::pi) < 1e-9)
        sweep = Cross(from, through) >= 0 ? std::numbers::pi : -std::numbers::pi;
    const int n = std::max(1, static_cast<int>(std::ceil(CurveSegments(r) * std::fabs(sweep) /
                                                         (2 * std::numbers::pi))));
    out.push_back(Add(c, from, r));
    for (int i = 1; i < n; ++i) {
        const double a = a0 + sweep * i / n;
        out.push_back({c.x + r * std::cos(a), c.y + r * std::sin(a)});
    }
    out.push_back(Add(c, to, r));
}

class Stroker {
public:
    Stroker(const StrokeStyle& s, const PolylineSink& piece)
        : style(s), h(s.width / 2), piece(piece) {}

    void Run(std::vector<PointD> pts, bool closed) {
        if (closed && pts.size() > 1 && pts.back().x == pts.front().x &&
            pts.back().y == pts.front().y)
            pts.pop_back();
        if (pts.size() < 2) return;
        const std::size_t n = pts.size(), segments = closed ? n : n - 1;
        for (std::size_t i = 0; i < segments; ++i)
            Segment(pts[i], pts[(i + 1) % n]);
        for (std::size_t i = closed ? 0 : 1; i < (closed ? n : n - 1); ++i) {
            const PointD prev = pts[(i + n - 1) % n], v = pts[i], next = pts[(i + 1) % n];
            Join(v, Unit(Sub(v, prev)), Unit(Sub(next, v)));
        }
        if (!closed) {
            Cap(pts[0], Unit(Sub(pts[0], pts[1])));
            Cap(pts[n - 1], Unit(Sub(pts[n - 1], pts[n - 2])));
        }
    }

private:
    // The ends pass through a and b, as the edges of the joins and caps
    // there do, so that pieces meet along the same edges.
    void Segment(PointD a, PointD b) {
        const PointD n = Normal(Unit(Sub(b, a)));
        Emit({Add(a, n, h), Add(b, n, h), b, Add(b, n, -h), Add(a, n, -h), a}, piece);
    }

    // The wedge between two segments meeting at v, on the outer side of
    // the turn from direction d1 to d2.
    void Join(PointD v, PointD d1, PointD d2) {
        const double turn = Cross(d1, d2);
        if (turn == 0 && Dot(d1, d2) > 0) return; // straight on
        const double side = turn > 0 ? -1 : 1;
        const PointD n1{side * Normal(d1).x, side * Normal(d1).y};
        const PointD n2{side * Normal(d2).x, side * Normal(d2).y};
        std::vector<PointD> wedge{v};
        if (style.join == LineJoin::Round) {
            AppendArc(wedge, v, h, n1, n2, d1);
        } else {
            wedge.push_back(Add(v, n1, h));
            // The outer corner lies 1 / cos(half the turn) half-widths out.
            const PointD bisector = Add(n1, n2);
            const double cosHalf = std::hypot(bisector.x, bisector.y) / 2;
            if (style.join == LineJoin::Miter && cosHalf > 0 && 1 / cosHalf <= style.miterLimit)
                wedge.push_back(Add(v, bisector, h / (2 * cosHalf * cosHalf)));
            wedge.push_back(Add(v, n2, h));
        }
        Emit(std::move(wedge), piece);
    }

    // The cap at an end point v, where the line leaves in direction `out`.
    void Cap(PointD v, PointD out) {
        const PointD n = Normal(out);
        if (style.cap == LineCap::Flat) return;
        if (style.cap == LineCap::Square) {
            Emit({v, Add(v, n, h), Add(Add(v, n, h), out, h), Add(Add(v, n, -h), out, h),
                  Add(v, n, -h)},
                 piece);
            return;
        }
        std::vector<PointD> half{v};
        AppendArc(half, v, h, n, {-n.x, -n.y}, out);
        Emit(std::move(half), piece);
    }

    const StrokeStyle& style;
    double h;
    const PolylineSink& piece;
};

} // namespace

void DashPolyline(std::span<const PointD> points, bool closed, std::span<const double> pattern,
                  const BoxD& window, const PolylineSink& part) {
    if (points.empty()) return;
    if (!UsablePattern(pattern)) {
        std::vector<PointD> all(points.begin(), points.end());
        if (closed) all.push_back(points.front());
        part(std::move(all));
        return;
    }
    DashPhase phase(pattern);
    std::vector<PointD> current;
    const auto flush = [&] {
        if (current.size() > 1) part(std::move(current));
        current.clear();
    };
    const std::size_t segments = closed ? points.size() : points.size() - 1;
    for (std::size_t i = 0; i < segments; ++i) {
        const PointD a = points[i], b = points[(i + 1) % points.size()];
        const double length = std::hypot(b.x - a.x, b.y - a.y);
        if (!(length > 0)) continue;
        const auto in = Inside(a, b, window);
        if (!in) {
            flush();
            phase.Skip(length);
            continue;
        }
        const PointD dir{(b.x - a.x) / length, (b.y - a.y) / length};
        double t = in->first * length;
        const double t1 = in->second * length;
        if (t > 0) flush();
        phase.Skip(t);
        while (t < t1) {
            const double step = std::min(phase.Left(), t1 - t);
            if (phase.On()) {
                if (current.empty()) current.push_back(Add(a, dir, t));
                current.push_back(Add(a, dir, t + step));
            } else {
                flush();
            }
            t = step == t1 - t ? t1 : t + step;
            phase.Advance(step);
            if (!phase.On()) flush();
        }
        if (t1 < length) {
            flush();
            phase.Skip(length - t1);
        }
    }
    flush();
}

void StrokePieces(std::span<const PointD> points, bool closed, const StrokeStyle& style,
                  const PolylineSink& piece) {
    std::vector<PointD> distinct;
    for (const PointD& p : points) {
        if (distinct.empty() || p.x != distinct.back().x || p.y != distinct.back().y)
            distinct.push_back(p);
    }
    if (distinct.empty() || !(style.width > 0)) return;
    Stroker(style, piece).Run(std::move(distinct), closed);
}
