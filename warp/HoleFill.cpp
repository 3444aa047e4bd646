#include "warp/HoleFill.h"

#include <cstring>

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
      m_count(run.width), m_blue(run.width), m_green(run.width), m_red(run.width) {}

void CHoleFiller::AddRow(LONG row, std::int32_t sign) {
    const LONG W = m_run.width;
    const BYTE* covered = m_run.mask.get() + std::size_t(row) * W;
    const BYTE* pixels = m_bits + std::size_t(row) * m_effWidth;
    for (LONG x = 0; x < W; ++x) {
        if (!covered[x]) continue;
        m_count[x] += sign;
        m_blue[x] += sign * pixels[3 * x];
        m_green[x] += sign * pixels[3 * x + 1];
        m_red[x] += sign * pixels[3 * x + 2];
    }
}

void CHoleFiller::FillHolesOfRow(LONG row) {
    const LONG W = m_run.width;
    const BYTE* covered = m_run.mask.get() + std::size_t(row) * W;
    BYTE* pixels = m_bits + std::size_t(row) * m_effWidth;
    for (LONG cx = 2; cx <= W - 3; ++cx) {
        // Skip the covered stretch at once.
        const void* hole = std::memchr(covered + cx, 0, std::size_t(W - 2 - cx));
        if (!hole) return;
        cx = static_cast<LONG>(static_cast<const BYTE*>(hole) - covered);
        std::int32_t n = 0, blue = 0, green = 0, red = 0;
        for (LONG x = cx - 2; x <= cx + 2; ++x) {
            n += m_count[x];
            blue += m_blue[x];
            green += m_green[x];
            red += m_red[x];
        }
        if (n == 0) continue;
        BYTE* p = pixels + 3 * std::size_t(cx);
        p[0] = Mean(blue, n);
        p[1] = Mean(green, n);
        p[2] = Mean(red, n);
    }
}

void CHoleFiller::FillRows(LONG rowBegin, LONG rowEnd) {
    std::fill(m_count.begin(), m_count.end(), 0);
    std::fill(m_blue.begin(), m_blue.end(), 0);
    std::fill(m_green.begin(), m_green.end(), 0);
    std::fill(m_red.begin(), m_red.end(), 0);
    for (LONG y = rowBegin - 2; y <= rowBegin + 2; ++y)
        AddRow(y, 1);
    for (LONG row = rowBegin; row < rowEnd; ++row) {
        if (row > rowBegin) {
            AddRow(row + 2, 1);
            AddRow(row - 3, -1);
        }
        FillHolesOfRow(row);
    }
}
