#include "platform/EmfRegionRecords.h"

#include <algorithm>

namespace {

enum : DWORD {
    EMR_OFFSETCLIPRGN = 26,
    EMR_SETMETARGN = 28,
    EMR_EXCLUDECLIPRECT = 29,
    EMR_INTERSECTCLIPRECT = 30,
    EMR_SELECTCLIPPATH = 67,
    EMR_FILLRGN = 71,
    EMR_FRAMERGN = 72,
    EMR_INVERTRGN = 73,
    EMR_PAINTRGN = 74,
    EMR_EXTSELECTCLIPRGN = 75,
};

constexpr std::size_t kRgnHeaderSize = 32;

// The rectangles of the RGNDATA of `size` bytes at `off`: its header's
// count, as far as the data holds them.
std::vector<RECT> RegionRects(const RecordView& r, std::size_t off, std::size_t size) {
    std::vector<RECT> rects;
    if (size < kRgnHeaderSize || !r.Has(off, size)) return rects;
    const std::size_t count = std::min<std::size_t>(r.U32(off + 8), (size - kRgnHeaderSize) / 16);
    for (std::size_t i = 0, at = off + kRgnHeaderSize; i < count; ++i, at += 16)
        rects.push_back(RECT{r.I32(at), r.I32(at + 4), r.I32(at + 8), r.I32(at + 12)});
    return rects;
}

BoxD BoxAt(const RecordView& r, std::size_t off) {
    return {double(r.I32(off)), double(r.I32(off + 4)), double(r.I32(off + 8)),
            double(r.I32(off + 12))};
}

} // namespace

bool PlayEmfRegionRecord(MetafileCanvas& canvas, DWORD type, const RecordView& r,
                         const EmfBrushLookup& brush) {
    const Xform& device = canvas.Transform().Output();
    const auto region = [&](std::size_t sizeAt, std::size_t dataAt) {
        return canvas.OutputRegion(RegionRects(r, dataAt, r.U32(sizeAt)), device);
    };
    switch (type) {
    case EMR_INTERSECTCLIPRECT:
    case EMR_EXCLUDECLIPRECT:
        canvas.ClipRect(BoxAt(r, 8), type == EMR_EXCLUDECLIPRECT);
        return true;
    case EMR_OFFSETCLIPRGN:
        canvas.OffsetClip({double(r.I32(8)), double(r.I32(12))});
        return true;
    case EMR_SETMETARGN:
        canvas.SetMetaRegion();
        return true;
    case EMR_SELECTCLIPPATH:
        canvas.ClipPath(static_cast<int>(r.U32(8)));
        return true;
    case EMR_EXTSELECTCLIPRGN: {
        const int mode = static_cast<int>(r.U32(12));
        if (mode == RGN_COPY && r.U32(8) < kRgnHeaderSize)
            canvas.ResetClip();
        else
            canvas.ClipRegion(region(8, 16), mode);
        return true;
    }
    case EMR_FILLRGN:
        if (const std::optional<MetaBrush> b = brush(r.U32(28)))
            canvas.FillRegion(region(24, 32), *b);
        return true;
    case EMR_FRAMERGN:
        if (const std::optional<MetaBrush> b = brush(r.U32(28)))
            canvas.FrameRegion(region(24, 40), *b, r.I32(32), r.I32(36), device);
        return true;
    case EMR_PAINTRGN:
        canvas.FillRegion(region(24, 28), canvas.State().brush);
        return true;
    case EMR_INVERTRGN:
        canvas.InvertRegion(region(24, 28));
        return true;
    default:
        return false;
    }
}
