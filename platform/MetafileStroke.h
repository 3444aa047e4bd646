// Wide and dashed lines in output pixels. A dash pattern cuts a polyline
// into the parts it leaves on; a wide stroke becomes convex pieces (one per
// segment, one per join, one per cap) whose union is the stroke, so they can
// be filled together, or in batches, under the winding rule.
#pragma once

#include <functional>
#include <span>
#include <vector>

#include "platform/MetafileShapes.h"

enum class LineCap { Round, Square, Flat };
enum class LineJoin { Round, Bevel, Miter };

struct StrokeStyle {
    double width = 1; // pixels
    LineCap cap = LineCap::Round;
    LineJoin join = LineJoin::Round;
    // A miter longer than this many widths (from the inner to the outer
    // corner) is bevelled instead.
    double miterLimit = 10;
};

using PolylineSink = std::function<void(std::vector<PointD>&& points)>;

// Calls part() for each stretch of the polyline (a closed one runs back to
// its first point) that the dash pattern leaves on: lengths in pixels, on,
// off, on, off, ..., repeating from the first point. A pattern whose lengths
// add up to less than kMinDashPeriod, or that holds a negative or non-finite
// length, leaves it all on. Stretches wholly outside `window` are not
// produced, and a segment is only walked where it crosses the window, so far
// away points cost nothing.
inline constexpr double kMinDashPeriod = 1;
void DashPolyline(std::span<const PointD> points, bool closed, std::span<const double> pattern,
                  const BoxD& window, const PolylineSink& part);

// Calls piece() with each convex piece of the stroke along the polyline,
// every one with a positive area in y-down coordinates (the same turning
// sense), so that their union is what the winding rule fills. Repeated
// points are ignored; a polyline of one distinct point draws nothing.
void StrokePieces(std::span<const PointD> points, bool closed, const StrokeStyle& style,
                  const PolylineSink& piece);
