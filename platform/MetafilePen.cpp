#include "platform/MetafilePen.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr std::size_t kMaxUserStyle = 16;

LineCap CapOf(DWORD style) {
    switch (style & 0xF00) {
    case PS_ENDCAP_SQUARE:
        return LineCap::Square;
    case PS_ENDCAP_FLAT:
        return LineCap::Flat;
    default:
        return LineCap::Round;
    }
}

LineJoin JoinOf(DWORD style) {
    switch (style & 0xF000) {
    case PS_JOIN_BEVEL:
        return LineJoin::Bevel;
    case PS_JOIN_MITER:
        return LineJoin::Miter;
    default:
        return LineJoin::Round;
    }
}

// The pattern of a dashed style in units: pixels for cosmetic and
// CreatePen pens, widths for geometric ones.
std::vector<double> Pattern(DWORD dash, bool geometric) {
    switch (dash) {
    case PS_DASH:
        return geometric ? std::vector<double>{3, 1} : std::vector<double>{18, 6};
    case PS_DOT:
        return geometric ? std::vector<double>{1, 1} : std::vector<double>{3, 3};
    case PS_DASHDOT:
        return geometric ? std::vector<double>{3, 1, 1, 1} : std::vector<double>{9, 6, 3, 6};
    case PS_DASHDOTDOT:
        return geometric ? std::vector<double>{3, 1, 1, 1, 1, 1}
                         : std::vector<double>{9, 3, 3, 3, 3, 3};
    case PS_ALTERNATE:
        return {1, 1};
    default:
        return {};
    }
}

} // namespace

MetaPen MakePen(DWORD style, double width, COLORREF color, PenRecord from,
                std::span<const DWORD> userStyle) {
    MetaPen pen;
    const DWORD kind = style & 0x0F;
    pen.null = kind == PS_NULL;
    pen.color = color;
    pen.width = width;
    pen.cap = CapOf(style);
    pen.join = JoinOf(style);
    pen.insideFrame = kind == PS_INSIDEFRAME;
    if (from == PenRecord::ExtCreate) {
        pen.geometric = (style & PS_GEOMETRIC) != 0;
        pen.cosmetic = !pen.geometric;
        if (kind == PS_USERSTYLE) {
            for (DWORD l : userStyle.first(std::min(userStyle.size(), kMaxUserStyle)))
                pen.userStyle.push_back(l);
        }
        if ((kind >= PS_DASH && kind <= PS_DASHDOTDOT) || kind == PS_USERSTYLE ||
            (kind == PS_ALTERNATE && pen.cosmetic))
            pen.dash = kind;
    } else if (kind >= PS_DASH && kind <= PS_DASHDOTDOT && !(std::fabs(width) > 1)) {
        pen.dash = kind;
    }
    return pen;
}

MetaPen StockPen(COLORREF color, bool null) {
    MetaPen pen;
    pen.null = null;
    pen.color = color;
    pen.cosmetic = true;
    return pen;
}

PenShape ShapeOf(const MetaPen& pen, double scale, double miterLimit, double maxWidth) {
    PenShape shape;
    if (!pen.cosmetic) {
        const double w = std::round(std::fabs(pen.width) * scale);
        if (w > 1) shape.width = static_cast<int>(std::min(w, std::max(maxWidth, 1.0)));
    }
    shape.stroke = StrokeStyle{double(shape.width), pen.cap, pen.join,
                               std::isfinite(miterLimit) ? std::max(miterLimit, 1.0) : 10};
    if (pen.dash == PS_USERSTYLE) {
        for (double l : pen.userStyle)
            shape.dashes.push_back(pen.geometric ? l * scale : l);
    } else {
        for (double l : Pattern(pen.dash, pen.geometric))
            shape.dashes.push_back(pen.dash == PS_ALTERNATE ? l : l * shape.width);
    }
    return shape;
}
