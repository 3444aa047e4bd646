// Damaged and real-world input for every decoder.
//
// Hostile input: each seed of fuzz/seeds/<format>/ is cut at every length and
// mutated at random places (bytes overwritten, bits flipped, bytes inserted or
// removed, extreme 16- and 32-bit values), then decoded with and without
// format detection. Each attempt must be refused with a message or give a
// valid image; the sanitizer build turns any read or write outside a buffer,
// and any leak, into a failure.
//
// The corpus, folder by folder: files ImageMagick reads (and the manifest does
// not mark bad) must decode to the suite's reference picture where one
// exists, else to what ImageMagick or netpbm show, except where our format
// rules differ by design (listed below with the reason). Every other file must
// be refused with a message or decoded, never crash, hang or leak.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>

#include "image/FormatList.h"
#include "tests/image/codecs/CodecTestSupport.h"

using namespace codectest;
using testsupport::CorpusDir;
using testsupport::Md5Hex;
namespace fs = std::filesystem;

namespace {

const fs::path kSeeds = fs::path(TORVEX_SOURCE_DIR) / "fuzz" / "seeds";

using Folder = std::pair<std::string, DWORD>; // a folder of files and their format

// Every format's seed folders.
std::vector<Folder> SeedFolders() {
    std::vector<Folder> folders;
    for (const FormatInfo& f : Formats())
        for (const char* folder : f.seedFolders)
            if (folder) folders.emplace_back(folder, f.format);
    return folders;
}

struct Tally {
    int decoded = 0, refused = 0;
};

// Decodes the bytes as `format` and by detection, and the last frame too
// when there are several.
void Attempt(const Bytes& data, DWORD format, Tally& tally) {
    for (DWORD as : {format, DWORD(FORMAT_UNKNOWN)}) {
        CxImage img, last;
        if (!DecodeBytes(data, as, img)) {
            ++tally.refused;
            ASSERT_FALSE(img.IsValid());
            ASSERT_TRUE(RefusesSilently(as) || img.GetLastError()[0]) << "no message";
            continue;
        }
        ++tally.decoded;
        ASSERT_TRUE(img.IsValid());
        ASSERT_GT(img.GetWidth() * img.GetHeight(), 0u);
        if (img.GetNumFrames() > 1 &&
            DecodeBytes(data, img.GetType(), last, img.GetNumFrames() - 1)) {
            ASSERT_TRUE(last.IsValid());
        }
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

// The corpus folders of the formats that are written, one per extension.
std::vector<Folder> CorpusFolders() {
    std::vector<Folder> folders;
    for (const FormatInfo& f : Formats())
        for (const char* extension : f.extensions)
            if (f.canWrite && extension) folders.emplace_back(extension, f.format);
    return folders;
}

// Files by the reason our rules treat them so.
using Listing = std::vector<std::pair<const char*, std::vector<std::string>>>;

// Good files refused on purpose.
const Listing kRefusedByDesign = {
    {"16-byte OS/2 header", {"bmp/bmpsuite/q/pal8os2v2-16.bmp"}},
    {"images reaching outside the screen are ignored",
     {"gif/image-rs/issue_1455_oversized.gif", "gif/image-rs/oob.gif",
      "gif/wuffs-artificial/frame-out-of-bounds.gif"}},
    {"a zero-length comment ends the file", {"gif/pillow/hopper_zero_comment_subblocks.gif"}},
    {"a directory without images", {"cur/pillow/no_cursors.cur"}},
    {"PNG entries",
     {"ico/image-rs/lenient-bpp.ico", "ico/image-rs/png-32bpp-alpha.ico", "ico/image-rs/png_l8.ico",
      "ico/image-rs/png_rgb8.ico", "ico/pillow/hopper_draw.ico", "ico/pillow/pillow.ico"}},
    {"15-bit colour maps read as 3-byte entries run out",
     {"tga/tga-conformance/b5-cmap.tga", "tga/tga-conformance/b5-unused-cmap.tga"}}};

// Good files whose decoding differs from the reference by design.
const Listing kDiffersByDesign = {
    {"embedded colour profiles are not applied",
     {"bmp/bmpsuite/q/rgb24prof2.bmp", "ico/image-rs/bmp_v5_with_icc.ico"}},
    {"an RLE8 run past the end of its row ends the decoding; the rest stays cleared",
     {"bmp/pillow/hopper_rle8_row_overflow.bmp"}},
    {"ImageMagick carries pixels past a row's end into the next row",
     {"bmp/twelvemonkeys/blauesglas_4.rle"}},
    {"images reaching outside the screen are ignored",
     {"gif/gif-test-suite/animated_transparent_loop_frames_out_of_bounds.gif"}},
    {"the canvas starts as the graphic control's index, not transparent",
     {"gif/image-rs/border_touching_layers.gif", "gif/image-rs/issue_1455_undersized.gif",
      "gif/wuffs-artificial/background-color.gif"}},
    {"minimum code sizes above 9 end the decoding", {"gif/pillow/issue_2811.gif"}},
    {"an AND mask with every bit set inverts the image, alpha or not",
     {"ico/image-rs/bmp-32bpp-conflicting-and-mask.ico"}},
    {"the directory's size is used, not the bitmap's", {"ico/pillow/hopper_unexpected.ico"}},
    {"1-bit single-plane files are always black and white", {"pcx/twelvemonkeys/CGA_BW.PCX"}},
    {"colour-map entries are always read as 3 bytes",
     {"tga/pillow/p_16.tga", "tga/truevision/CCM8.TGA", "tga/truevision/UCM8.TGA"}},
    {"the first-entry field of the colour map is not used",
     {"tga/tga-conformance/cmap_offset.tga"}},
    {"16-bit grey pixels are read as 5-5-5 colour",
     {"tga/pillow/la.tga", "tga/pillow-common/200x32_la_bl_raw.tga",
      "tga/pillow-common/200x32_la_bl_rle.tga", "tga/pillow-common/200x32_la_tl_raw.tga",
      "tga/pillow-common/200x32_la_tl_rle.tga", "tga/twelvemonkeys/monochrome16_top_left.tga",
      "tga/twelvemonkeys/monochrome16_top_left_rle.tga"}}};

bool Listed(const Listing& listing, const std::string& file) {
    for (const auto& [reason, files] : listing)
        if (std::find(files.begin(), files.end(), file) != files.end()) return true;
    return false;
}

// Columns of a corpus table by the file in its first column.
std::map<std::string, std::vector<std::string>> Table(const std::string& name) {
    std::map<std::string, std::vector<std::string>> rows;
    for (auto& cells : testsupport::ReadTsv(CorpusDir() + "/" + name))
        if (!cells.empty()) rows[cells[0]] = cells;
    return rows;
}

// Whether the decoded image shows what the reference picture, else
// ImageMagick (or netpbm, by its digest) shows.
bool Matches(const std::string& file, const CxImage& img, const Rule& rule,
             const std::string& reference) {
    if (!reference.empty()) {
        const auto picture = testsupport::MagickDecode(CorpusDir() + "/" + reference);
        // Within 1, and by colour where we read alpha bytes: the suites'
        // pictures do not follow them.
        Rule loose = rule;
        loose.slack = 1;
        loose.colourOnly = rule.colourOnly || img.AlphaIsValid();
        return picture && Differences(img, *picture, loose) == 0;
    }
    const testsupport::OracleRow& row = testsupport::Oracle().at(file);
    const std::string rgb = Md5Hex(testsupport::ToRgb8(img));
    if (Md5Hex(testsupport::ToRgba8(img)) == row.at("im_rgba8_md5")) return true;
    const bool opaque = !img.AlphaIsValid() && img.GetTransIndex() < 0;
    if ((rule.colourOnly || opaque) && rgb == row.at("netpbm_rgb8_md5")) return true;
    const auto magick = testsupport::MagickDecode(CorpusDir() + "/" + file);
    return magick && Differences(img, *magick, rule) == 0;
}

// Files ImageMagick reads, or reads in part where netpbm reads them whole,
// unless the manifest marks them bad.
bool IsGood(const testsupport::OracleRow& oracle, const std::vector<std::string>& manifest) {
    const std::string& im = oracle.at("im_ok");
    return (im == "yes" || (im == "partial" && oracle.at("netpbm_ok") == "yes")) &&
           manifest.at(4).rfind("[BAD", 0) != 0;
}

class CodecHostile : public testing::TestWithParam<Folder> {};
class CodecCorpus : public testing::TestWithParam<Folder> {};

} // namespace

TEST_P(CodecHostile, TruncatedAndMutatedSeeds) {
    // A mutated header may claim a huge picture, which the decoders make and
    // clear to show what a short file holds: limits as the fuzz harness has
    // them keep the sweep quick, and refuse larger claims with their message.
    const ScopedLimits limits(1u << 22, 1u << 24);
    std::vector<std::pair<std::string, Bytes>> seeds;
    const auto& [folder, format] = GetParam();
    for (const auto& e : fs::directory_iterator(kSeeds / folder)) {
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
        EXPECT_EQ(whole.GetType(), format) << "a seed in another format's folder";
        for (std::size_t length = 0; length < seed.size(); ++length) {
            ASSERT_NO_FATAL_FAILURE(
                Attempt(Bytes(seed.begin(), seed.begin() + long(length)), whole.GetType(), cuts))
                << "cut at " << length;
        }
        for (int round = 0; round < 300; ++round)
            ASSERT_NO_FATAL_FAILURE(Attempt(Mutated(seed, random), whole.GetType(), mutants))
                << "mutation " << round;
    }
    EXPECT_GT(cuts.refused, 0);
    EXPECT_GT(mutants.decoded, 0);
    std::printf("[ hostile ] %s: %zu seeds; cuts %d decoded, %d refused; mutants %d decoded, %d "
                "refused\n",
                folder.c_str(), seeds.size(), cuts.decoded, cuts.refused, mutants.decoded,
                mutants.refused);
}

INSTANTIATE_TEST_SUITE_P(Seeds, CodecHostile, testing::ValuesIn(SeedFolders()),
                         [](const auto& info) { return info.param.first; });

TEST_P(CodecCorpus, GoodFilesMatchTheReferenceOthersFailCleanly) {
    if (CorpusDir().empty()) GTEST_SKIP() << "the corpus is absent";
    if (!testsupport::HaveMagick()) GTEST_SKIP() << "ImageMagick is not installed";
    const Folder folder = GetParam();
    const auto manifest = Table("MANIFEST.tsv"), references = Table("REFERENCE_CHECK.tsv");
    int good = 0, matched = 0, byDesign = 0, refusedByDesign = 0, others = 0, othersDecoded = 0;
    for (const std::string& file : testsupport::CorpusFiles(folder.first)) {
        const auto entry = manifest.find(file);
        if (entry == manifest.end()) continue; // tables and the oracle's own scratch files
        SCOPED_TRACE(file);
        const std::string path = CorpusDir() + "/" + file;
        CxImage img, last;
        const bool decoded = img.Load(path.c_str(), folder.second);
        last.SetFrame(img.GetNumFrames() - 1); // decodes or is refused, however many frames
        if (decoded && img.GetNumFrames() > 1) last.Load(path.c_str(), folder.second);
        const auto row = testsupport::Oracle().find(file);
        if (row == testsupport::Oracle().end() || !IsGood(row->second, entry->second)) {
            ++others;
            othersDecoded += decoded;
            EXPECT_TRUE(decoded || RefusesSilently(folder.second) || img.GetLastError()[0]);
            continue;
        }
        ++good;
        if (Listed(kRefusedByDesign, file)) {
            EXPECT_FALSE(decoded) << "now decodes: drop it from kRefusedByDesign";
            ++refusedByDesign;
            continue;
        }
        ASSERT_TRUE(decoded) << img.GetLastError();
        const auto reference = references.find(file);
        const bool matches = Matches(file, img, RuleFor(ReadFileBytes(path), folder.second),
                                     reference == references.end() ? "" : reference->second.at(1));
        if (Listed(kDiffersByDesign, file)) {
            EXPECT_FALSE(matches) << "now matches: drop it from kDiffersByDesign";
            ++byDesign;
        } else {
            EXPECT_TRUE(matches);
            matched += matches;
        }
    }
    std::printf("[ corpus ] %s: %d good files: %d decoded (%d match, %d differ by design), %d "
                "refused by design; %d other files: %d decoded, %d refused\n",
                folder.first.c_str(), good, good - refusedByDesign, matched, byDesign,
                refusedByDesign, others, othersDecoded, others - othersDecoded);
}

INSTANTIATE_TEST_SUITE_P(Folders, CodecCorpus, testing::ValuesIn(CorpusFolders()),
                         [](const auto& info) { return info.param.first; });
