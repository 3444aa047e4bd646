// The real-world corpus, folder by folder. Files ImageMagick reads (and the
// manifest does not mark bad) must decode to the suite's reference picture
// where one exists, else to what ImageMagick or netpbm show, except where our
// format rules differ by design (listed below with the reason). Every other
// file must be refused with a message or decoded, never crash, hang or leak.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "tests/image/CodecTestSupport.h"

using namespace codectest;
using testsupport::CorpusDir;
using testsupport::Md5Hex;

namespace {

struct Folder {
    const char* name;
    DWORD format;
};

const Folder kFolders[] = {{"bmp", FORMAT_BMP},  {"gif", FORMAT_GIF}, {"ico", FORMAT_ICO},
                           {"cur", FORMAT_ICO},  {"tga", FORMAT_TGA}, {"pcx", FORMAT_PCX},
                           {"wbmp", FORMAT_WBMP}};

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

struct Tally {
    int good = 0, matched = 0, byDesign = 0, refusedByDesign = 0, others = 0, othersDecoded = 0;
};

class CodecCorpus : public testing::TestWithParam<Folder> {};

} // namespace

TEST_P(CodecCorpus, GoodFilesMatchTheReferenceOthersFailCleanly) {
    if (CorpusDir().empty()) GTEST_SKIP() << "the corpus is absent";
    if (!testsupport::HaveMagick()) GTEST_SKIP() << "ImageMagick is not installed";
    const Folder folder = GetParam();
    const auto manifest = Table("MANIFEST.tsv");
    const auto references = Table("REFERENCE_CHECK.tsv");
    Tally t;
    for (const std::string& file : testsupport::CorpusFiles(folder.name)) {
        const auto entry = manifest.find(file);
        if (entry == manifest.end()) continue; // tables and the oracle's own scratch files
        SCOPED_TRACE(file);
        const std::string path = CorpusDir() + "/" + file;
        CxImage img;
        const bool decoded = img.Load(path.c_str(), folder.format);
        const auto row = testsupport::Oracle().find(file);
        const bool good = row != testsupport::Oracle().end() && IsGood(row->second, entry->second);
        CxImage last; // decodes or is refused, however many frames
        last.SetFrame(img.GetNumFrames() - 1);
        if (decoded && img.GetNumFrames() > 1) last.Load(path.c_str(), folder.format);
        if (!good) {
            ++t.others;
            t.othersDecoded += decoded;
            if (!decoded && !RefusesSilently(folder.format)) {
                EXPECT_STRNE(img.GetLastError(), "");
            }
            continue;
        }
        ++t.good;
        if (Listed(kRefusedByDesign, file)) {
            EXPECT_FALSE(decoded) << "now decodes: drop it from kRefusedByDesign";
            ++t.refusedByDesign;
            continue;
        }
        if (!decoded) {
            ADD_FAILURE() << "refused: " << img.GetLastError();
            continue;
        }
        const auto reference = references.find(file);
        const bool matches = Matches(file, img, RuleFor(ReadFileBytes(path), folder.format),
                                     reference == references.end() ? "" : reference->second.at(1));
        if (Listed(kDiffersByDesign, file)) {
            EXPECT_FALSE(matches) << "now matches: drop it from kDiffersByDesign";
            ++t.byDesign;
        } else {
            EXPECT_TRUE(matches);
            t.matched += matches;
        }
    }
    std::printf("[ corpus ] %s: %d good files: %d decoded (%d match, %d differ by design), %d "
                "refused by design; %d other files: %d decoded, %d refused\n",
                folder.name, t.good, t.good - t.refusedByDesign, t.matched, t.byDesign,
                t.refusedByDesign, t.others, t.othersDecoded, t.others - t.othersDecoded);
}

INSTANTIATE_TEST_SUITE_P(Folders, CodecCorpus, testing::ValuesIn(kFolders),
                         [](const auto& info) { return std::string(info.param.name); });
