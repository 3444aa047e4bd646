// Face matching through fontconfig and faces opened with FreeType. Matches
// and open faces are kept for the life of the process, so a metafile with
// thousands of text records opens each face once.
#include "platform/FontFaces.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <string_view>
#include <utility>

namespace {

constexpr const char* kSans = "Liberation Sans";
constexpr const char* kSerif = "Liberation Serif";
constexpr const char* kMono = "Liberation Mono";
constexpr const char* kSymbolFamily = "Standard Symbols PS";
constexpr const char* kCjk = "WenQuanYi Micro Hei";
constexpr std::size_t kMaxCachedMatches = 512;

struct NameMapping {
    std::string_view windowsName; // lower case
    const char* family;
};

// Windows faces and the free faces drawn in their place: metric-compatible
// ones where they exist, else faces of the same kind.
constexpr NameMapping kMappings[] = {
    {"arial", kSans},
    {"arial unicode ms", kSans},
    {"arial narrow", kSans},
    {"arial black", kSans},
    {"helvetica", kSans},
    {"helv", kSans},
    {"ms sans serif", kSans},
    {"microsoft sans serif", kSans},
    {"ms shell dlg", kSans},
    {"ms shell dlg 2", kSans},
    {"system", kSans},
    {"small fonts", kSans},
    {"segoe ui", kSans},
    {"univers", kSans},
    {"swiss", kSans},
    {"lucida sans unicode", kSans},
    {"lucida sans", kSans},
    {"century gothic", kSans},
    {"franklin gothic medium", kSans},
    {"trebuchet ms", kSans},
    {"tahoma", "DejaVu Sans"},
    {"verdana", "DejaVu Sans"},
    {"calibri", "Carlito"},
    {"times new roman", kSerif},
    {"times", kSerif},
    {"tms rmn", kSerif},
    {"ms serif", kSerif},
    {"roman", kSerif},
    {"georgia", kSerif},
    {"cambria", kSerif},
    {"book antiqua", kSerif},
    {"bookman old style", kSerif},
    {"garamond", kSerif},
    {"palatino linotype", kSerif},
    {"century schoolbook", kSerif},
    {"euclid", kSerif},
    {"david", kSerif},
    {"courier new", kMono},
    {"courier", kMono},
    {"consolas", kMono},
    {"lucida console", kMono},
    {"fixedsys", kMono},
    {"terminal", kMono},
    {"modern", kMono},
    {"symbol", kSymbolFamily},
    {"euclid symbol", kSymbolFamily},
    {"mt symbol", kSymbolFamily},
    {"mt extra", kSymbolFamily},
    {"simsun", kCjk},
    {"nsimsun", kCjk},
    {"simhei", kCjk},
    {"kaiti", kCjk},
    {"fangsong", kCjk},
    {"microsoft yahei", kCjk},
    {"mingliu", kCjk},
    {"pmingliu", kCjk},
    {"ms gothic", kCjk},
    {"ms pgothic", kCjk},
    {"ms ui gothic", kCjk},
    {"ms mincho", kCjk},
    {"ms pmincho", kCjk},
    {"meiryo", kCjk},
    {"gulim", kCjk},
    {"batang", kCjk},
    {"dotum", kCjk},
    {"malgun gothic", kCjk},
    {"\xE5\xAE\x8B\xE4\xBD\x93", kCjk},                         // SimSun
    {"\xE6\x96\xB0\xE5\xAE\x8B\xE4\xBD\x93", kCjk},             // NSimSun
    {"\xE9\xBB\x91\xE4\xBD\x93", kCjk},                         // SimHei
    {"\xE6\xA5\xB7\xE4\xBD\x93", kCjk},                         // KaiTi
    {"\xE5\xBE\xAE\xE8\xBD\xAF\xE9\x9B\x85\xE9\xBB\x91", kCjk}, // Microsoft YaHei
    {"\xE6\x96\xB0\xE7\xB4\xB0\xE6\x98\x8E\xE9\xAB\x94", kCjk}, // PMingLiU
    {"\xE7\xB4\xB0\xE6\x98\x8E\xE9\xAB\x94", kCjk},             // MingLiU
    {"\xEF\xBC\xAD\xEF\xBC\xB3 \xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF",
     kCjk}, // MS Gothic
    {"\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF",
     kCjk},                                                                  // MS PGothic
    {"\xEF\xBC\xAD\xEF\xBC\xB3 \xE6\x98\x8E\xE6\x9C\x9D", kCjk},             // MS Mincho
    {"\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE6\x98\x8E\xE6\x9C\x9D", kCjk}, // MS PMincho
    {"\xEA\xB5\xB4\xEB\xA6\xBC", kCjk},                                      // Gulim
    {"\xEB\xB0\x94\xED\x83\x95", kCjk},                                      // Batang
};

std::string Lower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

bool EndsWith(const std::string& s, std::string_view end) {
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// A name as the mapping table knows it: lower case, without the '@' of
// vertical faces and without the script suffixes of old Windows faces.
std::string Normalized(const std::string& name) {
    std::string n = Lower(name);
    if (!n.empty() && n.front() == '@') n.erase(0, 1);
    for (std::string_view suffix : {" cyr", " ce", " greek", " tur", " baltic", " (hebrew)"}) {
        if (EndsWith(n, suffix)) n.resize(n.size() - suffix.size());
    }
    while (!n.empty() && n.back() == ' ')
        n.pop_back();
    return n;
}

bool IsCjkCharset(BYTE charset) {
    return charset == 128 || charset == 129 || charset == 130 || charset == 134 || charset == 136;
}

FT_Library Library() {
    static FT_Library library = [] {
        FT_Library l = nullptr;
        return FT_Init_FreeType(&l) == 0 ? l : nullptr;
    }();
    return library;
}

// Fontconfig is set up once and torn down at exit, so its configuration
// and caches are released.
bool FontconfigReady() {
    static const bool ready = [] {
        if (FcInit() != FcTrue) return false;
        std::atexit(FcFini);
        return true;
    }();
    return ready;
}

// The average character width as fonts of the GDI era define it: the
// advances of the lower-case letters and the space weighted by their
// frequency in English text. A logical font's width is measured against it;
// the newer average over all glyphs would make Arial's stand-in narrower.
double WeightedAverageWidth(FT_Face ft) {
    static constexpr int kWeights[27] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3, 6,  35, 20, 56,
                                         56, 17, 4,  49, 56,  71, 31, 10, 18, 3, 18, 2,  166};
    double sum = 0;
    for (int i = 0; i < 27; ++i) {
        const FT_ULong code = i < 26 ? 'a' + i : ' ';
        const FT_UInt glyph = FT_Get_Char_Index(ft, code);
        if (glyph == 0 || FT_Load_Glyph(ft, glyph, FT_LOAD_NO_SCALE) != 0) return 0;
        sum += kWeights[i] * static_cast<double>(ft->glyph->metrics.horiAdvance);
    }
    return sum / 1000;
}

double Os2OrDefault(double os2Value, double fallback) {
    return os2Value > 0 ? os2Value : fallback;
}

// Opens a face file once; null when FreeType cannot read it.
const FontFace* OpenFace(const std::string& file, int index) {
    static std::map<std::pair<std::string, int>, std::unique_ptr<FontFace>> open;
    auto& slot = open[{file, index}];
    if (slot) return slot->ft ? slot.get() : nullptr;
    slot = std::make_unique<FontFace>();
    FT_Face ft = nullptr;
    if (!Library() || FT_New_Face(Library(), file.c_str(), index, &ft) != 0) return nullptr;
    if (!FT_IS_SCALABLE(ft)) {
        FT_Done_Face(ft);
        return nullptr;
    }
    FontFace& f = *slot;
    f.ft = ft;
    f.file = file;
    f.unitsPerEm = ft->units_per_EM > 0 ? ft->units_per_EM : 2048;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
    const double em = f.unitsPerEm;
    f.ascent = Os2OrDefault(os2 ? os2->usWinAscent : 0, ft->ascender > 0 ? ft->ascender : 0.9 * em);
    f.descent =
        Os2OrDefault(os2 ? os2->usWinDescent : 0, ft->descender < 0 ? -ft->descender : 0.2 * em);
    f.averageWidth = Os2OrDefault(WeightedAverageWidth(ft),
                                  Os2OrDefault(os2 ? os2->xAvgCharWidth : 0, 0.5 * em));
    f.underlinePosition = ft->underline_position != 0 ? -ft->underline_position : 0.1 * em;
    f.underlineThickness = Os2OrDefault(ft->underline_thickness, 0.05 * em);
    f.strikeoutPosition = Os2OrDefault(os2 ? os2->yStrikeoutPosition : 0, 0.25 * em);
    f.strikeoutSize = Os2OrDefault(os2 ? os2->yStrikeoutSize : 0, f.underlineThickness);
    f.bold = (ft->style_flags & FT_STYLE_FLAG_BOLD) || (os2 && os2->usWeightClass >= 600);
    f.italic = ft->style_flags & FT_STYLE_FLAG_ITALIC;
    // Symbol faces without a symbol character map keep their glyphs at the
    // byte codes of their own encoding.
    f.symbol = ft->family_name &&
               std::string_view(ft->family_name).find("Symbol") != std::string_view::npos;
    for (int i = 0; i < ft->num_charmaps; ++i) {
        f.symbol = f.symbol || ft->charmaps[i]->encoding == FT_ENCODING_MS_SYMBOL;
    }
    if (!ft->charmap && f.symbol) FT_Select_Charmap(ft, FT_ENCODING_MS_SYMBOL);
    return slot.get();
}

struct Match {
    const FontFace* face = nullptr;
    std::string family; // the matched face's family names, lower case, comma separated
};

// The best installed face of a family, weight and slant.
Match MatchFamily(const std::string& family, LONG weight, bool italic, BYTE charset) {
    Match m;
    if (!FontconfigReady()) return m;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight > 0 ? weight : 400));
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    if (IsCjkCharset(charset)) {
        const char* lang = charset == 128   ? "ja"
                           : charset == 136 ? "zh-tw"
                           : charset == 134 ? "zh-cn"
                                            : "ko";
        FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(lang));
    }
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* found = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!found) return m;
    FcChar8* file = nullptr;
    int index = 0;
    if (FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch) {
        FcPatternGetInteger(found, FC_INDEX, 0, &index);
        m.face = OpenFace(reinterpret_cast<const char*>(file), index);
    }
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(found, FC_FAMILY, i, &name) == FcResultMatch; ++i)
        m.family += Lower(reinterpret_cast<const char*>(name)) + ",";
    FcPatternDestroy(found);
    return m;
}

// The family for a name that is not mapped and that no installed face has:
// by the pitch and family bits, or the character set for CJK and symbol
// ones (a symbol font's bytes are glyph codes, which only a symbol face
// draws: Windows too falls back on one with the same character set).
const char* FamilyByKind(BYTE pitchAndFamily, BYTE charset) {
    if (IsCjkCharset(charset)) return kCjk;
    if (charset == 2) return kSymbolFamily; // SYMBOL_CHARSET
    if ((pitchAndFamily & 3) == 1 || (pitchAndFamily & 0xF0) == 0x30) return kMono;
    if ((pitchAndFamily & 0xF0) == 0x10) return kSerif;
    return kSans;
}

const FontFace* Resolve(FaceRequest r) {
    std::string name = Normalized(r.name);
    if (EndsWith(name, " bold")) {
        name.resize(name.size() - 5);
        r.weight = std::max<LONG>(r.weight, 700);
    }
    if (EndsWith(name, " italic")) {
        name.resize(name.size() - 7);
        r.italic = true;
    }
    std::string family = MappedFamily(name);
    if (family.empty() && !name.empty()) {
        const Match m = MatchFamily(name, r.weight, r.italic, r.charset);
        if (m.face && m.family.find(name + ",") != std::string::npos) return m.face;
    }
    if (family.empty()) family = FamilyByKind(r.pitchAndFamily, r.charset);
    const Match m = MatchFamily(family, r.weight, r.italic, r.charset);
    return m.face ? m.face : FallbackFace();
}

} // namespace

std::string MappedFamily(const std::string& windowsName) {
    const std::string n = Normalized(windowsName);
    for (const NameMapping& m : kMappings) {
        if (m.windowsName == n) return m.family;
    }
    return {};
}

const FontFace* MatchFace(const FaceRequest& request) {
    static std::map<std::string, const FontFace*> matches;
    const std::string key = request.name + '\n' + std::to_string(request.weight / 100) +
                            (request.italic ? "i" : "r") + std::to_string(request.charset) + "/" +
                            std::to_string(request.pitchAndFamily);
    if (const auto it = matches.find(key); it != matches.end()) return it->second;
    if (matches.size() >= kMaxCachedMatches) matches.clear();
    const FontFace* face = Resolve(request);
    matches.emplace(key, face);
    return face;
}

const FontFace* FallbackFace() {
    static const FontFace* fallback = MatchFamily(kCjk, 400, false, 134).face;
    return fallback;
}

unsigned GlyphIndex(const FontFace& face, char32_t code) {
    unsigned glyph = FT_Get_Char_Index(face.ft, code);
    if (glyph == 0 && face.symbol && code >= 0xF000 && code <= 0xF0FF)
        glyph = FT_Get_Char_Index(face.ft, code - 0xF000);
    if (glyph == 0 && face.symbol && code < 0x100)
        glyph = FT_Get_Char_Index(face.ft, code + 0xF000);
    return glyph;
}
