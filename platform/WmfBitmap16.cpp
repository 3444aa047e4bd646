#include "platform/WmfBitmap16.h"

#include "platform/ByteOrder.h"

namespace {

constexpr std::size_t kHeaderBytes = 10;

void Put32(std::vector<BYTE>& out, DWORD v) {
    out.insert(out.end(), {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)});
}

} // namespace

std::vector<BYTE> Bitmap16ToDib(std::span<const BYTE> bitmap) {
    if (bitmap.size() < kHeaderBytes) return {};
    const auto width = static_cast<short>(GetLE16(bitmap.data() + 2));
    const auto height = static_cast<short>(GetLE16(bitmap.data() + 4));
    const std::size_t rowBytes = GetLE16(bitmap.data() + 6);
    const BYTE planes = bitmap[8], bpp = bitmap[9];
    if (width <= 0 || height <= 0 || planes != 1 || (bpp != 1 && bpp != 24) ||
        rowBytes < (std::size_t(width) * bpp + 7) / 8 ||
        rowBytes * std::size_t(height) > bitmap.size() - kHeaderBytes)
        return {};
    const std::size_t stride = (std::size_t(width) * bpp + 31) / 32 * 4;
    std::vector<BYTE> dib;
    for (const DWORD field : {40u, DWORD(width), DWORD(height), 1u | (DWORD(bpp) << 16), 0u, 0u, 0u,
                              0u, bpp == 1 ? 2u : 0u, 0u})
        Put32(dib, field);
    if (bpp == 1) {
        Put32(dib, 0);
        Put32(dib, 0xFFFFFF);
    }
    for (std::size_t y = std::size_t(height); y-- > 0;) {
        const BYTE* row = bitmap.data() + kHeaderBytes + y * rowBytes;
        dib.insert(dib.end(), row, row + std::min(rowBytes, stride));
        dib.resize(dib.size() + (stride - std::min(rowBytes, stride)), 0);
    }
    return dib;
}
