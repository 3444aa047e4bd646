// Writers of small Windows metafiles and enhanced metafiles for the tests:
// records are appended by function (WMF, 16-bit parameter words) or type
// (EMF, 32-bit fields), and the writers add the headers and the end record.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "platform/ByteOrder.h"

namespace metafiletest {

using Bytes = std::vector<BYTE>;

// Little-endian 16- or 32-bit values appended to the bytes.
inline void Put16(Bytes& b, std::initializer_list<std::int64_t> values) {
    for (std::int64_t v : values)
        b.insert(b.end(), {BYTE(v), BYTE(v >> 8)});
}
inline void Put32(Bytes& b, std::initializer_list<std::int64_t> values) {
    for (std::int64_t v : values)
        b.insert(b.end(), {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)});
}

// A packed 24-bit DIB, bottom-up; rgb[y][x] is the colour (0xRRGGBB) of
// row y counted from the top.
inline Bytes Dib24(const std::vector<std::vector<DWORD>>& rgb) {
    const std::size_t w = rgb[0].size();
    Bytes b;
    Put32(b, {40, std::int64_t(w), std::int64_t(rgb.size()), 1 | (24 << 16), 0, 0, 0, 0, 0, 0});
    for (auto row = rgb.rbegin(); row != rgb.rend(); ++row) {
        for (DWORD c : *row)
            b.insert(b.end(), {BYTE(c), BYTE(c >> 8), BYTE(c >> 16)});
        b.resize(b.size() + (4 - 3 * w % 4) % 4, 0);
    }
    return b;
}

class WmfWriter {
public:
    // A record with 16-bit parameter words and trailing bytes.
    WmfWriter& Add(WORD function, std::initializer_list<std::int64_t> words,
                   const Bytes& tail = {}) {
        Put32(records, {std::int64_t(3 + words.size() + (tail.size() + 1) / 2)});
        Put16(records, {function});
        Put16(records, words);
        records.insert(records.end(), tail.begin(), tail.end());
        records.resize(records.size() + tail.size() % 2, 0);
        return *this;
    }
    WmfWriter& Brush(int style, COLORREF c, int hatch = 0) {
        return Add(0x02FC, {style, c & 0xFFFF, c >> 16, hatch});
    }
    WmfWriter& Select(int index) { return Add(0x012D, {index}); }
    WmfWriter& Rectangle(int l, int t, int r, int b) { return Add(0x041B, {b, r, t, l}); }
    WmfWriter& Ellipse(int l, int t, int r, int b) { return Add(0x0418, {b, r, t, l}); }
    WmfWriter& Window(int x, int y, int w, int h) {
        return Add(0x020B, {y, x}).Add(0x020C, {h, w});
    }

    // The metafile header (a table of `objects` slots), records and end record.
    Bytes Metafile(WORD objects = 8) const {
        const std::int64_t words = 9 + std::int64_t(records.size() / 2) + 3;
        Bytes b;
        Put16(b, {1, 9, 0x300, words & 0xFFFF, words >> 16, objects, 3, 0, 0});
        b.insert(b.end(), records.begin(), records.end());
        Put16(b, {3, 0, 0});
        return b;
    }
    // The placeable header (bounding box, units per inch) before it.
    Bytes Placeable(int left, int top, int right, int bottom, int inch, WORD objects = 8) const {
        Bytes b;
        Put16(b, {0xCDD7, 0x9AC6, 0, left, top, right, bottom, inch, 0, 0});
        WORD checksum = 0;
        for (std::size_t i = 0; i < 20; i += 2)
            checksum ^= GetLE16(b.data() + i);
        Put16(b, {checksum});
        const Bytes body = Metafile(objects);
        b.insert(b.end(), body.begin(), body.end());
        return b;
    }

private:
    Bytes records;
};

class EmfWriter {
public:
    // A record with 32-bit fields and trailing bytes (padded to 4).
    EmfWriter& Add(DWORD type, std::initializer_list<std::int64_t> fields, const Bytes& tail = {}) {
        Put32(records, {type, std::int64_t(8 + 4 * fields.size() + (tail.size() + 3) / 4 * 4)});
        Put32(records, fields);
        records.insert(records.end(), tail.begin(), tail.end());
        records.resize(records.size() + (4 - tail.size() % 4) % 4, 0);
        ++count;
        return *this;
    }
    EmfWriter& Pen(int index, int style, int width, COLORREF c) {
        return Add(38, {index, style, width, 0, c});
    }
    EmfWriter& Brush(int index, int style, COLORREF c, int hatch = 0) {
        return Add(39, {index, style, c, hatch});
    }
    EmfWriter& Select(std::int64_t index) { return Add(37, {index}); }
    EmfWriter& Rectangle(int l, int t, int r, int b) { return Add(43, {l, t, r, b}); }

    // Header (bounds in pixels; the frame, in 0.01 mm, covers the same pixels
    // on a 1000 x 1000 pixel, 250 x 250 mm device), records and end record.
    Bytes Metafile(int left, int top, int right, int bottom, WORD handles = 8) const {
        Bytes b;
        Put32(b, {1, 88, left, top, right, bottom, left * 25, top * 25, right * 25, bottom * 25});
        Put32(b, {0x464D4520, 0x10000, std::int64_t(records.size()) + 108, count + 2, handles});
        Put32(b, {0, 0, 0, 1000, 1000, 250, 250});
        b.insert(b.end(), records.begin(), records.end());
        Put32(b, {14, 20, 0, 16, 20});
        return b;
    }

private:
    Bytes records;
    DWORD count = 0;
};

} // namespace metafiletest
