// Hostile input for every decoder: each seed file of fuzz/seeds/<format>/ is
// cut at every length and mutated at random places (bytes overwritten, bits
// flipped, bytes inserted or removed, extreme 16- and 32-bit values), then
// decoded with and without format detection. Each attempt must be refused
// with a message or give a valid image; the sanitizer build turns any read
// or write outside a buffer, and any leak, into a failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>

#include "tests/image/CodecTestSupport.h"

using namespace codectest;
namespace fs = std::filesystem;

namespace {

const fs::path kSeeds = fs::path(TORVEX_SOURCE_DIR) / "fuzz" / "seeds";

std::vector<std::string> SeedFolders() {
    std::vector<std::string> folders;
    for (const auto& e : fs::directory_iterator(kSeeds))
        if (e.is_directory()) folders.push_back(e.path().filename().string());
    std::sort(folders.begin(), folders.end());
    return folders;
}

struct Tally {
    int decoded = 0, refused = 0, huge = 0;
};

// A mutated header may claim a picture of gigabytes, which the BMP and GIF
// decoders allocate and clear to show what a short file holds; the fuzz
// harness caps allocations for the same reason. Such files are only
// measured (those two answer the dimension query), not decoded.
bool ClaimsAHugeImage(const Bytes& data, DWORD format) {
    CxImage probe;
    probe.SetEscape(-1);
    DecodeBytes(data, format, probe);
    return std::uint64_t{probe.GetWidth()} * probe.GetHeight() > (1u << 22);
}

// Decodes the bytes as `format` (FORMAT_UNKNOWN: by detection), and the last
// frame too when there are several.
void Attempt(const Bytes& data, DWORD format, Tally& tally) {
    if (ClaimsAHugeImage(data, format)) {
        ++tally.huge;
        return;
    }
    CxImage img;
    if (!DecodeBytes(data, format, img)) {
        ++tally.refused;
        ASSERT_FALSE(img.IsValid());
        ASSERT_TRUE(RefusesSilently(format) || img.GetLastError()[0]) << "no message";
        return;
    }
    ++tally.decoded;
    ASSERT_TRUE(img.IsValid());
    ASSERT_GT(img.GetWidth() * img.GetHeight(), 0u);
    const long frames = img.GetNumFrames();
    CxImage last;
    if (frames > 1 && DecodeBytes(data, img.GetType(), last, frames - 1)) {
        ASSERT_TRUE(last.IsValid());
    }
}

// 1 to 4 edits: a random byte, an extreme byte, a flipped bit, a byte
// inserted or removed, or an extreme 16- or 32-bit value near the start,
// where the headers are.
Bytes Mutated(const Bytes& seed, std::mt19937& random) {
    static const std::uint32_t kExtremes[] = {
        0, 0xFF, 0x7F, 0x80, 1, 0xFFFF, 0x8000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0x10000};
    Bytes m = seed;
    for (int edits = 1 + int(random() % 4); edits > 0 && m.size() > 4; --edits) {
        const std::size_t at = random() % m.size();
        const unsigned kind = random() % 6;
        if (kind == 3) {
            m.insert(m.begin() + long(at), BYTE(random()));
        } else if (kind == 4) {
            m.erase(m.begin() + long(at));
        } else if (kind == 5) {
            const std::uint32_t v = kExtremes[random() % std::size(kExtremes)];
            const std::size_t field = at % std::min<std::size_t>(m.size() - 3, 64);
            for (std::size_t i = 0; i < (random() % 2 ? 2u : 4u); ++i)
                m[field + i] = BYTE(v >> (8 * i));
        } else {
            m[at] = kind == 0   ? BYTE(random())
                    : kind == 1 ? BYTE(kExtremes[random() % 4])
                                : BYTE(m[at] ^ 1 << random() % 8);
        }
    }
    return m;
}

class CodecHostile : public testing::TestWithParam<std::string> {};

} // namespace

TEST_P(CodecHostile, TruncatedAndMutatedSeeds) {
    std::vector<std::pair<std::string, Bytes>> seeds;
    for (const auto& e : fs::directory_iterator(kSeeds / GetParam())) {
        if (e.path().filename().string().rfind("README", 0) != 0)
            seeds.push_back({e.path().filename().string(), ReadFileBytes(e.path().string())});
    }
    std::sort(seeds.begin(), seeds.end());
    ASSERT_FALSE(seeds.empty());
    Tally cuts, mutants;
    std::mt19937 random(20240611);
    for (const auto& [name, seed] : seeds) {
        SCOPED_TRACE(name);
        CxImage whole;
        ASSERT_TRUE(DecodeBytes(seed, FORMAT_UNKNOWN, whole)) << whole.GetLastError();
        const DWORD format = whole.GetType();
        for (std::size_t length = 0; length < seed.size(); ++length) {
            const Bytes cut(seed.begin(), seed.begin() + static_cast<long>(length));
            ASSERT_NO_FATAL_FAILURE(Attempt(cut, format, cuts)) << "cut at " << length;
            ASSERT_NO_FATAL_FAILURE(Attempt(cut, FORMAT_UNKNOWN, cuts)) << "cut at " << length;
        }
        for (int round = 0; round < 200; ++round) {
            const Bytes m = Mutated(seed, random);
            ASSERT_NO_FATAL_FAILURE(Attempt(m, format, mutants)) << "mutation " << round;
            ASSERT_NO_FATAL_FAILURE(Attempt(m, FORMAT_UNKNOWN, mutants)) << "mutation " << round;
        }
    }
    EXPECT_GT(cuts.refused, 0);
    EXPECT_GT(mutants.decoded, 0);
    std::printf("[ hostile ] %s: %zu seeds; cuts %d decoded, %d refused; mutants %d decoded, %d "
                "refused, %d claiming a huge image\n",
                GetParam().c_str(), seeds.size(), cuts.decoded, cuts.refused, mutants.decoded,
                mutants.refused, mutants.huge);
}

INSTANTIATE_TEST_SUITE_P(Seeds, CodecHostile, testing::ValuesIn(SeedFolders()),
                         [](const auto& info) { return info.param; });
