// The enhanced-metafile records of clipping and regions, played onto the
// canvas: clip rectangles, clip regions under every combination, clip
// paths, the meta region, and filled, framed, painted and inverted regions.
// Region data (RGNDATA) is in recording-device pixels.
#pragma once

#include <functional>
#include <optional>

#include "platform/MetafileCanvas.h"
#include "platform/MetafileRecord.h"

// The brush of an object-table index (stock objects included), if it is one.
using EmfBrushLookup = std::function<std::optional<MetaBrush>(DWORD index)>;

// Plays a record of these kinds; false for a record of any other type.
bool PlayEmfRegionRecord(MetafileCanvas& canvas, DWORD type, const RecordView& r,
                         const EmfBrushLookup& brush);
