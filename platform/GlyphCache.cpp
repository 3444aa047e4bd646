#include "platform/GlyphCache.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <cmath>
#include <memory>
#include <numbers>
#include <unordered_map>

namespace {

// The cache is emptied when its bitmaps pass this size.
constexpr std::size_t kMaxCacheBytes = 32u << 20;
// The slant of simulated italics: x moves by this much of y.
constexpr double kItalicShear = 0.2;

struct KeyHash {
    std::size_t operator()(const GlyphKey& k) const {
        std::size_t h = std::hash<const void*>()(k.face);
        for (std::size_t v : {std::size_t{k.glyph}, std::size_t(k.ppemX), std::size_t(k.ppemY),
                              std::size_t(k.angle), std::size_t(k.bold * 2 + k.italic)})
            h = h * 1000003u ^ v;
        return h;
    }
};

FT_Fixed Fixed(double v) {
    return static_cast<FT_Fixed>(std::lround(v * 65536));
}

// Rotation by the angle after the italic shear, in FreeType's y-up space.
FT_Matrix Matrix(int angle, bool italic) {
    const double a = angle * std::numbers::pi / 1800, c = std::cos(a), s = std::sin(a);
    const double shear = italic ? kItalicShear : 0;
    return FT_Matrix{Fixed(c), Fixed(shear * c - s), Fixed(s), Fixed(shear * s + c)};
}

std::unique_ptr<GlyphImage> Render(const GlyphKey& k) {
    FT_Face ft = k.face->ft;
    if (FT_Set_Pixel_Sizes(ft, static_cast<FT_UInt>(k.ppemX), static_cast<FT_UInt>(k.ppemY)) != 0)
        return nullptr;
    FT_Matrix m = Matrix(k.angle, k.italic);
    FT_Set_Transform(ft, &m, nullptr);
    const bool loaded = FT_Load_Glyph(ft, k.glyph, FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP) == 0;
    FT_Set_Transform(ft, nullptr, nullptr);
    if (!loaded || ft->glyph->format != FT_GLYPH_FORMAT_OUTLINE) return nullptr;
    if (k.bold) FT_GlyphSlot_Embolden(ft->glyph);
    if (FT_Render_Glyph(ft->glyph, FT_RENDER_MODE_MONO) != 0) return nullptr;
    const FT_Bitmap& b = ft->glyph->bitmap;
    auto g = std::make_unique<GlyphImage>();
    g->left = ft->glyph->bitmap_left;
    g->top = -ft->glyph->bitmap_top;
    g->width = static_cast<int>(b.width);
    g->rows = static_cast<int>(b.rows);
    g->pitch = static_cast<std::size_t>(std::abs(b.pitch));
    g->advance = ft->glyph->metrics.horiAdvance / 64.0;
    g->bits.resize(g->pitch * b.rows);
    for (unsigned y = 0; y < b.rows && g->pitch; ++y) {
        const unsigned char* row =
            b.pitch >= 0 ? b.buffer + y * g->pitch : b.buffer + (b.rows - 1 - y) * g->pitch;
        std::copy(row, row + g->pitch, g->bits.begin() + y * g->pitch);
    }
    return g;
}

} // namespace

const GlyphImage* RenderGlyph(const GlyphKey& key) {
    static std::unordered_map<GlyphKey, std::unique_ptr<GlyphImage>, KeyHash> cache;
    static std::size_t bytes = 0;
    if (const auto it = cache.find(key); it != cache.end()) return it->second.get();
    std::unique_ptr<GlyphImage> g = key.face && key.face->ft ? Render(key) : nullptr;
    const std::size_t size = (g ? g->bits.size() : 0) + sizeof(GlyphImage) + 64;
    if (bytes + size > kMaxCacheBytes) {
        cache.clear();
        bytes = 0;
    }
    bytes += size;
    return cache.emplace(key, std::move(g)).first->second.get();
}
