#include "platform/MetafileTransform.h"

#include <algorithm>
#include <cmath>

namespace {

// Millimetres per logical unit of the fixed mapping modes.
double MillimetresPerUnit(int mode) {
    switch (mode) {
    case MM_LOMETRIC:
        return 0.1;
    case MM_HIMETRIC:
        return 0.01;
    case MM_LOENGLISH:
        return 0.254;
    case MM_HIENGLISH:
        return 0.0254;
    default: // MM_TWIPS
        return 25.4 / 1440.0;
    }
}

bool IsUsable(double v) {
    return std::isfinite(v) && v != 0.0;
}

} // namespace

Xform Xform::Compose(const Xform& first, const Xform& then) {
    Xform r;
    r.m11 = first.m11 * then.m11 + first.m12 * then.m21;
    r.m12 = first.m11 * then.m12 + first.m12 * then.m22;
    r.m21 = first.m21 * then.m11 + first.m22 * then.m21;
    r.m22 = first.m21 * then.m12 + first.m22 * then.m22;
    r.dx = first.dx * then.m11 + first.dy * then.m21 + then.dx;
    r.dy = first.dx * then.m12 + first.dy * then.m22 + then.dy;
    return r;
}

bool MetafileTransform::SetMapMode(int mode) {
    if (mode < MM_TEXT || mode > MM_ANISOTROPIC) return false;
    mapMode = mode;
    return true;
}

bool MetafileTransform::SetWindowExt(PointD e) {
    if (!IsUsable(e.x) || !IsUsable(e.y)) return false;
    windowExt = e;
    return true;
}

bool MetafileTransform::SetViewportExt(PointD e) {
    if (!IsUsable(e.x) || !IsUsable(e.y)) return false;
    viewportExt = e;
    return true;
}

bool MetafileTransform::SetWorld(const Xform& x) {
    const double det = x.Determinant();
    if (!IsUsable(det) || !std::isfinite(x.dx) || !std::isfinite(x.dy)) return false;
    world = x;
    return true;
}

// Device = (logical - window origin) * scale + viewport origin, where MM_TEXT
// has scale 1, the fixed modes their physical size with y upwards, and the
// scalable modes viewport extent / window extent (MM_ISOTROPIC keeps the
// smaller magnitude on both axes).
PointD MetafileTransform::PageScale() const {
    switch (mapMode) {
    case MM_TEXT:
        return {1, 1};
    case MM_ISOTROPIC:
    case MM_ANISOTROPIC: {
        PointD s{viewportExt.x / windowExt.x, viewportExt.y / windowExt.y};
        if (mapMode == MM_ISOTROPIC) {
            const double m = std::min(std::fabs(s.x), std::fabs(s.y));
            s = {std::copysign(m, s.x), std::copysign(m, s.y)};
        }
        return s;
    }
    default: {
        const double mm = MillimetresPerUnit(mapMode);
        return {pixelsPerMm.x * mm, -pixelsPerMm.y * mm};
    }
    }
}

Xform MetafileTransform::Total() const {
    const PointD s = PageScale();
    Xform page;
    page.m11 = s.x;
    page.m22 = s.y;
    page.dx = viewportOrg.x - windowOrg.x * s.x;
    page.dy = viewportOrg.y - windowOrg.y * s.y;
    return Xform::Compose(Xform::Compose(world, page), output);
}

double MetafileTransform::ScaleX() const {
    const Xform t = Total();
    return std::hypot(t.m11, t.m12);
}
