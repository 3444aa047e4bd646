// The two systems of the radial basis method solved with one elimination.
// Pivots, exchanges and row updates depend on the matrix alone, so both
// right-hand sides see exactly the operations SolveGauss gives each of them.
//
// The elimination is SolveGauss's with the work on the rows below the pivot
// deferred. Such a row records the multiplier of each step (its entry in the
// pivot column, brought up to date on its own), keeps an upper bound of its
// entries and one entry up to date as a witness (its largest when it was last
// brought up to date). Only when its bound reaches the largest witness around
// (so that it might hold the next pivot), or its record is full, does it
// apply what it owes: the column exchanges, then the recorded steps in order,
// in one sweep while it sits in cache. Every entry goes through the same
// operations in the same order as in SolveGauss, but the matrix is swept far
// fewer times. Finished rows take the column exchanges only while a row still
// owes their step; the rest they take at the end.
//
// The rows below the pivot are shared among a thread team; between steps one
// member, at the barrier, chooses the pivot.
#include <algorithm>
#include <barrier>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "warp/GaussKernels.h"
#include "warp/ThreadTeam.h"
#include "warp/WarpRBF.h"

using gausskernels::NegligiblePivot;
using gausskernels::ReportFailure;

namespace {

// Below this size the elimination is too short to share among threads.
constexpr std::size_t kTeamMinimum = 192;
// How many steps a row may owe.
constexpr std::size_t kMaxOwed = 32;
// A step moves an entry by at most |f| (pivot rows are normalised, so none of
// their entries exceeds 1 in magnitude); the slack covers the roundings.
constexpr double kSlack = 1.0 + 0x1p-40;

// Both systems fail together; each reports it, as two SolveGauss calls do.
int ReportBothFailed() {
    ReportFailure();
    return ReportFailure();
}

struct Elimination {
    explicit Elimination(std::size_t n)
        : N(n), M(new double[n * n]), at(n), perm(n), pivotColumn(kMaxOwed), cx(n), cy(n),
          exchanged(n, 0), owedFrom(n, 0), owed(n * kMaxOwed), rowMax(n), bound(n), witness(n),
          witnessValue(n) {}

    double* Row(std::size_t id) { return M.get() + id * N; }
    // The pivot row of step t, once t has been taken.
    double* PivotRow(std::size_t t) { return Row(at[t]); }

    const std::size_t N;
    std::unique_ptr<double[]> M;   // row id i at M + i * N; rows never move
    std::vector<std::size_t> at;   // the row id at each position
    std::vector<std::size_t> perm; // the column exchanged at each step
    // Entries at the pivot column of the pivot rows of steps oldestOwed ...
    std::vector<double> pivotColumn;
    // By row id: right-hand sides; how many column exchanges the row has
    // taken; the first step it has not applied and the multipliers of the
    // steps it owes (kMaxOwed a row); its largest magnitude at positions >=
    // owedFrom when it last applied its steps (NaN never counts); an upper
    // bound of the magnitudes it would have now; the position of its witness
    // (N when it has none) and the witness's value now.
    std::vector<double> cx, cy;
    std::vector<std::size_t> exchanged, owedFrom;
    std::vector<double> owed, rowMax, bound;
    std::vector<std::size_t> witness;
    std::vector<double> witnessValue;

    std::size_t step = 0;
    std::size_t oldestOwed = 0; // no row below the pivot owes a step before it
    bool done = false, failed = false;
};

// The column exchanges of steps before `through` that the row has not taken.
void TakeExchanges(Elimination& e, std::size_t id, std::size_t through) {
    double* row = e.Row(id);
    for (std::size_t t = e.exchanged[id]; t < through; ++t)
        std::swap(row[t], row[e.perm[t]]);
    e.exchanged[id] = through;
}

// The first largest magnitude of a row from position `from` becomes its witness.
void ChooseWitness(Elimination& e, std::size_t id, std::size_t from) {
    const double* row = e.Row(id);
    std::size_t w = from;
    while (w < e.N && std::fabs(row[w]) != e.rowMax[id])
        ++w;
    e.witness[id] = w;
    e.witnessValue[id] = w < e.N ? row[w] : 0.0;
}

// Applies what a row below the pivot owes before step `target`; its largest
// magnitude becomes exact again. Only positions >= target are brought up to
// date: the steps leave the earlier ones, where the row holds its
// multipliers, never to be read again.
void BringUpToDate(Elimination& e, std::size_t id, std::size_t target) {
    const std::size_t from = e.owedFrom[id];
    if (from == target) return;
    TakeExchanges(e, id, target);
    const double* f = &e.owed[id * kMaxOwed];
    const double* pivots[kMaxOwed];
    for (std::size_t t = from; t < target; ++t) {
        pivots[t - from] = e.PivotRow(t);
        e.cx[id] = e.cx[id] - e.cx[e.at[t]] * f[t - from];
        e.cy[id] = e.cy[id] - e.cy[e.at[t]] * f[t - from];
    }
    e.rowMax[id] =
        gausskernels::EliminateRowSteps(e.Row(id), pivots, f, target - from, target, e.N);
    e.owedFrom[id] = target;
    e.bound[id] = e.rowMax[id];
    ChooseWitness(e, id, target);
}

// The pivot: the first largest magnitude in row-major order. It lies in a row
// that is up to date, since every other row's bound is below some witness of
// an up-to-date row. Then the row exchange, the column exchange in the pivot
// row and in the finished rows still owed to, and the normalisation. False
// when the pivot is negligible.
bool ChoosePivot(Elimination& e) {
    const std::size_t s = e.step, N = e.N;
    double best = 0.0;
    std::size_t pivotPos = s;
    for (std::size_t pos = s; pos < N; ++pos) {
        const std::size_t id = e.at[pos];
        if (e.owedFrom[id] == s && e.rowMax[id] > best) {
            best = e.rowMax[id];
            pivotPos = pos;
        }
    }
    if (NegligiblePivot(best)) return false;
    const double* candidate = e.Row(e.at[pivotPos]);
    std::size_t column = s;
    while (std::fabs(candidate[column]) != best)
        ++column;
    e.perm[s] = column;
    // Rows never move, so the exchange takes whole rows: below the pivot the
    // columns before s are owed work of the row's own, and in the pivot row
    // they are never read again.
    std::swap(e.at[s], e.at[pivotPos]);
    e.oldestOwed = s;
    for (std::size_t pos = s + 1; pos < N; ++pos)
        e.oldestOwed = std::min(e.oldestOwed, e.owedFrom[e.at[pos]]);
    for (std::size_t t = e.oldestOwed; t <= s; ++t) {
        TakeExchanges(e, e.at[t], s + 1);
        e.pivotColumn[t - e.oldestOwed] = e.PivotRow(t)[s];
    }
    double* pivot = e.PivotRow(s);
    const double p = pivot[s];
    for (std::size_t l = s + 1; l < N; ++l)
        pivot[l] /= p;
    e.cx[e.at[s]] /= p;
    e.cy[e.at[s]] /= p;
    return true;
}

// Between two phases, on one member: the next step's pivot, if any.
void Advance(Elimination& e, bool loaded) {
    if (loaded) ++e.step;
    if (e.step + 1 < e.N) {
        e.failed = !ChoosePivot(e);
    } else {
        e.done = true;
    }
}

// A member's rows of the copy of A, with their largest magnitudes.
void LoadPart(Elimination& e, const double* A, unsigned member, unsigned members) {
    const std::size_t N = e.N;
    for (std::size_t id = CThreadTeam::PartBegin(N, member, members),
                     end = CThreadTeam::PartBegin(N, member + 1, members);
         id < end; ++id) {
        std::copy(A + id * N, A + (id + 1) * N, e.Row(id));
        e.at[id] = id;
        e.rowMax[id] = e.bound[id] = gausskernels::LargestMagnitude(e.Row(id), 0, N);
        ChooseWitness(e, id, 0);
    }
}

// Where the entry at position `s` now was when the row last took its
// exchanges, at step `from`: undoes the exchanges since, last first.
std::size_t StoredPosition(const Elimination& e, std::size_t s, std::size_t from) {
    std::size_t p = s;
    for (std::size_t t = s + 1; t-- > from;) {
        if (p == t) {
            p = e.perm[t];
        } else if (p == e.perm[t]) {
            p = t;
        }
    }
    return p;
}

// A row below the pivot records step s: its multiplier is its entry at the
// pivot column after the steps it owes, as SolveGauss would have it. The
// witness follows the column exchange and takes the step at once; in the
// pivot column it leaves the remaining block and is lost.
void Defer(Elimination& e, std::size_t id, std::size_t stored) {
    const std::size_t s = e.step, column = e.perm[s], from = e.owedFrom[id];
    double* f = &e.owed[id * kMaxOwed];
    double v = e.Row(id)[stored];
    for (std::size_t t = from; t < s; ++t)
        v = v - e.pivotColumn[t - e.oldestOwed] * f[t - from];
    f[s - from] = v;
    e.bound[id] = (e.bound[id] + std::fabs(v) * kSlack) * kSlack;
    std::size_t& w = e.witness[id];
    if (w == s || w == column) w = s + column - w;
    if (w == s) w = e.N;
    if (w < e.N) e.witnessValue[id] = e.witnessValue[id] - e.PivotRow(s)[w] * v;
}

// A member's rows below the pivot: each records the step; then those that
// might hold the next pivot by the member's largest witness (a magnitude of
// the next block, so a lower bound of its largest), or whose record is full,
// are brought up to date for it.
void StepPart(Elimination& e, unsigned member, unsigned members) {
    const std::size_t s = e.step, below = e.N - 1 - s;
    const std::size_t begin = s + 1 + CThreadTeam::PartBegin(below, member, members);
    const std::size_t end = s + 1 + CThreadTeam::PartBegin(below, member + 1, members);
    std::size_t storedFor[kMaxOwed + 1]; // StoredPosition by owedFrom - oldestOwed
    std::fill(std::begin(storedFor), std::end(storedFor), e.N);
    double largestWitness = 0.0;
    for (std::size_t pos = begin; pos < end; ++pos) {
        const std::size_t id = e.at[pos];
        std::size_t& stored = storedFor[e.owedFrom[id] - e.oldestOwed];
        if (stored == e.N) stored = StoredPosition(e, s, e.owedFrom[id]);
        Defer(e, id, stored);
        if (e.witness[id] < e.N && std::fabs(e.witnessValue[id]) > largestWitness)
            largestWitness = std::fabs(e.witnessValue[id]);
    }
    if (s + 2 >= e.N) return; // no pivot is searched at the last step
    for (std::size_t pos = begin; pos < end; ++pos) {
        const std::size_t id = e.at[pos];
        if (!(e.bound[id] < largestWitness) || s + 1 - e.owedFrom[id] == kMaxOwed)
            BringUpToDate(e, id, s + 1);
    }
}

void Eliminate(Elimination& e, const double* A, unsigned threads) {
    CThreadTeam team(e.N >= kTeamMinimum ? threads : 1);
    const unsigned members = team.Size();
    bool loaded = false;
    std::barrier sync(members, [&]() noexcept {
        Advance(e, loaded);
        loaded = true;
    });
    team.Run([&](unsigned member) {
        LoadPart(e, A, member, members);
        sync.arrive_and_wait();
        while (!e.done && !e.failed) {
            StepPart(e, member, members);
            sync.arrive_and_wait();
        }
    });
}

} // namespace

int CWarpRBF::SolveGaussPair(const double* A, const double* bx, const double* by, int n, double* x,
                             double* y, unsigned threads) {
    if (n < 1) return ReportBothFailed();
    Elimination e(static_cast<std::size_t>(n));
    const std::size_t N = e.N;
    e.cx.assign(bx, bx + N);
    e.cy.assign(by, by + N);
    Eliminate(e, A, threads);
    if (e.failed) return ReportBothFailed();
    BringUpToDate(e, e.at[N - 1], N - 1);
    const double* last = e.PivotRow(N - 1);
    if (NegligiblePivot(std::fabs(last[N - 1]))) return ReportBothFailed();

    // Back substitution for both systems, each sum in ascending order, once
    // every row has taken every column exchange.
    for (std::size_t i = 0; i < N; ++i)
        TakeExchanges(e, e.at[i], N - 1);
    x[N - 1] = e.cx[e.at[N - 1]] / last[N - 1];
    y[N - 1] = e.cy[e.at[N - 1]] / last[N - 1];
    for (std::size_t i = N - 1; i-- > 0;) {
        const double* row = e.PivotRow(i);
        double sx = 0.0, sy = 0.0;
        for (std::size_t l = i + 1; l < N; ++l) {
            sx += row[l] * x[l];
            sy += row[l] * y[l];
        }
        x[i] = e.cx[e.at[i]] - sx;
        y[i] = e.cy[e.at[i]] - sy;
    }
    e.perm[N - 1] = N - 1;
    for (std::size_t i = N; i-- > 0;) {
        if (e.perm[i] == i) continue;
        std::swap(x[i], x[e.perm[i]]);
        std::swap(y[i], y[e.perm[i]]);
    }
    return 1;
}
