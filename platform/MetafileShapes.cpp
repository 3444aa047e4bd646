#include "platform/MetafileShapes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

struct Ellipse {
    double cx, cy, rx, ry;

    explicit Ellipse(const BoxD& b)
        : cx((b.left + b.right) / 2), cy((b.top + b.bottom) / 2),
          rx(std::fabs(b.right - b.left) / 2), ry(std::fabs(b.bottom - b.top) / 2) {}

    PointD At(double t) const { return {cx + rx * std::cos(t), cy + ry * std::sin(t)}; }
    // The parametric angle where the radial line through p meets the ellipse.
    double AngleOf(PointD p) const { return std::atan2((p.y - cy) * rx, (p.x - cx) * ry); }
};

// Appends the points of the ellipse from angle t0 over `sweep` radians.
void AppendArc(std::vector<PointD>& out, const Ellipse& e, double t0, double sweep, int segments) {
    const int n = std::max(1, static_cast<int>(std::ceil(segments * std::fabs(sweep) / kTwoPi)));
    for (int i = 0; i <= n; ++i)
        out.push_back(e.At(t0 + sweep * i / n));
}

BoxD Normalized(const BoxD& b) {
    return {std::min(b.left, b.right), std::min(b.top, b.bottom), std::max(b.left, b.right),
            std::max(b.top, b.bottom)};
}

} // namespace

int CurveSegments(double pixels) {
    if (!(pixels > 1)) return 8;
    return static_cast<int>(std::clamp(std::ceil(4 * std::sqrt(pixels)), 8.0, 1024.0));
}

Figure RectangleFigure(const BoxD& box) {
    const BoxD b = Normalized(box);
    return Figure{{{b.left, b.top}, {b.right, b.top}, {b.right, b.bottom}, {b.left, b.bottom}},
                  true};
}

Figure EllipseFigure(const BoxD& box, int segments) {
    Figure f{{}, true};
    AppendArc(f.points, Ellipse(box), 0, kTwoPi, segments);
    f.points.pop_back(); // the closing point repeats the first
    return f;
}

Figure RoundRectFigure(const BoxD& box, double cornerWidth, double cornerHeight, int segments) {
    const BoxD b = Normalized(box);
    const double rx = std::min(std::fabs(cornerWidth), b.right - b.left) / 2;
    const double ry = std::min(std::fabs(cornerHeight), b.bottom - b.top) / 2;
    if (rx <= 0 || ry <= 0) return RectangleFigure(b);
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
        AppendArc(f.points, corners[i], -quarter + i * quarter, quarter, segments);
    return f;
}

Figure ArcFigure(ArcKind kind, const BoxD& box, PointD start, PointD end, bool increasing,
                 int segments) {
    const Ellipse e(box);
    const double t0 = e.AngleOf(start);
    double sweep = e.AngleOf(end) - t0;
    if (increasing) {
        while (sweep <= 0)
            sweep += kTwoPi;
    } else {
        while (sweep >= 0)
            sweep -= kTwoPi;
    }
    Figure f{{}, kind != ArcKind::Arc};
    AppendArc(f.points, e, t0, sweep, segments);
    if (kind == ArcKind::Pie) f.points.push_back({e.cx, e.cy});
    return f;
}

void AppendBeziers(std::vector<PointD>& out, PointD from, std::span<const PointD> points,
                   int segmentsPerCurve) {
    for (std::size_t i = 0; i + 3 <= points.size(); i += 3) {
        const PointD p0 = from, p1 = points[i], p2 = points[i + 1], p3 = points[i + 2];
        for (int s = 1; s <= segmentsPerCurve; ++s) {
            const double t = static_cast<double>(s) / segmentsPerCurve, u = 1 - t;
            const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
            out.push_back({a * p0.x + b * p1.x + c * p2.x + d * p3.x,
                           a * p0.y + b * p1.y + c * p2.y + d * p3.y});
        }
        from = p3;
    }
}
