// Little-endian field access over raw bytes, and the 40-byte bitmap info
// header in its packed little-endian form.
#pragma once

#include "platform/WinTypes.h"

inline WORD GetLE16(const BYTE* p) {
    return static_cast<WORD>(p[0] | (p[1] << 8));
}

inline DWORD GetLE32(const BYTE* p) {
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) |
           (static_cast<DWORD>(p[2]) << 16) | (static_cast<DWORD>(p[3]) << 24);
}

inline void PutLE16(BYTE* p, WORD v) {
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
}

inline void PutLE32(BYTE* p, DWORD v) {
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
    p[2] = static_cast<BYTE>(v >> 16);
    p[3] = static_cast<BYTE>(v >> 24);
}

inline constexpr DWORD kInfoHeaderSize = 40;

// Writes the header as the 40 bytes of a packed DIB header.
inline void StoreInfoHeader(BYTE* p, const BITMAPINFOHEADER& h) {
    PutLE32(p + 0, h.biSize);
    PutLE32(p + 4, static_cast<DWORD>(h.biWidth));
    PutLE32(p + 8, static_cast<DWORD>(h.biHeight));
    PutLE16(p + 12, h.biPlanes);
    PutLE16(p + 14, h.biBitCount);
    PutLE32(p + 16, h.biCompression);
    PutLE32(p + 20, h.biSizeImage);
    PutLE32(p + 24, static_cast<DWORD>(h.biXPelsPerMeter));
    PutLE32(p + 28, static_cast<DWORD>(h.biYPelsPerMeter));
    PutLE32(p + 32, h.biClrUsed);
    PutLE32(p + 36, h.biClrImportant);
}

// Reads the 40 bytes of a packed DIB header.
inline BITMAPINFOHEADER LoadInfoHeader(const BYTE* p) {
    BITMAPINFOHEADER h;
    h.biSize = GetLE32(p + 0);
    h.biWidth = static_cast<LONG>(GetLE32(p + 4));
    h.biHeight = static_cast<LONG>(GetLE32(p + 8));
    h.biPlanes = GetLE16(p + 12);
    h.biBitCount = GetLE16(p + 14);
    h.biCompression = GetLE32(p + 16);
    h.biSizeImage = GetLE32(p + 20);
    h.biXPelsPerMeter = static_cast<LONG>(GetLE32(p + 24));
    h.biYPelsPerMeter = static_cast<LONG>(GetLE32(p + 28));
    h.biClrUsed = GetLE32(p + 32);
    h.biClrImportant = GetLE32(p + 36);
    return h;
}
