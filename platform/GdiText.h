// Fonts and text output of the software device context: our stand-in for
// GDI's font mapper and ExtTextOut.
//
// A logical font (CreateFontIndirectW) is matched to an installed face by
// name: the common Windows faces map to metric-compatible free ones (Arial,
// Helvetica and the MS sans faces to Liberation Sans, Times New Roman to
// Liberation Serif, Courier New to Liberation Mono, Calibri to Carlito,
// Symbol to Standard Symbols PS, the Chinese, Japanese and Korean faces to
// WenQuanYi Micro Hei); other names are looked up as they are and, when no
// face has the name, chosen by the font's pitch and family. Characters the
// face lacks come from the CJK face. Bold and italic are simulated on faces
// that have neither. Sizes are device pixels: a negative height is the
// character height (the em), a positive one the cell height (ascent plus
// descent), 0 a default cell of 16 pixels; a zero width keeps the face's
// own proportions. Glyphs are at most 4096 pixels high.
//
// Text is drawn without anti-aliasing, as GDI does on metafile playback:
// every glyph pixel is either the text colour or left alone. Glyphs, opaque
// backgrounds and underlines are painted through the context's clip region.
#pragma once

#include <string>

#include "platform/Gdi.h"

using WCHAR = char16_t;
using HFONT = HGDIOBJ;

inline constexpr int LF_FACESIZE = 32;

struct LOGFONTW {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;  // tenths of a degree, counterclockwise from the x axis
    LONG lfOrientation; // ignored: glyphs stand upright on the escapement line
    LONG lfWeight;      // 0 (normal) or 1 to 1000
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    WCHAR lfFaceName[LF_FACESIZE];
};
static_assert(sizeof(LOGFONTW) == 92);

struct TEXTMETRICW {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    WCHAR tmFirstChar;
    WCHAR tmLastChar;
    WCHAR tmDefaultChar;
    WCHAR tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
};

inline constexpr LONG FW_NORMAL = 400;
inline constexpr LONG FW_BOLD = 700;

inline constexpr BYTE ANSI_CHARSET = 0;
inline constexpr BYTE DEFAULT_CHARSET = 1;
inline constexpr BYTE SYMBOL_CHARSET = 2;
inline constexpr BYTE SHIFTJIS_CHARSET = 128;
inline constexpr BYTE HANGUL_CHARSET = 129;
inline constexpr BYTE GB2312_CHARSET = 134;
inline constexpr BYTE CHINESEBIG5_CHARSET = 136;
inline constexpr BYTE GREEK_CHARSET = 161;
inline constexpr BYTE RUSSIAN_CHARSET = 204;
inline constexpr BYTE EASTEUROPE_CHARSET = 238;

inline constexpr BYTE FIXED_PITCH = 1;
inline constexpr BYTE FF_ROMAN = 0x10;
inline constexpr BYTE FF_SWISS = 0x20;
inline constexpr BYTE FF_MODERN = 0x30;

// Text alignment: one horizontal and one vertical choice, and whether the
// current position is the reference point (and moves past the text).
inline constexpr UINT TA_NOUPDATECP = 0;
inline constexpr UINT TA_UPDATECP = 1;
inline constexpr UINT TA_LEFT = 0;
inline constexpr UINT TA_RIGHT = 2;
inline constexpr UINT TA_CENTER = 6;
inline constexpr UINT TA_TOP = 0;
inline constexpr UINT TA_BOTTOM = 8;
inline constexpr UINT TA_BASELINE = 24;
inline constexpr UINT GDI_ERROR = 0xFFFFFFFF;

// ExtTextOut options besides ETO_OPAQUE: clip the glyphs to the rectangle;
// the string holds glyph indices of the face instead of characters; the
// advance array holds x and y advances in pairs.
inline constexpr UINT ETO_CLIPPED = 4;
inline constexpr UINT ETO_GLYPH_INDEX = 0x10;
inline constexpr UINT ETO_PDY = 0x2000;

HFONT CreateFontIndirectW(const LOGFONTW* font);
COLORREF SetTextColor(HDC hdc, COLORREF color); // the previous colour
UINT SetTextAlign(HDC hdc, UINT align);         // the previous alignment, GDI_ERROR on failure
int SetTextCharacterExtra(HDC hdc, int extra);  // pixels added to each advance; the previous
BOOL GetCurrentPositionEx(HDC hdc, POINT* position);
BOOL GetTextMetricsW(HDC hdc, TEXTMETRICW* metrics);
// The advance width and cell height of the string in the selected font.
BOOL GetTextExtentPoint32W(HDC hdc, const WCHAR* text, int count, SIZE* size);

// Draws `count` characters from the reference point (x, y), or from the
// current position with TA_UPDATECP, in the selected font and text colour.
// `dx` (or null) gives each character's advance in pixels, along the
// escapement; with ETO_PDY it holds x, y pairs. The opaque rectangle, the
// clip rectangle and the reference point are logical. With the OPAQUE
// background mode the characters' cells are filled with the background
// colour first. A UTF-16 surrogate pair is one character, its advance the
// sum of the two entries.
BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* rect, const WCHAR* text,
                 UINT count, const int* dx);

// The font file (path) a logical font is drawn with; false when no face
// could be found, and then no glyphs are drawn in it.
bool GetFontFaceFile(HFONT font, std::string* path);
