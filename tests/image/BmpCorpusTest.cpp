// The corpus's bmp folder: good files must decode to the suite's reference
// rendering or to ImageMagick's decoding where this codec's rules agree with
// theirs; files marked bad must be refused with a message or decoded, never
// crash, hang or leak (the sanitizer build runs this too).
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

#include "tests/image/BmpTestSupport.h"

using namespace bmptest;

namespace {

// Columns of a corpus table, keyed by its first column.
std::map<std::string, std::vector<std::string>> ReadTable(const std::string& name) {
    std::map<std::string, std::vector<std::string>> rows;
    for (auto& cells : testsupport::ReadTsv(testsupport::CorpusDir() + "/" + name))
        if (!cells.empty()) rows[cells[0]] = cells;
    return rows;
}

bool IsMarkedBad(const std::vector<std::string>& manifestRow) {
    const std::string& what = manifestRow.size() > 4 ? manifestRow[4] : "";
    for (const char* mark : {"[BAD", "must fail", "must be rejected", "fail cleanly"})
        if (what.find(mark) != std::string::npos) return true;
    return false;
}

// Good or questionable files this codec refuses on purpose.
const std::map<std::string, std::string> kRefused = {
    {"bmp/bmpsuite/q/pal1huffmsb.bmp", "Huffman 1D compression"},
    {"bmp/bmpsuite/q/pal2.bmp", "2 bits per pixel"},
    {"bmp/bmpsuite/q/pal2color.bmp", "2 bits per pixel"},
    {"bmp/bmpsuite/q/pal8os2v2-16.bmp", "16-byte OS/2 header"},
    {"bmp/bmpsuite/q/rgb24jpeg.bmp", "embedded JPEG"},
    {"bmp/bmpsuite/q/rgb24png.bmp", "embedded PNG"},
    {"bmp/bmpsuite/q/rgb24rle24.bmp", "RLE24 compression"},
    {"bmp/bmpsuite/q/rgba32abf.bmp", "BI_ALPHABITFIELDS compression"},
    {"bmp/bmpsuite/q/rgba64.bmp", "64 bits per pixel"},
    {"bmp/bmpsuite/x/ba-bm.bmp", "OS/2 bitmap array container"},
    {"bmp/libgd/truncated.bmp", "cut inside the information header"},
};

// Good or questionable files whose decoding differs from the oracle by design.
const std::map<std::string, std::string> kDiffers = {
    {"bmp/pillow/hopper_rle8_row_overflow.bmp",
     "an RLE8 run past the end of its row ends the decoding; the rest stays cleared"},
    {"bmp/twelvemonkeys/blauesglas_4.rle",
     "ImageMagick carries pixels past a row's end into the next row; column 0 here agrees "
     "with the uncompressed blauesglas_4.bmp"},
    {"bmp/bmpsuite/q/rgb24prof2.bmp", "embedded colour profiles are not applied"},
};

// The oracle's verdict on one decoded file: "match", "mismatch" or "none".
std::string CompareWithOracle(const std::string& file, const CxImage& img,
                              const std::map<std::string, std::vector<std::string>>& references,
                              const std::map<std::string, std::vector<std::string>>& oracle) {
    const std::string dir = testsupport::CorpusDir();
    const std::string path = dir + "/" + file;
    const auto ref = references.find(file);
    const std::string expected = ref != references.end() ? dir + "/" + ref->second[1] : path;
    if (const auto theirs = testsupport::MagickDecode(expected))
        return CountMismatches(img, *theirs, ChannelBitsOf(ReadFile(path))) == 0 ? "match"
                                                                                 : "mismatch";
    // ImageMagick decoded only part of the file (it exits with a warning):
    // its recorded digest still holds for files with 8-bit channels.
    const auto row = oracle.find(file);
    const auto& names = oracle.at("file");
    for (std::size_t i = 0; row != oracle.end() && i < names.size(); ++i) {
        if (names[i] != "im_rgb8_md5" || i >= row->second.size() || row->second[i].empty())
            continue;
        return testsupport::Md5Hex(testsupport::ToRgb8(img)) == row->second[i] ? "match"
                                                                               : "mismatch";
    }
    return "none";
}

} // namespace

TEST(BmpCorpus, GoodFilesMatchTheReferenceOrImageMagick) {
    if (testsupport::CorpusDir().empty()) GTEST_SKIP() << "corpus absent";
    if (!testsupport::HaveMagick()) GTEST_SKIP() << "ImageMagick is not installed";
    const auto manifest = ReadTable("bmp/MANIFEST.tsv");
    const auto references = ReadTable("REFERENCE_CHECK.tsv");
    const auto oracle = ReadTable("ORACLE.tsv");
    std::map<std::string, int> counts;
    for (const auto& [file, row] : manifest) {
        if (file == "file" || IsMarkedBad(row)) continue;
        SCOPED_TRACE(file);
        CxImage img;
        const bool decoded = img.Load((testsupport::CorpusDir() + "/" + file).c_str(), FORMAT_BMP);
        if (kRefused.count(file)) {
            EXPECT_FALSE(decoded);
            EXPECT_STRNE(img.GetLastError(), "");
            ++counts["refused by design"];
            continue;
        }
        ASSERT_TRUE(decoded) << img.GetLastError();
        const std::string verdict = CompareWithOracle(file, img, references, oracle);
        if (kDiffers.count(file)) {
            EXPECT_EQ(verdict, "mismatch") << "now agrees: drop it from kDiffers";
            ++counts["differ by design"];
        } else {
            EXPECT_NE(verdict, "mismatch");
            ++counts[verdict == "match" ? "match" : "decoded, no oracle"];
        }
    }
    for (const auto& [what, n] : counts)
        std::printf("good and questionable files: %d %s\n", n, what.c_str());
}

TEST(BmpCorpus, BadFilesAreRefusedWithAMessageOrDecoded) {
    if (testsupport::CorpusDir().empty()) GTEST_SKIP() << "corpus absent";
    int refused = 0, decoded = 0;
    for (const auto& [file, row] : ReadTable("bmp/MANIFEST.tsv")) {
        if (!IsMarkedBad(row)) continue;
        SCOPED_TRACE(file);
        CxImage img;
        if (img.Load((testsupport::CorpusDir() + "/" + file).c_str(), FORMAT_BMP)) {
            EXPECT_TRUE(img.IsValid());
            ++decoded;
        } else {
            EXPECT_FALSE(img.IsValid());
            EXPECT_STRNE(img.GetLastError(), "");
            ++refused;
        }
    }
    std::printf("bad files: %d refused, %d decoded\n", refused, decoded);
    EXPECT_GT(refused + decoded, 0);
}
