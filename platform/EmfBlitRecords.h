// The enhanced-metafile records that mix a DIB with the output (AlphaBlend,
// TransparentBlt, MaskBlt, PlgBlt), gradient fills, flood fills and single
// pixels, played onto the canvas.
#pragma once

#include "platform/MetafileCanvas.h"
#include "platform/MetafileRecord.h"

// Plays a record of these kinds; false for a record of any other type.
bool PlayEmfBlitRecord(MetafileCanvas& canvas, DWORD type, const RecordView& r);
