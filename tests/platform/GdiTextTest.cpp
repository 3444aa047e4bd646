// Fonts and text output of the device context: face mapping, code pages,
// and what ExtTextOut paints (alignment, backgrounds, advances, rotation,
// decorations, clipping) checked pixel by pixel against simpler drawings of
// the same glyphs. Tests that draw need the Liberation fonts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>

#include "platform/CodePage.h"
#include "tests/platform/TextSurface.h"

namespace {

// Whether two surfaces agree on every pixel, `b` read `dx`, `dy` further on.
bool SamePixels(const TextSurface& a, const TextSurface& b, int dx = 0, int dy = 0) {
    for (int y = 0; y < a.Height(); ++y) {
        for (int x = 0; x < a.Width(); ++x) {
            const int bx = x + dx, by = y + dy;
            const bool inside = bx >= 0 && by >= 0 && bx < b.Width() && by < b.Height();
            if (a.Pixel(x, y) != (inside ? b.Pixel(bx, by) : kWhite)) return false;
        }
    }
    return true;
}

} // namespace

TEST(GdiFont, WindowsFacesMapToMetricCompatibleFreeFaces) {
    if (!HaveLiberation()) GTEST_SKIP() << "fonts-liberation2 is missing (scripts/setup)";
    LOGFONTW bold = Font(u"Arial", -20), mono = Font(u"Unknown Face", -20),
             roman = Font(u"Unknown Face", -20), cjk = Font(u"Unknown Face", -20),
             symbol = Font(u"Wingdings 2", -20);
    bold.lfWeight = FW_BOLD;
    mono.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    roman.lfPitchAndFamily = FF_ROMAN;
    cjk.lfCharSet = GB2312_CHARSET;
    symbol.lfCharSet = SYMBOL_CHARSET;
    const std::tuple<const char*, LOGFONTW, const char*> cases[] = {
        {"Arial", Font(u"Arial", -20), "LiberationSans-Regular.ttf"},
        {"Helvetica", Font(u"Helvetica", -20), "LiberationSans-Regular.ttf"},
        {"MS Sans Serif", Font(u"MS Sans Serif", -20), "LiberationSans-Regular.ttf"},
        {"vertical, with a script suffix", Font(u"@Arial CYR", -20), "LiberationSans-Regular.ttf"},
        {"Times New Roman", Font(u"Times New Roman", -20), "LiberationSerif-Regular.ttf"},
        {"Courier New", Font(u"courier new", -20), "LiberationMono-Regular.ttf"},
        {"Arial bold", bold, "LiberationSans-Bold.ttf"},
        {"an unknown fixed-pitch face", mono, "LiberationMono-Regular.ttf"},
        {"an unknown roman face", roman, "LiberationSerif-Regular.ttf"},
        {"an unknown face, Chinese character set", cjk, "wqy-microhei.ttc"},
        {"SimSun", Font(u"SimSun", -20), "wqy-microhei.ttc"},
        {"SimSun by its Chinese name", Font(u"\u5B8B\u4F53", -20), "wqy-microhei.ttc"},
        {"Calibri", Font(u"Calibri", -20), "Carlito-Regular.ttf"},
        {"Symbol", Font(u"Symbol", -20), "StandardSymbolsPS.otf"},
        {"an unknown face, symbol character set", symbol, "StandardSymbolsPS.otf"},
    };
    for (const auto& [what, lf, file] : cases)
        EXPECT_EQ(FaceFile(lf), file) << what;
}

TEST(GdiFont, ByteStringsDecodeThroughTheirCodePage) {
    const auto decode = [](const std::string& bytes, UINT cp) {
        std::u32string s;
        std::string sizes;
        for (const DecodedChar& c : DecodeCodePage(
                 std::span(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size()), cp)) {
            s += c.code;
            sizes += char('0' + c.bytes);
        }
        return std::pair(s, sizes);
    };
    using Result = std::pair<std::u32string, std::string>;
    EXPECT_EQ(decode("\xCF\xF0\xE8", CodePageOfCharset(RUSSIAN_CHARSET)), Result(U"При", "111"));
    EXPECT_EQ(decode("a\xD6\xD0\xCE\xC4", CodePageOfCharset(GB2312_CHARSET)),
              Result(U"a中文", "122"));
    EXPECT_EQ(decode("\xE1\xE2", CodePageOfCharset(GREEK_CHARSET)), Result(U"αβ", "11"));
    EXPECT_EQ(decode("\x80\xE9", CodePageOfCharset(ANSI_CHARSET)), Result(U"€é", "11"));
    EXPECT_EQ(decode("\x80\xE9", CodePageOfCharset(DEFAULT_CHARSET)), Result(U"€é", "11"));
    EXPECT_EQ(decode("a=", CodePageOfCharset(SYMBOL_CHARSET)), Result(U"\uF061\uF03D", "11"));
    EXPECT_EQ(decode("x\xD6", 936), Result(U"x\uFFFD", "11")) << "a lead byte at the end";
    EXPECT_EQ(decode("\x81", 1252), Result(U"\uFFFD", "1"));
}

TEST(GdiText, AlignmentPlacesTheStringAroundTheReferencePoint) {
    if (!HaveLiberation()) GTEST_SKIP() << "fonts-liberation2 is missing (scripts/setup)";
    TextSurface base(Font(u"Arial", -20));
    base.Text(60, 20, u"Hx");
    const RECT left = base.Ink();
    const TEXTMETRICW tm = base.Metrics();
    const LONG w = base.Extent(u"Hx");
    ASSERT_GT(tm.tmAscent, 14);
    EXPECT_EQ(left.bottom, 20 + tm.tmAscent) << "TA_TOP: the baseline is an ascent below";
    EXPECT_GE(left.left, 60);
    const std::tuple<const char*, UINT, LONG, LONG> cases[] = {
        {"TA_BASELINE", TA_BASELINE, 0, -tm.tmAscent},
        {"TA_BOTTOM", TA_BOTTOM, 0, -tm.tmAscent - tm.tmDescent},
        {"TA_RIGHT", TA_RIGHT, -w, 0},
        {"TA_CENTER | TA_BASELINE", TA_CENTER | TA_BASELINE, LONG(std::lround(60 - w / 2.0)) - 60,
         -tm.tmAscent},
    };
    for (const auto& [what, align, dx, dy] : cases) {
        TextSurface s(Font(u"Arial", -20));
        SetTextAlign(s.dc(), align);
        s.Text(60, 20, u"Hx");
        EXPECT_TRUE(SamePixels(base, s, dx, dy)) << what;
    }
    TextSurface cp(Font(u"Arial", -20));
    SetTextAlign(cp.dc(), TA_UPDATECP);
    MoveToEx(cp.dc(), 60, 20, nullptr);
    cp.Text(0, 0, u"Hx");
    POINT after{};
    GetCurrentPositionEx(cp.dc(), &after);
    EXPECT_TRUE(SamePixels(base, cp)) << "TA_UPDATECP starts at the current position";
    EXPECT_EQ(after, (POINT{60 + w, 20})) << "and moves it past the text";
}

TEST(GdiText, BackgroundsAdvancesAndDecorations) {
    if (!HaveLiberation()) GTEST_SKIP() << "fonts-liberation2 is missing (scripts/setup)";
    TextSurface opaque(Font(u"Arial", -20));
    SetBkMode(opaque.dc(), OPAQUE);
    opaque.Text(10, 10, u"Hi");
    const TEXTMETRICW tm = opaque.Metrics();
    const RECT cell{10, 10, 10 + opaque.Extent(u"Hi"), 10 + tm.tmHeight};
    EXPECT_EQ(opaque.Ink(), cell) << "OPAQUE fills the cells with the background colour";
    EXPECT_EQ(opaque.Picture(cell.left, cell.top, cell.right, cell.bottom).find('.'),
              std::string::npos);

    const RECT box{5, 5, 50, 40};
    TextSurface rect(Font(u"Arial", -20));
    SetBkColor(rect.dc(), kBlue);
    rect.Text(10, 10, u"", ETO_OPAQUE, &box);
    EXPECT_EQ(rect.Ink(), box) << "ETO_OPAQUE fills the rectangle, even without text";
    EXPECT_EQ(rect.Picture(5, 5, 50, 40).find_first_not_of("B\n"), std::string::npos);

    TextSurface one(Font(u"Arial", -20)), spaced(Font(u"Arial", -20)), stepped(Font(u"Arial", -20));
    one.Text(10, 10, u"I");
    const RECT i1 = one.Ink();
    const int dx[] = {30, 0}, dxy[] = {12, 7, 0, 0};
    spaced.Text(10, 10, u"II", 0, nullptr, dx);
    EXPECT_EQ(spaced.Picture(), [&] {
        TextSurface two(Font(u"Arial", -20));
        two.Text(10, 10, u"I");
        two.Text(40, 10, u"I");
        return two.Picture();
    }()) << "an advance array places each character";
    stepped.Text(10, 10, u"II", ETO_PDY, nullptr, dxy);
    EXPECT_EQ(stepped.Ink(), (RECT{i1.left, i1.top, i1.right + 12, i1.bottom + 7}))
        << "ETO_PDY pairs move down as well";

    LOGFONTW under = Font(u"Arial", -20), strike = Font(u"Arial", -20);
    under.lfUnderline = TRUE;
    strike.lfStrikeOut = TRUE;
    const int baseline = 10 + tm.tmAscent;
    for (const auto& [lf, below] : {std::pair(under, true), std::pair(strike, false)}) {
        TextSurface plain(Font(u"Arial", -20)), lined(lf);
        plain.Text(10, 10, u"ao");
        lined.Text(10, 10, u"ao");
        // The added pixels are whole rows across the advance, below or above the baseline.
        int rows = 0;
        for (int y = 0; y < plain.Height(); ++y) {
            bool added = false, whole = true;
            for (int x = 10; x < 10 + plain.Extent(u"ao"); ++x) {
                added = added || plain.Pixel(x, y) != lined.Pixel(x, y);
                whole = whole && lined.Pixel(x, y) == kRed;
            }
            if (!added) continue;
            ++rows;
            EXPECT_TRUE(whole) << y;
            EXPECT_EQ(y >= baseline, below) << y;
        }
        EXPECT_GE(rows, 1) << (below ? "underline" : "strike-out");
    }
}

TEST(GdiText, RotationAndClipping) {
    if (!HaveLiberation()) GTEST_SKIP() << "fonts-liberation2 is missing (scripts/setup)";
    TextSurface flat(Font(u"Arial", -20)), up(Font(u"Arial", -20, 900));
    SetTextAlign(flat.dc(), TA_BASELINE);
    SetTextAlign(up.dc(), TA_BASELINE);
    flat.Text(30, 40, u"Fy");
    up.Text(30, 40, u"Fy");
    // At 90 degrees the text runs upwards: (30 + u, 40 + v) goes to (30 + v,
    // 40 - u). Rotated glyphs are not hinted, so pixels may differ at edges.
    const RECT f = flat.Ink(), u = up.Ink();
    const RECT turned{30 + (f.top - 40), 40 - (f.right - 30), 30 + (f.bottom - 40),
                      40 - (f.left - 30)};
    EXPECT_NEAR(u.left, turned.left, 1);
    EXPECT_NEAR(u.top, turned.top, 1);
    EXPECT_NEAR(u.right, turned.right, 1);
    EXPECT_NEAR(u.bottom, turned.bottom, 1);
    EXPECT_GT(f.bottom - f.top, 14);

    const RECT clip{0, 0, 120, 28};
    TextSurface whole(Font(u"Arial", -20)), cut(Font(u"Arial", -20));
    whole.Text(10, 10, u"Bg");
    cut.Text(10, 10, u"Bg", ETO_CLIPPED, &clip);
    EXPECT_EQ(cut.Picture(0, 0, 120, 28), whole.Picture(0, 0, 120, 28));
    EXPECT_EQ(cut.Picture(0, 28, 120, 80), TestSurface(120, 52).Picture())
        << "ETO_CLIPPED keeps the glyphs inside the rectangle";
    EXPECT_NE(whole.Picture(0, 28, 120, 80), TestSurface(120, 52).Picture());
}

// Glyphs, rotated backgrounds and decorations all go through the clip
// region: a hole cut out of it stays white and the rest is unchanged.
TEST(GdiText, TextFollowsAClipRegionWithAHole) {
    if (!HaveLiberation()) GTEST_SKIP() << "fonts-liberation2 is missing (scripts/setup)";
    const RECT hole{40, 0, 52, 80};
    for (const int escapement : {0, 900}) {
        LOGFONTW lf = Font(u"Arial", -20, escapement);
        lf.lfUnderline = TRUE;
        TextSurface whole(lf), holed(lf);
        for (const TextSurface* s : {&whole, &holed}) {
            SetBkMode(s->dc(), OPAQUE);
            SetTextAlign(s->dc(), TA_BASELINE);
        }
        ExcludeClipRect(holed.dc(), hole.left, hole.top, hole.right, hole.bottom);
        const int x = escapement ? 40 : 10;
        whole.Text(x, 60, u"Bgm");
        holed.Text(x, 60, u"Bgm");
        SCOPED_TRACE(escapement);
        EXPECT_EQ(holed.Picture(0, 0, hole.left, 80), whole.Picture(0, 0, hole.left, 80));
        EXPECT_EQ(holed.Picture(hole.right, 0, 120, 80), whole.Picture(hole.right, 0, 120, 80));
        EXPECT_EQ(holed.Picture(hole.left, 0, hole.right, 80), TestSurface(12, 80).Picture());
        EXPECT_NE(whole.Picture(hole.left, 0, hole.right, 80), TestSurface(12, 80).Picture());
    }
}

TEST(GdiText, HostileSizesAndStringsStayBounded) {
    const std::size_t live = GetLiveGdiObjectCount();
    {
        TextSurface huge(Font(u"Arial", -1000000000)), wide(Font(u"Arial", -20));
        SetTextAlign(huge.dc(), TA_CENTER | TA_BASELINE);
        huge.Text(60, 60, u"l");
        EXPECT_NE(huge.Ink().right, INT32_MIN) << "drawn, at the largest glyph size";
        std::u16string longText(1000000, u'x');
        wide.Text(0, 0, longText);
        EXPECT_FALSE(ExtTextOutW(wide.dc(), 0, 0, 0, nullptr, nullptr, 5, nullptr));
        const WCHAR lone[] = {0xD800, u'a', 0xDC00};
        EXPECT_TRUE(ExtTextOutW(wide.dc(), 0, 0, 0, nullptr, lone, 3, nullptr));
    }
    EXPECT_EQ(GetLiveGdiObjectCount(), live);
}
