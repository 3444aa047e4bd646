// Inverse distance weighting: each pixel goes to the mean of all target
// points, weighted by the inverse squared distance to their source points.
#pragma once

#include "warp/WarpMethod.h"

class CWarpIDW : public CWarpMethod {
public:
    void Prepare() override {}
    POINT MapPoint(int x, int y) override;
    void MapColumn(int x, int y0, int count, POINT* out, WarpScratch& scratch) const override;
};
