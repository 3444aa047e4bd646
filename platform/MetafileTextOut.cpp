// Text of the metafile canvas: the logical font, reference point, advances
// and rectangles mapped to the device, and the string drawn there.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "platform/MetafileCanvas.h"

namespace {

// The largest font size handed to the device, which draws glyphs of at most
// kMaxGlyphPixels.
constexpr double kMaxDeviceSize = 1e6, kMaxGlyphPixels = 4096;
// Playback scales this close to each other leave glyph proportions alone.
constexpr double kSameStretch = 0.02;

POINT DevicePoint(PointD p) {
    const double limit = 1e9;
    if (std::isnan(p.x) || std::isnan(p.y)) return POINT{0, 0};
    return POINT{static_cast<LONG>(std::lround(std::clamp(p.x, -limit, limit))),
                 static_cast<LONG>(std::lround(std::clamp(p.y, -limit, limit)))};
}

// A logical font size in device pixels, with its sign; a size that is not
// zero stays at least one pixel.
LONG DeviceSize(LONG logical, double scale) {
    if (logical == 0) return 0;
    const double v = std::clamp(std::fabs(logical * scale), 1.0, kMaxDeviceSize);
    return static_cast<LONG>(std::lround(logical < 0 ? -v : v));
}

// How far the mapping turns the x axis counterclockwise on the device, in
// tenths of a degree; a mirrored axis alone does not turn text.
double Turn(const Xform& t) {
    if (t.m12 == 0) return 0;
    return -std::atan2(t.m12, std::fabs(t.m11)) * 1800 / std::numbers::pi;
}

// The logical point of a device point under the map.
PointD Inverse(const Xform& t, POINT p) {
    const double det = t.Determinant();
    const double x = p.x - t.dx, y = p.y - t.dy;
    return PointD{(x * t.m22 - y * t.m21) / det, (y * t.m11 - x * t.m12) / det};
}

// Cumulative logical advances as device steps, rounded at each position so
// that rounding does not add up along the string.
std::vector<int> DeviceSteps(const std::vector<double>& logical, double scale) {
    std::vector<int> steps;
    steps.reserve(logical.size());
    double sum = 0;
    long long placed = 0;
    for (double d : logical) {
        sum += d * scale;
        const long long at = std::llround(std::clamp(sum, -1e9, 1e9));
        steps.push_back(static_cast<int>(at - placed));
        placed = at;
    }
    return steps;
}

} // namespace

DeviceFont::~DeviceFont() {
    if (!font) return;
    SelectObject(hdc, previous);
    DeleteObject(font);
}

void DeviceFont::Make(const LOGFONTW& lf) {
    HFONT made = CreateFontIndirectW(&lf);
    if (!made) return;
    HGDIOBJ was = SelectObject(hdc, made);
    if (font) {
        DeleteObject(font);
    } else {
        previous = was;
    }
    font = made;
}

// A width of 0 keeps the face's proportions; stretched, the width is the
// face's average width at that height times the stretch.
void DeviceFont::Select(const LOGFONTW& lf, double stretch) {
    if (std::fabs(stretch - 1) < kSameStretch) stretch = 1;
    if (font && std::memcmp(&lf, &current, sizeof lf) == 0 && stretch == currentStretch) return;
    Make(lf);
    current = lf;
    currentStretch = stretch;
    TEXTMETRICW tm;
    if (lf.lfWidth != 0 || stretch == 1 || !GetTextMetricsW(hdc, &tm)) return;
    LOGFONTW wide = lf;
    wide.lfWidth = static_cast<LONG>(
        std::lround(std::clamp(tm.tmAveCharWidth * stretch, 1.0, kMaxDeviceSize)));
    Make(wide);
}

void MetafileCanvas::Text(const MetaText& t) {
    if (recording) return; // glyph outlines do not join paths
    const Xform x = state.transform.Total();
    const double sx = std::hypot(x.m11, x.m12), sy = std::hypot(x.m21, x.m22);
    if (!(sx > 0 && sy > 0 && std::isfinite(sx * sy) && x.Determinant() != 0)) return;
    LOGFONTW lf = state.font;
    lf.lfHeight = DeviceSize(lf.lfHeight, sy);
    lf.lfWidth = std::abs(DeviceSize(lf.lfWidth, sx));
    // The escapement turns from the logical x axis towards logical -y, so a
    // mapping with y upwards turns it the other way on the device.
    const double escapement =
        x.Determinant() < 0 ? -(lf.lfEscapement % 3600) : lf.lfEscapement % 3600;
    lf.lfEscapement = static_cast<LONG>(std::lround(std::fmod(escapement + Turn(x) + 7200, 3600)));
    const bool updateCp = state.textAlign & TA_UPDATECP;
    const POINT at = DevicePoint(x.Apply(updateCp ? state.position : t.reference));

    std::vector<int> dx;
    const bool pairs = (t.options & ETO_PDY) && t.dy.size() == t.dx.size();
    if (!t.dx.empty() && t.dx.size() == t.text.size()) {
        const std::vector<int> along = DeviceSteps(t.dx, sx);
        const std::vector<int> down = pairs ? DeviceSteps(t.dy, x.m22) : std::vector<int>{};
        for (std::size_t i = 0; i < along.size(); ++i) {
            dx.push_back(along[i]);
            if (pairs) dx.push_back(down[i]);
        }
    }
    UINT options = t.options & (ETO_OPAQUE | ETO_CLIPPED | ETO_GLYPH_INDEX);
    if (pairs && !dx.empty()) options |= ETO_PDY;
    std::optional<RECT> rect;
    if (t.rect && (options & (ETO_OPAQUE | ETO_CLIPPED))) {
        const std::vector<PointD> corners =
            RectangleFigure(*t.rect, state.transform.Total()).points;
        RECT r{DevicePoint(corners[0]).x, DevicePoint(corners[0]).y, DevicePoint(corners[0]).x,
               DevicePoint(corners[0]).y};
        for (const PointD& c : corners) {
            const POINT q = DevicePoint(c);
            r = RECT{std::min(r.left, q.x), std::min(r.top, q.y), std::max(r.right, q.x),
                     std::max(r.bottom, q.y)};
        }
        rect = r;
    }

    // The work: rendering each character's glyph (wherever it lands, since
    // glyphs are measured too) and the opaque rectangle within the clip.
    const RECT clipBox = state.clip->Bounds();
    const double clipArea =
        std::max(0.0, (0.0 + clipBox.right - clipBox.left) * (0.0 + clipBox.bottom - clipBox.top));
    const double cell = std::clamp(std::max(std::fabs(double(lf.lfHeight)), double(lf.lfWidth)),
                                   16.0, kMaxGlyphPixels);
    double cost = static_cast<double>(t.text.size()) * (1 + 2 * cell * cell);
    if (rect && (options & ETO_OPAQUE))
        cost +=
            std::min(clipArea, (0.0 + rect->right - rect->left) * (0.0 + rect->bottom - rect->top));
    if (!Spend(cost)) return;

    const Xform& out = state.transform.Output();
    const double stretch = out.m11 != 0 && out.m22 != 0 ? std::fabs(out.m11 / out.m22) : 1;
    deviceFont.Select(lf, std::clamp(stretch, 1e-3, 1e3));
    SetTextColor(hdc, state.textColor);
    SetTextAlign(hdc, state.textAlign);
    SetTextCharacterExtra(
        hdc, static_cast<int>(std::lround(std::clamp(state.charExtra * sx, -1e6, 1e6))));
    SetBkMode(hdc, state.bkMode);
    SetBkColor(hdc, state.bkColor);
    if (updateCp) MoveToEx(hdc, at.x, at.y, nullptr);
    ExtTextOutW(hdc, at.x, at.y, options, rect ? &*rect : nullptr, t.text.data(),
                static_cast<UINT>(t.text.size()), dx.empty() ? nullptr : dx.data());
    if (updateCp) {
        POINT moved;
        GetCurrentPositionEx(hdc, &moved);
        state.position = Inverse(x, moved);
    }
}
