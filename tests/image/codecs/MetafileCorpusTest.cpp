// Real metafiles from the corpus: every file loads through detection or is
// refused with a message, sizes agree with emf2svg's, and the drawn area
// (where the ink is, not exact pixels) agrees with ImageMagick's WMF renderer
// and with a Windows rendering shipped as a reference picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "image/CxImage.h"
#include "tests/support/TestSupport.h"

using testsupport::CorpusDir;
using testsupport::Decoded;

namespace {

// Pixel i of the picture is clearly darker than white.
bool Ink(const Decoded& d, std::size_t i) {
    return d.rgba[4 * i] + d.rgba[4 * i + 1] + d.rgba[4 * i + 2] < 3 * 235;
}

Decoded Pixels(const CxImage& img) {
    return {int(img.GetWidth()), int(img.GetHeight()), testsupport::ToRgba8(img)};
}

// Which cells of an n x n grid over the picture hold ink (more than 2% of
// their pixels).
std::vector<bool> InkGrid(const Decoded& d, int n) {
    std::vector<int> count(n * n, 0), total(n * n, 0);
    for (int i = 0; i < d.width * d.height; ++i) {
        const int cell = (i / d.width * n / d.height) * n + i % d.width * n / d.width;
        ++total[cell];
        count[cell] += Ink(d, i);
    }
    std::vector<bool> grid;
    for (int i = 0; i < n * n; ++i)
        grid.push_back(count[i] * 50 > total[i]);
    return grid;
}

// The share of the grid's cells on which two pictures agree about ink.
double Agreement(const Decoded& a, const Decoded& b, int n = 16) {
    const std::vector<bool> ga = InkGrid(a, n), gb = InkGrid(b, n);
    int same = 0;
    for (int i = 0; i < n * n; ++i)
        same += ga[i] == gb[i];
    return double(same) / (n * n);
}

} // namespace

TEST(MetafileCorpus, EveryFileLoadsThroughDetectionOrIsRefusedWithAMessage) {
    if (CorpusDir().empty()) GTEST_SKIP() << "corpus absent";
    int decoded = 0, refused = 0, sizesChecked = 0;
    for (const std::string& file : testsupport::CorpusMetafiles()) {
        // Detection reaches the metafile codec last; a refusal is read again
        // as a metafile for the codec's message.
        const std::string path = CorpusDir() + "/" + file;
        CxImage img(path.c_str(), FORMAT_UNKNOWN);
        if (!img.IsValid()) {
            EXPECT_FALSE(img.Load(path.c_str(), FORMAT_WMF)) << file;
            EXPECT_STRNE(img.GetLastError(), "") << file;
            ++refused;
            continue;
        }
        ++decoded;
        EXPECT_EQ(img.GetType(), DWORD{FORMAT_WMF}) << file;
        EXPECT_EQ(img.GetBpp(), 24) << file;
        EXPECT_LE(std::max(img.GetWidth(), img.GetHeight()), 4000u) << file;
        // emf2svg sizes its picture by the same bounds.
        const auto row = testsupport::Oracle().find(file);
        if (row == testsupport::Oracle().end() || row->second.at("emf2svg_ok") != "yes" ||
            std::max(img.GetWidth(), img.GetHeight()) == 4000)
            continue;
        EXPECT_EQ(std::to_string(img.GetWidth()) + "x" + std::to_string(img.GetHeight()),
                  row->second.at("emf2svg_wh"))
            << file;
        ++sizesChecked;
    }
    EXPECT_EQ(GetLiveGdiObjectCount(), 0u);
    std::printf("[ corpus ] wmf, emf: %d decoded (%d sized as emf2svg sizes them), %d refused\n",
                decoded, sizesChecked, refused);
    // Of the EMF files two are cut short and one has empty bounds.
    EXPECT_EQ(refused, 3);
    EXPECT_EQ(decoded, 28 + 120);
    EXPECT_GE(sizesChecked, 90);
}

// ImageMagick draws WMF files through libwmf. Left out: files that are
// mostly text (not drawn here), files ImageMagick needs 10 s or more for,
// Pillow's drawing.wmf, which draws outside its bounding box (libwmf
// frames the drawing, we frame the bounding box as the window says), and
// the files without the placeable header, for the same reason. Pillow
// ships a Windows rendering of its drawing.emf at the size the bounds give.
TEST(MetafileCorpus, InkAgreesWithImageMagickAndWindows) {
    if (CorpusDir().empty()) GTEST_SKIP() << "the corpus is absent";
    if (!testsupport::MagickReads("WMF"))
        GTEST_SKIP() << "ImageMagick cannot read WMF (scripts/setup installs "
                        "libmagickcore-6.q16-6-extra and gsfonts)";
    for (const char* font : {"Times-Roman", "Helvetica"}) {
        if (!testsupport::MagickHasFont(font))
            GTEST_SKIP() << "ImageMagick has no " << font
                         << " to draw WMF text with (scripts/setup installs gsfonts)";
    }
    const std::vector<std::string> leftOut = {
        "formula1",    "formula2", "formula3", "formula4",       "fulltest",
        "64716_image", "cell",     "60677",    "pillow/drawing", "libwmf/text.wmf",
        "p0000001",    "p0000016", "61338",    "testException2"};
    int compared = 0;
    double sum = 0;
    CxImage img;
    for (const std::string& file : testsupport::CorpusMetafiles()) {
        if (!file.ends_with(".wmf") ||
            std::any_of(leftOut.begin(), leftOut.end(),
                        [&](const std::string& s) { return file.find(s) != std::string::npos; }))
            continue;
        const auto theirs = testsupport::MagickDecode(CorpusDir() + "/" + file);
        if (!img.Load((CorpusDir() + "/" + file).c_str(), FORMAT_WMF) || !theirs) continue;
        const double agreement = Agreement(Pixels(img), *theirs);
        EXPECT_GE(agreement, 0.8) << file;
        sum += agreement;
        ++compared;
    }
    EXPECT_EQ(compared, 11);
    EXPECT_GE(sum / compared, 0.93);
    ASSERT_TRUE(img.Load((CorpusDir() + "/emf/pillow/drawing.emf").c_str(), FORMAT_WMF));
    const auto windows =
        testsupport::MagickDecode(CorpusDir() + "/reference/pillow-wmf-emf/drawing_emf_ref.png");
    ASSERT_TRUE(windows);
    const Decoded ours = Pixels(img);
    ASSERT_EQ(std::pair(ours.width, ours.height), std::pair(windows->width, windows->height));
    std::size_t same = 0;
    for (int i = 0; i < ours.width * ours.height; ++i)
        same += Ink(ours, i) == Ink(*windows, i);
    const double share = double(same) / (ours.width * ours.height);
    std::printf("[ corpus ] %d WMF files agree with ImageMagick on %.3f of the grid on average; "
                "drawing.emf inks %.4f of the pixels as Windows does\n",
                compared, sum / compared, share);
    EXPECT_GT(share, 0.99);
    EXPECT_EQ(Agreement(ours, *windows, 32), 1.0);
}
