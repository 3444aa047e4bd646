#include "platform/MetafilePalette.h"

#include <algorithm>
#include <array>
#include <optional>

namespace {

constexpr BYTE PC_RESERVED = 1;
constexpr std::size_t kCoreHeaderSize = 12;
constexpr DWORD BI_ALPHABITFIELDS = 6;

constexpr RGBQUAD Entry(BYTE red, BYTE green, BYTE blue) {
    return RGBQUAD{blue, green, red, 0};
}

// Where a DIB header block's colour table lies and how its entries read.
struct ColorTable {
    std::size_t start;   // after the information header and its masks
    std::size_t entries; // the number of entries
    std::size_t end;     // after the table
    bool core;           // a 12-byte header: colours of 3 bytes
};

// The table of a header block whose colours `usage` gives as palette
// indices (DIB_PAL_INDICES: no table, at most 256 entries); nothing when it
// does not fit in the block.
std::optional<ColorTable> FindColorTable(std::span<const BYTE> bmi, UINT usage) {
    if (bmi.size() < 4 || (usage != DIB_PAL_COLORS && usage != DIB_PAL_INDICES))
        return std::nullopt;
    const DWORD headerSize = GetLE32(bmi.data());
    ColorTable t{headerSize, 0, 0, headerSize == kCoreHeaderSize};
    WORD bpp = 0;
    DWORD used = 0;
    if (t.core && bmi.size() >= kCoreHeaderSize) {
        bpp = GetLE16(bmi.data() + 10);
    } else if (headerSize >= kInfoHeaderSize && headerSize <= bmi.size()) {
        bpp = GetLE16(bmi.data() + 14);
        used = GetLE32(bmi.data() + 32);
        const DWORD compression = GetLE32(bmi.data() + 16);
        if (headerSize == kInfoHeaderSize && compression == BI_BITFIELDS) t.start += 12;
        if (headerSize == kInfoHeaderSize && compression == BI_ALPHABITFIELDS) t.start += 16;
    } else {
        return std::nullopt;
    }
    t.entries = used != 0 ? used : bpp <= 8 ? std::size_t{1} << bpp : 0;
    const std::size_t indexSize = usage == DIB_PAL_COLORS ? 2 : 0;
    if (t.start > bmi.size() ||
        t.entries > (indexSize ? (bmi.size() - t.start) / indexSize : std::size_t{256}))
        return std::nullopt;
    t.end = t.start + t.entries * indexSize;
    return t;
}

} // namespace

std::span<const RGBQUAD> DefaultPalette() {
    static constexpr std::array<RGBQUAD, 20> kStatic = {
        Entry(0, 0, 0),       Entry(128, 0, 0),     Entry(0, 128, 0),     Entry(128, 128, 0),
        Entry(0, 0, 128),     Entry(128, 0, 128),   Entry(0, 128, 128),   Entry(192, 192, 192),
        Entry(192, 220, 192), Entry(166, 202, 240), Entry(255, 251, 240), Entry(160, 160, 164),
        Entry(128, 128, 128), Entry(255, 0, 0),     Entry(0, 255, 0),     Entry(255, 255, 0),
        Entry(0, 0, 255),     Entry(255, 0, 255),   Entry(0, 255, 255),   Entry(255, 255, 255)};
    return kStatic;
}

PaletteEntries ReadPaletteEntries(const RecordView& r, std::size_t at, std::size_t count) {
    PaletteEntries entries;
    if (count > r.Size() / 4 || !r.Has(at, 4 * count)) return entries;
    const std::span<const BYTE> bytes = r.Bytes(at, 4 * count);
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const BYTE* e = bytes.data() + 4 * i;
        entries.push_back(RGBQUAD{e[2], e[1], e[0], e[3]});
    }
    return entries;
}

void SetPaletteEntries(PaletteEntries& palette, std::size_t start, const PaletteEntries& entries,
                       bool reservedOnly) {
    for (std::size_t i = 0; i < entries.size() && start < palette.size() - i; ++i) {
        RGBQUAD& e = palette[start + i];
        if (!reservedOnly || (e.rgbReserved & PC_RESERVED)) e = entries[i];
    }
}

void ResizePalette(PaletteEntries& palette, std::size_t count) {
    if (count <= kMaxPaletteEntries) palette.resize(count, RGBQUAD{0, 0, 0, 0});
}

std::vector<BYTE> RgbPackedDib(std::span<const BYTE> bmi, std::span<const BYTE> bits, UINT usage,
                               std::span<const RGBQUAD> palette) {
    std::vector<BYTE> packed;
    if (usage == DIB_RGB_COLORS) {
        packed.assign(bmi.begin(), bmi.end());
    } else {
        const std::optional<ColorTable> table = FindColorTable(bmi, usage);
        if (!table || palette.empty()) return packed;
        packed.assign(bmi.begin(), bmi.begin() + static_cast<std::ptrdiff_t>(table->start));
        // The table's size is stated, so that readers need not work it out.
        if (!table->core) PutLE32(packed.data() + 32, static_cast<DWORD>(table->entries));
        for (std::size_t i = 0; i < table->entries; ++i) {
            const std::size_t index =
                usage == DIB_PAL_COLORS ? GetLE16(bmi.data() + table->start + 2 * i) : i;
            const RGBQUAD c = palette[index % palette.size()];
            packed.insert(packed.end(), {c.rgbBlue, c.rgbGreen, c.rgbRed});
            if (!table->core) packed.push_back(0);
        }
    }
    packed.insert(packed.end(), bits.begin(), bits.end());
    return packed;
}

std::vector<BYTE> RgbPackedDib(std::span<const BYTE> packed, UINT usage,
                               std::span<const RGBQUAD> palette) {
    if (usage == DIB_RGB_COLORS) return {packed.begin(), packed.end()};
    const std::optional<ColorTable> table = FindColorTable(packed, usage);
    if (!table) return {};
    return RgbPackedDib(packed.first(table->end), packed.subspan(table->end), usage, palette);
}
