#include "warp/WarpImage.h"

#include <cstdint>
#include <vector>

namespace {

// Writes the 5x5 mean of covered output pixels into every uncovered pixel at
// least two pixels from each edge. The mask is never updated, so a filled
// pixel never feeds another hole.
void FillHoles(CxImage& output, const std::vector<BYTE>& mask, LONG W, LONG H) {
    for (LONG cx = 2; cx <= W - 3; ++cx) {
        for (LONG cy = 2; cy <= H - 3; ++cy) {
            if (mask[static_cast<std::size_t>(cy) * W + cx]) continue;
            std::int32_t sumRed = 0, sumGreen = 0, sumBlue = 0, n = 0;
            for (LONG x = cx - 2; x <= cx + 2; ++x) {
                for (LONG y = cy - 2; y <= cy + 2; ++y) {
                    if (!mask[static_cast<std::size_t>(y) * W + x]) continue;
                    const RGBQUAD c = output.GetPixelColor(x, y, true);
                    sumRed += c.rgbRed;
                    sumGreen += c.rgbGreen;
                    sumBlue += c.rgbBlue;
                    ++n;
                }
            }
            if (n > 0) {
                output.SetPixelColor(cx, cy,
                                     RGB(static_cast<BYTE>(sumRed / n),
                                         static_cast<BYTE>(sumGreen / n),
                                         static_cast<BYTE>(sumBlue / n)));
            }
        }
    }
}

} // namespace

std::unique_ptr<CxImage> WarpImage(const CxImage& source, CWarpMethod& method) {
    if (!source.IsValid()) return nullptr;
    const LONG W = static_cast<LONG>(source.GetWidth());
    const LONG H = static_cast<LONG>(source.GetHeight());

    auto output = std::make_unique<CxImage>(W, H, 24, FORMAT_UNKNOWN);
    if (!output->IsValid()) return nullptr;
    output->Clear(255);

    method.AddPair(POINT{0, 0}, POINT{0, 0});
    method.AddPair(POINT{0, H}, POINT{0, H});
    method.AddPair(POINT{W, 0}, POINT{W, 0});
    method.AddPair(POINT{W, H}, POINT{W, H});

    std::vector<BYTE> mask(static_cast<std::size_t>(W) * H, 0);
    method.Prepare();

    // Forward mapping; view y and stored row r meet as r = H - 1 - y.
    for (LONG x = 0; x < W; ++x) {
        for (LONG y = 0; y < H; ++y) {
            const POINT q = method.MapPoint(x, y);
            const std::int64_t row = std::int64_t{H} - 1 - q.y;
            if (q.x < 0 || q.x >= W || row < 0 || row >= H) continue;
            const LONG r = static_cast<LONG>(row);
            output->SetPixelColor(q.x, r, source.GetPixelColor(x, H - 1 - y, true), false);
            mask[static_cast<std::size_t>(r) * W + q.x] = 1;
        }
    }
    FillHoles(*output, mask, W, H);
    return output;
}
