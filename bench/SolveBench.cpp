// The radial basis system of n distinct random points in a 300 x 200 image
// (plus the four corners), solved for x and y: two plain SolveGauss calls
// against one SolveGaussPair.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "warp/WarpRBF.h"

namespace {

struct System {
    std::vector<double> A, bx, by;
};

const System& SystemOf(int n) {
    static std::vector<std::pair<int, System>> made;
    for (const auto& [size, system] : made)
        if (size == n) return system;
    std::mt19937 rng(3);
    std::set<std::pair<int, int>> taken{{0, 0}, {0, 200}, {300, 0}, {300, 200}};
    std::vector<std::pair<int, int>> points(taken.begin(), taken.end());
    while (static_cast<int>(points.size()) < n) {
        const std::pair<int, int> p{int(rng() % 300), int(rng() % 200)};
        if (taken.insert(p).second) points.push_back(p);
    }
    auto squared = [&](int i, int j) {
        const double dx = points[i].first - points[j].first;
        const double dy = points[i].second - points[j].second;
        return dx * dx + dy * dy;
    };
    System s{std::vector<double>(std::size_t(n) * n), std::vector<double>(n),
             std::vector<double>(n)};
    for (int j = 0; j < n; ++j) {
        double r = 16384.0;
        for (int k = 0; k < n; ++k)
            if (k != j) r = std::min(r, squared(j, k));
        for (int i = 0; i < n; ++i)
            s.A[std::size_t(i) * n + j] = std::sqrt(squared(i, j) + r);
        s.bx[j] = double(rng() % 11) - 5.0;
        s.by[j] = double(rng() % 11) - 5.0;
    }
    made.emplace_back(n, std::move(s));
    return made.back().second;
}

// state.range(0): n; range(1): 0 for two SolveGauss calls, otherwise
// SolveGaussPair on that many threads.
void BM_RbfSolve(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const unsigned threads = static_cast<unsigned>(state.range(1));
    const System& s = SystemOf(n);
    std::vector<double> x(n), y(n);
    for (auto _ : state) {
        if (threads == 0) {
            CWarpRBF::SolveGauss(s.A.data(), s.bx.data(), n, x.data());
            CWarpRBF::SolveGauss(s.A.data(), s.by.data(), n, y.data());
        } else {
            CWarpRBF::SolveGaussPair(s.A.data(), s.bx.data(), s.by.data(), n, x.data(), y.data(),
                                     threads);
        }
        benchmark::DoNotOptimize(x.data());
    }
    state.SetLabel(threads == 0 ? "plain, twice" : "pair, threads " + std::to_string(threads));
}

} // namespace

BENCHMARK(BM_RbfSolve)
    ->ArgsProduct({{500, 1000, 3000}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
