// The pens of a metafile as records define them, and how one draws at a
// given scale: its width in output pixels, its end caps, joins and dash
// pattern.
//
// Pens made like CreatePen's (EMR_CREATEPEN, META_CREATEPENINDIRECT) have a
// width in logical units (0: one pixel whatever the mapping); a dashed or
// dotted style only holds for a width of 1 or less, a wider one draws
// solid. Pens made like ExtCreatePen's (EMR_EXTCREATEPEN) are geometric (a
// width in logical units) or cosmetic (one pixel). Both take the end cap
// and join of the style's bits, round by default.
//
// Dash patterns. Cosmetic and CreatePen pens repeat 18 on, 6 off (dash),
// 3, 3 (dot), 9, 6, 3, 6 (dash-dot) and 9, 3, 3, 3, 3, 3 (dash-dot-dot),
// in pixels times the drawn width; geometric pens repeat 3, 1 (dash), 1, 1
// (dot), 3, 1, 1, 1 and 3, 1, 1, 1, 1, 1 widths. PS_ALTERNATE is every
// other pixel; a user style's lengths are logical units for a geometric pen,
// pixels for a cosmetic one (at most 16 of them).
#pragma once

#include <span>
#include <vector>

#include "platform/Gdi.h"
#include "platform/MetafileStroke.h"

inline constexpr DWORD PS_DASH = 1, PS_DOT = 2, PS_DASHDOT = 3, PS_DASHDOTDOT = 4;
inline constexpr DWORD PS_INSIDEFRAME = 6, PS_USERSTYLE = 7, PS_ALTERNATE = 8;
inline constexpr DWORD PS_ENDCAP_SQUARE = 0x100, PS_ENDCAP_FLAT = 0x200;
inline constexpr DWORD PS_JOIN_BEVEL = 0x1000, PS_JOIN_MITER = 0x2000;
inline constexpr DWORD PS_GEOMETRIC = 0x10000;

struct MetaPen {
    bool null = false;
    COLORREF color = RGB(0, 0, 0);
    double width = 0;         // logical units; 0 draws one pixel wide
    bool cosmetic = false;    // always one pixel wide
    bool geometric = false;   // made by ExtCreatePen with PS_GEOMETRIC
    DWORD dash = PS_SOLID;    // PS_SOLID, PS_DASH .. PS_DASHDOTDOT, PS_USERSTYLE, PS_ALTERNATE
    bool insideFrame = false; // shapes drawn within their bounding boxes
    LineCap cap = LineCap::Round;
    LineJoin join = LineJoin::Round;
    std::vector<double> userStyle;
};

enum class PenRecord { Create, ExtCreate };

MetaPen MakePen(DWORD style, double width, COLORREF color, PenRecord from,
                std::span<const DWORD> userStyle = {});
// The stock pens: white, black, null; one pixel wide.
MetaPen StockPen(COLORREF color, bool null);

// A pen as it draws at `scale` output pixels per logical unit: its width in
// whole pixels (1 for every thin line), the stroke of a wider one, and the
// dash pattern in pixels (empty for a solid line).
struct PenShape {
    int width = 1;
    StrokeStyle stroke;
    std::vector<double> dashes;
};
// `maxWidth` bounds the width (hostile files ask for any).
PenShape ShapeOf(const MetaPen& pen, double scale, double miterLimit, double maxWidth);
