#include "platform/MetafileShapes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr int kMaxSegments = 1024;

// An ellipse in logical units and its image on the output: an affine map
// keeps it an ellipse, centre t(c) with the images of its two radii as
// conjugate half axes.
struct Ellipse {
    double cx, cy, rx, ry;

    explicit Ellipse(const BoxD& b)
        : cx((b.left + b.right) / 2), cy((b.top + b.bottom) / 2),
          rx(std::fabs(b.right - b.left) / 2), ry(std::fabs(b.bottom - b.top) / 2) {}

    PointD At(double a) const { return {cx + rx * std::cos(a), cy + ry * std::sin(a)}; }
    // The parametric angle where the radial line through p meets the ellipse.
    double AngleOf(PointD p) const { return std::atan2((p.y - cy) * rx, (p.x - cx) * ry); }
    // The longest radius on the output, bounded by its half axes.
    double OutputRadius(const Xform& t) const {
        return std::hypot(std::hypot(t.m11 * rx, t.m12 * rx), std::hypot(t.m21 * ry, t.m22 * ry));
    }
};

// Appends the output points of the ellipse from angle a0 over `sweep`
// radians.
void AppendArc(std::vector<PointD>& out, const Ellipse& e, double a0, double sweep,
               const Xform& t) {
    const double turns = std::fabs(sweep) / kTwoPi;
    const int n =
        std::max(1, static_cast<int>(std::ceil(CurveSegments(e.OutputRadius(t)) * turns)));
    for (int i = 0; i <= n; ++i)
        out.push_back(t.Apply(e.At(a0 + sweep * i / n)));
}

BoxD Normalized(const BoxD& b) {
    return {std::min(b.left, b.right), std::min(b.top, b.bottom), std::max(b.left, b.right),
            std::max(b.top, b.bottom)};
}

double Length(PointD d) {
    return std::hypot(d.x, d.y);
}

} // namespace

int CurveSegments(double pixels) {
    if (!(pixels > 1)) return 8;
    return static_cast<int>(std::clamp(std::ceil(4 * std::sqrt(pixels)), 8.0, 1.0 * kMaxSegments));
}

Figure RectangleFigure(const BoxD& box, const Xform& t) {
    const BoxD b = Normalized(box);
    return Figure{{t.Apply({b.left, b.top}), t.Apply({b.right, b.top}),
                   t.Apply({b.right, b.bottom}), t.Apply({b.left, b.bottom})},
                  true};
}

Figure EllipseFigure(const BoxD& box, const Xform& t) {
    Figure f{{}, true};
    AppendArc(f.points, Ellipse(box), 0, kTwoPi, t);
    f.points.pop_back(); // the closing point repeats the first
    return f;
}

Figure RoundRectFigure(const BoxD& box, double cornerWidth, double cornerHeight, const Xform& t) {
    const BoxD b = Normalized(box);
    const double rx = std::min(std::fabs(cornerWidth), b.right - b.left) / 2;
    const double ry = std::min(std::fabs(cornerHeight), b.bottom - b.top) / 2;
    if (!(rx > 0 && ry > 0)) return RectangleFigure(b, t);
    Figure f{{}, true};
    // Corner centres clockwise from the top right (angles grow towards +y).
    const Ellipse corners[] = {
        Ellipse(BoxD{b.right - 2 * rx, b.top, b.right, b.top + 2 * ry}),
        Ellipse(BoxD{b.right - 2 * rx, b.bottom - 2 * ry, b.right, b.bottom}),
        Ellipse(BoxD{b.left, b.bottom - 2 * ry, b.left + 2 * rx, b.bottom}),
        Ellipse(BoxD{b.left, b.top, b.left + 2 * rx, b.top + 2 * ry}),
    };
    const double quarter = std::numbers::pi / 2;
    for (int i = 0; i < 4; ++i)
        AppendArc(f.points, corners[i], -quarter + i * quarter, quarter, t);
    return f;
}

Figure ArcFigure(ArcKind kind, const BoxD& box, PointD start, PointD end, bool increasing,
                 const Xform& t) {
    const Ellipse e(box);
    const double a0 = e.AngleOf(start);
    double sweep = e.AngleOf(end) - a0;
    if (increasing) {
        while (sweep <= 0)
            sweep += kTwoPi;
    } else {
        while (sweep >= 0)
            sweep -= kTwoPi;
    }
    Figure f{{}, kind != ArcKind::Arc};
    AppendArc(f.points, e, a0, sweep, t);
    if (kind == ArcKind::Pie) f.points.push_back(t.Apply({e.cx, e.cy}));
    return f;
}

PointD PointOnEllipse(const BoxD& box, PointD p) {
    const Ellipse e(box);
    return e.At(e.AngleOf(p));
}

// The polyline of n equal steps strays from the curve by at most
// max |B''| / (8 n^2), and |B''| <= 6 max(|p0 - 2 p1 + p2|, |p1 - 2 p2 + p3|).
int BezierSegments(const PointD (&p)[4]) {
    const double d = std::max(Length({p[0].x - 2 * p[1].x + p[2].x, p[0].y - 2 * p[1].y + p[2].y}),
                              Length({p[1].x - 2 * p[2].x + p[3].x, p[1].y - 2 * p[2].y + p[3].y}));
    constexpr double kTolerance = 0.25;
    const double n = std::ceil(std::sqrt(6 * d / (8 * kTolerance)));
    return n >= 1 ? static_cast<int>(std::min(n, 1.0 * kMaxSegments)) : 1; // NaN too
}

void AppendBezier(std::vector<PointD>& out, const PointD (&p)[4], int segments) {
    for (int s = 1; s <= segments; ++s) {
        const double t = static_cast<double>(s) / segments, u = 1 - t;
        const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
        out.push_back({a * p[0].x + b * p[1].x + c * p[2].x + d * p[3].x,
                       a * p[0].y + b * p[1].y + c * p[2].y + d * p[3].y});
    }
}
