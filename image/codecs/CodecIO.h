// Little-endian fields over a CxFile, and checked size arithmetic, shared by
// the codecs. Multi-byte fields are always read and written byte by byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "image/CxFile.h"
#include "platform/WinTypes.h"

inline bool ReadByte(CxFile& f, BYTE& v) {
    const long c = f.GetC();
    if (c < 0) return false;
    v = static_cast<BYTE>(c);
    return true;
}

inline bool ReadLE16(CxFile& f, WORD& v) {
    BYTE b[2];
    if (f.Read(b, 1, 2) != 2) return false;
    v = static_cast<WORD>(b[0] | (b[1] << 8));
    return true;
}

inline bool ReadLE32(CxFile& f, DWORD& v) {
    BYTE b[4];
    if (f.Read(b, 1, 4) != 4) return false;
    v = static_cast<DWORD>(b[0]) | (static_cast<DWORD>(b[1]) << 8) |
        (static_cast<DWORD>(b[2]) << 16) | (static_cast<DWORD>(b[3]) << 24);
    return true;
}

// Reads up to size bytes and puts the stream back where it was; the count read.
inline std::size_t PeekBytes(CxFile& f, BYTE* out, std::size_t size) {
    const long pos = f.Tell();
    const std::size_t got = f.Read(out, 1, size);
    f.Seek(pos, SEEK_SET);
    return got;
}

inline bool WriteLE16(CxFile& f, WORD v) {
    const BYTE b[2] = {static_cast<BYTE>(v), static_cast<BYTE>(v >> 8)};
    return f.Write(b, 1, 2) == 2;
}

inline bool WriteLE32(CxFile& f, DWORD v) {
    const BYTE b[4] = {static_cast<BYTE>(v), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v >> 16),
                       static_cast<BYTE>(v >> 24)};
    return f.Write(b, 1, 4) == 4;
}

// a * b, or false when the product does not fit 64 bits.
inline bool CheckedMul(std::uint64_t a, std::uint64_t b, std::uint64_t& out) {
    return !__builtin_mul_overflow(a, b, &out);
}

// a + b, or false when the sum does not fit 64 bits.
inline bool CheckedAdd(std::uint64_t a, std::uint64_t b, std::uint64_t& out) {
    return !__builtin_add_overflow(a, b, &out);
}
