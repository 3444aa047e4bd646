// The enhanced-metafile records that mix a DIB with the output (AlphaBlend,
// TransparentBlt, MaskBlt, PlgBlt), gradient fills, flood fills and single
// pixels, played onto the canvas.
#pragma once

#include <vector>

#include "platform/MetafileCanvas.h"
#include "platform/MetafileRecord.h"

// The DIB of a record as one block, its header then its bits, from the four
// fields at `fields` (offBmi, cbBmi, offBits, cbBits); empty when the record
// holds no header there.
std::vector<BYTE> EmfPackedDib(const RecordView& r, std::size_t fields);

// Plays a record of these kinds; false for a record of any other type.
bool PlayEmfBlitRecord(MetafileCanvas& canvas, DWORD type, const RecordView& r);
