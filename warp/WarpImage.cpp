// The production warping run. The pixels are taken in visiting order (x
// major, y minor) in chunks; the team's members map chunks in parallel into
// a ring of slots, and whichever member holds the scatter lock writes the
// mapped chunks into the output strictly in chunk order, so the pixel
// visited last still wins. Hole filling then runs on blocks of rows.
#include <algorithm>
#include <atomic>
#include <cstdint>

#include "warp/HoleFill.h"
#include "warp/SourceColours.h"
#include "warp/ThreadTeam.h"
#include "warp/WarpImage.h"
#include "warp/WarpRun.h"

namespace {

// Pixels in one chunk: bounds the buffers.
constexpr std::uint64_t kChunkPixels = 8192;
// Slots in the ring per member: how far mapping may run ahead of scattering.
constexpr unsigned kSlotsPerMember = 4;
// Stored rows one member fills holes in at a time.
constexpr LONG kHoleRows = 64;
constexpr std::uint64_t kNoChunk = ~std::uint64_t{0};

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
    std::atomic<std::uint64_t> chunk{kNoChunk}; // the chunk it holds, once mapped
};

// What the members share during the forward mapping.
class CForwardPass {
public:
    CForwardPass(const CxImage& source, const CWarpMethod& method, WarpRun& run, unsigned members)
        : m_method(method), m_colours(source), m_run(run), m_bits(run.output->GetBits(0)),
          m_effWidth(run.output->GetEffWidth()),
          m_pixels(std::uint64_t(run.width) * std::uint64_t(run.height)),
          m_chunks((m_pixels + kChunkPixels - 1) / kChunkPixels),
          m_slots(std::size_t{members} * kSlotsPerMember) {}

    // One member's share: takes chunks until none is left.
    void Member();

private:
    void Map(std::uint64_t chunk, Slot& slot, std::vector<POINT>& mapped, WarpScratch& scratch);
    // Scatters the chunks that are due, unless another member is at it; that
    // member looks again after letting go, so no mapped chunk is left behind.
    void ScatterDue();

    const CWarpMethod& m_method;
    const CSourceColours m_colours;
    WarpRun& m_run;
    BYTE* const m_bits;
    const std::size_t m_effWidth;
    const std::uint64_t m_pixels, m_chunks;
    std::vector<Slot> m_slots;
    std::atomic<std::uint64_t> m_nextChunk{0};
    std::atomic<std::uint64_t> m_scattered{0}; // chunks written to the output
    std::atomic<bool> m_scattering{false};
};

void CForwardPass::Member() {
    std::vector<POINT> mapped(kChunkPixels);
    WarpScratch scratch;
    const std::uint64_t slots = m_slots.size();
    for (;;) {
        const std::uint64_t chunk = m_nextChunk.fetch_add(1);
        if (chunk >= m_chunks) break;
        // The slot is free once the chunk that used it before is scattered;
        // that chunk's member never waits on this one, so the wait ends.
        for (std::uint64_t done = m_scattered.load(); done + slots <= chunk;
             done = m_scattered.load())
            m_scattered.wait(done);
        Slot& slot = m_slots[chunk % slots];
        Map(chunk, slot, mapped, scratch);
        slot.chunk.store(chunk);
        ScatterDue();
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

void CForwardPass::ScatterDue() {
    BYTE* mask = m_run.mask.get();
    for (;;) {
        if (m_scattering.exchange(true)) return;
        std::uint64_t next = m_scattered.load();
        for (Slot* slot = &m_slots[next % m_slots.size()]; slot->chunk.load() == next;
             slot = &m_slots[next % m_slots.size()]) {
            // Held in locals: the byte stores could alias the slot's fields.
            const Landing* l = slot->landings.data();
            const Landing* const end = l + slot->count;
            for (; l != end; ++l) {
                BYTE* p = m_bits + l->offset;
                p[0] = l->blue;
                p[1] = l->green;
                p[2] = l->red;
                mask[l->maskIndex] = 1;
            }
            m_scattered.store(++next);
            m_scattered.notify_all();
        }
        m_scattering.store(false);
        if (m_slots[next % m_slots.size()].chunk.load() != next) return;
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
    team.Run([&](unsigned) { pass.Member(); });
    FillHoles(team, run);
    return std::move(run.output);
}
