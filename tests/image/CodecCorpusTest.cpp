// The real-world corpus's ico/, cur/, tga/, pcx/ and wbmp/ folders. Files
// ImageMagick reads must decode to what it shows (or to what netpbm or the
// suite's reference picture shows), except where our format rules differ by
// design (listed below with the reason); every other file must be refused
// cleanly or decoded, never crash, hang or leak.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "tests/image/CodecTestSupport.h"

using namespace codectest;

namespace {

const std::map<std::string, const char*> kRefusedByDesign = {
    {"cur/pillow/no_cursors.cur", "a directory without images"},
    {"ico/image-rs/lenient-bpp.ico", "PNG entry"},
    {"ico/image-rs/png-32bpp-alpha.ico", "PNG entry"},
    {"ico/image-rs/png_l8.ico", "PNG entry"},
    {"ico/image-rs/png_rgb8.ico", "PNG entry"},
    {"ico/pillow/hopper_draw.ico", "PNG entry"},
    {"ico/pillow/pillow.ico", "its first entry is a PNG"},
    {"tga/tga-conformance/b5-cmap.tga",
     "15-bit colour map read as 3-byte entries runs out of data"},
    {"tga/tga-conformance/b5-unused-cmap.tga", "15-bit colour map read as 3-byte entries"},
};

const char* const kThreeByteMap = "colour-map entries are always read as 3 bytes";
const char* const kGrey16 = "16-bit grey pixels are read as 5-5-5 colour";

const std::map<std::string, const char*> kDiffersByDesign = {
    {"ico/image-rs/bmp-32bpp-conflicting-and-mask.ico",
     "an AND mask with every bit set inverts the image, alpha or not"},
    {"ico/image-rs/bmp_v5_with_icc.ico",
     "ImageMagick applies the embedded colour profile; the file has no full AND mask"},
    {"ico/pillow/hopper_unexpected.ico", "the directory's size is used, not the bitmap's"},
    {"pcx/twelvemonkeys/CGA_BW.PCX", "1-bit single-plane files are always black and white"},
    {"tga/pillow/p_16.tga", kThreeByteMap},
    {"tga/truevision/CCM8.TGA", kThreeByteMap},
    {"tga/truevision/UCM8.TGA", kThreeByteMap},
    {"tga/tga-conformance/cmap_offset.tga", "the first-entry field of the colour map is not used"},
    {"tga/pillow/la.tga", kGrey16},
    {"tga/pillow-common/200x32_la_bl_raw.tga", kGrey16},
    {"tga/pillow-common/200x32_la_bl_rle.tga", kGrey16},
    {"tga/pillow-common/200x32_la_tl_raw.tga", kGrey16},
    {"tga/pillow-common/200x32_la_tl_rle.tga", kGrey16},
    {"tga/twelvemonkeys/monochrome16_top_left.tga", kGrey16},
    {"tga/twelvemonkeys/monochrome16_top_left_rle.tga", kGrey16},
};

// The suite's expected pictures, by corpus file.
std::map<std::string, std::string> ReferencePictures() {
    std::map<std::string, std::string> references;
    std::ifstream in(testsupport::CorpusDir() + "/REFERENCE_CHECK.tsv");
    std::string line;
    while (std::getline(in, line)) {
        std::stringstream cells(line);
        std::string file, reference;
        std::getline(cells, file, '\t');
        std::getline(cells, reference, '\t');
        references[file] = reference;
    }
    return references;
}

// 15- and 16-bit TGA channels are v << 3; other decoders also fill the low bits.
std::function<BYTE(BYTE)> ChannelRule(const std::string& path, DWORD format) {
    if (format != FORMAT_TGA) return nullptr;
    const Bytes file = ReadFileBytes(path);
    if (file.size() < 18 || (file[16] != 15 && file[16] != 16)) return nullptr;
    return [](BYTE v) { return static_cast<BYTE>(v & 0xF8); };
}

void Opaque(testsupport::Decoded& picture) {
    for (std::size_t i = 3; i < picture.rgba.size(); i += 4)
        picture.rgba[i] = 255;
}

bool MatchesOracle(const std::string& file, const CxImage& img, DWORD format) {
    const std::string path = testsupport::CorpusDir() + "/" + file;
    const auto rule = ChannelRule(path, format);
    const auto row = testsupport::Oracle().find(file);
    if (row != testsupport::Oracle().end() && format != FORMAT_ICO && !rule) {
        const std::string rgb = testsupport::Md5Hex(testsupport::ToRgb8(img));
        if (testsupport::Md5Hex(testsupport::ToRgba8(img)) == row->second.at("im_rgba8_md5"))
            return true;
        // netpbm agrees with us on monochrome PCX, which ImageMagick 6 inverts.
        if (rgb == row->second.at("netpbm_rgb8_md5")) return true;
    }
    auto magick = testsupport::MagickDecode(path);
    if (!magick) return false;
    // Bit 15 of 16-bit pixels is not read as alpha: compare colours only.
    if (rule) Opaque(*magick);
    return DifferencesFromMagick(img, *magick, rule) == 0;
}

bool MatchesReference(const std::string& reference, const CxImage& img, DWORD format,
                      const std::string& file) {
    auto picture = testsupport::MagickDecode(testsupport::CorpusDir() + "/" + reference);
    if (!picture) return false;
    // Compared by colour: the suites' pictures do not follow the alpha bytes.
    Opaque(*picture);
    CxImage opaque(img);
    opaque.AlphaDelete();
    return DifferencesFromMagick(opaque, *picture,
                                 ChannelRule(testsupport::CorpusDir() + "/" + file, format)) == 0;
}

struct Tally {
    int files = 0, decoded = 0, matching = 0, refused = 0, byDesign = 0;
};

void CheckFolder(const std::string& folder, DWORD format) {
    if (testsupport::CorpusDir().empty()) GTEST_SKIP() << "the corpus is absent";
    const bool oracle = testsupport::HaveMagick();
    const auto references = ReferencePictures();
    Tally tally;
    for (const std::string& file : testsupport::CorpusFiles(folder)) {
        if (std::filesystem::path(file).extension() == ".tsv") continue;
        ++tally.files;
        const std::string path = testsupport::CorpusDir() + "/" + file;
        CxImage img;
        std::FILE* stream = std::fopen(path.c_str(), "rb");
        ASSERT_NE(stream, nullptr) << file;
        const bool decoded = img.Decode(stream, format);
        std::fclose(stream);
        const auto row = testsupport::Oracle().find(file);
        const bool good = row != testsupport::Oracle().end() && row->second.at("im_ok") == "yes";
        if (!decoded) {
            ++tally.refused;
            if (format != FORMAT_ICO) {
                EXPECT_STRNE(img.GetLastError(), "") << file;
            }
            EXPECT_TRUE(!good || kRefusedByDesign.count(file)) << file << " was refused";
            continue;
        }
        ++tally.decoded;
        EXPECT_FALSE(kRefusedByDesign.count(file)) << file << " decoded";
        if (kDiffersByDesign.count(file)) {
            ++tally.byDesign;
            continue;
        }
        if (!good || !oracle) continue;
        const bool matches = MatchesOracle(file, img, format);
        EXPECT_TRUE(matches) << file << " differs from ImageMagick";
        const auto reference = references.find(file);
        if (reference != references.end()) {
            EXPECT_TRUE(MatchesReference(reference->second, img, format, file)) << file;
        }
        tally.matching += matches;
    }
    std::printf("[ corpus ] %-4s %d files: %d decoded (%d match the oracle, %d differ by design), "
                "%d refused\n",
                folder.c_str(), tally.files, tally.decoded, tally.matching, tally.byDesign,
                tally.refused);
}

} // namespace

TEST(CodecCorpus, Ico) {
    CheckFolder("ico", FORMAT_ICO);
}

TEST(CodecCorpus, Cur) {
    CheckFolder("cur", FORMAT_ICO);
}

TEST(CodecCorpus, Tga) {
    CheckFolder("tga", FORMAT_TGA);
}

TEST(CodecCorpus, Pcx) {
    CheckFolder("pcx", FORMAT_PCX);
}

TEST(CodecCorpus, Wbmp) {
    CheckFolder("wbmp", FORMAT_WBMP);
}
