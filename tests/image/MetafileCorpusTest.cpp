// Real metafiles from the corpus: every file decodes or is refused with a
// message, sizes agree with the independent renderers, and the drawn area
// (where the ink is, not exact pixels) agrees with ImageMagick's WMF
// renderer and with a Windows rendering shipped as a reference picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "image/CxImage.h"
#include "tests/support/TestSupport.h"

namespace {

// A picture as rows of ink flags: pixels clearly darker than white.
struct Ink {
    int width = 0, height = 0;
    std::vector<bool> at;

    // rgba: 4 bytes a pixel, rows top-down.
    Ink(int w, int h, const std::vector<std::uint8_t>& rgba) : width(w), height(h) {
        for (std::size_t i = 0; i + 3 < rgba.size(); i += 4)
            at.push_back(rgba[i] + rgba[i + 1] + rgba[i + 2] < 3 * 235);
    }

    // Which cells of an n x n grid over the picture hold ink.
    std::vector<bool> Grid(int n) const {
        std::vector<int> count(n * n, 0), total(n * n, 0);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const int cell = (y * n / height) * n + x * n / width;
                ++total[cell];
                count[cell] += at[y * width + x];
            }
        }
        std::vector<bool> grid;
        for (int i = 0; i < n * n; ++i)
            grid.push_back(total[i] > 0 && count[i] * 50 > total[i]);
        return grid;
    }
};

Ink InkOf(const CxImage& img) {
    return Ink(static_cast<int>(img.GetWidth()), static_cast<int>(img.GetHeight()),
               testsupport::ToRgba8(img));
}

// The share of grid cells on which two pictures agree about ink.
double Agreement(const Ink& a, const Ink& b, int n = 16) {
    const std::vector<bool> ga = a.Grid(n), gb = b.Grid(n);
    int same = 0;
    for (int i = 0; i < n * n; ++i)
        same += ga[i] == gb[i];
    return static_cast<double>(same) / (n * n);
}

bool DecodeFile(const std::string& path, CxImage& img) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    const bool ok = img.Decode(f, FORMAT_WMF);
    std::fclose(f);
    return ok;
}

std::vector<std::string> Metafiles(const std::string& folder) {
    std::vector<std::string> files;
    for (const std::string& f : testsupport::CorpusFiles(folder)) {
        if (f.ends_with(".wmf") || f.ends_with(".emf")) files.push_back(f);
    }
    return files;
}

} // namespace

TEST(MetafileCorpus, EveryFileDecodesOrIsRefusedWithAMessage) {
    const std::string dir = testsupport::CorpusDir();
    if (dir.empty()) GTEST_SKIP() << "corpus absent";
    int decoded = 0, refused = 0, sizesChecked = 0;
    for (const char* folder : {"wmf", "emf"}) {
        for (const std::string& file : Metafiles(folder)) {
            // Detection reaches the metafile codec last; a refusal is
            // read again as a metafile for the codec's message.
            const CxImage img((dir + "/" + file).c_str(), FORMAT_UNKNOWN);
            if (!img.IsValid()) {
                CxImage named;
                EXPECT_FALSE(DecodeFile(dir + "/" + file, named)) << file;
                EXPECT_STRNE(named.GetLastError(), "") << file;
                ++refused;
                continue;
            }
            ++decoded;
            EXPECT_EQ(img.GetType(), DWORD{FORMAT_WMF}) << file;
            EXPECT_EQ(img.GetBpp(), 24) << file;
            EXPECT_LE(std::max(img.GetWidth(), img.GetHeight()), 4000u) << file;
            // emf2svg sizes its picture by the same bounds.
            const auto row = testsupport::Oracle().find(file);
            if (row == testsupport::Oracle().end() || row->second.at("emf2svg_ok") != "yes")
                continue;
            const std::string size =
                std::to_string(img.GetWidth()) + "x" + std::to_string(img.GetHeight());
            if (img.GetWidth() < 4000 && img.GetHeight() < 4000) {
                EXPECT_EQ(size, row->second.at("emf2svg_wh")) << file;
                ++sizesChecked;
            }
        }
    }
    EXPECT_EQ(GetLiveGdiObjectCount(), 0u);
    // Five WMF files lack the placeable header; of the EMF files two are cut
    // short and one has empty bounds.
    EXPECT_EQ(refused, 5 + 3);
    EXPECT_EQ(decoded, 23 + 120);
    EXPECT_GE(sizesChecked, 90);
}

// ImageMagick draws WMF files through libwmf. Left out: files that are
// mostly text (not drawn here), files ImageMagick needs 10 s or more for,
// and Pillow's drawing.wmf, which draws outside its bounding box (libwmf
// frames the drawing, we frame the bounding box as the window says).
TEST(MetafileCorpus, WmfInkAgreesWithImageMagick) {
    const std::string dir = testsupport::CorpusDir();
    if (dir.empty() || !testsupport::HaveMagick()) GTEST_SKIP() << "corpus or ImageMagick absent";
    const std::vector<std::string> leftOut = {"formula1", "formula2", "formula3",
                                              "formula4", "fulltest", "64716_image",
                                              "cell",     "60677",    "pillow/drawing"};
    int compared = 0;
    double sum = 0;
    for (const std::string& file : Metafiles("wmf")) {
        if (std::any_of(leftOut.begin(), leftOut.end(),
                        [&](const std::string& s) { return file.find(s) != std::string::npos; }))
            continue;
        CxImage img;
        if (!DecodeFile(dir + "/" + file, img)) continue;
        const auto theirs = testsupport::MagickDecode(dir + "/" + file);
        if (!theirs) continue;
        const double agreement =
            Agreement(InkOf(img), Ink(theirs->width, theirs->height, theirs->rgba));
        EXPECT_GE(agreement, 0.8) << file;
        sum += agreement;
        ++compared;
    }
    EXPECT_EQ(compared, 11);
    EXPECT_GE(sum / compared, 0.93);
}

// Pillow ships a Windows rendering of its drawing.emf at the size the
// bounds give.
TEST(MetafileCorpus, EmfMatchesTheWindowsReference) {
    const std::string dir = testsupport::CorpusDir();
    if (dir.empty() || !testsupport::HaveMagick()) GTEST_SKIP() << "corpus or ImageMagick absent";
    CxImage img;
    ASSERT_TRUE(DecodeFile(dir + "/emf/pillow/drawing.emf", img));
    const auto ref =
        testsupport::MagickDecode(dir + "/reference/pillow-wmf-emf/drawing_emf_ref.png");
    ASSERT_TRUE(ref);
    ASSERT_EQ(img.GetWidth(), static_cast<DWORD>(ref->width));
    ASSERT_EQ(img.GetHeight(), static_cast<DWORD>(ref->height));
    const Ink ours = InkOf(img), windows(ref->width, ref->height, ref->rgba);
    std::size_t same = 0;
    for (std::size_t i = 0; i < ours.at.size(); ++i)
        same += ours.at[i] == windows.at[i];
    EXPECT_GT(static_cast<double>(same) / ours.at.size(), 0.99);
    EXPECT_EQ(Agreement(ours, windows, 32), 1.0);
}
