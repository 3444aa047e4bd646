// The outlines of the metafile shapes: rectangles, rounded rectangles,
// ellipses, arcs, chords, pies and Bezier curves. Shapes are given in
// logical units and come out in output pixels through the mapping `t`;
// curves are flattened after the mapping, into enough straight segments
// for their size on the output, so they stay smooth at any scale.
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

// How finely a full turn of a curve whose radius spans `pixels` output
// pixels is divided: enough segments that no chord strays more than about a
// third of a pixel, at most 1024.
int CurveSegments(double pixels);

Figure RectangleFigure(const BoxD& box, const Xform& t);
Figure EllipseFigure(const BoxD& box, const Xform& t);
// Corners are quarter ellipses of cornerWidth x cornerHeight.
Figure RoundRectFigure(const BoxD& box, double cornerWidth, double cornerHeight, const Xform& t);
// The arc of the ellipse in `box` from the radial line through `start` to
// the one through `end`, with increasing angle (x towards y) when
// `increasing`, else decreasing; equal radial lines give the whole ellipse.
// A chord closes with a straight line, a pie through the centre.
Figure ArcFigure(ArcKind kind, const BoxD& box, PointD start, PointD end, bool increasing,
                 const Xform& t);
// Where the radial line through `p` meets the ellipse in `box` (logical).
PointD PointOnEllipse(const BoxD& box, PointD p);

// A cubic Bezier curve from p[0] through the control points p[1], p[2] to
// p[3], in output pixels: the number of equal parameter steps that keep
// the polyline within a quarter pixel of the curve, and their end points.
int BezierSegments(const PointD (&p)[4]);
void AppendBezier(std::vector<PointD>& out, const PointD (&p)[4], int segments);
