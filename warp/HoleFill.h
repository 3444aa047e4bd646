// The hole filling of the production warping run: every uncovered output
// pixel at least two pixels from each edge gets the truncated mean of the
// covered pixels in its 5x5 window, read straight from the rows. Sums over
// five stored rows are kept per column and slid down a block of rows, so a
// hole costs five columns of sums however many covered pixels surround it.
// Holes are only written and covered pixels only read, so several fillers may
// work on different blocks at once.
#pragma once

#include <cstdint>
#include <vector>

#include "warp/WarpRun.h"

class CHoleFiller {
public:
    explicit CHoleFiller(const WarpRun& run);

    // Fills stored rows [rowBegin, rowEnd), which lie in [2, H - 3].
    void FillRows(LONG rowBegin, LONG rowEnd);

private:
    // Adds (sign 1) or removes (sign -1) the covered pixels of a stored row.
    void AddRow(LONG row, std::int32_t sign);
    void FillHolesOfRow(LONG row);

    const WarpRun& m_run;
    BYTE* const m_bits;
    const std::size_t m_effWidth;
    // Per column, over the five rows around the current one: covered pixels,
    // and the sums of their blue, green and red bytes.
    std::vector<std::int32_t> m_count, m_blue, m_green, m_red;
};
