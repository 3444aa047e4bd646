// The production warping run. The pixels, in visiting order (x major, y
// minor), are split into one contiguous range per member of the team, and
// the output's columns into bands the same way: member m maps its range and
// writes the landings that fall in its own band straight into the output.
// Landings in another member's band wait in a bounded list; whenever a list
// is nearly full, and at the end, the members meet and each applies every
// list's landings that fall in its own band. The mask records which member
// covered a pixel last (its number + 1), and a landing never replaces one of
// a later member: since later members hold later pixels, and each member's
// landings on one output pixel arrive in visiting order, the pixel visited
// last wins. Hole filling then runs on blocks of rows.
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

// Pixels mapped at once: bounds the buffer of mapped points.
constexpr std::uint64_t kChunkPixels = 8192;
// Landings for other members' bands a member holds at most.
constexpr std::size_t kDeferredLimit = 4 * kChunkPixels;
// A member marks the mask with its number + 1, in a byte.
constexpr unsigned kMaxMembers = 255;
// Stored rows one member fills holes in at a time.
constexpr LONG kHoleRows = 64;

// A landing inside the output waiting for the member that owns its column.
struct Landing {
    std::uint32_t x, row;
    BYTE blue, green, red;
};

// What the members share during the forward mapping.
class CForwardPass {
public:
    CForwardPass(const CxImage& source, const CWarpMethod& method, WarpRun& run, unsigned members)
        : m_method(method), m_colours(source), m_run(run), m_bits(run.output->GetBits(0)),
          m_effWidth(run.output->GetEffWidth()),
          m_pixels(std::uint64_t(run.width) * std::uint64_t(run.height)), m_members(members),
          m_deferred(members), m_sync(members) {}

    // The share of member `member`: clears its rows of the output, maps its
    // range of pixels and meets the others until all have finished.
    void Member(unsigned member);

private:
    // Maps pixels [begin, end) of the visiting order for member `member`.
    void MapChunk(unsigned member, std::uint64_t begin, std::uint64_t end,
                  std::vector<POINT>& mapped, WarpScratch& scratch);
    // Lands the mapped column run (x, y0) ... (x, y0 + count - 1) of a
    // source of Bpp bits.
    template <WORD Bpp>
    void LandRun(unsigned member, LONG x, LONG y0, int count, const POINT* mapped);
    // Waits for every member, applies the deferred landings in this member's
    // band, and waits again. True when every member had finished mapping.
    bool Meet(unsigned member);
    // Writes a landing of member mark - 1 unless a later member covered the
    // pixel already.
    void Land(BYTE mark, std::uint32_t x, std::uint32_t row, RGBQUAD colour) {
        const std::size_t at = std::size_t{row} * std::size_t(m_run.width) + x;
        BYTE& covered = m_run.mask[at];
        if (covered > mark) return;
        covered = mark;
        BYTE* p = m_bits + std::size_t{row} * m_effWidth + 3 * std::size_t{x};
        p[0] = colour.rgbBlue;
        p[1] = colour.rgbGreen;
        p[2] = colour.rgbRed;
    }
    // The first column of member `member`'s band.
    std::uint32_t BandBegin(unsigned member) const {
        return static_cast<std::uint32_t>(
            CThreadTeam::PartBegin(std::size_t(m_run.width), member, m_members));
    }

    const CWarpMethod& m_method;
    const CSourceColours m_colours;
    WarpRun& m_run;
    BYTE* const m_bits;
    const std::size_t m_effWidth;
    const std::uint64_t m_pixels;
    const unsigned m_members;
    std::vector<std::vector<Landing>> m_deferred; // one list per member
    // Set by a member whose list is nearly full: everyone meets at once.
    std::atomic<bool> m_meetingWanted{false};
    std::atomic<unsigned> m_finished{0};
    std::barrier<> m_sync;
};

void CForwardPass::Member(unsigned member) {
    const std::uint64_t H = std::uint64_t(m_run.height);
    // Each member clears its rows: the members share the clearing and the
    // first touch of the fresh pages.
    const std::uint64_t rowBegin = CThreadTeam::PartBegin(H, member, m_members);
    const std::uint64_t rowEnd = CThreadTeam::PartBegin(H, member + 1, m_members);
    std::fill(m_bits + rowBegin * m_effWidth, m_bits + rowEnd * m_effWidth, BYTE{255});
    m_deferred[member].reserve(kDeferredLimit);
    std::vector<POINT> mapped(kChunkPixels);
    WarpScratch scratch;
    m_sync.arrive_and_wait();

    const std::uint64_t end = CThreadTeam::PartBegin(m_pixels, member + 1, m_members);
    for (std::uint64_t t = CThreadTeam::PartBegin(m_pixels, member, m_members); t < end;) {
        const std::uint64_t chunkEnd = std::min(end, t + kChunkPixels);
        MapChunk(member, t, chunkEnd, mapped, scratch);
        t = chunkEnd;
        // Before a chunk starts, a list has room for all its landings.
        if (m_deferred[member].size() > kDeferredLimit - kChunkPixels)
            m_meetingWanted.store(true, std::memory_order_relaxed);
        if (m_meetingWanted.load(std::memory_order_relaxed)) Meet(member);
    }
    m_finished.fetch_add(1);
    while (!Meet(member)) {
    }
}

void CForwardPass::MapChunk(unsigned member, std::uint64_t begin, std::uint64_t end,
                            std::vector<POINT>& mapped, WarpScratch& scratch) {
    const std::uint64_t H = std::uint64_t(m_run.height);
    for (std::uint64_t t = begin; t < end;) {
        const LONG x = static_cast<LONG>(t / H), y0 = static_cast<LONG>(t % H);
        const int count = static_cast<int>(std::min<std::uint64_t>(H - y0, end - t));
        m_method.MapColumn(x, y0, count, mapped.data(), scratch);
        switch (m_colours.Bpp()) {
        case 24:
            LandRun<24>(member, x, y0, count, mapped.data());
            break;
        case 8:
            LandRun<8>(member, x, y0, count, mapped.data());
            break;
        case 4:
            LandRun<4>(member, x, y0, count, mapped.data());
            break;
        default:
            LandRun<1>(member, x, y0, count, mapped.data());
            break;
        }
        t += static_cast<std::uint64_t>(count);
    }
}

template <WORD Bpp>
void CForwardPass::LandRun(unsigned member, LONG x, LONG y0, int count, const POINT* mapped) {
    const LONG W = m_run.width, H = m_run.height;
    const BYTE mark = static_cast<BYTE>(member + 1);
    const std::uint32_t bandBegin = BandBegin(member);
    const std::uint32_t bandWidth = BandBegin(member + 1) - bandBegin;
    std::vector<Landing>& deferred = m_deferred[member];
    // View y and stored row r meet as r = H - 1 - y: the source rows go down.
    const BYTE* const bits = m_colours.Row(0);
    const std::size_t stride = m_colours.Stride(), ux = static_cast<std::size_t>(x);
    std::size_t line = std::size_t(H - 1 - y0) * stride; // wraps after the last pixel
    for (int k = 0; k < count; ++k, line -= stride) {
        const POINT q = mapped[k];
        const std::int64_t row = std::int64_t{H} - 1 - q.y;
        if (q.x < 0 || q.x >= W || row < 0 || row >= H) continue;
        const RGBQUAD c = m_colours.InRow<Bpp>(bits + line, ux);
        const auto qx = static_cast<std::uint32_t>(q.x);
        const auto r = static_cast<std::uint32_t>(row);
        if (qx - bandBegin < bandWidth)
            Land(mark, qx, r, c);
        else
            deferred.push_back(Landing{qx, r, c.rgbBlue, c.rgbGreen, c.rgbRed});
    }
}

bool CForwardPass::Meet(unsigned member) {
    m_sync.arrive_and_wait();
    // Nobody maps until everyone has passed the second wait.
    const bool allFinished = m_finished.load() == m_members;
    if (member == 0) m_meetingWanted.store(false, std::memory_order_relaxed);
    const std::uint32_t bandBegin = BandBegin(member);
    const std::uint32_t bandWidth = BandBegin(member + 1) - bandBegin;
    for (unsigned from = 0; from < m_members; ++from) {
        const BYTE mark = static_cast<BYTE>(from + 1);
        for (const Landing& l : m_deferred[from])
            if (l.x - bandBegin < bandWidth)
                Land(mark, l.x, l.row, RGBQUAD{l.blue, l.green, l.red, 0});
    }
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
    const std::uint64_t pixels = std::uint64_t(run.width) * std::uint64_t(run.height);
    const std::uint64_t chunks = (pixels + kChunkPixels - 1) / kChunkPixels;
    CThreadTeam team(static_cast<unsigned>(
        std::min<std::uint64_t>({method.GetThreadCount(), chunks, kMaxMembers})));
    CForwardPass pass(source, method, run, team.Size());
    team.Run([&](unsigned member) { pass.Member(member); });
    FillHoles(team, run);
    return std::move(run.output);
}
