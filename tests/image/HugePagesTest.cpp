#include "image/HugePages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <vector>

#include "image/CxImage.h"

// The advice never changes a byte, whatever the block's size and alignment,
// also of the pages it shares with its neighbours.
TEST(HugePages, AdviceKeepsEveryByteOfTheBlockAndAroundIt) {
    constexpr std::size_t kMiB = std::size_t{1} << 20;
    const std::size_t sizes[] = {0, 1, 4095, 2 * kMiB - 1, 2 * kMiB + 1, 5 * kMiB + 3};
    for (const std::size_t size : sizes) {
        std::vector<unsigned char> block(size + 2 * 4096 + 7);
        for (std::size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<unsigned char>(i * 131 + 7);
        const std::vector<unsigned char> before = block;
        AdviseHugePages(block.data() + 4096 + 3, size);
        EXPECT_EQ(block, before) << size;
    }
}

// A new image wider than a huge page is all zeroes, and its rows take what is
// written (the advice comes before the first touch of the block).
TEST(HugePages, LargeNewImageIsZeroedAndWritable) {
    CxImage image(3001, 1003, 24, FORMAT_UNKNOWN);
    ASSERT_TRUE(image.IsValid());
    const BYTE* bits = image.GetBits(0);
    const std::size_t bytes = std::size_t{image.GetEffWidth()} * image.GetHeight();
    EXPECT_TRUE(std::all_of(bits, bits + bytes, [](BYTE b) { return b == 0; }));
    image.SetPixelColor(3000, 1002, RGB(1, 2, 3));
    image.SetPixelColor(0, 0, RGB(4, 5, 6));
    EXPECT_EQ(image.GetPixelColor(3000, 1002).rgbGreen, 2);
    EXPECT_EQ(image.GetPixelColor(0, 0).rgbBlue, 6);
}
