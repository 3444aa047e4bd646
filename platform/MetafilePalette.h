// Logical palettes of metafile playback and the DIBs whose colour tables
// name palette entries instead of colours. The output is true colour, so a
// palette changes nothing but the colours such DIBs get.
#pragma once

#include <span>
#include <vector>

#include "platform/Gdi.h"
#include "platform/MetafileRecord.h"

// A logical palette: red, green and blue of each entry, with the entry's
// flags in the fourth byte.
using PaletteEntries = std::vector<RGBQUAD>;

// The most entries a palette may have (the count field is 16 bits).
inline constexpr std::size_t kMaxPaletteEntries = 0xFFFF;

inline RGBQUAD PaletteEntryOf(COLORREF c) {
    return RGBQUAD{GetBValue(c), GetGValue(c), GetRValue(c), 0};
}

// What a context holds until a palette is selected: the twenty static
// colours.
std::span<const RGBQUAD> DefaultPalette();

// `count` entries of 4 bytes (red, green, blue, flags) from `at`; none when
// they do not all lie in the record.
PaletteEntries ReadPaletteEntries(const RecordView& r, std::size_t at, std::size_t count);

// Replaces the entries from `start` on with `entries`, leaving out those
// past the palette's end; with `reservedOnly` (AnimatePalette) only entries
// flagged PC_RESERVED change.
void SetPaletteEntries(PaletteEntries& palette, std::size_t start, const PaletteEntries& entries,
                       bool reservedOnly = false);

// Gives the palette `count` entries, new ones black; nothing above
// kMaxPaletteEntries.
void ResizePalette(PaletteEntries& palette, std::size_t count);

// A packed DIB from its header block `bmi` (information header, masks and
// colour table; what follows the table is ignored) and its `bits`, with the
// colour table turned into colours as `usage` says, through `palette`: an
// index past the palette's end wraps around. Empty for an unknown usage, a
// header that cannot be read, or a table that does not fit in `bmi`.
std::vector<BYTE> RgbPackedDib(std::span<const BYTE> bmi, std::span<const BYTE> bits, UINT usage,
                               std::span<const RGBQUAD> palette);
// The same for a packed DIB whose bits follow its colour table.
std::vector<BYTE> RgbPackedDib(std::span<const BYTE> packed, UINT usage,
                               std::span<const RGBQUAD> palette);
