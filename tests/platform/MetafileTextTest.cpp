// Text records of both metafile kinds, played onto a surface and compared
// pixel by pixel with the same text drawn straight on a device context:
// fonts, colours, alignment, advances, code pages, the current position,
// backgrounds, rotation; and hostile text records.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/MetafilePlayer.h"
#include "platform/MetafileTransform.h"
#include "tests/platform/TextSurface.h"
#include "tests/support/MetafileWriter.h"

using namespace metafiletest;

namespace {

constexpr int kW = 120, kH = 60;
constexpr int GM_COMPATIBLE = 1;
constexpr int EMR_MOVETOEX = 27, EMR_SETBKMODE = 18, EMR_SETBKCOLOR = 25, EMR_SETMAPMODE = 17;
constexpr int EMR_SETTEXTALIGN = 22, EMR_SETTEXTCOLOR = 24, EMR_EXTCREATEFONTINDIRECTW = 82;
constexpr int EMR_EXTTEXTOUTA = 83, EMR_EXTTEXTOUTW = 84, EMR_POLYTEXTOUTW = 97;
constexpr WORD META_SETTEXTCOLOR = 0x0209, META_SETTEXTALIGN = 0x012E, META_TEXTOUT = 0x0521;
constexpr WORD META_EXTTEXTOUT = 0x0A32, META_CREATEFONTINDIRECT = 0x02FB;
constexpr WORD META_SETMAPPERFLAGS = 0x0231;

Bytes Utf16(const std::u16string& s, std::size_t units) {
    Bytes b;
    for (std::size_t i = 0; i < units; ++i)
        Put16(b, {i < s.size() ? s[i] : 0});
    return b;
}

Bytes Narrow(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// EMF records: a font in slot 1, selected, and red text.
EmfWriter EmfText(const LOGFONTW& f) {
    EmfWriter w;
    w.Add(EMR_EXTCREATEFONTINDIRECTW,
          {1, f.lfHeight, 0, f.lfEscapement, f.lfEscapement, FW_NORMAL,
           std::int64_t(f.lfCharSet) << 24, 0},
          Utf16(f.lfFaceName, 32));
    return std::move(w.Select(1).Add(EMR_SETTEXTCOLOR, {kRed}).Add(EMR_SETBKMODE, {TRANSPARENT}));
}

// An EMRTEXT record (EXTTEXTOUTW, or A for bytes) with its string and advances.
EmfWriter& AddText(EmfWriter& w, int type, int x, int y, const Bytes& string, std::size_t count,
                   std::vector<int> dx = {}, UINT options = 0, RECT r = {}) {
    Bytes tail = string;
    tail.resize((tail.size() + 3) / 4 * 4);
    const std::size_t dxAt = dx.empty() ? 0 : 76 + tail.size();
    for (int d : dx)
        Put32(tail, {d});
    return w.Add(type,
                 {0, 0, -1, -1, GM_COMPATIBLE, 0, 0, x, y, std::int64_t(count), 76, options, r.left,
                  r.top, r.right, r.bottom, std::int64_t(dxAt)},
                 tail);
}

// WMF records: a font created into slot 0 and selected, red text.
WmfWriter WmfText(const LOGFONTW& f, const std::string& name) {
    WmfWriter w;
    Bytes face = Narrow(name);
    face.resize(32, 0);
    w.Add(META_CREATEFONTINDIRECT,
          {f.lfHeight, 0, f.lfEscapement, f.lfEscapement, FW_NORMAL, 0,
           std::int64_t(f.lfCharSet) << 8, 0, 0},
          face);
    return std::move(w.Select(0).Add(META_SETTEXTCOLOR, {kRed & 0xFFFF, kRed >> 16}));
}

Bytes WmfString(const std::string& s, const std::vector<int>& dx = {}) {
    Bytes b = Narrow(s);
    b.resize((b.size() + 1) / 2 * 2);
    for (int d : dx)
        Put16(b, {d});
    return b;
}

Bytes Emf(const EmfWriter& w) {
    return w.Metafile(0, 0, kW, kH);
}

std::string Played(const Bytes& file, bool enhanced) {
    TestSurface s(kW, kH);
    const RECT all{0, 0, kW, kH};
    if (enhanced)
        EXPECT_TRUE(PlayEnhMetaFile(s.dc(), file, all, {}));
    else
        EXPECT_TRUE(PlayWinMetaFile(s.dc(), file, all, all, {}));
    return s.Picture();
}

// The same text drawn straight on a surface in red, transparent.
std::string Direct(const LOGFONTW& f, const std::function<void(HDC)>& draw, UINT align = TA_TOP) {
    const TextSurface s(f, kW, kH);
    SetTextAlign(s.dc(), align);
    draw(s.dc());
    return s.Picture();
}

void Out(HDC dc, int x, int y, const std::u16string& s, std::vector<int> dx = {}, UINT options = 0,
         const RECT* r = nullptr) {
    ExtTextOutW(dc, x, y, options, r, s.data(), UINT(s.size()), dx.empty() ? nullptr : dx.data());
}

bool HaveFonts() {
    return HaveLiberation() && FaceFile(Font(u"SimSun")) == "wqy-microhei.ttc";
}

} // namespace

TEST(MetafileText, RecordsDrawWhatTheDeviceContextDraws) {
    if (!HaveFonts()) GTEST_SKIP() << "Liberation or WenQuanYi fonts missing (scripts/setup)";
    const LOGFONTW arial = Font(u"Arial"), greek = Font(u"Arial", -20, 0, GREEK_CHARSET);
    const LOGFONTW cyrillic = Font(u"Arial", -20, 0, RUSSIAN_CHARSET),
                   chinese = Font(u"SimSun", -20, 0, GB2312_CHARSET);
    const LOGFONTW rotated = Font(u"Arial", -20, 900);
    // Plays the file and compares it with the text drawn straight.
    const auto expect = [](const char* what, const Bytes& file, const LOGFONTW& font, UINT align,
                           const std::function<void(HDC)>& draw) {
        const std::string played = Played(file, GetLE32(file.data()) == 1);
        EXPECT_EQ(played, Direct(font, draw, align)) << what;
        EXPECT_NE(played.find('R'), std::string::npos) << what;
    };
    EmfWriter advances = EmfText(arial);
    advances.Add(EMR_SETTEXTALIGN, {TA_BASELINE});
    AddText(advances, EMR_EXTTEXTOUTW, 10, 40, Utf16(u"Hx", 2), 2, {15, 12});
    expect("EXTTEXTOUTW, baseline, advances", Emf(advances), arial, TA_BASELINE, [](HDC dc) {
        Out(dc, 10, 40, u"Hx", {15, 12});
    });
    // Two pixels a unit: the font, the point and the advances double.
    EmfWriter mapped = EmfText(Font(u"Arial", -10));
    mapped.Add(EMR_SETMAPMODE, {MM_ANISOTROPIC}).Add(9, {60, 30}).Add(11, {kW, kH});
    AddText(mapped, EMR_EXTTEXTOUTW, 5, 3, Utf16(u"Hx", 2), 2, {8, 6});
    expect("through the mapping", Emf(mapped), arial, TA_TOP, [](HDC dc) {
        Out(dc, 10, 6, u"Hx", {16, 12});
    });
    EmfWriter current = EmfText(arial);
    current.Add(EMR_SETTEXTALIGN, {TA_UPDATECP | TA_BASELINE}).Add(EMR_MOVETOEX, {10, 40});
    AddText(current, EMR_EXTTEXTOUTW, 0, 0, Utf16(u"H", 1), 1);
    AddText(current, EMR_EXTTEXTOUTW, 0, 0, Utf16(u"x", 1), 1);
    expect("TA_UPDATECP continues at the current position", Emf(current), arial, TA_BASELINE,
           [](HDC dc) { Out(dc, 10, 40, u"Hx"); });
    EmfWriter opaque = EmfText(arial);
    const RECT r{4, 4, 70, 30};
    opaque.Add(EMR_SETBKMODE, {OPAQUE}).Add(EMR_SETBKCOLOR, {kGreen});
    AddText(opaque, EMR_EXTTEXTOUTW, 10, 8, Utf16(u"Hi", 2), 2, {}, ETO_OPAQUE, r);
    expect("an opaque rectangle and background", Emf(opaque), arial, TA_TOP, [r](HDC dc) {
        SetBkMode(dc, OPAQUE);
        Out(dc, 10, 8, u"Hi", {}, ETO_OPAQUE, &r);
    });
    EmfWriter bytes = EmfText(greek);
    AddText(bytes, EMR_EXTTEXTOUTA, 10, 8, Narrow("\xE1\xE2"), 2);
    expect("EXTTEXTOUTA in the Greek code page", Emf(bytes), greek, TA_TOP,
           [](HDC dc) { Out(dc, 10, 8, u"αβ"); });
    EmfWriter up = EmfText(rotated);
    up.Add(EMR_SETTEXTALIGN, {TA_BASELINE});
    AddText(up, EMR_EXTTEXTOUTW, 40, 50, Utf16(u"Up", 2), 2);
    expect("escapement", Emf(up), rotated, TA_BASELINE, [](HDC dc) { Out(dc, 40, 50, u"Up"); });
    // y upwards: an escapement of 270 degrees reads upwards too.
    EmfWriter flipped = EmfText(Font(u"Arial", -20, 2700));
    flipped.Add(EMR_SETMAPMODE, {MM_ANISOTROPIC}).Add(9, {kW, -kH}).Add(11, {kW, kH});
    flipped.Add(10, {0, kH}).Add(EMR_SETTEXTALIGN, {TA_BASELINE});
    AddText(flipped, EMR_EXTTEXTOUTW, 40, 10, Utf16(u"Up", 2), 2);
    expect("escapement with y upwards", Emf(flipped), rotated, TA_BASELINE,
           [](HDC dc) { Out(dc, 40, 50, u"Up"); });
    // Two EMRTEXTs after the count: strings at 120 and 124.
    EmfWriter poly = EmfText(arial);
    poly.Add(EMR_POLYTEXTOUTW, {0, 0,  -1, -1, GM_COMPATIBLE, 0, 0, 2, 5, 5, 1, 120, 0, 0, 0, 0, 0,
                                0, 60, 30, 1,  124,           0, 0, 0, 0, 0, 0},
             Utf16(std::u16string(u"A\0B", 3), 4));
    expect("POLYTEXTOUTW", Emf(poly), arial, TA_TOP, [](HDC dc) {
        Out(dc, 5, 5, u"A");
        Out(dc, 60, 30, u"B");
    });
    WmfWriter cp1251 = WmfText(cyrillic, "Arial");
    cp1251.Add(META_EXTTEXTOUT, {8, 10, 2, 0}, WmfString("\xCF\xF0", {14, 11}));
    expect("META_EXTTEXTOUT in code page 1251", cp1251.Metafile(), cyrillic, TA_TOP, [](HDC dc) {
        Out(dc, 10, 8, u"Пр", {14, 11});
    });
    WmfWriter cp936 = WmfText(chinese, "\xCB\xCE\xCC\xE5"); // SimSun in code page 936
    cp936.Add(META_SETTEXTALIGN, {TA_BASELINE});
    cp936.Add(META_EXTTEXTOUT, {40, 10, 4, 0}, WmfString("\xD6\xD0\xCE\xC4", {10, 12, 13, 14}));
    expect("code page 936: two bytes a character, their advances summed", cp936.Metafile(), chinese,
           TA_BASELINE, [](HDC dc) {
               Out(dc, 10, 40, u"中文", {22, 27});
           });
    WmfWriter textOut = WmfText(arial, "Arial");
    Bytes abc = WmfString("Abc");
    Put16(abc, {20, 7}); // y, x
    textOut.Add(META_TEXTOUT, {3}, abc);
    expect("META_TEXTOUT", textOut.Metafile(), arial, TA_TOP,
           [](HDC dc) { Out(dc, 7, 20, u"Abc"); });
    // A symbol font that is not installed: its bytes are glyph codes, drawn
    // from the symbol face rather than left out.
    WmfWriter symbol = WmfText(Font(u"Wingdings 2", -20, 0, SYMBOL_CHARSET), "Wingdings 2");
    symbol.Add(META_SETMAPPERFLAGS, {1, 0});
    symbol.Add(META_EXTTEXTOUT, {30, 10, 2, 0}, WmfString("ab"));
    expect("an unknown symbol face, the mapper flags", symbol.Metafile(),
           Font(u"Symbol", -20, 0, SYMBOL_CHARSET), TA_TOP,
           [](HDC dc) { Out(dc, 10, 30, u"\uF061\uF062"); });
    TestSurface s(kW, kH);
    PlaybackReport report;
    const RECT all{0, 0, kW, kH};
    PlayWinMetaFile(s.dc(), symbol.Metafile(), all, all, {}, &report);
    EXPECT_TRUE(report.skipped.empty()) << "META_SETMAPPERFLAGS is played";
}

TEST(MetafileText, HostileTextRecordsAreSkippedOrBounded) {
    const std::size_t live = GetLiveGdiObjectCount();
    const LOGFONTW arial = Font(u"Arial");
    const std::string blank = TestSurface(kW, kH).Picture();
    EmfWriter count = EmfText(arial), offset = EmfText(arial), dx = EmfText(arial);
    AddText(count, EMR_EXTTEXTOUTW, 10, 10, Utf16(u"Hx", 2), 0xFFFFFFFF);
    EXPECT_EQ(Played(Emf(count), true), blank) << "a count past the record";
    offset.Add(EMR_EXTTEXTOUTW, {0, 0, -1, -1, 1, 0, 0, 10, 10, 2, 0x7FFFFFF0, 0, 0, 0, 0, 0, 0},
               Utf16(u"Hx", 2));
    EXPECT_EQ(Played(Emf(offset), true), blank) << "a string past the record";
    dx.Add(EMR_EXTTEXTOUTW, {0, 0, -1, -1, 1, 0, 0, 10, 10, 2, 76, 0, 0, 0, 0, 0, 0x7FFFFFF0},
           Utf16(u"Hx", 2));
    EXPECT_EQ(Played(Emf(dx), true), Direct(arial, [](HDC h) { Out(h, 10, 10, u"Hx"); }))
        << "advances past the record are not used";

    EmfWriter huge = EmfText(Font(u"Arial", INT32_MIN, INT32_MIN)), many = EmfText(arial);
    AddText(huge, EMR_EXTTEXTOUTW, 10, 10, Utf16(u"W", 1), 1);
    Played(Emf(huge), true);
    for (int i = 0; i < 10000; ++i)
        AddText(many, EMR_EXTTEXTOUTW, i % kW, i % kH, Utf16(u"Text", 4), 4);
    Played(Emf(many), true);
    EXPECT_EQ(GetLiveGdiObjectCount(), live);
}
