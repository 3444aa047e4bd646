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

inline void Put16(Bytes& b, WORD v) {
    b.push_back(static_cast<BYTE>(v));
    b.push_back(static_cast<BYTE>(v >> 8));
}
inline void Put32(Bytes& b, DWORD v) {
    Put16(b, static_cast<WORD>(v));
    Put16(b, static_cast<WORD>(v >> 16));
}

// A packed 24-bit DIB, bottom-up; rgb[y][x] is the colour (0xRRGGBB) of
// row y counted from the top.
inline Bytes Dib24(const std::vector<std::vector<DWORD>>& rgb) {
    const LONG h = static_cast<LONG>(rgb.size()), w = static_cast<LONG>(rgb[0].size());
    Bytes b;
    for (DWORD v : {40u, DWORD(w), DWORD(h), 1u | (24u << 16), 0u, 0u, 0u, 0u, 0u, 0u})
        Put32(b, v);
    for (LONG y = h - 1; y >= 0; --y) {
        for (LONG x = 0; x < w; ++x) {
            const DWORD c = rgb[y][x];
            b.insert(b.end(), {BYTE(c), BYTE(c >> 8), BYTE(c >> 16)});
        }
        b.resize(b.size() + (4 - (3 * w) % 4) % 4, 0);
    }
    return b;
}

class WmfWriter {
public:
    // A record with 16-bit parameter words and trailing bytes.
    WmfWriter& Add(WORD function, std::initializer_list<int> words, const Bytes& tail = {}) {
        Put32(records, static_cast<DWORD>(3 + words.size() + (tail.size() + 1) / 2));
        Put16(records, function);
        for (int w : words)
            Put16(records, static_cast<WORD>(w));
        records.insert(records.end(), tail.begin(), tail.end());
        if (tail.size() % 2) records.push_back(0);
        return *this;
    }
    // The colour as the two words of a COLORREF.
    static int Lo(COLORREF c) { return static_cast<int>(c & 0xFFFF); }
    static int Hi(COLORREF c) { return static_cast<int>(c >> 16); }

    WmfWriter& Pen(int style, int width, COLORREF c) {
        return Add(0x02FA, {style, width, 0, Lo(c), Hi(c)});
    }
    WmfWriter& Brush(int style, COLORREF c, int hatch = 0) {
        return Add(0x02FC, {style, Lo(c), Hi(c), hatch});
    }
    WmfWriter& Select(int index) { return Add(0x012D, {index}); }
    WmfWriter& Rectangle(int l, int t, int r, int b) { return Add(0x041B, {b, r, t, l}); }
    WmfWriter& Ellipse(int l, int t, int r, int b) { return Add(0x0418, {b, r, t, l}); }
    WmfWriter& Window(int x, int y, int w, int h) {
        return Add(0x020B, {y, x}).Add(0x020C, {h, w});
    }

    // The metafile header and records with the end record.
    Bytes Metafile(WORD objects = 8) const {
        Bytes b;
        const DWORD words = 9 + static_cast<DWORD>(records.size() / 2) + 3;
        for (WORD v : {WORD(1), WORD(9), WORD(0x0300)})
            Put16(b, v);
        Put32(b, words);
        Put16(b, objects);
        Put32(b, 3);
        Put16(b, 0);
        b.insert(b.end(), records.begin(), records.end());
        Put32(b, 3);
        Put16(b, 0);
        return b;
    }
    // The placeable header (bounding box, units per inch) before it.
    Bytes Placeable(int left, int top, int right, int bottom, int inch, WORD objects = 8) const {
        Bytes b;
        Put32(b, 0x9AC6CDD7);
        for (int v : {0, left, top, right, bottom, inch, 0, 0})
            Put16(b, static_cast<WORD>(v));
        WORD checksum = 0;
        for (std::size_t i = 0; i < 20; i += 2)
            checksum ^= GetLE16(b.data() + i);
        Put16(b, checksum);
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
        const std::size_t size = 8 + 4 * fields.size() + (tail.size() + 3) / 4 * 4;
        Put32(records, type);
        Put32(records, static_cast<DWORD>(size));
        for (std::int64_t f : fields)
            Put32(records, static_cast<DWORD>(f));
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

    // Header (bounds in pixels; the frame covers the same pixels on a
    // 1000 x 1000 pixel, 250 x 250 mm device), records and end record.
    Bytes Metafile(int left, int top, int right, int bottom, WORD handles = 8) const {
        Bytes b;
        Put32(b, 1);
        Put32(b, 88);
        for (int v : {left, top, right, bottom})
            Put32(b, static_cast<DWORD>(v));
        for (int v : {left, top, right, bottom})
            Put32(b, static_cast<DWORD>(v * 25)); // 0.01 mm at 4 pixels per mm
        Put32(b, 0x464D4520);
        Put32(b, 0x10000);
        Put32(b, static_cast<DWORD>(88 + records.size() + 20));
        Put32(b, count + 2);
        Put16(b, handles);
        Put16(b, 0);
        for (DWORD v : {0u, 0u, 0u, 1000u, 1000u, 250u, 250u})
            Put32(b, v);
        b.insert(b.end(), records.begin(), records.end());
        for (DWORD v : {14u, 20u, 0u, 16u, 20u})
            Put32(b, v);
        return b;
    }

private:
    Bytes records;
    DWORD count = 0;
};

} // namespace metafiletest
