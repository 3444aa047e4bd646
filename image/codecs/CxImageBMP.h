// CxImageBMP: the Windows bitmap codec. The decoder reads 1, 4, 8, 16, 24 and
// 32 bits per pixel, uncompressed, RLE8, RLE4 and bit-field data, bottom-up and
// top-down rows, the 12-byte core header, the 40-byte header, the 64-byte
// OS/2 header and the V2 to V5 headers (52, 56, 108, 124 bytes) with their
// colour masks; 16- and 32-bit files become 24-bit images. The encoder writes
// the image's DIB block as it is, behind a 14-byte file header.
#pragma once

#include "image/CxFile.h"
#include "image/CxImage.h"

class CxImageBMP : public CxImage {
public:
    CxImageBMP() : CxImage(FORMAT_BMP) {}

    // Reads one BMP image (or a bare DIB) from the current position into this
    // image. With escape -1 only the dimensions are read: the result is true,
    // lastError says "output dimensions returned" and no pixels are made.
    bool Decode(CxFile* hFile);
    // "BM", or a bare DIB's first field holding a header size the decoder
    // reads. Leaves the stream where it was.
    static bool HasSignature(CxFile* hFile);
    // Writes this image as a BI_RGB file with a 40-byte header.
    bool Encode(CxFile* hFile);
    // Encode checks the image before it writes anything.
    static constexpr bool kRefusesBeforeWriting = true;

    // Reads the information header at the current position and normalises it
    // into the 40-byte layout: a core header is widened, a zero biSizeImage
    // and a zero biClrUsed (up to 8 bits) are filled in. The stream is left
    // after the whole header. When masks is given and the header holds colour
    // masks (52 bytes and longer, except the 64-byte OS/2 header), masks
    // receives red, green and blue. False for a header it cannot read or does
    // not accept.
    static bool ReadBitmapInfo(CxFile* fh, BITMAPINFOHEADER* pdib, DWORD* masks = nullptr);

    // Converts 16- or 32-bit source pixels into this 24-bit image. Each
    // channel takes the bits of its mask, aligned so that the field's top bit
    // lands on bit 7 (narrow fields leave the low bits 0, wide ones keep their
    // top 8 bits). Depth 16: masks are taken as their low 16 bits and the
    // source rows are ((width + 1) / 2) * 4 bytes apart; src may be this
    // image's own pixel rows (the conversion runs backwards so that it can
    // work in place). Depth 32: rows of 4 * width bytes. src must hold
    // height such rows. Other depths, or an image that is not 24-bit, do nothing.
    void Bitfield2RGB(const BYTE* src, DWORD redmask, DWORD greenmask, DWORD bluemask, int bpp);

private:
    void DecodeFrom(CxFile& f);
    void ReadPalette(CxFile& f, DWORD fileEntries, bool core);
    void ReadPixels(CxFile& f, const BITMAPINFOHEADER& bih, const DWORD* headerMasks,
                    bool headerHasMasks);
    void ReadBitfields(CxFile& f, const BITMAPINFOHEADER& bih, const DWORD* headerMasks,
                       bool headerHasMasks);
    void ReadIntoRows(CxFile& f, std::size_t bytes);
    void SeekToData(CxFile& f);
    void DecodeRLE8(CxFile& f);
    void DecodeRLE4(CxFile& f);

    long start = 0;    // stream position of the file header
    DWORD offBits = 0; // bfOffBits, 0 for a bare DIB
};
