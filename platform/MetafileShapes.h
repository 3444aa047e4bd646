// The outlines of the metafile shapes in logical units: rectangles, rounded
// rectangles, ellipses, arcs, chords, pies and Bezier curves, with curves
// flattened into short straight segments.
#pragma once

#include <span>
#include <vector>

#include "platform/MetafileTransform.h"

// An outline: its points and whether it closes back to its first point.
struct Figure {
    std::vector<PointD> points;
    bool closed = false;
};

// A shape's bounding box as the records give it (any corner order).
struct BoxD {
    double left, top, right, bottom;
};

enum class ArcKind { Arc, Chord, Pie };

// How finely a curve whose radius spans `pixels` output pixels is divided:
// enough segments that no chord strays more than about a quarter pixel.
int CurveSegments(double pixels);

Figure RectangleFigure(const BoxD& box);
Figure EllipseFigure(const BoxD& box, int segments);
// Corners are quarter ellipses of cornerWidth x cornerHeight.
Figure RoundRectFigure(const BoxD& box, double cornerWidth, double cornerHeight, int segments);
// The arc of the ellipse in `box` from the radial line through `start` to
// the one through `end`, with increasing angle (x towards y) when
// `increasing`, else decreasing; equal radial lines give the whole ellipse.
// A chord closes with a straight line, a pie through the centre.
Figure ArcFigure(ArcKind kind, const BoxD& box, PointD start, PointD end, bool increasing,
                 int segments);
// Appends the cubic Bezier curves through `points` (each three points: two
// control points and an end point) starting from `from`, to `out`; a
// trailing incomplete curve is dropped.
void AppendBeziers(std::vector<PointD>& out, PointD from, std::span<const PointD> points,
                   int segmentsPerCurve);
