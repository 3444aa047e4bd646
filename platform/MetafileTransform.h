// The coordinate mapping of a metafile player: a logical point passes
// through the world transform (enhanced metafiles), the page transform of
// the mapping mode (window and viewport origins and extents) and finally the
// fixed mapping of the recording device onto the output rectangle.
#pragma once

#include "platform/PointD.h"
#include "platform/WinTypes.h"

// Mapping modes.
inline constexpr int MM_TEXT = 1;
inline constexpr int MM_LOMETRIC = 2;
inline constexpr int MM_HIMETRIC = 3;
inline constexpr int MM_LOENGLISH = 4;
inline constexpr int MM_HIENGLISH = 5;
inline constexpr int MM_TWIPS = 6;
inline constexpr int MM_ISOTROPIC = 7;
inline constexpr int MM_ANISOTROPIC = 8;

// An affine map: x' = x * m11 + y * m21 + dx, y' = x * m12 + y * m22 + dy.
struct Xform {
    double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;

    PointD Apply(PointD p) const {
        return {p.x * m11 + p.y * m21 + dx, p.x * m12 + p.y * m22 + dy};
    }
    double Determinant() const { return m11 * m22 - m12 * m21; }
    // The map that applies `first`, then `then`.
    static Xform Compose(const Xform& first, const Xform& then);
};

class MetafileTransform {
public:
    // `output` maps recording-device pixels onto the output raster;
    // `pixelsPerMm` is the recording device's resolution, for the metric and
    // English mapping modes.
    MetafileTransform(const Xform& output, PointD pixelsPerMm)
        : output(output), pixelsPerMm(pixelsPerMm) {}

    PointD ToOutput(PointD logical) const { return Total().Apply(logical); }
    // The whole map from logical units to output pixels.
    Xform Total() const;
    // Output pixels per logical unit along x, for pen widths.
    double ScaleX() const;
    // The map from recording-device pixels to output pixels.
    const Xform& Output() const { return output; }

    // State changes; false (and nothing changed) for values the platform
    // refuses: an unknown mode, a zero extent, a singular world transform.
    bool SetMapMode(int mode);
    int MapMode() const { return mapMode; }
    void SetWindowOrg(PointD p) { windowOrg = p; }
    void SetViewportOrg(PointD p) { viewportOrg = p; }
    bool SetWindowExt(PointD e);
    bool SetViewportExt(PointD e);
    PointD WindowOrg() const { return windowOrg; }
    PointD ViewportOrg() const { return viewportOrg; }
    PointD WindowExt() const { return windowExt; }
    PointD ViewportExt() const { return viewportExt; }
    bool SetWorld(const Xform& x);
    const Xform& World() const { return world; }

private:
    // Recording-device pixels per logical unit of the page transform.
    PointD PageScale() const;

    Xform output;
    PointD pixelsPerMm;
    int mapMode = MM_TEXT;
    PointD windowOrg{0, 0}, windowExt{1, 1};
    PointD viewportOrg{0, 0}, viewportExt{1, 1};
    Xform world;
};
