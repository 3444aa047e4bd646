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
// Painting is limited to the surface and to the clip region, any set of
// device pixels (kept in bands of rectangles, Region.h).
//
// Objects. Pens, brushes, regions, bitmaps and fonts share one handle type,
// HGDIOBJ; every call checks that a handle names a live object of the kind
// it expects and fails otherwise, so a stale handle is refused instead of dereferenced. An
// object is released by its owner with DeleteObject, which refuses an object
// that is still selected into a context; contexts are released with DeleteDC.
// GetLiveGdiObjectCount tells how many objects and contexts are alive.
//
// Every context starts with a stock pen (solid, black, width 1), a stock
// brush (solid white), a stock font (GdiText.h) and, for a memory context, a stock empty bitmap;
// stock objects are never released.
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
// Filled shapes. A polygon covers the pixels whose centres lie inside it
// under the context's fill mode (ALTERNATE: an odd number of crossings,
// WINDING: a non-zero winding number); so the pixels of a rectangle's right
// and bottom edges stay outside, as on Windows. The brush fills first and the
// pen then outlines each polygon. A hatched brush paints its 8 x 8 pattern,
// aligned to the device origin, and between the pattern's lines the
// background colour when the background mode is OPAQUE.
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
using HBRUSH = HGDIOBJ;
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
inline constexpr int PS_NULL = 5;

// Brush styles and hatch patterns.
inline constexpr UINT BS_SOLID = 0;
inline constexpr UINT BS_NULL = 1;
inline constexpr UINT BS_HATCHED = 2;
inline constexpr LONG HS_HORIZONTAL = 0;
inline constexpr LONG HS_VERTICAL = 1;
inline constexpr LONG HS_FDIAGONAL = 2;
inline constexpr LONG HS_BDIAGONAL = 3;
inline constexpr LONG HS_CROSS = 4;
inline constexpr LONG HS_DIAGCROSS = 5;

struct LOGBRUSH {
    UINT lbStyle;
    COLORREF lbColor;
    LONG lbHatch;
};

// Polygon fill modes and background modes.
inline constexpr int ALTERNATE = 1;
inline constexpr int WINDING = 2;
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

// Device capabilities and system colours.
inline constexpr int BITSPIXEL = 12;
inline constexpr int LOGPIXELSX = 88;
inline constexpr int LOGPIXELSY = 90;
inline constexpr int COLOR_WINDOW = 5;
inline constexpr UINT ETO_OPAQUE = 2;

// Region combination modes.
inline constexpr int RGN_AND = 1;
inline constexpr int RGN_OR = 2;
inline constexpr int RGN_XOR = 3;
inline constexpr int RGN_DIFF = 4; // the first less the second
inline constexpr int RGN_COPY = 5; // the first alone

// Region types returned by the clip operations.
inline constexpr int RGN_ERROR = 0;
inline constexpr int NULLREGION = 1;
inline constexpr int SIMPLEREGION = 2;
inline constexpr int COMPLEXREGION = 3;

inline constexpr int BLACKONWHITE = 1;
inline constexpr int WHITEONBLACK = 2;
inline constexpr int COLORONCOLOR = 3;
inline constexpr int HALFTONE = 4;

// Binary raster operations (how pens and brush fills combine with the
// destination): black, not (pen or dst), dst and not pen, not pen, pen and
// not dst, not dst, pen xor dst, not (pen and dst), pen and dst, not (pen xor
// dst), dst, dst or not pen, pen, pen or not dst, pen or dst, white.
inline constexpr int R2_BLACK = 1;
inline constexpr int R2_NOT = 6;
inline constexpr int R2_XORPEN = 7;
inline constexpr int R2_MASKPEN = 9;
inline constexpr int R2_NOP = 11;
inline constexpr int R2_COPYPEN = 13;
inline constexpr int R2_MERGEPEN = 15;
inline constexpr int R2_WHITE = 16;

// How a DIB's colour table is to be read: colours, 16-bit indices into the
// selected palette, or no table (pixel value i is palette entry i). The
// calls below take colours; the metafile player resolves the others.
inline constexpr UINT DIB_RGB_COLORS = 0;
inline constexpr UINT DIB_PAL_COLORS = 1;
inline constexpr UINT DIB_PAL_INDICES = 2;
inline constexpr DWORD SRCCOPY = 0x00CC0020;
inline constexpr DWORD SRCPAINT = 0x00EE0086;  // destination OR source
inline constexpr DWORD SRCAND = 0x008800C6;    // destination AND source
inline constexpr DWORD SRCINVERT = 0x00660046; // destination XOR source
inline constexpr DWORD PATCOPY = 0x00F00021;
inline constexpr DWORD BLACKNESS = 0x00000042;
inline constexpr DWORD WHITENESS = 0x00FF0062;

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
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ obj); // pens, brushes, fonts, bitmaps; the previous one
BOOL DeleteObject(HGDIOBJ obj);
HDC CreateCompatibleDC(HDC hdc);
BOOL DeleteDC(HDC hdc);
// Places the logical origin at device point (x, y): lines, DIB output, blits
// and the clip box then work in logical units. Clip regions stay in device
// units, as on Windows.
BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* previous);
// The screen this layer stands for: 96 pixels per inch both ways; a context
// over a 24-bit DIB section reports 24 bits per pixel, a surface 32.
int GetDeviceCaps(HDC hdc, int index);
COLORREF GetSysColor(int index); // COLOR_WINDOW is white; others black

// Pens and lines.
HPEN CreatePen(int style, int width, COLORREF color); // PS_SOLID or PS_NULL
BOOL MoveToEx(HDC hdc, int x, int y, POINT* previous);
BOOL LineTo(HDC hdc, int x, int y);
// The segments through the points, without the last point's pixel; the
// current position is neither used nor moved.
BOOL Polyline(HDC hdc, const POINT* points, int count);
// The binary raster operation of lines and brush fills (not of text or
// blits); the previous one, 0 on failure.
int SetROP2(HDC hdc, int mode);

// Brushes, background and fill mode.
HBRUSH CreateBrushIndirect(const LOGBRUSH* brush); // BS_SOLID, BS_NULL or BS_HATCHED
COLORREF SetBkColor(HDC hdc, COLORREF color);      // the previous colour
int SetBkMode(HDC hdc, int mode);                  // the previous mode, 0 on failure
int SetPolyFillMode(HDC hdc, int mode);            // the previous mode, 0 on failure

// Filled shapes: `polygons` closed polygons whose vertex counts are in
// `counts`, filled as one shape and each outlined.
BOOL PolyPolygon(HDC hdc, const POINT* points, const int* counts, int polygons);
// The rectangle (x, y, width, height) filled by the brush (PATCOPY), black
// or white, or combined with it under any raster operation that reads no
// source (DSTINVERT, PATINVERT, ...); negative sizes extend to the left or
// upwards.
BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop);
// Fills with the brush the pixels connected to (x, y) through their four
// neighbours, within the clip region: up to a border of `color`
// (FLOODFILLBORDER; FloodFill), or those of `color` (FLOODFILLSURFACE).
// False when the start pixel is not one of them.
inline constexpr UINT FLOODFILLBORDER = 0;
inline constexpr UINT FLOODFILLSURFACE = 1;
BOOL ExtFloodFill(HDC hdc, int x, int y, COLORREF color, UINT type);
BOOL FloodFill(HDC hdc, int x, int y, COLORREF color);
// Text output of a byte string in the code page of the selected font's
// character set; the advances in `dx` are per byte. GdiText.h has the rest.
BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* rect, const char* text,
                 UINT count, const int* dx);

// Spans of pixels in one colour, for drawing that produces its own pixels
// (glyphs): each span covers `length` pixels from (x, y) rightwards, in
// logical units, and is cut to the clip region like every other drawing.
struct PIXELSPAN {
    int x;
    int y;
    int length;
};
BOOL PaintSpans(HDC hdc, const PIXELSPAN* spans, int count, COLORREF color);

// Device-independent bitmaps: bottom-up, uncompressed, 1, 4, 8 or 24 bits
// per pixel, colour tables of RGBQUADs (DIB_RGB_COLORS).
int SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD width, DWORD height, int xSrc, int ySrc,
                      UINT startScan, UINT lines, const void* bits, const BITMAPINFO* bmi,
                      UINT colorUse);
// A zero-filled 24-bit DIB section; *bits receives its rows (null on failure).
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* bmi, UINT usage, void** bits, HANDLE section,
                         DWORD offset);
BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop);
// The source rectangle of a DIB (origin at its bottom-left pixel) stretched
// onto the destination rectangle, each destination pixel taking the source
// pixel under its centre (but see SetStretchBltMode); a negative size
// mirrors. The raster operation is
// SRCCOPY, SRCAND, SRCPAINT or SRCINVERT; the number of destination lines, 0
// on failure.
int StretchDIBits(HDC hdc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                  int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* bmi,
                  UINT colorUse, DWORD rop);
// How StretchDIBits shrinks: BLACKONWHITE (the default) ANDs the colours
// of the source pixels that fall on one destination pixel, WHITEONBLACK ORs
// them, COLORONCOLOR and HALFTONE take the pixel under its centre. The
// previous mode, 0 on failure.
int SetStretchBltMode(HDC hdc, int mode);

// Regions: sets of pixels in logical units (any corner order; a rectangle
// excludes its right column and bottom row). The calls that report a region
// return its type: NULLREGION, SIMPLEREGION (one rectangle), COMPLEXREGION,
// or RGN_ERROR.
HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* rect);
// The pixels whose centres lie inside the polygons under the fill mode.
HRGN CreatePolyPolygonRgn(const POINT* points, const int* counts, int polygons, int fillMode);
int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode); // RGN_AND .. RGN_COPY
int OffsetRgn(HRGN rgn, int x, int y);
int GetRgnBox(HRGN rgn, RECT* rect);
// Region painting, through the clip region: with a brush, with the
// context's brush, a frame `width` columns and `height` rows thick inside
// the region's edges, and inverting the colours.
BOOL FillRgn(HDC hdc, HRGN rgn, HBRUSH brush);
BOOL PaintRgn(HDC hdc, HRGN rgn);
BOOL FrameRgn(HDC hdc, HRGN rgn, HBRUSH brush, int width, int height);
BOOL InvertRgn(HDC hdc, HRGN rgn);

// Clipping. The clip region is kept in device pixels; a context without one
// paints its whole raster.
int GetClipBox(HDC hdc, RECT* rect);
// Combines the clip region (the whole raster without one) with a copy of
// `rgn` in device pixels; RGN_COPY with a null region removes the clip.
int ExtSelectClipRgn(HDC hdc, HRGN rgn, int mode);
// Replaces the clip region with a copy of `rgn`; a null region removes it.
int SelectClipRgn(HDC hdc, HRGN rgn);
// The clip region narrowed to, or less, a logical rectangle; moved by a
// logical offset.
int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom);
int OffsetClipRgn(HDC hdc, int x, int y);
