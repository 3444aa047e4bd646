// The production warping run. The source columns are split into one band
// per member of the team, and so are the output's columns: member m maps the
// pixels of its columns and writes the landings that fall in its own band
// straight into the output. Landings in another member's band wait in a
// bounded list; whenever a list is nearly full, and at the end, the members
// meet and each applies every list's landings that fall in its own band.
// A member maps blocks of a few columns and lands them row by row, which
// keeps the rows it touches in cache. Visiting order is x major, y minor, so
// the pixel visited last on an output pixel is the one of the highest source
// column, and of those the lowest in the column (highest y): the mask keeps
// the column + 1 of the pixel last landed, a landing never replaces one of a
// higher column, and the landings of one column arrive in y order. Hole
// filling then runs on blocks of rows.
#include <algorithm>
#include <atomic>
#include <barrier>
#include <cstdint>

#include "warp/HoleFill.h"
#include "warp/SourceColours.h"
#include "warp/ThreadTeam.h"
#include "warp/WarpImage.h"
#include "warp/WarpRun.h"

namespace {

// A block of pixels mapped at once: a few columns of up to kBlockRows rows.
constexpr LONG kBlockColumns = 8;
constexpr LONG kBlockRows = 1024;
constexpr std::size_t kBlockPixels = std::size_t{kBlockColumns} * kBlockRows;
// Landings for other members' bands a member holds at most.
constexpr std::size_t kDeferredLimit = 4 * kBlockPixels;
// Stored rows one member fills holes in at a time.
constexpr LONG kHoleRows = 64;

// A landing inside the output waiting for the member that owns its column.
struct Landing {
    std::uint32_t x, row;
    MaskCell mark; // the source column + 1
    BYTE blue, green, red;
};

// What the members share during the forward mapping.
class CForwardPass {
public:
    CForwardPass(const CxImage& source, const CWarpMethod& method, WarpRun& run, unsigned members)
        : m_method(method), m_colours(source), m_run(run), m_bits(run.output->GetBits(0)),
          m_effWidth(run.output->GetEffWidth()), m_members(members), m_deferred(members),
          m_sync(members) {}

    // The share of member `member`: clears its columns of the output, maps
    // the pixels of its columns and meets the others until all have finished.
    void Member(unsigned member);

private:
    // Sets the output's bytes in this member's columns to 255.
    void ClearBand(unsigned member);
    // Maps the block of `columns` columns from x0 and `rows` rows from view
    // row y0, and lands it.
    void MapBlock(unsigned member, LONG x0, LONG columns, LONG y0, LONG rows,
                  std::vector<POINT>& mapped, WarpScratch& scratch);
    // Lands a mapped block (column c's points at mapped + c * rows) of a
    // source of Bpp bits, row by row.
    template <WORD Bpp>
    void LandBlock(unsigned member, LONG x0, LONG columns, LONG y0, LONG rows, const POINT* mapped);
    // Waits for every member, applies the deferred landings in this member's
    // band, and waits again. True when every member had finished mapping.
    bool Meet(unsigned member);
    // Writes a landing from source column mark - 1 unless one from a higher
    // column covered the pixel already.
    void Land(MaskCell mark, std::uint32_t x, std::uint32_t row, RGBQUAD colour) {
        MaskCell& covered = m_run.mask[std::size_t{row} * std::size_t(m_run.width) + x];
        if (covered > mark) return;
        covered = mark;
        BYTE* p = m_bits + std::size_t{row} * m_effWidth + 3 * std::size_t{x};
        p[0] = colour.rgbBlue;
        p[1] = colour.rgbGreen;
        p[2] = colour.rgbRed;
    }
    // The first column of member `member`'s band.
    LONG BandBegin(unsigned member) const {
        return static_cast<LONG>(
            CThreadTeam::PartBegin(std::size_t(m_run.width), member, m_members));
    }

    const CWarpMethod& m_method;
    const CSourceColours m_colours;
    WarpRun& m_run;
    BYTE* const m_bits;
    const std::size_t m_effWidth;
    const unsigned m_members;
    std::vector<std::vector<Landing>> m_deferred; // one list per member
    // Set by a member whose list is nearly full: everyone meets at once.
    std::atomic<bool> m_meetingWanted{false};
    std::atomic<unsigned> m_finished{0};
    std::barrier<> m_sync;
};

void CForwardPass::Member(unsigned member) {
    const LONG H = m_run.height;
    ClearBand(member);
    m_deferred[member].reserve(kDeferredLimit);
    std::vector<POINT> mapped(kBlockPixels);
    WarpScratch scratch;

    const LONG end = BandBegin(member + 1);
    for (LONG x0 = BandBegin(member); x0 < end; x0 += kBlockColumns) {
        const LONG columns = std::min(kBlockColumns, end - x0);
        for (LONG y0 = 0; y0 < H; y0 += kBlockRows) {
            MapBlock(member, x0, columns, y0, std::min(kBlockRows, H - y0), mapped, scratch);
            // Before a block starts, a list has room for all its landings.
            if (m_deferred[member].size() > kDeferredLimit - kBlockPixels)
                m_meetingWanted.store(true, std::memory_order_relaxed);
            if (m_meetingWanted.load(std::memory_order_relaxed)) Meet(member);
        }
    }
    m_finished.fetch_add(1);
    while (!Meet(member)) {
    }
}

// Only the owner of a band writes it, so it clears it first, and no one
// waits: the lines it writes stay in its own cache.
void CForwardPass::ClearBand(unsigned member) {
    const std::size_t begin = 3 * std::size_t(BandBegin(member));
    // The last band takes the rows' padding.
    const std::size_t end =
        member + 1 == m_members ? m_effWidth : 3 * std::size_t(BandBegin(member + 1));
    for (std::size_t row = 0; row < std::size_t(m_run.height); ++row) {
        BYTE* line = m_bits + row * m_effWidth;
        std::fill(line + begin, line + end, BYTE{255});
    }
}

void CForwardPass::MapBlock(unsigned member, LONG x0, LONG columns, LONG y0, LONG rows,
                            std::vector<POINT>& mapped, WarpScratch& scratch) {
    for (LONG c = 0; c < columns; ++c)
        m_method.MapColumn(x0 + c, y0, rows, mapped.data() + c * rows, scratch);
    switch (m_colours.Bpp()) {
    case 24:
        LandBlock<24>(member, x0, columns, y0, rows, mapped.data());
        break;
    case 8:
        LandBlock<8>(member, x0, columns, y0, rows, mapped.data());
        break;
    case 4:
        LandBlock<4>(member, x0, columns, y0, rows, mapped.data());
        break;
    default:
        LandBlock<1>(member, x0, columns, y0, rows, mapped.data());
        break;
    }
}

template <WORD Bpp>
void CForwardPass::LandBlock(unsigned member, LONG x0, LONG columns, LONG y0, LONG rows,
                             const POINT* mapped) {
    const LONG W = m_run.width, H = m_run.height;
    const auto bandBegin = static_cast<std::uint32_t>(BandBegin(member));
    const auto bandWidth = static_cast<std::uint32_t>(BandBegin(member + 1)) - bandBegin;
    std::vector<Landing>& deferred = m_deferred[member];
    for (LONG k = 0; k < rows; ++k) {
        // View y and stored row r meet as r = H - 1 - y.
        const BYTE* line = m_colours.Row(H - 1 - (y0 + k));
        for (LONG c = 0; c < columns; ++c) {
            const POINT q = mapped[c * rows + k];
            const std::int64_t row = std::int64_t{H} - 1 - q.y;
            if (q.x < 0 || q.x >= W || row < 0 || row >= H) continue;
            const LONG x = x0 + c;
            const RGBQUAD colour = m_colours.InRow<Bpp>(line, static_cast<std::size_t>(x));
            const auto mark = static_cast<MaskCell>(x) + 1;
            const auto qx = static_cast<std::uint32_t>(q.x);
            const auto r = static_cast<std::uint32_t>(row);
            if (qx - bandBegin < bandWidth)
                Land(mark, qx, r, colour);
            else
                deferred.push_back(
                    Landing{qx, r, mark, colour.rgbBlue, colour.rgbGreen, colour.rgbRed});
        }
    }
}

bool CForwardPass::Meet(unsigned member) {
    m_sync.arrive_and_wait();
    // Nobody maps until everyone has passed the second wait.
    const bool allFinished = m_finished.load() == m_members;
    if (member == 0) m_meetingWanted.store(false, std::memory_order_relaxed);
    const auto bandBegin = static_cast<std::uint32_t>(BandBegin(member));
    const auto bandWidth = static_cast<std::uint32_t>(BandBegin(member + 1)) - bandBegin;
    for (const std::vector<Landing>& list : m_deferred)
        for (const Landing& l : list)
            if (l.x - bandBegin < bandWidth)
                Land(l.mark, l.x, l.row, RGBQUAD{l.blue, l.green, l.red, 0});
    m_sync.arrive_and_wait();
    m_deferred[member].clear();
    return allFinished;
}

void FillHoles(CThreadTeam& team, const WarpRun& run) {
    const LONG H = run.height;
    if (run.width < 5 || H < 5) return;
    std::atomic<LONG> nextRow{2};
    team.Run([&](unsigned) {
        CHoleFiller filler(run);
        for (LONG row = nextRow.fetch_add(kHoleRows); row <= H - 3;
             row = nextRow.fetch_add(kHoleRows))
            filler.FillRows(row, std::min(row + kHoleRows, H - 2));
    });
}

} // namespace

std::unique_ptr<CxImage> WarpImage(const CxImage& source, CWarpMethod& method) {
    WarpRun run;
    if (!StartWarpRun(source, method, run)) return nullptr;
    // A member for every block, at most, and one column at least.
    const std::uint64_t pixels = std::uint64_t(run.width) * std::uint64_t(run.height);
    const std::uint64_t blocks = (pixels + kBlockPixels - 1) / kBlockPixels;
    CThreadTeam team(static_cast<unsigned>(
        std::min<std::uint64_t>({method.GetThreadCount(), blocks, std::uint64_t(run.width)})));
    CForwardPass pass(source, method, run, team.Size());
    team.Run([&](unsigned member) { pass.Member(member); });
    FillHoles(team, run);
    return std::move(run.output);
}
