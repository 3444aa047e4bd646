#include "warp/WarpMethod.h"

void CWarpMethod::AddPair(POINT src, POINT dst) {
    m_srcPoints.push_back(src);
    m_dstPoints.push_back(dst);
}

std::size_t CWarpMethod::FindSource(int x, int y, std::size_t n) const {
    for (std::size_t i = 0; i < n; ++i) {
        if (m_srcPoints[i].x == x && m_srcPoints[i].y == y) return i;
    }
    return n;
}
