// Text records of enhanced and Windows metafiles. Byte strings are
// characters of the current font's code page; their advance arrays have an
// entry per byte, summed per character.
#include "platform/MetafileText.h"

#include <algorithm>

#include "platform/CodePage.h"

namespace {

enum : DWORD {
    EMR_SETTEXTALIGN = 22,
    EMR_SETTEXTCOLOR = 24,
    EMR_EXTTEXTOUTA = 83,
    EMR_EXTTEXTOUTW = 84,
    EMR_POLYTEXTOUTA = 96,
    EMR_POLYTEXTOUTW = 97,
    EMR_SMALLTEXTOUT = 108,
};

enum : WORD {
    META_SETTEXTCHAREXTRA = 0x0108,
    META_SETTEXTALIGN = 0x012E,
    META_SETTEXTCOLOR = 0x0209,
    META_SETMAPPERFLAGS = 0x0231,
    META_TEXTOUT = 0x0521,
    META_EXTTEXTOUT = 0x0A32,
};

constexpr UINT ETO_NO_RECT = 0x100;
constexpr UINT ETO_SMALL_CHARS = 0x200;
constexpr std::size_t kEmrTextSize = 40;
constexpr std::size_t kWmfParams = 6;
constexpr DWORD kFirstStockFont = 10, kLastStockFont = 17, kNoStockObject = 15;

BoxD BoxAt(const RecordView& r, std::size_t off) {
    return {double(r.I32(off)), double(r.I32(off + 4)), double(r.I32(off + 8)),
            double(r.I32(off + 12))};
}

// Fills the text from a byte string of the charset's code page (glyph
// indices with ETO_GLYPH_INDEX), and the advances from per-byte ones.
void DecodeBytes(MetaText& t, std::span<const BYTE> bytes, BYTE charset,
                 const std::vector<double>& dx, const std::vector<double>& dy) {
    if (t.options & ETO_GLYPH_INDEX) {
        t.text.assign(bytes.begin(), bytes.end());
        t.dx = dx, t.dy = dy;
        return;
    }
    std::size_t byte = 0;
    for (const DecodedChar& c : DecodeCodePage(bytes, CodePageOfCharset(charset))) {
        const bool pair = c.code >= 0x10000;
        t.text.push_back(pair ? static_cast<WCHAR>(0xD800 + ((c.code - 0x10000) >> 10))
                              : static_cast<WCHAR>(c.code));
        if (pair) t.text.push_back(static_cast<WCHAR>(0xDC00 + ((c.code - 0x10000) & 0x3FF)));
        for (auto [from, to] : {std::pair(&dx, &t.dx), std::pair(&dy, &t.dy)}) {
            if (from->size() != bytes.size()) continue;
            double sum = 0;
            for (std::size_t b = byte; b < byte + c.bytes; ++b)
                sum += (*from)[b];
            to->push_back(sum);
            if (pair) to->push_back(0);
        }
        byte += c.bytes;
    }
}

// The advances at `off`: `n` 32-bit values, or `n` x, y pairs; none when
// they do not fit the record.
void ReadAdvances(const RecordView& r, std::size_t off, std::size_t n, bool pairs,
                  std::vector<double>& dx, std::vector<double>& dy) {
    const std::size_t each = pairs ? 8 : 4;
    if (off == 0 || n > r.Size() / each || !r.Has(off, each * n)) return;
    for (std::size_t i = 0; i < n; ++i) {
        dx.push_back(r.I32(off + each * i));
        if (pairs) dy.push_back(r.I32(off + each * i + 4));
    }
}

// One EMRTEXT at `at`: reference point, count, string offset, options,
// rectangle, advances offset. False when its string lies outside the record.
bool ReadEmrText(const RecordView& r, std::size_t at, bool wide, BYTE charset, MetaText& t) {
    const std::size_t n = r.U32(at + 8), offString = r.U32(at + 12);
    t.reference = {double(r.I32(at)), double(r.I32(at + 4))};
    t.options = r.U32(at + 16);
    if (!(t.options & ETO_NO_RECT)) t.rect = BoxAt(r, at + 20);
    const std::size_t unit = wide ? 2 : 1;
    if (n > r.Size() / unit || !r.Has(offString, unit * n)) return false;
    std::vector<double> dx, dy;
    ReadAdvances(r, r.U32(at + 36), n, t.options & ETO_PDY, dx, dy);
    if (!wide) {
        DecodeBytes(t, r.Bytes(offString, n), charset, dx, dy);
        return true;
    }
    for (std::size_t i = 0; i < n; ++i)
        t.text.push_back(r.U16(offString + 2 * i));
    t.dx = std::move(dx), t.dy = std::move(dy);
    return true;
}

// EMR_SMALLTEXTOUT: a reference point, count and options, an optional
// rectangle, then 8- or 16-bit characters, without advances.
void SmallTextOut(MetafileCanvas& canvas, const RecordView& r) {
    MetaText t;
    t.reference = {double(r.I32(8)), double(r.I32(12))};
    const std::size_t n = r.U32(16);
    t.options = r.U32(20);
    std::size_t at = 36;
    if (!(t.options & ETO_NO_RECT)) {
        t.rect = BoxAt(r, at);
        at += 16;
    }
    const bool small = t.options & ETO_SMALL_CHARS;
    if (n > r.Size() || !r.Has(at, (small ? 1 : 2) * n)) return;
    if (small) {
        DecodeBytes(t, r.Bytes(at, n), canvas.State().font.lfCharSet, {}, {});
    } else {
        for (std::size_t i = 0; i < n; ++i)
            t.text.push_back(r.U16(at + 2 * i));
    }
    canvas.Text(t);
}

LOGFONTW StockFont(DWORD index) {
    LOGFONTW lf{};
    const bool fixed = index == 10 || index == 11 || index == 16;
    const char16_t* name = index == 11 ? u"Courier New" : fixed ? u"Fixedsys" : u"System";
    if (index == 12 || index == 17) name = u"MS Sans Serif";
    for (int i = 0; name[i] && i < LF_FACESIZE - 1; ++i)
        lf.lfFaceName[i] = name[i];
    lf.lfWeight = FW_NORMAL;
    lf.lfPitchAndFamily = fixed ? FIXED_PITCH | FF_MODERN : FF_SWISS;
    return lf;
}

// The eight bytes from italic to pitch and family, alike in both kinds.
void ReadFontFlags(std::span<const BYTE> flags, LOGFONTW& lf) {
    if (flags.size() != 8) return;
    lf.lfItalic = flags[0], lf.lfUnderline = flags[1], lf.lfStrikeOut = flags[2];
    lf.lfCharSet = flags[3], lf.lfOutPrecision = flags[4], lf.lfClipPrecision = flags[5];
    lf.lfQuality = flags[6], lf.lfPitchAndFamily = flags[7];
}

} // namespace

MetaObject EmfFontObject(const RecordView& r) {
    MetaObject obj;
    obj.kind = MetaObject::Kind::Font;
    LOGFONTW& lf = obj.font;
    lf.lfHeight = r.I32(12);
    lf.lfWidth = r.I32(16);
    lf.lfEscapement = r.I32(20);
    lf.lfOrientation = r.I32(24);
    lf.lfWeight = r.I32(28);
    ReadFontFlags(r.Bytes(32, 8), lf);
    for (int i = 0; i < LF_FACESIZE - 1; ++i)
        lf.lfFaceName[i] = r.U16(40 + 2 * i);
    return obj;
}

std::optional<MetaObject> StockFontObject(DWORD index) {
    if (index < kFirstStockFont || index > kLastStockFont || index == kNoStockObject)
        return std::nullopt;
    MetaObject obj;
    obj.kind = MetaObject::Kind::Font;
    obj.font = StockFont(index);
    return obj;
}

bool PlayEmfText(MetafileCanvas& canvas, DWORD type, const RecordView& r) {
    MetaState& s = canvas.State();
    switch (type) {
    case EMR_SETTEXTALIGN:
        s.textAlign = r.U32(8);
        return true;
    case EMR_SETTEXTCOLOR:
        s.textColor = r.U32(8) & 0xFFFFFF;
        return true;
    case EMR_EXTTEXTOUTA:
    case EMR_EXTTEXTOUTW: {
        MetaText t;
        if (ReadEmrText(r, 36, type == EMR_EXTTEXTOUTW, s.font.lfCharSet, t)) canvas.Text(t);
        return true;
    }
    case EMR_POLYTEXTOUTA:
    case EMR_POLYTEXTOUTW: {
        const std::size_t strings = r.U32(36);
        for (std::size_t i = 0; i < strings && r.Has(40 + kEmrTextSize * i, kEmrTextSize); ++i) {
            MetaText t;
            if (ReadEmrText(r, 40 + kEmrTextSize * i, type == EMR_POLYTEXTOUTW, s.font.lfCharSet,
                            t))
                canvas.Text(t);
        }
        return true;
    }
    case EMR_SMALLTEXTOUT:
        SmallTextOut(canvas, r);
        return true;
    default:
        return false;
    }
}

MetaObject WmfFontObject(const RecordView& r) {
    MetaObject obj;
    obj.kind = MetaObject::Kind::Font;
    LOGFONTW& lf = obj.font;
    lf.lfHeight = r.I16(6);
    lf.lfWidth = r.I16(8);
    lf.lfEscapement = r.I16(10);
    lf.lfOrientation = r.I16(12);
    lf.lfWeight = r.I16(14);
    ReadFontFlags(r.Bytes(16, 8), lf);
    // The name: up to 32 bytes of the font's code page (1252 for symbol
    // fonts, whose names are plain text), ending at a zero.
    const std::span<const BYTE> tail = r.Tail(24);
    const std::span<const BYTE> name = tail.first(std::min<std::size_t>(
        std::find(tail.begin(), tail.end(), BYTE{0}) - tail.begin(), LF_FACESIZE - 1));
    const UINT codePage = lf.lfCharSet == SYMBOL_CHARSET ? 1252 : CodePageOfCharset(lf.lfCharSet);
    std::size_t i = 0;
    for (const DecodedChar& c : DecodeCodePage(name, codePage)) {
        if (c.code < 0x10000 && i < LF_FACESIZE - 1)
            lf.lfFaceName[i++] = static_cast<WCHAR>(c.code);
    }
    return obj;
}

bool PlayWmfText(MetafileCanvas& canvas, WORD function, const RecordView& r) {
    MetaState& s = canvas.State();
    const auto param = [&r](std::size_t off) { return double(r.I16(off)); };
    switch (function) {
    case META_SETTEXTCOLOR:
        s.textColor = r.U32(kWmfParams) & 0xFFFFFF;
        return true;
    case META_SETTEXTALIGN:
        s.textAlign = r.U16(kWmfParams);
        return true;
    case META_SETTEXTCHAREXTRA:
        s.charExtra = param(kWmfParams);
        return true;
    case META_SETMAPPERFLAGS:
        // Asks the font mapper for faces of the device's aspect ratio; every
        // face here scales to any aspect, so the choice stays the same.
        return true;
    case META_TEXTOUT: {
        // Length, the string padded to whole words, then y and x.
        const std::size_t n = r.U16(6), end = 8 + (n + 1) / 2 * 2;
        if (!r.Has(8, n)) return true;
        MetaText t;
        t.reference = {param(end + 2), param(end)};
        DecodeBytes(t, r.Bytes(8, n), s.font.lfCharSet, {}, {});
        canvas.Text(t);
        return true;
    }
    case META_EXTTEXTOUT: {
        // y, x, length, options, the rectangle when the options use one, the
        // string padded to whole words, then an optional advance per byte.
        MetaText t;
        t.reference = {param(8), param(6)};
        const std::size_t n = r.U16(10);
        t.options = r.U16(12);
        std::size_t at = 14;
        if (t.options & (ETO_OPAQUE | ETO_CLIPPED)) {
            t.rect = BoxD{param(14), param(16), param(18), param(20)};
            at += 8;
        }
        if (!r.Has(at, n)) return true;
        std::vector<double> dx;
        const std::size_t dxAt = at + (n + 1) / 2 * 2;
        for (std::size_t i = 0; r.Has(dxAt, 2 * n) && i < n; ++i)
            dx.push_back(param(dxAt + 2 * i));
        t.options &= ~ETO_PDY;
        DecodeBytes(t, r.Bytes(at, n), s.font.lfCharSet, dx, {});
        canvas.Text(t);
        return true;
    }
    default:
        return false;
    }
}
