// CxImageMonoWbmp: wireless bitmaps (WAP WBMP type 0: uncompressed, 1 bit per
// pixel, 1 = white, rows top first). Any size is read; images of at most
// 255 x 255 pixels are written.
#pragma once

#include "image/CxFile.h"
#include "image/CxImage.h"

class CxImageMonoWbmp : public CxImage {
public:
    CxImageMonoWbmp() : CxImage(FORMAT_WBMP) {}

    bool Decode(CxFile* file);
    bool Encode(CxFile* file);
};
