// The batch mapping against MapPoint point by point, on every instruction set
// the processor offers: extreme pairs and pixels, and, through the radial
// basis kernel, coefficients that are NaN, infinite or huge.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "hwy/targets.h"
#include "platform/Truncate.h"
#include "tests/warp/MessageCapture.h"
#include "warp/WarpKernels.h"
#include "warp/WarpMethodFactory.h"
#include "warp/WarpRBF.h"

namespace {

constexpr LONG kMax = std::numeric_limits<std::int32_t>::max();
constexpr LONG kMin = std::numeric_limits<std::int32_t>::min();
constexpr int kCount = 37; // odd, longer than any vector, with a tail

// Restricts the kernels to one instruction set for the life of the object.
class TargetScope {
public:
    explicit TargetScope(std::int64_t target) { hwy::SetSupportedTargetsForTest(target); }
    ~TargetScope() { hwy::SetSupportedTargetsForTest(0); }
};

// Pairs at the 32-bit limits stand for every method's hostile pairs: MapPoint
// and MapColumn must not overflow on them (the sanitizer build checks).
const std::vector<std::vector<std::pair<POINT, POINT>>> kPairSets = {
    {{{3, 4}, {5, 6}}},
    {{{0, 0}, {1, 1}}, {{0, 0}, {9, 9}}, {{0, 0}, {-4, 2}}}, // one source point
    {{{kMax, kMax}, {kMin, kMin}}, {{kMin, kMax}, {kMax, kMin}}, {{1, 2}, {3, 4}}},
    {{{kMax, kMax}, {kMax, kMax}}, {{kMax - 1, kMax}, {kMin, 0}}}, // near-singular basis
    {{{10, 10}, {-100000, 7}}, {{20, 5}, {400000, -900000}}, {{-30000, 32767}, {32767, -32768}}},
    {{{7, 7}, {kMax, kMin}}, {{8, 7}, {kMin, kMax}}, {{7, 9}, {kMax, kMax}}},
};

// Columns at the corners of the 32-bit plane and near the origin.
const std::vector<std::pair<int, int>> kColumns = {
    {0, -18},   {3, 0},          {kMax, kMax - kCount + 1}, {kMin, kMin}, {kMin, kMax - kCount + 1},
    {kMax, -5}, {-32768, 32750},
};

// Every target compiled in that this processor runs, by name.
std::vector<std::pair<std::int64_t, std::string>> Targets() {
    std::vector<std::pair<std::int64_t, std::string>> targets;
    for (std::int64_t t : hwy::SupportedAndGeneratedTargets())
        targets.push_back({t, hwy::TargetName(t)});
    return targets;
}

void ExpectBatchEqualsMapPoint(CWarpMethod& method, const std::string& where) {
    WarpScratch scratch;
    POINT out[kCount];
    for (const auto& [x, y0] : kColumns) {
        method.MapColumn(x, y0, kCount, out, scratch);
        for (int k = 0; k < kCount; ++k)
            ASSERT_EQ(out[k], method.MapPoint(x, y0 + k))
                << where << ", pixel " << x << "," << y0 + k;
    }
}

} // namespace

TEST(BatchTargets, MapColumnEqualsMapPointOnEveryTarget) {
    ASSERT_FALSE(Targets().empty()) << "the processor offers no vector target";
    for (const auto& [target, name] : Targets()) {
        const TargetScope scope(target);
        ASSERT_EQ(std::string(warpkernels::TargetName()), name);
        for (std::size_t set = 0; set < kPairSets.size(); ++set) {
            for (int kind = 0; kind < 3; ++kind) {
                auto method = MakeWarpMethod(kind);
                for (const auto& [p, q] : kPairSets[set])
                    method->AddPair(p, q);
                {
                    const MessageCapture quiet; // a singular basis says so
                    method->Prepare();
                }
                ExpectBatchEqualsMapPoint(*method, name + ", set " + std::to_string(set) +
                                                       ", method " + std::to_string(kind));
            }
        }
    }
}

// The radial basis kernel's lanes against the scalar sum and TruncToInt, with
// coefficients no solve is sure to avoid: NaN, infinities, huge and tiny.
TEST(BatchTargets, RbfLanesTruncateNanInfinityAndHugeSumsLikeTruncToInt) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<std::vector<double>> coefficientSets = {
        {nan, 0.0},        {inf, 1.0},     {-inf, 0.0},
        {inf, -inf},       {1e300, 1e300}, {-1e300, 1.0},
        {4e-324, -4e-324}, {1e5, -1e5},    {2147.483647, -2147.483648},
        {1.0, 1.0},
    };
    const std::vector<POINT> src = {{0, 0}, {kMax, kMin}};
    const std::vector<int> radius2 = {1, 16384};
    for (const auto& [target, name] : Targets()) {
        const TargetScope scope(target);
        for (const std::vector<double>& coef : coefficientSets) {
            for (const auto& [x, y0] : kColumns) {
                POINT out[kCount];
                warpkernels::RbfColumn(src.data(), radius2.data(), coef.data(), coef.data(), 2, x,
                                       y0, kCount, out);
                for (int k = 0; k < kCount; ++k) {
                    const int y = y0 + k;
                    double X = x, Y = y;
                    for (std::size_t i = 0; i < 2; ++i) {
                        const double dx = static_cast<double>(x) - src[i].x;
                        const double dy = static_cast<double>(y) - src[i].y;
                        const double g = std::sqrt(dx * dx + dy * dy + radius2[i]);
                        X = X + g * coef[i];
                        Y = Y + g * coef[i];
                    }
                    ASSERT_EQ(out[k], (POINT{TruncToInt(X), TruncToInt(Y)}))
                        << name << ", coefficient " << coef[0] << ", pixel " << x << "," << y;
                }
            }
        }
    }
}
