// The warping run on a 2000 x 2000 24-bit image with 20 random pairs, plain
// against production, for each method.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "warp/WarpImage.h"
#include "warp/WarpMethodFactory.h"

namespace {

constexpr LONG kSide = 2000;
constexpr int kPairs = 20;

// Smooth gradients with a little noise, like a photograph.
const CxImage& Picture() {
    static const CxImage picture = [] {
        CxImage img(kSide, kSide, 24);
        std::mt19937 rng(1);
        BYTE* bits = img.GetBits(0);
        for (LONG row = 0; row < kSide; ++row)
            for (LONG x = 0; x < kSide; ++x) {
                BYTE* p = bits + std::size_t(row) * img.GetEffWidth() + 3 * std::size_t(x);
                p[0] = BYTE(x / 8 + rng() % 8);
                p[1] = BYTE(row / 8 + rng() % 8);
                p[2] = BYTE((x + row) / 16);
            }
        return img;
    }();
    return picture;
}

std::unique_ptr<CWarpMethod> MethodWithPairs(int kind, unsigned threads) {
    std::unique_ptr<CWarpMethod> m = MakeWarpMethod(kind);
    m->SetThreadCount(threads);
    std::mt19937 rng(7);
    std::uniform_int_distribution<LONG> coord(0, kSide - 1), shift(-60, 60);
    for (int i = 0; i < kPairs; ++i) {
        const POINT p{coord(rng), coord(rng)};
        m->AddPair(p, POINT{p.x + shift(rng), p.y + shift(rng)});
    }
    return m;
}

// state.range(0): the method (0 IDW, 1 RBF, 2 MLS); range(1): 0 plain,
// otherwise the production run on that many threads.
void BM_WarpImage(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const unsigned threads = static_cast<unsigned>(state.range(1));
    for (auto _ : state) {
        state.PauseTiming();
        auto method = MethodWithPairs(kind, threads);
        state.ResumeTiming();
        auto out =
            threads == 0 ? WarpImagePlain(Picture(), *method) : WarpImage(Picture(), *method);
        benchmark::DoNotOptimize(out.get());
    }
    static const char* const kNames[] = {"idw", "rbf", "mls"};
    state.SetLabel(std::string(kNames[kind]) +
                   (threads == 0 ? " plain" : " production, threads " + std::to_string(threads)));
}

// The mapping alone, every column on one thread, with nothing landed: the
// floor the kernels set (state.range(0): the method).
void BM_MapColumns(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    auto method = MethodWithPairs(kind, 1);
    method->AddPair(POINT{0, 0}, POINT{0, 0});
    method->AddPair(POINT{0, kSide}, POINT{0, kSide});
    method->AddPair(POINT{kSide, 0}, POINT{kSide, 0});
    method->AddPair(POINT{kSide, kSide}, POINT{kSide, kSide});
    method->Prepare();
    std::vector<POINT> column(kSide);
    WarpScratch scratch;
    for (auto _ : state) {
        for (LONG x = 0; x < kSide; ++x)
            method->MapColumn(x, 0, kSide, column.data(), scratch);
        benchmark::DoNotOptimize(column.data());
    }
    static const char* const kNames[] = {"idw", "rbf", "mls"};
    state.SetLabel(std::string(kNames[kind]) + ", 24 pairs with the corners");
}

} // namespace

BENCHMARK(BM_MapColumns)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WarpImage)
    ->ArgsProduct({{0, 1, 2}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
