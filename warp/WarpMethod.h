// CWarpMethod: the abstract warping method. It holds the control pairs of one
// view (source point i in m_srcPoints, its target in m_dstPoints) and offers
// the warping run Prepare, once per run, and MapPoint, once per pixel, or
// MapColumn, once per run of pixels down a column.
//
// Points are in view coordinates: origin at the image's top-left pixel, x to
// the right, y downwards.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/Gdi.h"
#include "platform/WinTypes.h"

// Working memory of one thread's batch mapping. A method sizes it as it
// needs; it is reused from column to column.
struct WarpScratch {
    std::vector<double> values;
};

class CWarpMethod {
public:
    CWarpMethod() = default;
    CWarpMethod(const CWarpMethod&) = delete;
    CWarpMethod& operator=(const CWarpMethod&) = delete;
    virtual ~CWarpMethod() = default;

    // Appends one control pair; pairs are never validated, changed or removed.
    void AddPair(POINT src, POINT dst);

    // Derives from the current pairs whatever MapPoint needs.
    virtual void Prepare() = 0;
    // The warped position of pixel (x, y), each coordinate truncated toward
    // zero. Uses the pairs present at the last Prepare.
    virtual POINT MapPoint(int x, int y) = 0;
    // The batch form of MapPoint: out[k] = MapPoint(x, y0 + k) for k in
    // [0, count), bit for bit. It reads only the pairs and what Prepare
    // computed, so several threads may map at once, each with its own
    // scratch. y0 + count - 1 must not pass INT32_MAX.
    virtual void MapColumn(int x, int y0, int count, POINT* out, WarpScratch& scratch) const = 0;

    // How many threads a warping run, and a solve in Prepare, may use; 0 (the
    // default) means one per hardware thread.
    void SetThreadCount(unsigned count) { m_threadCount = count; }
    // The count in effect: never 0.
    unsigned GetThreadCount() const;

    // Draws every pair over the painted image, in index order: a red cross at
    // the source, a green line from source to target, a blue cross at the
    // target. The context keeps the pen it had.
    void DrawPairs(HDC hdc) const;
    // A plus-shaped cross with arms of 3 pixels and a pen of width 2, red for
    // a source point and blue for a target. Near the top and left edges each
    // stroke slides along its own direction so that it starts at 0.
    static void DrawMarker(int x, int y, bool isSource, HDC hdc);

    std::size_t GetPairCount() const { return m_srcPoints.size(); }
    const std::vector<POINT>& GetSrcPoints() const { return m_srcPoints; }
    const std::vector<POINT>& GetDstPoints() const { return m_dstPoints; }

protected:
    // Index of the first of the first n pairs whose source point is (x, y),
    // or n when there is none.
    std::size_t FindSource(int x, int y, std::size_t n) const;
    // MapColumn's counterpart of FindSource: where the segment (x, y0) ...
    // (x, y0 + count - 1) holds the source point of one of the first n pairs,
    // out takes that pair's target, the first such pair winning.
    void PlaceSourceHits(int x, int y0, int count, std::size_t n, POINT* out) const;
    // out[k] = (x, y0 + k): the map without pairs.
    static void MapIdentity(int x, int y0, int count, POINT* out);

    std::vector<POINT> m_srcPoints;
    std::vector<POINT> m_dstPoints;

private:
    unsigned m_threadCount = 0;
};
