// The production warping run. The pixels are taken in visiting order (x
// major, y minor) in chunks; the team's members map chunks in parallel, and
// each member scatters its chunk only after the chunk before it, so the
// pixel visited last still wins. Hole filling then runs on blocks of rows.
#include <algorithm>
#include <atomic>
#include <cstdint>

#include "warp/SourceColours.h"
#include "warp/ThreadTeam.h"
#include "warp/WarpImage.h"
#include "warp/WarpRun.h"

namespace {

// Pixels one member maps before it scatters them: bounds its buffers.
constexpr std::uint64_t kChunkPixels = 8192;
// Stored rows one member fills holes in at a time.
constexpr LONG kHoleRows = 16;

// A mapped pixel that lands inside the output: where it lands, and its colour.
struct Landing {
    std::uint32_t maskIndex; // row * W + x
    std::uint32_t offset;    // byte offset of the pixel in the output rows
    BYTE blue, green, red;
};

// What the members share during the forward mapping.
struct ForwardPass {
    const CWarpMethod& method;
    const CSourceColours colours;
    WarpRun& run;
    BYTE* bits;
    std::size_t effWidth;
    std::uint64_t chunks;
    std::atomic<std::uint64_t> nextChunk{0};
    std::atomic<std::uint64_t> scatterTurn{0}; // the chunk to be scattered next
};

// One member's buffers, reused from chunk to chunk.
struct MemberBuffers {
    std::vector<POINT> mapped;
    std::vector<Landing> landings;
    WarpScratch scratch;
};

// Maps the pixels of one chunk and lists those that land, in visiting order.
void MapChunk(ForwardPass& pass, std::uint64_t chunk, MemberBuffers& buffers) {
    const LONG W = pass.run.width, H = pass.run.height;
    const std::uint64_t end =
        std::min<std::uint64_t>(std::uint64_t(W) * std::uint64_t(H), (chunk + 1) * kChunkPixels);
    buffers.landings.clear();
    for (std::uint64_t t = chunk * kChunkPixels; t < end;) {
        const LONG x = static_cast<LONG>(t / H), y0 = static_cast<LONG>(t % H);
        const int count = static_cast<int>(std::min<std::uint64_t>(H - y0, end - t));
        POINT* mapped = buffers.mapped.data();
        pass.method.MapColumn(x, y0, count, mapped, buffers.scratch);
        for (int k = 0; k < count; ++k) {
            const POINT q = mapped[k];
            const std::int64_t row = std::int64_t{H} - 1 - q.y;
            if (q.x < 0 || q.x >= W || row < 0 || row >= H) continue;
            const RGBQUAD c = pass.colours.At(x, H - 1 - (y0 + k));
            buffers.landings.push_back(
                Landing{static_cast<std::uint32_t>(row * W + q.x),
                        static_cast<std::uint32_t>(row * pass.effWidth + 3 * std::size_t(q.x)),
                        c.rgbBlue, c.rgbGreen, c.rgbRed});
        }
        t += static_cast<std::uint64_t>(count);
    }
}

void Scatter(const std::vector<Landing>& landings, BYTE* bits, BYTE* mask) {
    for (const Landing& l : landings) {
        BYTE* p = bits + l.offset;
        p[0] = l.blue;
        p[1] = l.green;
        p[2] = l.red;
        mask[l.maskIndex] = 1;
    }
}

void ForwardMember(ForwardPass& pass) {
    MemberBuffers buffers;
    buffers.mapped.resize(kChunkPixels);
    buffers.landings.reserve(kChunkPixels);
    for (;;) {
        const std::uint64_t chunk = pass.nextChunk.fetch_add(1);
        if (chunk >= pass.chunks) return;
        MapChunk(pass, chunk, buffers);
        // The chunks before this one are held by members that are mapping
        // them, so the turn always comes.
        for (std::uint64_t turn = pass.scatterTurn.load(std::memory_order_acquire); turn != chunk;
             turn = pass.scatterTurn.load(std::memory_order_acquire))
            pass.scatterTurn.wait(turn, std::memory_order_acquire);
        Scatter(buffers.landings, pass.bits, pass.run.mask.data());
        pass.scatterTurn.store(chunk + 1, std::memory_order_release);
        pass.scatterTurn.notify_all();
    }
}

// The hole filling of stored rows [rowBegin, rowEnd), which lie in [2, H - 3]:
// the 5x5 mean of covered pixels into each uncovered pixel from column 2 to
// W - 3. Holes are only written and covered pixels only read, so blocks of
// rows may be filled at once.
void FillHoleRows(const WarpRun& run, BYTE* bits, std::size_t effWidth, LONG rowBegin,
                  LONG rowEnd) {
    const LONG W = run.width;
    const BYTE* mask = run.mask.data();
    for (LONG cy = rowBegin; cy < rowEnd; ++cy) {
        const BYTE* maskRow = mask + std::size_t(cy) * W;
        for (LONG cx = 2; cx <= W - 3; ++cx) {
            if (maskRow[cx]) continue;
            std::int32_t sumRed = 0, sumGreen = 0, sumBlue = 0, n = 0;
            for (LONG y = cy - 2; y <= cy + 2; ++y) {
                const BYTE* covered = mask + std::size_t(y) * W;
                const BYTE* pixels = bits + std::size_t(y) * effWidth;
                for (LONG x = cx - 2; x <= cx + 2; ++x) {
                    if (!covered[x]) continue;
                    sumBlue += pixels[3 * x];
                    sumGreen += pixels[3 * x + 1];
                    sumRed += pixels[3 * x + 2];
                    ++n;
                }
            }
            if (n > 0) {
                BYTE* p = bits + std::size_t(cy) * effWidth + 3 * std::size_t(cx);
                p[0] = static_cast<BYTE>(sumBlue / n);
                p[1] = static_cast<BYTE>(sumGreen / n);
                p[2] = static_cast<BYTE>(sumRed / n);
            }
        }
    }
}

void FillHoles(CThreadTeam& team, const WarpRun& run) {
    const LONG H = run.height;
    if (run.width < 5 || H < 5) return;
    BYTE* bits = run.output->GetBits(0);
    const std::size_t effWidth = run.output->GetEffWidth();
    std::atomic<LONG> nextRow{2};
    team.Run([&](unsigned) {
        for (LONG row = nextRow.fetch_add(kHoleRows); row <= H - 3;
             row = nextRow.fetch_add(kHoleRows))
            FillHoleRows(run, bits, effWidth, row, std::min(row + kHoleRows, H - 2));
    });
}

} // namespace

std::unique_ptr<CxImage> WarpImage(const CxImage& source, CWarpMethod& method) {
    WarpRun run;
    if (!StartWarpRun(source, method, run)) return nullptr;
    const std::uint64_t pixels = std::uint64_t(run.width) * std::uint64_t(run.height);
    ForwardPass pass{method,
                     CSourceColours(source),
                     run,
                     run.output->GetBits(0),
                     run.output->GetEffWidth(),
                     (pixels + kChunkPixels - 1) / kChunkPixels};
    CThreadTeam team(
        static_cast<unsigned>(std::min<std::uint64_t>(method.GetThreadCount(), pass.chunks)));
    team.Run([&](unsigned) { ForwardMember(pass); });
    FillHoles(team, run);
    return std::move(run.output);
}
