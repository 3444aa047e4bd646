// Byte strings of the Windows code pages turned into Unicode: the code page
// a font's character set implies, and the decoding of a string in it, one
// character at a time so that per-byte advance arrays can follow.
#pragma once

#include <span>
#include <vector>

#include "platform/WinTypes.h"

// Code page 0 stands for the symbol character set: bytes map to the private
// use area at U+F000, where symbol fonts keep their glyphs.
inline constexpr UINT kSymbolCodePage = 0;

// The code page of a LOGFONT character set; 1252 for the ANSI and default
// sets and for unknown values.
UINT CodePageOfCharset(BYTE charset);

struct DecodedChar {
    char32_t code;  // U+FFFD where the bytes are not a character of the code page
    unsigned bytes; // how many bytes of the string it took (1 or 2)
};

// The characters of `bytes` in `codePage`; code pages the system cannot
// convert are read as 1252.
std::vector<DecodedChar> DecodeCodePage(std::span<const BYTE> bytes, UINT codePage);
