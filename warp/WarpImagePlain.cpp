// The warping run done plainly: one MapPoint per pixel through the checked
// pixel accessors.
#include <cstdint>

#include "warp/WarpImage.h"
#include "warp/WarpRun.h"

namespace {

// Writes the 5x5 mean of covered output pixels into every uncovered pixel at
// least two pixels from each edge. The mask is never updated, so a filled
// pixel never feeds another hole.
void FillHoles(CxImage& output, const MaskCell* mask, LONG W, LONG H) {
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

std::unique_ptr<CxImage> WarpImagePlain(const CxImage& source, CWarpMethod& method) {
    WarpRun run;
    if (!StartWarpRun(source, method, run)) return nullptr;
    const LONG W = run.width, H = run.height;
    CxImage& output = *run.output;
    output.Clear(255);

    // Forward mapping; view y and stored row r meet as r = H - 1 - y.
    for (LONG x = 0; x < W; ++x) {
        for (LONG y = 0; y < H; ++y) {
            const POINT q = method.MapPoint(x, y);
            const std::int64_t row = std::int64_t{H} - 1 - q.y;
            if (q.x < 0 || q.x >= W || row < 0 || row >= H) continue;
            const LONG r = static_cast<LONG>(row);
            output.SetPixelColor(q.x, r, source.GetPixelColor(x, H - 1 - y, true), false);
            run.mask[static_cast<std::size_t>(r) * W + q.x] = 1;
        }
    }
    FillHoles(output, run.mask.get(), W, H);
    return std::move(run.output);
}
