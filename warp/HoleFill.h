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
    // The covered pixels of a stored row: their count, and the sums of their
    // blue, green and red bytes, in one column.
    struct ColumnSums {
        std::int32_t count, blue, green, red;
    };

    void AddRow(LONG row);
    // Moves the window down a row: adds stored row `in`, removes row `out`.
    void SlideRows(LONG in, LONG out);
    void FillHolesOfRow(LONG row);

    const WarpRun& m_run;
    BYTE* const m_bits;
    const std::size_t m_effWidth;
    // Per column, over the five rows around the current one.
    std::vector<ColumnSums> m_sums;
};
