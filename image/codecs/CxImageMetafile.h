// CxImageMetafile: placeable Windows metafiles (WMF) and enhanced metafiles
// (EMF), read only. The decoder checks the headers, computes the picture's
// size at the screen's 96 pixels per inch (at most 4000 x 4000, keeping the
// aspect ratio), plays the metafile onto a 24-bit raster over the window
// colour and copies the raster into a 24-bit image.
#pragma once

#include <vector>

#include "image/CxFile.h"
#include "image/CxImage.h"

class CxImageMetafile : public CxImage {
public:
    CxImageMetafile() : CxImage(FORMAT_WMF) {}

    // Reads the metafile at the current position. A non-zero forced width or
    // height replaces the metafile's own before the size limit applies.
    bool Decode(CxFile* hFile, long nForceWidth = 0, long nForceHeight = 0);
    // A placeable header's key, or an EMF header record with its signature.
    // Leaves the stream where it was.
    static bool HasSignature(CxFile* hFile);
    // Metafiles cannot be written: always false.
    bool Encode(CxFile* hFile);

    // The largest width and height of a decoded metafile.
    static constexpr long kMaxSide = 4000;

private:
    // A metafile read from the stream and its size in pixels.
    struct Picture {
        bool enhanced = false;
        std::vector<BYTE> bytes; // WMF: without the placeable header
        RECT window{};           // WMF: the placeable bounding box, or the frame
        long long cx = 0, cy = 0;
    };
    static bool ReadWinMetafile(CxFile& f, long start, Picture& pic);
    static bool ReadStandardWinMetafile(CxFile& f, long start, Picture& pic);
    static bool ReadEnhMetafile(CxFile& f, Picture& pic);
    static void LimitSize(long long& cx, long long& cy);
    bool Render(const Picture& pic, long long cx, long long cy);
};
