// Hostile input for the ICO, TGA, PCX and WBMP decoders: every file is cut at
// many lengths and mutated at random places; each attempt must fail cleanly
// (with the codec's message, where the codec reports one) or decode, and the
// sanitizer build checks that no attempt reads or writes out of bounds or
// leaks.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "tests/image/CodecTestSupport.h"

using namespace codectest;

namespace {

struct Format {
    DWORD id;
    const char* name;
    const char* magickSuffix; // files ImageMagick writes for the seeds
    bool refusalsCarryAMessage;
};

const Format kFormats[] = {
    {FORMAT_ICO, "ico", ".ico", false},
    {FORMAT_TGA, "tga", ".tga", true},
    {FORMAT_PCX, "pcx", ".pcx", true},
    {FORMAT_WBMP, "wbmp", ".wbmp", true},
};

// Small files of a format: our encoder's at every depth it takes, ImageMagick's
// and the corpus's small ones.
std::vector<Bytes> MakeSeeds(const Format& format) {
    std::vector<Bytes> seeds;
    for (DWORD bpp : {1u, 4u, 8u, 24u, 32u}) {
        CxImage img = MakePicture(13, 6, bpp == 32 ? 24 : bpp);
        if (bpp == 32) img.AlphaCreate();
        img.SetTransIndex(bpp == 24 ? -1 : 1);
        const Bytes file = EncodeBytes(img, format.id);
        if (!file.empty()) seeds.push_back(file);
    }
    if (testsupport::HaveMagick()) {
        const std::string path = ScratchFile(std::string("seed") + format.magickSuffix);
        for (const char* arguments :
             {"rose: -resize 23x13! -compress RLE", "rose: -resize 23x13! -colors 16 -type palette",
              "rose: -resize 23x13! -alpha set -channel A -fx i/w +channel -compress RLE -orient "
              "TopLeft",
              "rose: -resize 23x13! -monochrome"}) {
            EXPECT_TRUE(MagickWrite(arguments, path)) << arguments;
            seeds.push_back(ReadFileBytes(path));
        }
    }
    for (const std::string& file : testsupport::CorpusFiles(format.name)) {
        const std::string path = testsupport::CorpusDir() + "/" + file;
        if (std::filesystem::path(file).extension() != ".tsv" &&
            std::filesystem::file_size(path) <= 4096)
            seeds.push_back(ReadFileBytes(path));
    }
    std::erase_if(seeds, [](const Bytes& seed) { return seed.empty(); });
    return seeds;
}

const std::vector<Bytes>& Seeds(const Format& format) {
    static std::map<DWORD, std::vector<Bytes>> seeds;
    auto it = seeds.find(format.id);
    if (it == seeds.end()) it = seeds.emplace(format.id, MakeSeeds(format)).first;
    return it->second;
}

} // namespace

TEST(CodecHostile, TruncationSweeps) {
    for (const Format& format : kFormats) {
        SweepCounts total;
        const std::vector<Bytes>& seeds = Seeds(format);
        ASSERT_GE(seeds.size(), 2u) << format.name;
        for (const Bytes& seed : seeds) {
            const SweepCounts counts = TruncationSweep(seed, format.id);
            total.decoded += counts.decoded;
            total.refused += counts.refused;
            if (format.refusalsCarryAMessage) {
                EXPECT_EQ(counts.refusedWithoutText, 0) << format.name;
            }
        }
        EXPECT_GT(total.refused, 0) << format.name;
        std::printf("[ truncation ] %-4s %zu seeds: %d cuts decoded, %d refused\n", format.name,
                    seeds.size(), total.decoded, total.refused);
    }
}

TEST(CodecHostile, MutationsThroughDetection) {
    unsigned seedNumber = 7;
    for (const Format& format : kFormats) {
        SweepCounts total;
        for (const Bytes& seed : Seeds(format)) {
            const SweepCounts counts = MutationSweep(seed, FORMAT_UNKNOWN, ++seedNumber, 150);
            total.decoded += counts.decoded;
            total.refused += counts.refused;
        }
        EXPECT_GT(total.decoded, 0) << format.name;
        std::printf("[ mutation   ] %-4s: %d mutants decoded, %d refused\n", format.name,
                    total.decoded, total.refused);
    }
}

TEST(CodecHostile, MutationsThroughEachCodecAreRefusedWithTheirText) {
    unsigned seedNumber = 1000;
    for (const Format& format : kFormats) {
        for (const Bytes& seed : Seeds(format)) {
            const SweepCounts counts = MutationSweep(seed, format.id, ++seedNumber, 150);
            if (format.refusalsCarryAMessage) {
                EXPECT_EQ(counts.refusedWithoutText, 0) << format.name;
            }
        }
    }
}
