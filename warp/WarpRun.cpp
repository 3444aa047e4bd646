#include "warp/WarpRun.h"

bool StartWarpRun(const CxImage& source, CWarpMethod& method, WarpRun& run) {
    if (!source.IsValid()) return false;
    const LONG W = static_cast<LONG>(source.GetWidth());
    const LONG H = static_cast<LONG>(source.GetHeight());

    run.output = std::make_unique<CxImage>(W, H, 24, FORMAT_UNKNOWN);
    if (!run.output->IsValid()) return false;
    run.output->Clear(255);

    method.AddPair(POINT{0, 0}, POINT{0, 0});
    method.AddPair(POINT{0, H}, POINT{0, H});
    method.AddPair(POINT{W, 0}, POINT{W, 0});
    method.AddPair(POINT{W, H}, POINT{W, H});

    run.mask.assign(static_cast<std::size_t>(W) * H, 0);
    run.width = W;
    run.height = H;
    method.Prepare();
    return true;
}
