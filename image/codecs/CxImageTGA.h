// CxImageTGA: Truevision TGA files. Reads colour-mapped, true-colour and grey
// images, uncompressed or run-length encoded, at 8, 15, 16, 24 and 32 bits per
// pixel (32-bit alpha goes to the alpha plane). Writes uncompressed 8-bit
// colour-mapped, 24-bit, and 32-bit for 24-bit images with an alpha plane.
#pragma once

#include "image/CxFile.h"
#include "image/CxImage.h"

class CxImageTGA : public CxImage {
public:
    CxImageTGA() : CxImage(FORMAT_TGA) {}

    bool Decode(CxFile* file);
    bool Encode(CxFile* file);
    // The footer of a TGA 2.0 file at the end of the stream ("TRUEVISION-XFILE."
    // and a NUL); older files have no signature. Leaves the stream where it was.
    static bool HasSignature(CxFile* file);

private:
    void EncodeTo(CxFile& f);
};
