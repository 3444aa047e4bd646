#include "warp/WarpRun.h"

#include "image/HugePages.h"

bool StartWarpRun(const CxImage& source, CWarpMethod& method, WarpRun& run) {
    if (!source.IsValid()) return false;
    const LONG W = static_cast<LONG>(source.GetWidth());
    const LONG H = static_cast<LONG>(source.GetHeight());

    run.output = std::make_unique<CxImage>(W, H, 24, FORMAT_UNKNOWN);
    if (!run.output->IsValid()) return false;
    // calloc leaves a fresh block untouched, so huge pages can still back it.
    const std::size_t maskSize = static_cast<std::size_t>(W) * H;
    run.mask.reset(static_cast<MaskCell*>(std::calloc(maskSize, sizeof(MaskCell))));
    if (!run.mask) return false;
    AdviseHugePages(run.mask.get(), maskSize * sizeof(MaskCell));

    method.AddPair(POINT{0, 0}, POINT{0, 0});
    method.AddPair(POINT{0, H}, POINT{0, H});
    method.AddPair(POINT{W, 0}, POINT{W, 0});
    method.AddPair(POINT{W, H}, POINT{W, H});

    run.width = W;
    run.height = H;
    method.Prepare();
    return true;
}
