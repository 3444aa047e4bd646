#include "platform/WmfFrame.h"

#include <algorithm>
#include <cstdlib>

#include "platform/ByteOrder.h"

namespace {

constexpr std::size_t kHeaderSize = 18;
constexpr long kMaxRecords = 1'000'000;
constexpr int kDefaultFontHeight = 16;

// The words of one record's parameters, read as signed values; 0 past the end.
class Params {
public:
    Params(std::span<const BYTE> bytes) : bytes(bytes) {}
    int operator[](std::size_t i) const {
        return 2 * i + 2 <= bytes.size() ? static_cast<short>(GetLE16(bytes.data() + 2 * i)) : 0;
    }
    std::size_t size() const { return bytes.size() / 2; }

private:
    std::span<const BYTE> bytes;
};

class Bounds {
public:
    void Add(LONG x, LONG y) {
        box = seen ? RECT{std::min(box.left, x), std::min(box.top, y), std::max(box.right, x),
                          std::max(box.bottom, y)}
                   : RECT{x, y, x, y};
        seen = true;
    }
    // Points given as (x, y) pairs from word `first` on.
    void AddPoints(const Params& p, std::size_t first, std::size_t count) {
        for (std::size_t i = 0; i < count && first + 2 * i + 1 < p.size(); ++i)
            Add(p[first + 2 * i], p[first + 2 * i + 1]);
    }
    // A box given as bottom, right, top, left from word `first` on.
    void AddBox(const Params& p, std::size_t first) {
        Add(p[first + 3], p[first + 2]);
        Add(p[first + 1], p[first]);
    }
    void AddText(LONG x, LONG y, LONG count, LONG height) {
        Add(x, y);
        Add(x + count * (height * 6 / 10), y + height);
    }
    std::optional<RECT> Area() const {
        if (!seen || box.right <= box.left || box.bottom <= box.top) return std::nullopt;
        return box;
    }

private:
    RECT box{};
    bool seen = false;
};

void AddRecord(WORD function, const Params& p, Bounds& b, int& fontHeight) {
    switch (function) {
    case 0x02FB: // CREATEFONTINDIRECT
        fontHeight = p[0] ? std::abs(p[0]) : kDefaultFontHeight;
        break;
    case 0x0213: // LINETO
    case 0x0214: // MOVETO
        b.Add(p[1], p[0]);
        break;
    case 0x041F: // SETPIXEL
        b.Add(p[3], p[2]);
        break;
    case 0x041B: // RECTANGLE
    case 0x0418: // ELLIPSE
        b.AddBox(p, 0);
        break;
    case 0x061C: // ROUNDRECT
        b.AddBox(p, 2);
        break;
    case 0x0817: // ARC
    case 0x081A: // PIE
    case 0x0830: // CHORD
        b.AddBox(p, 4);
        break;
    case 0x0324: // POLYGON
    case 0x0325: // POLYLINE
        b.AddPoints(p, 1, std::max(p[0], 0));
        break;
    case 0x0538: { // POLYPOLYGON
        const std::size_t polygons = std::max(p[0], 0);
        std::size_t points = 0;
        for (std::size_t i = 0; i < polygons; ++i)
            points += std::max(p[1 + i], 0);
        b.AddPoints(p, 1 + polygons, points);
        break;
    }
    case 0x0521: { // TEXTOUT
        const int count = std::max(p[0], 0);
        const std::size_t at = 1 + (count + 1) / 2;
        b.AddText(p[at + 1], p[at], count, fontHeight);
        break;
    }
    case 0x0A32: // EXTTEXTOUT
        b.AddText(p[1], p[0], std::max(p[2], 0), fontHeight);
        break;
    default:
        break;
    }
}

} // namespace

std::optional<RECT> WinMetaFileFrame(std::span<const BYTE> wmf) {
    if (wmf.size() < kHeaderSize) return std::nullopt;
    Bounds drawn;
    LONG org[2] = {0, 0};
    int fontHeight = kDefaultFontHeight;
    std::size_t at = 2 * std::size_t{GetLE16(wmf.data() + 2)};
    for (long n = 0; n < kMaxRecords && at + 6 <= wmf.size(); ++n) {
        const std::size_t words = GetLE32(wmf.data() + at);
        const WORD function = GetLE16(wmf.data() + at + 4);
        if (words < 3 || function == 0 || words > (wmf.size() - at) / 2) break;
        const Params p(wmf.subspan(at + 6, 2 * words - 6));
        if (function == 0x020B) org[0] = p[1], org[1] = p[0];
        if (function == 0x020C && p[0] && p[1])
            return RECT{org[0], org[1], org[0] + p[1], org[1] + p[0]};
        AddRecord(function, p, drawn, fontHeight);
        at += 2 * words;
    }
    return drawn.Area();
}
