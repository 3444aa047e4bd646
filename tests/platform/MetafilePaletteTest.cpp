// Logical palettes in metafile playback: DIBs whose colour tables are
// palette indices take their colours from the palette selected when they
// are drawn.
#include <gtest/gtest.h>

#include "platform/MetafilePalette.h"
#include "tests/platform/MetafilePlayback.h"

namespace metafiletest {
namespace {

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kDarkRed = RGB(128, 0, 0); // the default palette's entry 1
constexpr DWORD kDefaultPalette = 0x80000000 | 15;
constexpr RECT kDest{4, 4, 20, 12};

// A 1 x 1, 1-bit DIB whose pixel is table entry 1, the table being the
// 16-bit indices {first, second}.
Bytes IndexDib(WORD first, WORD second) {
    Bytes b;
    Put32(b, {40, 1, 1, 1 | (1 << 16), 0, 0, 0, 0, 0, 0});
    Put16(b, {first, second});
    Put32(b, {0x80});
    return b;
}

Bytes Entries(std::initializer_list<std::int64_t> colours) {
    Bytes b;
    Put32(b, colours);
    return b;
}

EmfWriter& CreatePalette(EmfWriter& w, int index, std::initializer_list<std::int64_t> colours) {
    return w.Add(49, {index, 0x300 | std::int64_t(colours.size() << 16)}, Entries(colours));
}
// EMR_STRETCHDIBITS of the DIB onto kDest with palette colours.
EmfWriter& DrawIndexDib(EmfWriter& w, WORD first, WORD second) {
    return w.Add(81, {0, 0, 0, 0, 4, 4, 0, 0, 1, 1, 80, 44, 124, 4, DIB_PAL_COLORS, SRCCOPY, 16, 8},
                 IndexDib(first, second));
}

// An EMF whose end record carries the palette (entries as COLORREFs).
Bytes WithOwnPalette(Bytes emf, std::initializer_list<std::int64_t> colours) {
    emf.resize(emf.size() - 20);
    const auto n = std::int64_t(colours.size());
    Put32(emf, {14, 20 + 4 * n, n, 16});
    Put32(emf, colours);
    Put32(emf, {20 + 4 * n});
    PutLE32(emf.data() + 48, DWORD(emf.size()));
    PutLE32(emf.data() + 68, DWORD(n));
    return emf;
}

TEST(MetafilePalette, EmfDibsTakeTheSelectedPalettesColours) {
    struct Case {
        const char* what;
        EmfWriter records;
        RECT red;
    };
    std::vector<Case> cases;
    auto add = [&](const char* what, EmfWriter w, RECT red) { cases.push_back({what, w, red}); };
    EmfWriter w;

    DrawIndexDib(w = {}, 0, 13);
    add("the default palette's entry 13 is red", w, kDest);
    DrawIndexDib(CreatePalette(w = {}, 3, {kBlue, kRed}).Add(48, {3}), 0, 1);
    add("a created and selected palette", w, kDest);
    DrawIndexDib(CreatePalette(w = {}, 3, {kBlue, kRed}), 0, 1);
    add("created but not selected", w, kNone);
    DrawIndexDib(CreatePalette(w = {}, 3, {kRed, kBlue}).Add(48, {3}), 0, 2);
    add("an index past the end wraps around", w, kDest);
    DrawIndexDib(CreatePalette(w = {}, 3, {kBlue, kBlue}).Add(48, {3}).Add(50, {3, 1, 1, kRed}), 0,
                 1);
    add("entries set after the selection", w, kDest);
    DrawIndexDib(CreatePalette(w = {}, 3, {kRed, kBlue}).Add(48, {3}).Add(51, {3, 1}).Add(52, {}),
                 0, 1);
    add("a palette resized to one entry", w, kDest);
    DrawIndexDib(CreatePalette(w = {}, 3, {kBlue, kRed}).Add(48, {3}).Add(48, {kDefaultPalette}), 0,
                 13);
    add("the stock default palette selected again", w, kDest);
    DrawIndexDib(CreatePalette(w = {}, 3, {kBlue, kRed})
                     .Add(48, {3})
                     .Add(33, {})
                     .Add(48, {kDefaultPalette})
                     .Add(34, {-1}),
                 0, 1);
    add("a restored state brings its palette back", w, kDest);
    DrawIndexDib(CreatePalette(w = {}, 3, {kBlue, kRed}).Add(48, {2}), 0, 1);
    add("selecting an empty slot changes nothing", w, kNone);

    for (const Case& c : cases)
        Check(c.what, Emf(c.records), c.red, {{5, 5, c.red == kNone ? kDarkRed : kRed}});

    DrawIndexDib(w = {}, 0, 1);
    Check("the metafile's own palette", WithOwnPalette(Emf(w), {kBlue, kRed}), kDest);
}

TEST(MetafilePalette, MonoBrushesPaintTheTextAndBackgroundColours) {
    for (const BYTE bits : {BYTE{0x00}, BYTE{0xFF}}) {
        Bytes dib;
        Put32(dib, {40, 8, 8, 1 | (1 << 16), 0, 0, 0, 0, 0, 0});
        dib.resize(dib.size() + 32, bits);
        EmfWriter w = Red();
        // 0 bits take the text colour (red), 1 bits the background (blue),
        // as they are when the brush paints.
        w.Add(93, {4, DIB_PAL_INDICES, 32, 40, 72, 32}, dib).Select(4);
        w.Add(24, {kRed}).Add(25, {kBlue}).Rectangle(2, 2, 10, 10);
        Check(bits ? "1 bits" : "0 bits", Emf(w), bits ? kNone : RECT{2, 2, 10, 10},
              {{5, 5, bits ? kBlue : kRed}});
    }
}

TEST(MetafilePalette, WmfPalettesAndTheirEntries) {
    // META_STRETCHDIB of the DIB onto kDest with palette colours.
    auto draw = [](WmfWriter& w, WORD first, WORD second) {
        w.Add(0x0F43, {SRCCOPY & 0xFFFF, SRCCOPY >> 16, DIB_PAL_COLORS, 1, 1, 0, 0, 8, 16, 4, 4},
              IndexDib(first, second));
    };
    auto create = [](WmfWriter& w, std::initializer_list<std::int64_t> colours) {
        Bytes entries = Entries(colours);
        w.Add(0x00F7, {0x300, std::int64_t(colours.size())}, entries).Add(0x0234, {0});
    };
    constexpr std::int64_t kReserved = std::int64_t{1} << 24;
    WmfWriter w;
    create(w, {kBlue, kRed});
    draw(w, 0, 1);
    Check("a created and selected palette", w.Metafile(), kDest);
    create(w = {}, {kBlue, kBlue});
    w.Add(0x0037, {1, 1}, Entries({kRed})).Add(0x0035, {});
    draw(w, 0, 1);
    Check("entries set in the selected palette", w.Metafile(), kDest);
    for (const WORD entry : {WORD{0}, WORD{1}}) {
        create(w = {}, {kBlue, kBlue | kReserved});
        w.Add(0x0436, {0, 2}, Entries({kRed, kRed}));
        draw(w, 0, entry);
        Check("an animated palette changes its reserved entries", w.Metafile(),
              entry == 1 ? kDest : kNone);
    }
}

TEST(MetafilePalette, ColourTablesThatCannotBeResolvedAreRefused) {
    const RGBQUAD palette[2] = {{1, 2, 3, 9}, {4, 5, 6, 9}};
    const Bytes dib = IndexDib(1, 0);
    const std::span<const BYTE> bmi(dib.data(), 44), bits(dib.data() + 44, 4);
    Bytes expected = Patched(Bytes(dib.begin(), dib.begin() + 40), 32, 2);
    expected.insert(expected.end(), {4, 5, 6, 0, 1, 2, 3, 0, 0x80, 0, 0, 0});
    EXPECT_EQ(RgbPackedDib(bmi, bits, DIB_PAL_COLORS, palette), expected);
    EXPECT_EQ(RgbPackedDib(dib, DIB_PAL_COLORS, palette), expected);

    Bytes core;
    Put32(core, {12, 1 | (1 << 16), 1 | (1 << 16)});
    Put16(core, {1, 0});
    EXPECT_EQ(RgbPackedDib(core, {}, DIB_PAL_COLORS, palette),
              (Bytes{12, 0, 0, 0, 1, 0, 1, 0, 1, 0, 1, 0, 4, 5, 6, 1, 2, 3}))
        << "a core header's colours are 3 bytes";

    Bytes fields;
    Put32(fields, {40, 1, 1, 1 | (16 << 16), BI_BITFIELDS, 0, 0, 0, 0, 0, 0xF800, 0x7E0, 0x1F});
    EXPECT_EQ(RgbPackedDib(fields, {}, DIB_PAL_COLORS, palette), fields)
        << "colour masks are kept, and no table is added";

    EXPECT_TRUE(RgbPackedDib(Patched(dib, 32, 0x7FFFFFFF), DIB_PAL_COLORS, palette).empty());
    EXPECT_TRUE(RgbPackedDib(Patched(dib, 32, 257), DIB_PAL_INDICES, palette).empty());
    EXPECT_TRUE(RgbPackedDib(dib, 3, palette).empty());
    EXPECT_TRUE(RgbPackedDib(dib, DIB_PAL_COLORS, {}).empty());
    EXPECT_TRUE(
        RgbPackedDib(Bytes(dib.begin(), dib.begin() + 30), DIB_PAL_COLORS, palette).empty());
}

} // namespace
} // namespace metafiletest
