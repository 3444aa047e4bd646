// The metafile player: our stand-in for the platform's metafile conversion
// and playback. It plays a Windows metafile (WMF) or an enhanced metafile
// (EMF) onto a device context, scaled into an output rectangle.
//
// What is drawn: mapping modes, window and viewport origins and extents,
// world transforms (EMF), saved and restored states, pens (solid, null,
// widths; dashed pens are drawn solid), brushes (solid, null, hatched; a
// pattern brush paints the average colour of its pattern), lines,
// polylines, polygons and poly-polygons under both fill modes, rectangles,
// rounded rectangles, ellipses, arcs, chords, pies, Bezier curves and paths
// (EMF), rectangular clipping, DIB blits, and text (GdiText.h); the binary
// raster operations of pens and fills, the stretch modes, AlphaBlend,
// TransparentBlt, MaskBlt, PlgBlt, gradient fills, flood fills and single
// pixels, and logical palettes for the DIBs whose colours are palette
// indices (an EMF starts with its own palette selected, when it has one).
// EMF+ comments are skipped, like every record the player does not know.
//
// Input is hostile: every field is read inside its record, a record whose
// size is too small, not whole 32-bit words (EMF) or past the end stops the
// playback, and the total work (records, pixels filled, DIB pixels decoded)
// has a cap, past which the rest of the drawing is left out.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <span>
#include <vector>

#include "platform/Gdi.h"

// Converts a packed DIB (information header, colour table, bits), as found
// in a metafile record, into a bottom-up uncompressed DIB of 1, 4, 8 or 24
// bits per pixel that SetDIBitsToDevice and StretchDIBits accept. False when
// it cannot.
using DibReader = std::function<bool(std::span<const BYTE> packed, std::vector<BYTE>& out)>;

// The fields of an enhanced metafile's header record that a caller uses.
struct ENHMETAHEADER {
    RECT rclBounds;      // the picture's bounds in recording-device pixels, inclusive
    RECT rclFrame;       // the picture frame in 0.01 mm, inclusive
    DWORD nBytes;        // size of the metafile
    DWORD nRecords;      // number of records
    WORD nHandles;       // size of the object table, slot 0 included
    DWORD nPalEntries;   // palette entries in the end-of-file record
    SIZE szlDevice;      // the recording device in pixels
    SIZE szlMillimeters; // the recording device in millimetres
};

// What one playback met, for callers that study real files: how often each
// record type (EMF record type, WMF function number) occurred, and how often
// it was skipped as unknown or unsupported.
struct PlaybackReport {
    std::map<DWORD, long> records;
    std::map<DWORD, long> skipped;
};

// Reads the header record of an enhanced metafile; false when the bytes do
// not start with one.
bool GetEnhMetaFileHeader(std::span<const BYTE> emf, ENHMETAHEADER* header);

// Whether the bytes start with a Windows metafile header (18 bytes, a header
// size of at least 9 words, all inside the bytes): what converting a Windows
// metafile needs.
bool IsWinMetaFile(std::span<const BYTE> wmf);

// Plays a Windows metafile (its 18-byte header and records, without the
// placeable header) so that the logical rectangle `window` (the placeable
// header's bounding box; the metafile's own window records replace it)
// fills `dest`. False when the bytes do not start with a metafile header.
bool PlayWinMetaFile(HDC hdc, std::span<const BYTE> wmf, const RECT& window, const RECT& dest,
                     const DibReader& readDib, PlaybackReport* report = nullptr);

// Plays an enhanced metafile so that its picture frame fills `dest`. False
// when the bytes do not start with an enhanced metafile header.
bool PlayEnhMetaFile(HDC hdc, std::span<const BYTE> emf, const RECT& dest, const DibReader& readDib,
                     PlaybackReport* report = nullptr);
