// Hostile input: a few thousand mutated and truncated BMP files. Each must be
// refused with a message or decoded into a valid image; the sanitizer build
// turns any read or write outside a buffer, and any leak, into a failure.
#include <gtest/gtest.h>

#include <random>

#include "image/CxMemFile.h"
#include "tests/image/BmpTestSupport.h"

using namespace bmptest;

namespace {

Bytes Encoded(DWORD bpp) {
    CxImage img(13, 9, bpp);
    for (LONG y = 0; y < 9; ++y)
        for (LONG x = 0; x < 13; ++x)
            img.SetPixelColor(x, y, RGB(BYTE(x * 19), BYTE(y * 28), BYTE(x ^ y)));
    BYTE* buffer = nullptr;
    long size = 0;
    img.Encode(buffer, size, FORMAT_BMP);
    Bytes out(buffer, buffer + size);
    CxImage::FreeMemory(buffer);
    return out;
}

// Run-length streams that use every escape: runs, end of line, delta,
// absolute runs (odd and even), end of bitmap.
Bytes RleFile(int bpp, std::uint32_t compression) {
    Bytes b = FileAndInfoHeader(13, 9, bpp, compression, 16);
    for (int i = 0; i < 16; ++i)
        Put32(b, 0x00101010u * static_cast<std::uint32_t>(i));
    const Bytes stream = {5, 0x12, 0, 0, 0, 3, 1, 2,    3, 0, 0, 2, 3, 1,
                          0, 4,    9, 8, 7, 6, 4, 0x45, 0, 0, 9, 7, 0, 1};
    b.insert(b.end(), stream.begin(), stream.end());
    return b;
}

Bytes Pixels(std::size_t n) {
    Bytes p(n);
    for (std::size_t i = 0; i < n; ++i)
        p[i] = static_cast<std::uint8_t>(i * 37 + 11);
    return p;
}

std::vector<Bytes> Seeds() {
    std::vector<Bytes> seeds = {Encoded(1),  Encoded(4),          Encoded(8),
                                Encoded(24), RleFile(8, BI_RLE8), RleFile(4, BI_RLE4)};
    Bytes b16 = FileAndInfoHeader(13, -9, 16, BI_BITFIELDS, 0, 66);
    for (std::uint32_t m : {0xF800u, 0x07E0u, 0x001Fu})
        Put32(b16, m);
    const Bytes px16 = Pixels(9 * 28);
    b16.insert(b16.end(), px16.begin(), px16.end());
    seeds.push_back(b16);
    seeds.push_back(V5File(13, 9, 32, BI_BITFIELDS, {0xFF, 0xFF00, 0xFF0000, 0}, Pixels(13 * 36)));
    seeds.push_back(V5File(13, -9, 8, BI_RLE8, {0, 0, 0, 0}, Pixels(40)));
    return seeds;
}

// Decodes the bytes; a failure must leave an invalid image and a text.
void DecodeHostile(const Bytes& bytes, DWORD type) {
    CxImage img;
    if (img.Decode(bytes.data(), static_cast<DWORD>(bytes.size()), type)) {
        ASSERT_TRUE(img.IsValid());
        const WORD bpp = img.GetBpp();
        ASSERT_TRUE(bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24);
    } else {
        ASSERT_FALSE(img.IsValid());
        ASSERT_STRNE(img.GetLastError(), "");
    }
}

// Header fields and the values that strain them most.
constexpr std::size_t kFields[] = {2, 10, 14, 18, 22, 26, 28, 30, 34, 46};
constexpr std::uint32_t kExtremes[] = {0,   1,      2,          3,          12,        64,
                                       255, 0xFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};

} // namespace

TEST(BmpHostile, ExtremeHeaderFields) {
    int decodes = 0;
    for (const Bytes& seed : Seeds()) {
        for (std::size_t at : kFields) {
            for (std::uint32_t v : kExtremes) {
                Bytes b = seed;
                const std::size_t width = (at == 26 || at == 28) ? 2 : 4;
                for (std::size_t i = 0; i < width; ++i)
                    b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
                SCOPED_TRACE(testing::Message() << "field " << at << " = " << v);
                DecodeHostile(b, FORMAT_BMP);
                ++decodes;
            }
        }
    }
    EXPECT_GT(decodes, 500);
}

TEST(BmpHostile, RandomByteMutationsOutsideTheDimensions) {
    std::mt19937 rng(20240611);
    int decodes = 0;
    for (const Bytes& seed : Seeds()) {
        std::uniform_int_distribution<std::size_t> pos(0, seed.size() - 1);
        for (int round = 0; round < 120; ++round) {
            Bytes b = seed;
            const int flips = 1 + round % 6;
            for (int i = 0; i < flips; ++i) {
                const std::size_t at = pos(rng);
                // Width and height keep their values here; ExtremeHeaderFields
                // covers them without asking for gigabyte images.
                if (at >= 18 && at < 26) continue;
                b[at] = static_cast<std::uint8_t>(rng());
            }
            SCOPED_TRACE(testing::Message() << "round " << round);
            DecodeHostile(b, round % 2 ? FORMAT_BMP : FORMAT_UNKNOWN);
            ++decodes;
        }
    }
    EXPECT_GT(decodes, 1000);
}

TEST(BmpHostile, EveryTruncation) {
    int decodes = 0;
    for (const Bytes& seed : Seeds()) {
        for (std::size_t cut = 0; cut < seed.size(); ++cut) {
            SCOPED_TRACE(testing::Message() << "cut at " << cut);
            DecodeHostile(Bytes(seed.begin(), seed.begin() + static_cast<long>(cut)), FORMAT_BMP);
            ++decodes;
        }
    }
    EXPECT_GT(decodes, 1000);
}
