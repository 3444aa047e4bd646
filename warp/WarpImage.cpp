// The production warping run. The pixels are taken in visiting order (x
// major, y minor) in chunks, a round of chunks at a time: the team's members
// map the round's chunks in parallel, one slot each, then every member writes
// all the round's landings in chunk order into its own band of output rows.
// A pixel's landings all go to one band, in visiting order, so the pixel
// visited last still wins. Hole filling then runs on blocks of rows.
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

// Pixels in one chunk: bounds the buffers.
constexpr std::uint64_t kChunkPixels = 8192;
// Chunks in a round per member: fewer rounds, fewer waits at the barrier.
constexpr unsigned kSlotsPerMember = 8;
// Stored rows one member fills holes in at a time.
constexpr LONG kHoleRows = 64;

// A mapped pixel that lands inside the output: where it lands, and its colour.
struct Landing {
    std::uint32_t maskIndex; // row * W + x
    std::uint32_t offset;    // byte offset of the pixel in the output rows
    BYTE blue, green, red;
};

// A mapped chunk waiting to be scattered.
struct Slot {
    std::vector<Landing> landings;
    std::size_t count = 0;
};

// What the members share during the forward mapping.
class CForwardPass {
public:
    CForwardPass(const CxImage& source, const CWarpMethod& method, WarpRun& run, unsigned members)
        : m_method(method), m_colours(source), m_run(run), m_bits(run.output->GetBits(0)),
          m_effWidth(run.output->GetEffWidth()),
          m_pixels(std::uint64_t(run.width) * std::uint64_t(run.height)),
          m_chunks((m_pixels + kChunkPixels - 1) / kChunkPixels), m_members(members),
          m_slots(std::size_t{members} * kSlotsPerMember), m_sync(members) {}

    // The share of member `member`: maps chunks of each round and scatters
    // the round into its band of rows.
    void Member(unsigned member);

private:
    void Map(std::uint64_t chunk, Slot& slot, std::vector<POINT>& mapped, WarpScratch& scratch);
    // Writes the landings of the first `count` slots whose mask index lies in
    // [begin, end), slot by slot.
    void Scatter(std::size_t count, std::uint64_t begin, std::uint64_t end);

    const CWarpMethod& m_method;
    const CSourceColours m_colours;
    WarpRun& m_run;
    BYTE* const m_bits;
    const std::size_t m_effWidth;
    const std::uint64_t m_pixels, m_chunks;
    const unsigned m_members;
    std::vector<Slot> m_slots;
    // The next chunk of the round to map; members take chunks from it.
    std::atomic<std::uint64_t> m_nextInRound{0};
    std::barrier<> m_sync;
};

void CForwardPass::Member(unsigned member) {
    std::vector<POINT> mapped(kChunkPixels);
    WarpScratch scratch;
    const std::uint64_t W = std::uint64_t(m_run.width), H = std::uint64_t(m_run.height);
    const std::uint64_t rowBegin = CThreadTeam::PartBegin(H, member, m_members);
    const std::uint64_t rowEnd = CThreadTeam::PartBegin(H, member + 1, m_members);
    // Only this member writes its band, so it clears the band first: the
    // members share the clearing and the first touch of the fresh pages.
    std::fill(m_bits + rowBegin * m_effWidth, m_bits + rowEnd * m_effWidth, BYTE{255});
    const std::uint64_t bandBegin = rowBegin * W, bandEnd = rowEnd * W;
    const std::uint64_t slots = m_slots.size();
    for (std::uint64_t first = 0; first < m_chunks; first += slots) {
        const std::uint64_t count = std::min(slots, m_chunks - first);
        for (std::uint64_t k = m_nextInRound.fetch_add(1); k < count;
             k = m_nextInRound.fetch_add(1))
            Map(first + k, m_slots[k], mapped, scratch);
        m_sync.arrive_and_wait();
        // Every member has stopped taking chunks: the next round starts at 0.
        if (member == 0) m_nextInRound.store(0);
        Scatter(static_cast<std::size_t>(count), bandBegin, bandEnd);
        m_sync.arrive_and_wait();
    }
}

void CForwardPass::Map(std::uint64_t chunk, Slot& slot, std::vector<POINT>& mapped,
                       WarpScratch& scratch) {
    const LONG W = m_run.width, H = m_run.height;
    const std::uint64_t end = std::min(m_pixels, (chunk + 1) * kChunkPixels);
    slot.landings.resize(kChunkPixels);
    Landing* out = slot.landings.data();
    for (std::uint64_t t = chunk * kChunkPixels; t < end;) {
        const LONG x = static_cast<LONG>(t / H), y0 = static_cast<LONG>(t % H);
        const int count = static_cast<int>(std::min<std::uint64_t>(H - y0, end - t));
        m_method.MapColumn(x, y0, count, mapped.data(), scratch);
        // View y and stored row r meet as r = H - 1 - y.
        for (int k = 0; k < count; ++k) {
            const POINT q = mapped[k];
            const std::int64_t row = std::int64_t{H} - 1 - q.y;
            if (q.x < 0 || q.x >= W || row < 0 || row >= H) continue;
            const RGBQUAD c = m_colours.At(x, H - 1 - (y0 + k));
            *out++ = Landing{static_cast<std::uint32_t>(row * W + q.x),
                             static_cast<std::uint32_t>(row * m_effWidth + 3 * std::size_t(q.x)),
                             c.rgbBlue, c.rgbGreen, c.rgbRed};
        }
        t += static_cast<std::uint64_t>(count);
    }
    slot.count = static_cast<std::size_t>(out - slot.landings.data());
}

void CForwardPass::Scatter(std::size_t count, std::uint64_t begin, std::uint64_t end) {
    BYTE* mask = m_run.mask.get();
    for (std::size_t s = 0; s < count; ++s) {
        // Held in locals: the byte stores could alias the slot's fields.
        const Landing* l = m_slots[s].landings.data();
        const Landing* const last = l + m_slots[s].count;
        for (; l != last; ++l) {
            if (l->maskIndex < begin || l->maskIndex >= end) continue;
            BYTE* p = m_bits + l->offset;
            p[0] = l->blue;
            p[1] = l->green;
            p[2] = l->red;
            mask[l->maskIndex] = 1;
        }
    }
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
    CThreadTeam team(
        static_cast<unsigned>(std::min<std::uint64_t>(method.GetThreadCount(), chunks)));
    CForwardPass pass(source, method, run, team.Size());
    team.Run([&](unsigned member) { pass.Member(member); });
    FillHoles(team, run);
    return std::move(run.output);
}
