// The Windows-metafile records of clipping and regions, played onto the
// canvas: region objects (rectangles in logical units, kept in the object
// table), the clip region they select, clip rectangles, and filled, framed,
// painted and inverted regions.
#pragma once

#include <functional>

#include "platform/MetafileCanvas.h"
#include "platform/MetafileRecord.h"

// The region object of a META_CREATEREGION record; an `Other` object (which
// still takes its slot) when the record does not hold one.
MetaObject WmfRegionObject(const RecordView& r);

// The object in a slot of the object table, or null.
using WmfObjectLookup = std::function<const MetaObject*(std::size_t index)>;

// Plays a record of these kinds; false for a record of any other function.
bool PlayWmfRegionRecord(MetafileCanvas& canvas, WORD function, const RecordView& r,
                         const WmfObjectLookup& object);
