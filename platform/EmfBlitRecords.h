// The enhanced-metafile records that mix a DIB with the output (AlphaBlend,
// TransparentBlt, MaskBlt, PlgBlt), gradient fills, flood fills and single
// pixels, played onto the canvas.
#pragma once

#include <vector>

#include "platform/MetafileCanvas.h"
#include "platform/MetafileRecord.h"

// The DIB of a record as one block, its header then its bits, from the four
// fields at `fields` (offBmi, cbBmi, offBits, cbBits), with the colours its
// `usage` names through `palette`; empty when the record holds no header
// there or the colours cannot be had.
std::vector<BYTE> EmfPackedDib(const RecordView& r, std::size_t fields, UINT usage,
                               std::span<const RGBQUAD> palette);

// Plays a record of these kinds; false for a record of any other type.
bool PlayEmfBlitRecord(MetafileCanvas& canvas, DWORD type, const RecordView& r);
