#include "warp/SourceColours.h"

CSourceColours::CSourceColours(const CxImage& source)
    : m_bits(source.GetBits(0)), m_effWidth(source.GetEffWidth()), m_bpp(source.GetBpp()) {
    for (std::size_t i = 0; i < m_palette.size(); ++i)
        m_palette[i] = source.GetPaletteColor(static_cast<BYTE>(i));
}
