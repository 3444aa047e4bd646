// Rigid moving least squares: for every pixel v, the rotation plus
// translation that best carries the source points onto the target points,
// weighted by 1 / |p_i - v|^2, applied to v.
#pragma once

#include <vector>

#include "warp/WarpMethod.h"

class CWarpMLS : public CWarpMethod {
public:
    // Sizes the scratch arrays for the current pairs; computes nothing.
    void Prepare() override;
    // R(v - p*) + q*, with p* and q* truncated to integers. Writes the
    // scratch fields, so calls on one object must not overlap.
    POINT MapPoint(int x, int y) override;
    // MapPoint without the scratch fields: the weights live in `scratch`.
    void MapColumn(int x, int y0, int count, POINT* out, WarpScratch& scratch) const override;
    // Weights, both centroids and both centred arrays for the pixel (x, y).
    void ComputeCentroids(int x, int y);

    POINT GetSrcCentroid() const { return m_srcCentroid; }
    POINT GetDstCentroid() const { return m_dstCentroid; }

private:
    std::vector<double> m_weights; // w_i for the pixel most recently mapped
    std::vector<POINT> m_srcHat;   // p-hat_i = p_i - p*
    std::vector<POINT> m_dstHat;   // q-hat_i = q_i - q*
    POINT m_srcCentroid{0, 0};     // p*
    POINT m_dstCentroid{0, 0};     // q*
};
