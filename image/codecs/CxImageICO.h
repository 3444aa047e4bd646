// CxImageICO: Windows icon and cursor files. Decode reads the image whose index
// is the `frame` field and turns its AND mask into an alpha plane, a
// transparent palette index or a transparent colour, whichever fits; Encode
// writes a single-image icon of at most 255 x 255 pixels.
#pragma once

#include "image/CxFile.h"
#include "image/CxImage.h"

class CxImageICO : public CxImage {
public:
    CxImageICO() : CxImage(FORMAT_ICO) {}

    bool Decode(CxFile* file);
    bool Encode(CxFile* file);
    // Reserved 0, type 1 (icon) or 2 (cursor) and at least one image.
    // Leaves the stream where it was.
    static bool HasSignature(CxFile* file);

private:
    bool DecodeFrom(CxFile& f);
    bool EncodeTo(CxFile& f);
};
