// Flood fills: the pixels connected to a start pixel (through their four
// neighbours) that are not of a border colour, or that are of a surface
// colour, painted with the brush.
#include <vector>

#include "platform/GdiObjects.h"

namespace {

struct Seed {
    LONG x, y;
};

} // namespace

BOOL ExtFloodFill(HDC hdc, int x, int y, COLORREF color, UINT type) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc || (type != FLOODFILLBORDER && type != FLOODFILLSURFACE)) return FALSE;
    const POINT start = ToDevice(*dc, x, y);
    const Region& visible = VisibleRegion(*dc);
    const RECT box = visible.Bounds();
    const Raster& raster = dc->bitmap->raster;
    const DWORD rgb = ColorRefToRgb(color);
    const LONG width = box.right - box.left;
    std::vector<bool> seen(static_cast<std::size_t>(width) * (box.bottom - box.top));
    const auto fills = [&](LONG px, LONG py) {
        if (px < box.left || px >= box.right || py < box.top || py >= box.bottom) return false;
        if (seen[std::size_t(py - box.top) * width + (px - box.left)]) return false;
        if (!visible.Contains(px, py)) return false;
        return (raster.Get(px, py) == rgb) == (type == FLOODFILLSURFACE);
    };
    if (!fills(start.x, start.y)) return FALSE;
    // Each seed grows into the run of its row; the rows above and below the
    // run seed again. The runs are painted once all are found.
    std::vector<RECT> runs;
    std::vector<Seed> seeds{{start.x, start.y}};
    while (!seeds.empty()) {
        const Seed s = seeds.back();
        seeds.pop_back();
        if (!fills(s.x, s.y)) continue;
        LONG left = s.x, right = s.x + 1;
        while (fills(left - 1, s.y))
            --left;
        while (fills(right, s.y))
            ++right;
        for (LONG i = left; i < right; ++i)
            seen[std::size_t(s.y - box.top) * width + (i - box.left)] = true;
        runs.push_back(RECT{left, s.y, right, s.y + 1});
        for (const LONG row : {s.y - 1, s.y + 1}) {
            for (LONG i = left; i < right; ++i) {
                if (fills(i, row) && !fills(i + 1, row)) seeds.push_back(Seed{i, row});
            }
            if (fills(right - 1, row)) seeds.push_back(Seed{right - 1, row});
        }
    }
    for (const RECT& r : runs)
        PaintRect(dc->bitmap->raster, visible, r, *dc->brush, dc->bkMode == OPAQUE, dc->bkRgb,
                  dc->rop2);
    return TRUE;
}

BOOL FloodFill(HDC hdc, int x, int y, COLORREF color) {
    return ExtFloodFill(hdc, x, y, color, FLOODFILLBORDER);
}
