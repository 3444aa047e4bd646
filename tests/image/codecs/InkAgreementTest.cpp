// The ink-agreement figure of the conformance test on small made-up masks.
#include <gtest/gtest.h>

#include "tests/image/codecs/InkAgreement.h"

using inkagreement::Agreement;
using inkagreement::InkMask;
using inkagreement::InkOf;

namespace {

// A w x h mask with ink at the listed pixels.
InkMask Mask(int w, int h, std::initializer_list<std::pair<int, int>> ink) {
    InkMask m{w, h, std::vector<std::uint8_t>(std::size_t(w) * h), 0};
    for (const auto& [x, y] : ink) {
        m.ink[std::size_t(y) * w + x] = 1;
        ++m.count;
    }
    return m;
}

} // namespace

TEST(InkAgreement, PoolsBothPicturesInkWithinOnePixel) {
    const struct {
        const char* what;
        InkMask a, b;
        double figure;
    } cases[] = {
        {"same", Mask(8, 8, {{2, 2}, {3, 2}}), Mask(8, 8, {{2, 2}, {3, 2}}), 1},
        {"one pixel off", Mask(8, 8, {{2, 2}}), Mask(8, 8, {{3, 3}}), 1},
        {"two pixels off", Mask(8, 8, {{2, 2}}), Mask(8, 8, {{4, 2}}), 0},
        {"half missing", Mask(8, 8, {{0, 0}, {7, 7}}), Mask(8, 8, {{0, 0}}), 2.0 / 3},
        {"both blank", Mask(8, 8, {}), Mask(8, 8, {}), 1},
        {"one blank", Mask(8, 8, {}), Mask(8, 8, {{1, 1}}), 0},
        {"sizes differ", Mask(8, 8, {{1, 1}}), Mask(8, 9, {{1, 1}}), -1},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(Agreement(c.a, c.b), c.figure) << c.what;
}

TEST(InkAgreement, InkIsAChannelMeanBelow235) {
    const testsupport::Decoded d{3, 1, {234, 235, 235, 255, 235, 235, 235, 255, 0, 0, 255, 0}};
    const InkMask m = InkOf(d);
    EXPECT_EQ(m.ink, (std::vector<std::uint8_t>{1, 0, 1}));
    EXPECT_EQ(m.count, 2);
}
