// The software device context: our stand-in for the part of the Windows GDI
// that the image container and the warping engine draw with. A device context
// draws on a raster held in memory, so every pixel it produces can be read
// back exactly.
//
// Surfaces. CreateSurfaceDC makes a context over a 32-bit surface of its own,
// rows top-down, one uint32 per pixel holding 0xFFRRGGBB: the layout of Qt's
// QImage::Format_RGB32, so the application shows the surface without
// converting it (GetSurfacePixels). A memory context (CreateCompatibleDC)
// draws on the bitmap selected into it, here a 24-bit DIB section.
//
// Coordinates are logical units, x to the right, y downwards: device pixels
// shifted by the context's viewport origin (SetViewportOrgEx, 0, 0 at first).
// Painting is limited to the surface and to the clip region, a union of
// rectangles in device pixels.
//
// Objects. Pens, regions and bitmaps share one handle type, HGDIOBJ; every
// call checks that a handle names a live object of the kind it expects and
// fails otherwise, so a stale handle is refused instead of dereferenced. An
// object is released by its owner with DeleteObject, which refuses an object
// that is still selected into a context; contexts are released with DeleteDC.
// GetLiveGdiObjectCount tells how many objects and contexts are alive.
//
// Every context starts with a stock pen (solid, black, width 1) and a memory
// context with a stock empty bitmap; stock objects are never released.
//
// Pens. Lines follow the Windows rule that the end point is not painted. A
// pen of width w paints, for each pixel on the line's path, w pixels across
// the line's major direction: the path pixel and the pixels at offsets
// -(w - 1) / 2 to w / 2 (integer division) from it, rows for a line that is
// more horizontal than vertical (or exactly diagonal), columns otherwise. So
// a pen of width 2 paints the path pixel and the one below it on a horizontal
// line, the path pixel and the one to its right on a vertical line. Line ends
// are square; the end pixel's whole cross-section stays unpainted.
//
// Like the rest of the program, the layer is used from one thread only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/WinTypes.h"

struct GdiObject;
struct GdiDevice;

using HGDIOBJ = GdiObject*;
using HPEN = HGDIOBJ;
using HRGN = HGDIOBJ;
using HBITMAP = HGDIOBJ;
using HDC = GdiDevice*;
using HANDLE = void*;

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};
static_assert(sizeof(BITMAPINFO) == 44);

inline constexpr BOOL FALSE = 0;
inline constexpr BOOL TRUE = 1;

inline constexpr int PS_SOLID = 0;

inline constexpr int RGN_AND = 1;
inline constexpr int RGN_OR = 2;

// Region types returned by the clip operations.
inline constexpr int RGN_ERROR = 0;
inline constexpr int NULLREGION = 1;
inline constexpr int SIMPLEREGION = 2;
inline constexpr int COMPLEXREGION = 3;

inline constexpr int BLACKONWHITE = 1;
inline constexpr int WHITEONBLACK = 2;
inline constexpr int COLORONCOLOR = 3;
inline constexpr int HALFTONE = 4;

inline constexpr UINT DIB_RGB_COLORS = 0;
inline constexpr DWORD SRCCOPY = 0x00CC0020;

// Surface contexts (our own; the application and tests use them).

// The largest surface or DIB section, in pixels.
inline constexpr long long kMaxRasterPixels = 1LL << 28;

// A context over a new width x height surface filled with `background`.
// Null for a negative size or one above kMaxRasterPixels; 0 x 0 is allowed.
HDC CreateSurfaceDC(int width, int height, COLORREF background);

struct SurfacePixels {
    std::uint32_t* bits; // top row first, width pixels per row, 0xFFRRGGBB
    LONG width;
    LONG height;
};
// The surface of a context made by CreateSurfaceDC; false for any other.
bool GetSurfacePixels(HDC hdc, SurfacePixels* out);

// Pens, regions, bitmaps and contexts alive now, stock objects not counted.
std::size_t GetLiveGdiObjectCount();

// Objects and contexts.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ obj); // pens and bitmaps; the previous one
BOOL DeleteObject(HGDIOBJ obj);
HDC CreateCompatibleDC(HDC hdc);
BOOL DeleteDC(HDC hdc);
// Places the logical origin at device point (x, y): lines, DIB output, blits
// and the clip box then work in logical units. Clip regions stay in device
// units, as on Windows.
BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* previous);

// Pens and lines.
HPEN CreatePen(int style, int width, COLORREF color); // PS_SOLID only
BOOL MoveToEx(HDC hdc, int x, int y, POINT* previous);
BOOL LineTo(HDC hdc, int x, int y);

// Device-independent bitmaps: bottom-up, uncompressed, 1, 4, 8 or 24 bits
// per pixel, colour tables of RGBQUADs (DIB_RGB_COLORS).
int SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD width, DWORD height, int xSrc, int ySrc,
                      UINT startScan, UINT lines, const void* bits, const BITMAPINFO* bmi,
                      UINT colorUse);
// A zero-filled 24-bit DIB section; *bits receives its rows (null on failure).
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* bmi, UINT usage, void** bits, HANDLE section,
                         DWORD offset);
BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop);
int SetStretchBltMode(HDC hdc, int mode); // the previous mode, 0 on failure

// Clipping.
int GetClipBox(HDC hdc, RECT* rect);
HRGN CreateRectRgnIndirect(const RECT* rect);
int ExtSelectClipRgn(HDC hdc, HRGN rgn, int mode); // RGN_AND or RGN_OR
