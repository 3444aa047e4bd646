#include "warp/WarpMethod.h"

#include <cstdint>
#include <thread>

void CWarpMethod::AddPair(POINT src, POINT dst) {
    m_srcPoints.push_back(src);
    m_dstPoints.push_back(dst);
}

unsigned CWarpMethod::GetThreadCount() const {
    if (m_threadCount != 0) return m_threadCount;
    const unsigned hardware = std::thread::hardware_concurrency();
    return hardware != 0 ? hardware : 1;
}

std::size_t CWarpMethod::FindSource(int x, int y, std::size_t n) const {
    for (std::size_t i = 0; i < n; ++i) {
        if (m_srcPoints[i].x == x && m_srcPoints[i].y == y) return i;
    }
    return n;
}

void CWarpMethod::PlaceSourceHits(int x, int y0, int count, std::size_t n, POINT* out) const {
    // Backwards, so that the first pair on a point is written last.
    for (std::size_t i = n; i-- > 0;) {
        const std::int64_t k = std::int64_t{m_srcPoints[i].y} - y0;
        if (m_srcPoints[i].x == x && k >= 0 && k < count) out[k] = m_dstPoints[i];
    }
}

void CWarpMethod::MapIdentity(int x, int y0, int count, POINT* out) {
    for (int k = 0; k < count; ++k)
        out[k] = POINT{x, y0 + k};
}
