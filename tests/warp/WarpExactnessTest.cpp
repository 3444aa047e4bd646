// The production warping run against the plain one: every byte of the output,
// for seeded random images and pairs, every method and several thread counts.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "tests/warp/MessageCapture.h"
#include "warp/WarpImage.h"
#include "warp/WarpMethodFactory.h"
#include "warp/WarpRBF.h"

namespace {

// An image of random pixel bytes and, below 24 bits, a random palette.
CxImage RandomImage(LONG w, LONG h, WORD bpp, std::mt19937& rng) {
    CxImage img(w, h, bpp);
    std::uniform_int_distribution<int> byte(0, 255);
    for (DWORD i = 0; i < img.GetNumColors(); ++i)
        img.SetPaletteColor(static_cast<BYTE>(i), BYTE(byte(rng)), BYTE(byte(rng)),
                            BYTE(byte(rng)));
    BYTE* bits = img.GetBits(0);
    for (DWORD i = 0; i < img.GetEffWidth() * img.GetHeight(); ++i)
        bits[i] = static_cast<BYTE>(byte(rng));
    return img;
}

// The kinds of pair sets the runs are tried with. Mirrored and Collapsed
// send most pixels into other threads' columns, and many onto one pixel.
enum class Pairs { Inside, SharedSource, FarOutside, NearLimits, None, Mirrored, Collapsed };

std::vector<std::pair<POINT, POINT>> RandomPairs(Pairs kind, LONG w, LONG h, std::mt19937& rng) {
    std::uniform_int_distribution<LONG> px(0, w - 1), py(0, h - 1), shift(-9, 9);
    std::uniform_int_distribution<LONG> huge(INT32_MIN, INT32_MAX), count(1, 12);
    std::vector<std::pair<POINT, POINT>> pairs;
    const int n = kind == Pairs::None ? 0 : count(rng);
    for (int i = 0; i < n; ++i) {
        POINT p{px(rng), py(rng)};
        POINT q{p.x + shift(rng), p.y + shift(rng)};
        if (kind == Pairs::SharedSource && i > 0) p = pairs[0].first;
        if (kind == Pairs::FarOutside && i % 2) q = POINT{p.x * 40 - 100000, -p.y * 30 + 7};
        if (kind == Pairs::NearLimits && i % 3 == 1) p = POINT{huge(rng), huge(rng)};
        if (kind == Pairs::NearLimits && i % 3 == 2) q = POINT{INT32_MAX - i, INT32_MIN + i};
        if (kind == Pairs::Mirrored) q = POINT{w - 1 - p.x, h - 1 - p.y};
        if (kind == Pairs::Collapsed) q = POINT{w / 3, h / 2};
        pairs.push_back({p, q});
    }
    return pairs;
}

bool SameBytes(const CxImage& a, const CxImage& b) {
    return a.GetSize() == b.GetSize() && std::memcmp(a.GetDIB(), b.GetDIB(), a.GetSize()) == 0;
}

struct Case {
    LONG w, h;
    WORD bpp;
    Pairs pairs;
};

} // namespace

// Each case warps twice with the same method objects (the second run adds the
// corners again, which makes the radial basis system singular), on the plain
// run and on the production run with 1, 2, 3 and 7 threads.
TEST(WarpExactness, ProductionRunEqualsThePlainRunByteForByte) {
    const Case cases[] = {
        {1, 1, 24, Pairs::Inside},
        {2, 3, 1, Pairs::SharedSource},
        {5, 5, 4, Pairs::FarOutside},
        {7, 1, 8, Pairs::NearLimits},
        {1, 9, 24, Pairs::None},
        {33, 17, 1, Pairs::Inside},
        {64, 64, 4, Pairs::SharedSource},
        {101, 67, 8, Pairs::FarOutside},
        {99, 131, 24, Pairs::NearLimits},
        {257, 3, 24, Pairs::None},
        {1003, 701, 24, Pairs::Inside},
        {1001, 703, 8, Pairs::SharedSource},
        // Ten chunks on two rows: most of seven members own no row.
        {40009, 2, 8, Pairs::SharedSource},
        {301, 207, 24, Pairs::Mirrored},
        {97, 1203, 8, Pairs::Mirrored},
        {640, 480, 4, Pairs::Collapsed},
        {203, 2, 1, Pairs::Collapsed},
    };
    std::mt19937 rng(20261207);
    for (const Case& c : cases) {
        const CxImage source = RandomImage(c.w, c.h, c.bpp, rng);
        const auto pairs = RandomPairs(c.pairs, c.w, c.h, rng);
        const bool large = c.w * c.h > 100000;
        for (int kind = 0; kind < 3; ++kind) {
            const std::string where = std::to_string(c.w) + "x" + std::to_string(c.h) + " " +
                                      std::to_string(c.bpp) + " bits, method " +
                                      std::to_string(kind);
            auto plain = MakeWarpMethod(kind);
            for (const auto& [p, q] : pairs)
                plain->AddPair(p, q);
            MessageCapture plainMessages;
            const auto first = WarpImagePlain(source, *plain);
            const auto second = WarpImagePlain(*first, *plain);
            const std::string plainSays = plainMessages.Take();
            for (unsigned threads : {1u, 2u, 3u, 7u}) {
                if (large && threads % 2) continue; // keep the big images quick
                auto fast = MakeWarpMethod(kind);
                fast->SetThreadCount(threads);
                for (const auto& [p, q] : pairs)
                    fast->AddPair(p, q);
                MessageCapture fastMessages;
                const auto fastFirst = WarpImage(source, *fast);
                const auto fastSecond = WarpImage(*fastFirst, *fast);
                EXPECT_EQ(fastMessages.Take(), plainSays) << where;
                EXPECT_TRUE(SameBytes(*fastFirst, *first)) << where << ", " << threads;
                EXPECT_TRUE(SameBytes(*fastSecond, *second)) << where << ", " << threads;
            }
        }
    }
}
