// CxImagePCX: ZSoft PCX files (version 5, run-length encoding 1). Reads
// 1-bit images in 1 to 4 bit planes, packed 2-, 4- and 8-bit palette images,
// and 8-bit images in 3 planes (red, green, blue) or 4 (with alpha). Writes
// 1-bit, 4-bit (4 bit planes), 8-bit (with the 256-colour palette after the
// data), 24-bit (3 planes) and 24-bit with alpha (4 planes).
#pragma once

#include "image/CxFile.h"
#include "image/CxImage.h"

class CxImagePCX : public CxImage {
public:
    CxImagePCX() : CxImage(FORMAT_PCX) {}

    bool Decode(CxFile* file);
    bool Encode(CxFile* file);
    // Manufacturer 10 and run-length encoding 1. Leaves the stream where it was.
    static bool HasSignature(CxFile* file);
};
