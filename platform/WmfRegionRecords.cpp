#include "platform/WmfRegionRecords.h"

namespace {

enum : WORD {
    META_INVERTREGION = 0x012A,
    META_PAINTREGION = 0x012B,
    META_SELECTCLIPREGION = 0x012C,
    META_OFFSETCLIPRGN = 0x0220,
    META_FILLREGION = 0x0228,
    META_EXCLUDECLIPRECT = 0x0415,
    META_INTERSECTCLIPRECT = 0x0416,
    META_FRAMEREGION = 0x0429,
};

constexpr std::size_t kParams = 6;        // parameters follow the record header
constexpr std::size_t kRegionHeader = 22; // the region object before its scans
constexpr WORD kRegionObjectType = 6;

double P(const RecordView& r, std::size_t i) {
    return r.I16(kParams + 2 * i);
}

const MetaObject* RegionAt(const RecordView& r, std::size_t i, const WmfObjectLookup& object) {
    const MetaObject* obj = object(r.U16(kParams + 2 * i));
    return obj && obj->kind == MetaObject::Kind::Region ? obj : nullptr;
}

const MetaBrush* BrushAt(const RecordView& r, std::size_t i, const WmfObjectLookup& object) {
    const MetaObject* obj = object(r.U16(kParams + 2 * i));
    return obj && obj->kind == MetaObject::Kind::Brush ? &obj->brush : nullptr;
}

} // namespace

// The object: next in chain, type, object count, size, scan count, largest
// scan, bounding box (16-bit fields), then scans: a count of x coordinates,
// top, bottom, the left and right ends of each span, the count again.
MetaObject WmfRegionObject(const RecordView& r) {
    MetaObject obj;
    obj.kind = MetaObject::Kind::Other;
    if (r.U16(kParams + 2) != kRegionObjectType) return obj;
    const std::size_t scans = r.U16(kParams + 12);
    std::size_t at = kParams + kRegionHeader;
    for (std::size_t s = 0; s < scans && r.Has(at, 6); ++s) {
        const std::size_t coordinates = r.U16(at);
        const LONG top = r.I16(at + 2), bottom = r.I16(at + 4);
        if (!r.Has(at + 6, 2 * coordinates + 2)) break;
        for (std::size_t i = 0; i + 1 < coordinates; i += 2)
            obj.rects.push_back(RECT{r.I16(at + 6 + 2 * i), top, r.I16(at + 8 + 2 * i), bottom});
        at += 8 + 2 * coordinates;
    }
    obj.kind = MetaObject::Kind::Region;
    return obj;
}

bool PlayWmfRegionRecord(MetafileCanvas& canvas, WORD function, const RecordView& r,
                         const WmfObjectLookup& object) {
    const Xform t = canvas.Transform().Total();
    const auto region = [&](const MetaObject& rgn) { return canvas.OutputRegion(rgn.rects, t); };
    switch (function) {
    case META_INTERSECTCLIPRECT:
    case META_EXCLUDECLIPRECT:
        canvas.ClipRect({P(r, 3), P(r, 2), P(r, 1), P(r, 0)}, function == META_EXCLUDECLIPRECT);
        return true;
    case META_OFFSETCLIPRGN:
        canvas.OffsetClip({P(r, 1), P(r, 0)});
        return true;
    case META_SELECTCLIPREGION:
        if (const MetaObject* rgn = RegionAt(r, 0, object))
            canvas.ClipRegion(region(*rgn), RGN_COPY);
        else
            canvas.ResetClip();
        return true;
    case META_FILLREGION:
    case META_FRAMEREGION: {
        const MetaObject* rgn = RegionAt(r, 0, object);
        const MetaBrush* brush = BrushAt(r, 1, object);
        if (!rgn || !brush) return true;
        if (function == META_FILLREGION)
            canvas.FillRegion(region(*rgn), *brush);
        else
            canvas.FrameRegion(region(*rgn), *brush, P(r, 3), P(r, 2), t);
        return true;
    }
    case META_PAINTREGION:
    case META_INVERTREGION:
        if (const MetaObject* rgn = RegionAt(r, 0, object)) {
            if (function == META_PAINTREGION)
                canvas.FillRegion(region(*rgn), canvas.State().brush);
            else
                canvas.InvertRegion(region(*rgn));
        }
        return true;
    default:
        return false;
    }
}
