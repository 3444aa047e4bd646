#include "warp/HoleFill.h"

#include <algorithm>

namespace {

// sum / n for the sums of a 5x5 window (n <= 25, sum <= 25 * 255) as a
// multiplication: (sum * kReciprocal[n]) >> kShift, exact over that range.
constexpr int kShift = 18;
constexpr std::int32_t kMaxSum = 25 * 255;

struct Reciprocals {
    std::uint32_t of[26] = {};
    constexpr Reciprocals() {
        for (std::uint32_t n = 1; n <= 25; ++n)
            of[n] = ((std::uint32_t{1} << kShift) + n - 1) / n;
    }
};
constexpr Reciprocals kReciprocal;

constexpr bool ReciprocalsAreExact() {
    for (std::uint32_t n = 1; n <= 25; ++n)
        for (std::uint32_t sum = 0; sum <= kMaxSum; ++sum)
            if (((sum * kReciprocal.of[n]) >> kShift) != sum / n) return false;
    return true;
}
static_assert(ReciprocalsAreExact());

BYTE Mean(std::int32_t sum, std::int32_t n) {
    return static_cast<BYTE>((static_cast<std::uint32_t>(sum) * kReciprocal.of[n]) >> kShift);
}

} // namespace

CHoleFiller::CHoleFiller(const WarpRun& run)
    : m_run(run), m_bits(run.output->GetBits(0)), m_effWidth(run.output->GetEffWidth()),
      m_sums(run.width) {}

// Covered (mask not 0) as 0 or 1: multiplying by it adds a covered pixel and
// skips a hole without a branch.
void CHoleFiller::AddRow(LONG row) {
    const LONG W = m_run.width;
    const MaskCell* covered = m_run.mask.get() + std::size_t(row) * W;
    const BYTE* pixels = m_bits + std::size_t(row) * m_effWidth;
    ColumnSums* sums = m_sums.data();
    for (LONG x = 0; x < W; ++x) {
        const std::int32_t c = covered[x] != 0;
        sums[x].count += c;
        sums[x].blue += c * pixels[3 * x];
        sums[x].green += c * pixels[3 * x + 1];
        sums[x].red += c * pixels[3 * x + 2];
    }
}

void CHoleFiller::SlideRows(LONG in, LONG out) {
    const LONG W = m_run.width;
    const MaskCell* coveredIn = m_run.mask.get() + std::size_t(in) * W;
    const MaskCell* coveredOut = m_run.mask.get() + std::size_t(out) * W;
    const BYTE* pixelsIn = m_bits + std::size_t(in) * m_effWidth;
    const BYTE* pixelsOut = m_bits + std::size_t(out) * m_effWidth;
    ColumnSums* sums = m_sums.data();
    for (LONG x = 0; x < W; ++x) {
        const std::int32_t a = coveredIn[x] != 0, r = coveredOut[x] != 0;
        sums[x].count += a - r;
        sums[x].blue += a * pixelsIn[3 * x] - r * pixelsOut[3 * x];
        sums[x].green += a * pixelsIn[3 * x + 1] - r * pixelsOut[3 * x + 1];
        sums[x].red += a * pixelsIn[3 * x + 2] - r * pixelsOut[3 * x + 2];
    }
}

void CHoleFiller::FillHolesOfRow(LONG row) {
    const LONG W = m_run.width;
    const MaskCell* covered = m_run.mask.get() + std::size_t(row) * W;
    BYTE* pixels = m_bits + std::size_t(row) * m_effWidth;
    const ColumnSums* sums = m_sums.data();
    // The 5x5 window around hole `at`; the window of the hole next to it
    // differs by one column on each side.
    ColumnSums window{0, 0, 0, 0};
    LONG at = 0;
    for (LONG cx = 2; cx <= W - 3; ++cx) {
        if (covered[cx]) {
            // Skip the covered stretch at once.
            const MaskCell* hole = std::find(covered + cx, covered + W - 2, MaskCell{0});
            if (hole == covered + W - 2) return;
            cx = static_cast<LONG>(hole - covered);
        }
        if (cx == at + 1) {
            window.count += sums[cx + 2].count - sums[cx - 3].count;
            window.blue += sums[cx + 2].blue - sums[cx - 3].blue;
            window.green += sums[cx + 2].green - sums[cx - 3].green;
            window.red += sums[cx + 2].red - sums[cx - 3].red;
        } else {
            window = ColumnSums{0, 0, 0, 0};
            for (LONG x = cx - 2; x <= cx + 2; ++x) {
                window.count += sums[x].count;
                window.blue += sums[x].blue;
                window.green += sums[x].green;
                window.red += sums[x].red;
            }
        }
        at = cx;
        if (window.count == 0) continue;
        BYTE* p = pixels + 3 * std::size_t(cx);
        p[0] = Mean(window.blue, window.count);
        p[1] = Mean(window.green, window.count);
        p[2] = Mean(window.red, window.count);
    }
}

void CHoleFiller::FillRows(LONG rowBegin, LONG rowEnd) {
    std::fill(m_sums.begin(), m_sums.end(), ColumnSums{0, 0, 0, 0});
    for (LONG y = rowBegin - 2; y <= rowBegin + 2; ++y)
        AddRow(y);
    for (LONG row = rowBegin; row < rowEnd; ++row) {
        if (row > rowBegin) SlideRows(row + 2, row - 3);
        FillHolesOfRow(row);
    }
}
